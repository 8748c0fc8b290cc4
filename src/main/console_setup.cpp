#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

// The screen takes the largest size the terminal allows; the text cursor is hidden.
void FUN_FULL(Platform& platform, std::string_view) {
    RoutineName routine("FUN_FULL");
    Console& console = platform.console;
    console.set_size(console.largest_size());
    console.set_cursor_visible(false);
}

}  // namespace posteri
