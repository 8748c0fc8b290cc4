// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The poster's print job on the attached printer.

#include "platform/platform.h"
#include "print/layout.h"
#include "settings/poster_settings.h"
#include "settings/summary.h"

namespace posteri {

// The job's text measurer: the attached printer's own fonts and extents.
TextMeasurer measure_on(Printers& printers);

// Prints the poster on the attached printer and appends the job's lines to the summary.
void SUB_STAM(Platform& platform, PosterSettings& settings, Summary& summary);

}  // namespace posteri
