// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The photo's facts as the run gathers them.

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace posteri {

// Photo facts: 0 x 0 and orientation 3 for an unreadable file, resolution left untouched then.
void LI_DIMEN(Platform& platform, std::string_view file, std::int32_t& width, std::int32_t& height,
              std::int32_t& orientation, float& dpi_x, float& dpi_y);

}  // namespace posteri
