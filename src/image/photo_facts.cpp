#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

// Until photos are decoded, every photo reads as an unreadable one: 0 x 0 pixels and square, with
// the resolution left as it was.
void LI_DIMEN(Platform&, std::string_view, std::int32_t& width, std::int32_t& height, std::int32_t& orientation,
              float&, float&) {
    RoutineName routine("LI_DIMEN");
    width = 0;
    height = 0;
    orientation = 3;
}

}  // namespace posteri
