// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console screen: a grid of cells (character + colour attribute), a cursor, and input as key strings.
// Rows and columns count from 1. Text bytes are Windows-1252, glyph bytes are code page 437; each cell
// holds the Unicode character actually shown.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace posteri {

// A cell's attribute is foreground + 16 * background, both console colours 0..15.
using Attribute = std::uint8_t;

struct Cell {
    char32_t ch = U' ';
    Attribute attr = 7;
    bool operator==(const Cell&) const = default;
};

struct ScreenSize {
    int cols = 0;
    int rows = 0;
    bool operator==(const ScreenSize&) const = default;
};

struct CellPos {
    int row = 1;
    int col = 1;
    bool operator==(const CellPos&) const = default;
};

// A rectangle of cells, corners inclusive.
struct CellRect {
    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

// The items of the console window's system menu that stay in it.
struct WindowMenu {
    bool restore = true;
    bool minimize = true;
    bool close = true;
    bool operator==(const WindowMenu&) const = default;
};

// How 8-bit output bytes are read: as Windows-1252 text or as code-page-437 glyphs (frame, marks).
enum class Charset { Text, Glyphs };

class Console {
public:
    virtual ~Console() = default;

    // --- geometry and cursor
    virtual ScreenSize size() const = 0;
    // The largest screen the display allows (a terminal: its own size).
    virtual ScreenSize largest_size() const = 0;
    virtual void set_size(ScreenSize size) = 0;
    virtual CellPos cursor() const = 0;
    // A coordinate out of range keeps its old value.
    virtual void set_cursor(int row, int col) = 0;
    virtual void set_cursor_visible(bool visible) = 0;
    // Percentage of the cell the text cursor fills (1..100): small is an underline, large a block.
    virtual void set_cursor_size(int percent) = 0;
    virtual bool cursor_visible() const = 0;

    // --- output
    virtual void set_colour(Attribute attr) = 0;
    virtual Attribute colour() const = 0;
    // Writes at the cursor, advancing it, wrapping at the right edge and scrolling at the bottom.
    // CR goes to column 1, LF to column 1 of the next row.
    virtual void write(std::string_view bytes, Charset charset = Charset::Text) = 0;
    // Cursor to column 1 of the next row (scrolling at the bottom).
    virtual void new_line() = 0;
    // Every cell blank in the current colours, cursor at (1, 1).
    virtual void clear() = 0;
    // Cells of a rectangle row by row, always width x height of them; parts outside the screen are
    // not read (they come back as default blank cells, keeping the layout) or ignored (write), so a
    // saved screen written back after a resize never goes out of bounds.
    virtual std::vector<Cell> read_cells(const CellRect& rect) const = 0;
    virtual void write_cells(const CellRect& rect, const std::vector<Cell>& cells) = 0;
    virtual void set_title(std::string_view text) = 0;
    // Keeps only the given system-menu items and shows the console's window maximised. Where the
    // window has no system menu or cannot be maximised, that part is left out.
    virtual void maximise_window(const WindowMenu& kept) { (void)kept; }

    // --- input
    // Whether a key or mouse event is waiting, without waiting and without taking it.
    virtual bool key_waiting() = 0;
    // The next input event as a key string (one byte; NUL + scan code; 255 255 event button),
    // waiting for it as long as it takes (polling every millisecond).
    virtual std::string read_key() = 0;
    // Throws away every waiting event.
    virtual void discard_input() = 0;
    // Mouse reporting: while on, left presses arrive as 255 255 4 1 and double clicks as 255 255 2 1.
    virtual void set_mouse(bool on) = 0;
    virtual bool mouse_enabled() const = 0;
    // The pointer's cell at the last mouse event.
    virtual CellPos mouse_position() const = 0;
    // Keys from beside the console (a graphic window that hands its keys on): while set, the key
    // wait asks `source` between its polls, which also keeps that window's events flowing, and its
    // keys count as typed on the console. `source` returns "" when it has none. An empty function
    // stops it. A console that never waits for real (a test's) may ignore it.
    virtual void set_side_keys(std::function<std::string()> source) { (void)source; }
    // Puts the terminal's own (hidden) cursor on `cell` until the next output, so that a screen
    // reader follows a selection; the console's cursor position stays as it is.
    virtual void show_reading_point(CellPos cell) { (void)cell; }
};

// Key strings of the extended keys: NUL followed by the scan code.
namespace keys {
inline const std::string kUp{'\0', 'H'};
inline const std::string kDown{'\0', 'P'};
inline const std::string kLeft{'\0', 'K'};
inline const std::string kRight{'\0', 'M'};
inline const std::string kPgUp{'\0', 'I'};
inline const std::string kPgDn{'\0', 'Q'};
inline const std::string kHome{'\0', 'G'};
inline const std::string kEnd{'\0', 'O'};
inline const std::string kIns{'\0', 'R'};
inline const std::string kDel{'\0', 'S'};
inline const std::string kF1{'\0', char(59)};
inline const std::string kF2{'\0', char(60)};
inline const std::string kF3{'\0', char(61)};
inline const std::string kF4{'\0', char(62)};
inline const std::string kF5{'\0', char(63)};
inline const std::string kF10{'\0', char(68)};
inline const std::string kShiftTab{'\0', char(15)};
inline const std::string kEnter{"\r"};
inline const std::string kEsc{"\x1b"};
inline const std::string kTab{"\t"};
inline const std::string kBackspace{"\b"};
inline const std::string kMousePress{'\xff', '\xff', '\x04', '\x01'};
inline const std::string kMouseDoubleClick{'\xff', '\xff', '\x02', '\x01'};

// Function key F1 to F12, plain or with Shift, by its PC scan code: F1-F10 59-68, F11 133, F12 134,
// Shift+F1-F10 84-93, Shift+F11 135, Shift+F12 136. Empty for other numbers.
inline std::string function_key(int number, bool shift = false) {
    if (number < 1 || number > 12) return {};
    if (number <= 10) return {'\0', char((shift ? 84 : 59) + number - 1)};
    return {'\0', char((shift ? 135 : 133) + number - 11)};
}
}  // namespace keys

// Key strings of mouse events: 255, 255, event code, button state.
inline bool is_mouse_event(std::string_view key) {
    return key.size() == 4 && key.starts_with("\xFF\xFF");
}
inline bool is_double_click(std::string_view key) {
    return is_mouse_event(key) && key[2] == 2;
}
inline bool is_button_press(std::string_view key) {
    return is_mouse_event(key) && key[2] == 4;
}

}  // namespace posteri
