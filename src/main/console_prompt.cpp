#include "main/console_prompt.h"

namespace posteri {

namespace {

bool is_printable(const std::string& key) {
    return key.size() == 1 && static_cast<unsigned char>(key[0]) >= 32 && key[0] != 127;
}

// Shows the text cursor while the user types, hiding it again afterwards.
class VisibleCursor {
public:
    explicit VisibleCursor(Console& console) : console_(console), was_visible_(console.cursor_visible()) {
        console_.set_cursor_visible(true);
    }
    ~VisibleCursor() { console_.set_cursor_visible(was_visible_); }
    VisibleCursor(const VisibleCursor&) = delete;
    VisibleCursor& operator=(const VisibleCursor&) = delete;

private:
    Console& console_;
    bool was_visible_;
};

}  // namespace

ScreenSnapshot::ScreenSnapshot(Console& console)
    : console_(console),
      screen_{1, 1, console.size().rows, console.size().cols},
      cells_(console.read_cells(screen_)),
      cursor_(console.cursor()),
      colour_(console.colour()) {}

ScreenSnapshot::~ScreenSnapshot() {
    console_.write_cells(screen_, cells_);
    console_.set_cursor(cursor_.row, cursor_.col);
    console_.set_colour(colour_);
}

std::optional<std::string> prompt_line(Console& console, std::string_view prompt) {
    VisibleCursor cursor(console);
    console.write(prompt);
    std::string typed;
    for (;;) {
        const std::string key = console.read_key();
        if (key == "\x1b") {
            console.new_line();
            return std::nullopt;
        }
        if (key == "\r") break;
        if (key == "\b" && !typed.empty()) {
            typed.pop_back();
            CellPos at = console.cursor();
            if (at.col > 1) {
                console.set_cursor(at.row, at.col - 1);
                console.write(" ");
                console.set_cursor(at.row, at.col - 1);
            }
        } else if (is_printable(key)) {
            typed += key;
            console.write(key);
        }
    }
    console.new_line();
    return typed;
}

std::optional<char> prompt_choice(Console& console, std::string_view prompt, std::string_view choices) {
    console.write(prompt);
    for (;;) {
        const std::string key = console.read_key();
        if (key == "\x1b") {
            console.new_line();
            return std::nullopt;
        }
        if (key.size() == 1 && choices.find(key[0]) != std::string_view::npos) {
            if (is_printable(key)) console.write(key);
            console.new_line();
            return key[0];
        }
    }
}

}  // namespace posteri
