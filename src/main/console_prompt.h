#pragma once
// A one-line console prompt for the simple questions of the run.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace posteri {

// Writes the prompt at the cursor and reads a line: printable characters, Backspace, Enter.
// Esc gives nothing. The cursor is shown while typing and ends at the start of the next row.
std::optional<std::string> prompt_line(Console& console, std::string_view prompt);

// The whole screen and the cursor, put back when the snapshot ends: a question asked on the
// console leaves no trace of itself.
class ScreenSnapshot {
public:
    explicit ScreenSnapshot(Console& console);
    ~ScreenSnapshot();
    ScreenSnapshot(const ScreenSnapshot&) = delete;
    ScreenSnapshot& operator=(const ScreenSnapshot&) = delete;

private:
    Console& console_;
    CellRect screen_;
    std::vector<Cell> cells_;
    CellPos cursor_;
    Attribute colour_;
};

// Writes the prompt and waits for one of `choices` (or Esc, which gives nothing).
std::optional<char> prompt_choice(Console& console, std::string_view prompt, std::string_view choices);

}  // namespace posteri
