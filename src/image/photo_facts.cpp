// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/photo_facts.h"
#include "ui/failure.h"

namespace posteri {

// A photo that cannot be read comes out as 0 x 0 and square, with the resolution left as it was.
void LI_DIMEN(Platform& platform, std::string_view file, std::int32_t& width, std::int32_t& height,
              std::int32_t& orientation, float& dpi_x, float& dpi_y) {
    RoutineName routine("LI_DIMEN");
    width = 0;
    height = 0;
    if (const auto facts = platform.images.facts(std::string(file))) {
        width = facts->width;
        height = facts->height;
        dpi_x = facts->dpi_x;
        dpi_y = facts->dpi_y;
    }
    orientation = height < width ? 2 : height > width ? 1 : 3;
}

}  // namespace posteri
