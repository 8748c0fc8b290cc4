// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Steps of the run that the interactive program and posteri-batch take alike.

#include <string>

#include "platform/platform.h"
#include "settings/poster_settings.h"
#include "settings/summary.h"

namespace posteri {

// "Hai scelto …", the photo's facts into the record, summary lines 1 to 5.
void gather_photo_facts(Platform& platform, PosterSettings& settings, Summary& summary);
// The document name for a printer chosen by name: the photo's path (its field without the padding)
// up to the first "." of the file's name, followed by the printer's name.
std::string document_name(const PosterSettings& settings, std::string_view printer);
// Once a printer is attached: its summary line, the sheet's orientation, the sheet size in cm and
// dots per cm, their console lines and summary lines 7 to 9.
void prepare_attached_printer(Platform& platform, PosterSettings& settings, Summary& summary);
// Appends the settings to the log, rewrites the settings file, and sets the text band's height.
void save_parameters(Platform& platform, PosterSettings& settings);
// The print job, then one line telling where the PDF went when the printer wrote one.
void print_poster(Platform& platform, PosterSettings& settings, Summary& summary);

}  // namespace posteri
