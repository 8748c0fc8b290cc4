#include <string>

#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

namespace {

// Waits for a key; with a positive time-out, gives up after that many seconds.
std::string wait_for_key(Platform& platform, float timeout_seconds, double shown_at) {
    for (;;) {
        if (platform.console.key_waiting()) return platform.console.read_key();
        if (timeout_seconds > 0 && platform.system.seconds_of_day() - shown_at > timeout_seconds) return "";
        platform.system.sleep_ms(25);
    }
}

}  // namespace

// For now the notice is written on the console: each CR LF line of the shown text on a row.
std::string FUN_AVVI(Platform& platform, std::string_view spoken, std::string_view shown, float timeout_seconds,
                     std::int32_t, std::string_view, std::int32_t, std::int32_t, std::int32_t) {
    RoutineName routine("FUN_AVVI");
    Console& console = platform.console;
    for (std::size_t start = 0;;) {
        const std::size_t end = shown.find("\r\n", start);
        console.write(shown.substr(start, end - start));
        console.new_line();
        if (end == std::string_view::npos) break;
        start = end + 2;
    }
    const double shown_at = platform.system.seconds_of_day();
    if (!spoken.empty()) platform.speech.speak(spoken);
    return wait_for_key(platform, timeout_seconds, shown_at);
}

}  // namespace posteri
