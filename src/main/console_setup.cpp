// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/text.h"
#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

namespace {

// Each option word keeps one item of the window's system menu; an absent word removes it. The
// words are found anywhere in the upper-cased options; blank options stand for "CLOSE OFF".
WindowMenu kept_menu_items(std::string_view options) {
    std::string words = to_upper(options);
    if (trim_spaces(words).empty()) words = "CLOSE OFF";
    const auto has = [&words](std::string_view word) { return words.find(word) != std::string::npos; };
    return WindowMenu{has("MAXIMIZE ON"), has("MINIMIZE ON"), has("CLOSE ON")};
}

}  // namespace

// The screen takes the largest size the display allows, the window is maximised with the chosen
// menu items, and the text cursor is hidden.
void FUN_FULL(Platform& platform, std::string_view options) {
    RoutineName routine("FUN_FULL");
    Console& console = platform.console;
    console.set_size(console.largest_size());
    console.maximise_window(kept_menu_items(options));
    console.set_cursor_visible(false);
}

}  // namespace posteri
