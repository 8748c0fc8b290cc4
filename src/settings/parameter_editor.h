// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameter editor: the screen on which the user reviews and changes the poster's parameters.

#include <functional>
#include <string>

#include "platform/platform.h"
#include "settings/poster_settings.h"

namespace posteri {

// Told the record as it stands: before the first display, and after every parameter edit.
using SettingsWatcher = std::function<void(const PosterSettings&)>;

// Returns how it ended: Esc (leave), "*" (reset to the defaults) or "" (confirmed).
std::string SCP_CAMB(Platform& platform, PosterSettings& settings, const SettingsWatcher& watcher = {});

}  // namespace posteri
