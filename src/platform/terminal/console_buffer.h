// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cell model of the console screen, kept in memory: cells, cursor, colour, title and cursor shape,
// with the write rules of a console (wrap at the right edge, scroll at the bottom). Every console
// implementation draws into one of these; a terminal driver then shows only the cells that changed.

#include <string>
#include <string_view>
#include <vector>

#include "platform/terminal/console.h"

namespace posteri {

class ConsoleBuffer {
  public:
    explicit ConsoleBuffer(ScreenSize size = {80, 25});

    ScreenSize size() const { return size_; }
    // Moves the cursor inside the new screen. Cells that no longer fit are kept: growing back shows
    // them again; cells never shown before are blanks in the default colours. Sizes below 1x1 are
    // taken as 1x1.
    void resize(ScreenSize size);

    CellPos cursor() const { return cursor_; }
    // A coordinate out of range keeps its old value.
    void set_cursor(int row, int col);
    bool cursor_visible() const { return cursor_visible_; }
    void set_cursor_visible(bool visible);
    int cursor_size() const { return cursor_size_; }
    // Clamped to 1..100.
    void set_cursor_size(int percent);

    Attribute colour() const { return colour_; }
    void set_colour(Attribute attr) { colour_ = attr; }

    // Shows one character at the cursor in the current colour and advances the cursor. Writing
    // into the last column moves the cursor to column 1 of the next row, scrolling the screen up
    // when that was the last row; so a line exactly as wide as the screen ends at column 1 of the
    // next row. CR moves to column 1, LF to column 1 of the next row.
    void put(char32_t ch);
    // Writes 8-bit bytes, each read as Windows-1252 text or code-page-437 glyphs.
    void write(std::string_view bytes, Charset charset);
    void new_line();
    // Every cell blank in the current colour, cursor at (1, 1).
    void clear();

    // The cell at (row, col); throws std::out_of_range outside the screen.
    const Cell& at(int row, int col) const;
    // Always rect.width() * rect.height() cells, row by row; cells outside the screen come back
    // as default blanks. An empty or inverted rectangle gives no cells.
    std::vector<Cell> read_cells(const CellRect& rect) const;
    // Cells laid out as read_cells gives them; the ones falling outside the screen, or missing
    // from a too short vector, are ignored.
    void write_cells(const CellRect& rect, const std::vector<Cell>& cells);

    const std::string& title() const { return title_; }
    void set_title(std::string_view text);

    // --- change tracking, for drivers that redraw only what changed
    bool row_changed(int row) const;
    bool cell_changed(int row, int col) const;
    // Title, cursor visibility or cursor size changed.
    bool title_changed() const { return title_changed_; }
    bool cursor_look_changed() const { return cursor_look_changed_; }
    // Everything counts as changed (after a resize or when the display lost its content).
    void mark_all_changed();
    // The display now shows the buffer as it is.
    void mark_shown();

  private:
    std::size_t index(int row, int col) const;
    void set_cell(int row, int col, const Cell& cell);
    void scroll_up();

    ScreenSize size_;
    // The cells held, the largest size the screen has had; the screen is their top-left part.
    ScreenSize stored_;
    std::vector<Cell> cells_;
    std::vector<bool> changed_cells_;
    std::vector<bool> changed_rows_;
    CellPos cursor_;
    Attribute colour_ = 7;
    bool cursor_visible_ = true;
    int cursor_size_ = 25;
    std::string title_;
    bool title_changed_ = false;
    bool cursor_look_changed_ = true;
};

// A Console whose output operations all act on a ConsoleBuffer; the input side, the largest size
// and resizing are left to the concrete console, which hears of every change to the screen
// through screen_changed().
class BufferedConsole : public Console {
  public:
    explicit BufferedConsole(ScreenSize size = {80, 25}) : buffer_(size) {}

    ScreenSize size() const override { return buffer_.size(); }
    CellPos cursor() const override { return buffer_.cursor(); }
    void set_cursor(int row, int col) override {
        buffer_.set_cursor(row, col);
        screen_changed();
    }
    void set_cursor_visible(bool visible) override {
        buffer_.set_cursor_visible(visible);
        screen_changed();
    }
    void set_cursor_size(int percent) override {
        buffer_.set_cursor_size(percent);
        screen_changed();
    }
    bool cursor_visible() const override { return buffer_.cursor_visible(); }

    void set_colour(Attribute attr) override { buffer_.set_colour(attr); }
    Attribute colour() const override { return buffer_.colour(); }
    void write(std::string_view bytes, Charset charset = Charset::Text) override {
        buffer_.write(bytes, charset);
        screen_changed();
    }
    void new_line() override {
        buffer_.new_line();
        screen_changed();
    }
    void clear() override {
        buffer_.clear();
        screen_changed();
    }
    std::vector<Cell> read_cells(const CellRect& rect) const override { return buffer_.read_cells(rect); }
    void write_cells(const CellRect& rect, const std::vector<Cell>& cells) override {
        buffer_.write_cells(rect, cells);
        screen_changed();
    }
    void set_title(std::string_view text) override {
        buffer_.set_title(text);
        screen_changed();
    }

    const ConsoleBuffer& buffer() const { return buffer_; }

  protected:
    ConsoleBuffer& edit_buffer() { return buffer_; }
    // Called after every operation that may have changed what the screen shows.
    virtual void screen_changed() {}

  private:
    ConsoleBuffer buffer_;
};

}  // namespace posteri
