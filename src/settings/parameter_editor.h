#pragma once
// The parameter editor: the screen on which the user reviews and changes the poster's parameters.

#include <string>

#include "platform/platform.h"
#include "settings/poster_settings.h"

namespace posteri {

// Returns how it ended: Esc (leave), "*" (reset to the defaults) or "" (confirmed).
std::string SCP_CAMB(Platform& platform, PosterSettings& settings);

}  // namespace posteri
