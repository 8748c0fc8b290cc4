// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The poster page as the print job would print it from the record as it stands, for the preview.

#include "platform/platform.h"
#include "settings/poster_settings.h"

namespace posteri {

// Laid out as the job lays it out, on the attached printer's sheet with its text measurer, and with
// the text band's height the run sets just before printing (the record holds 0 there until then).
PreviewPage preview_page(Platform& platform, const PosterSettings& settings);

// Shows that page in the preview, when one is open.
void show_preview(Platform& platform, const PosterSettings& settings);

}  // namespace posteri
