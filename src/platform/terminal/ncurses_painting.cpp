// SPDX-License-Identifier: GPL-3.0-or-later
// The painting side of the terminal console: changed cells through curses in the colours the
// terminal has, the title, the cursor's shape and place, and whole repaints.
#include <curses.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cwchar>

#include "format/codepage.h"
#include "platform/system/write_all.h"
#include "platform/terminal/ncurses_console.h"
#include "platform/terminal/terminal_colours.h"
#include "platform/terminal/terminal_sequences.h"

namespace posteri {

namespace {

constexpr int kEightColourPairs = 64;
constexpr int kSixteenColourPairs = 256;

// The title as UTF-8 without control characters, which would end or hijack the sequence.
std::string printable_title(std::string_view cp1252) {
    std::string text;
    for (const char byte : cp1252) {
        const char32_t ch = cp1252_to_unicode(static_cast<unsigned char>(byte));
        if (ch >= 0x20 && (ch < 0x7F || ch >= 0xA0)) text += utf8_encode(ch);
    }
    return text;
}

void draw_cell(int row, int col, const Cell& cell, ColourDepth depth) {
    wchar_t shown[2] = {static_cast<wchar_t>(cell.ch), L'\0'};
    if (::wcwidth(shown[0]) != 1) shown[0] = L'?';  // a wide or zero-width character would shift the row
    const TerminalColours colours = terminal_colours(cell.attr, depth);
    const attr_t attributes = (colours.bold ? A_BOLD : A_NORMAL) | (colours.blink ? A_BLINK : A_NORMAL);
    cchar_t cc;
    setcchar(&cc, shown, attributes, colours.pair, nullptr);
    mvwadd_wch(stdscr, row - 1, col - 1, &cc);
}

}  // namespace

void write_to_terminal(std::string_view bytes) {
    [[maybe_unused]] const int lost = write_all(STDOUT_FILENO, bytes);
}

std::string terminal_capability(const char* name) {
    const char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<const char*>(-1)) return {};
    return value;
}

bool is_linux_console() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::string_view(term).starts_with("linux");
}

std::optional<ColourDepth> start_terminal_colours() {
    if (!has_colors() || start_color() == ERR) return std::nullopt;
    ColourDepth depth = is_linux_console() ? ColourDepth::EightBrightByBlink : ColourDepth::Eight;
    if (COLORS >= 16 && COLOR_PAIRS >= kSixteenColourPairs) {
        depth = ColourDepth::Sixteen;
    } else if (COLORS < 8 || COLOR_PAIRS < kEightColourPairs) {
        return std::nullopt;
    }
    // Pair 0 cannot be set but serves white on black once the terminal's defaults are that.
    assume_default_colors(COLOR_WHITE, COLOR_BLACK);
    for (int attr = 0; attr < 256; ++attr) {
        const TerminalColours colours = terminal_colours(Attribute(attr), depth);
        if (colours.pair != 0) init_pair(colours.pair, colours.foreground, colours.background);
    }
    return depth;
}

void TerminalConsole::present() {
    if (!active_) return;
    handle_signals();
    ConsoleBuffer& screen = edit_buffer();
    const Viewport view = fit_viewport(screen, ScreenSize{COLS, LINES});
    if (view != shown_view_) {
        shown_view_ = view;
        screen.mark_all_changed();
    }
    draw_cells(view);
    const CellPos cursor = terminal_cursor(view);
    wmove(stdscr, cursor.row - 1, cursor.col - 1);
    if (screen.cursor_look_changed()) curs_set(screen.cursor_visible() ? 1 : 0);
    wnoutrefresh(stdscr);
    doupdate();

    std::string sequences;
    if (screen.cursor_look_changed() && screen.cursor_visible()) sequences += cursor_shape_sequence();
    if (screen.title_changed() && caps_->titles && title_set_)
        sequences += "\x1b]2;" + printable_title(screen.title()) + "\a";
    std::fflush(stdout);
    write_to_terminal(sequences);
    screen.mark_shown();
}

void TerminalConsole::draw_cells(const Viewport& view) {
    const ScreenSize terminal{COLS, LINES};
    if (view.needed) {
        werase(stdscr);
        const EnlargeRequest request = enlarge_request(*view.needed, terminal);
        for (std::size_t i = 0; i < request.text.size(); ++i) {
            draw_cell(request.at.row, request.at.col + int(i), Cell{request.text[i], 7}, caps_->colours);
        }
        return;
    }
    const ConsoleBuffer& screen = buffer();
    const int last_row = std::min(terminal.rows + view.row_offset, screen.size().rows);
    const int last_col = std::min(terminal.cols + view.col_offset, screen.size().cols);
    for (int row = view.row_offset + 1; row <= last_row; ++row) {
        if (!screen.row_changed(row)) continue;
        for (int col = view.col_offset + 1; col <= last_col; ++col) {
            if (!screen.cell_changed(row, col)) continue;
            draw_cell(row - view.row_offset, col - view.col_offset, screen.at(row, col), caps_->colours);
        }
    }
}

// While a widget waits for a key, a screen reader finds the selection at the hidden cursor.
CellPos TerminalConsole::terminal_cursor(const Viewport& view) const {
    const ScreenSize terminal{COLS, LINES};
    if (view.needed) return enlarge_request(*view.needed, terminal).at;
    const CellPos cursor = reading_point_.value_or(buffer().cursor());
    return {std::clamp(cursor.row - view.row_offset, 1, terminal.rows),
            std::clamp(cursor.col - view.col_offset, 1, terminal.cols)};
}

std::string TerminalConsole::cursor_shape_sequence() const {
    if (!caps_->cursor_shapes) return {};
    // Windows-style cursor sizes: a large cursor is a block, a small one an underline.
    const int shape = buffer().cursor_size() > 50 ? 2 : 4;
    if (!caps_->cursor_shape.empty()) return tiparm(caps_->cursor_shape.c_str(), shape);
    return "\x1b[" + std::to_string(shape) + " q";
}

// After a resize, and after the run was stopped and continued (when the terminal may have
// changed size and the shell drew over the screen).
void TerminalConsole::follow_terminal_size() {
    const ScreenSize size = largest_size();
    resize_term(size.rows, size.cols);
    edit_buffer().resize(laid_out_size(size, buffer().size()));
    reset_prog_mode();
    redraw_all();
}

void TerminalConsole::redraw_all() {
    edit_buffer().mark_all_changed();
    clearok(curscr, TRUE);
    present();
}

}  // namespace posteri
