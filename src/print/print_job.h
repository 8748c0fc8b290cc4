#pragma once
// The poster's print job on the attached printer.

#include "platform/platform.h"
#include "settings/poster_settings.h"
#include "settings/summary.h"

namespace posteri {

// Prints the poster on the attached printer and appends the job's lines to the summary.
void SUB_STAM(Platform& platform, PosterSettings& settings, Summary& summary);

}  // namespace posteri
