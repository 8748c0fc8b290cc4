// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/console_buffer.h"

#include <algorithm>
#include <stdexcept>

#include "format/codepage.h"

namespace posteri {

namespace {

ScreenSize at_least_one_cell(ScreenSize size) {
    return {std::max(size.cols, 1), std::max(size.rows, 1)};
}

std::size_t cell_count(ScreenSize size) {
    return std::size_t(size.cols) * std::size_t(size.rows);
}

constexpr int kTabWidth = 8;

// The character a byte shows. Control bytes show their code-page-437 picture, as a console does,
// and the few Windows-1252 bytes without a character show as "?", so no cell ever holds a
// control character that a terminal would act on.
char32_t shown_char(unsigned char byte, Charset charset) {
    if (byte < 0x20 || byte == 0x7F) return cp437_to_unicode(byte);
    if (charset == Charset::Glyphs) return cp437_to_unicode(byte);
    const char32_t ch = cp1252_to_unicode(byte);
    return ch >= 0x80 && ch < 0xA0 ? U'?' : ch;
}

}  // namespace

ConsoleBuffer::ConsoleBuffer(ScreenSize size)
    : size_(at_least_one_cell(size)),
      stored_(size_),
      cells_(cell_count(size_)),
      changed_cells_(cell_count(size_), true),
      changed_rows_(std::size_t(size_.rows), true) {}

void ConsoleBuffer::resize(ScreenSize size) {
    size = at_least_one_cell(size);
    if (size == size_) return;
    const ScreenSize stored{std::max(size.cols, stored_.cols), std::max(size.rows, stored_.rows)};
    if (stored != stored_) {
        std::vector<Cell> cells(cell_count(stored));
        for (int row = 1; row <= stored_.rows; ++row) {
            const auto from = cells_.begin() + std::ptrdiff_t(index(row, 1));
            std::copy(from, from + stored_.cols, cells.begin() + std::ptrdiff_t(row - 1) * stored.cols);
        }
        cells_ = std::move(cells);
        stored_ = stored;
    }
    size_ = size;
    cursor_ = {std::min(cursor_.row, size.rows), std::min(cursor_.col, size.cols)};
    changed_cells_.assign(cell_count(stored_), true);
    changed_rows_.assign(std::size_t(stored_.rows), true);
}

void ConsoleBuffer::set_cursor(int row, int col) {
    if (row >= 1 && row <= size_.rows) cursor_.row = row;
    if (col >= 1 && col <= size_.cols) cursor_.col = col;
}

void ConsoleBuffer::set_cursor_visible(bool visible) {
    if (visible != cursor_visible_) cursor_look_changed_ = true;
    cursor_visible_ = visible;
}

void ConsoleBuffer::set_cursor_size(int percent) {
    percent = std::clamp(percent, 1, 100);
    if (percent != cursor_size_) cursor_look_changed_ = true;
    cursor_size_ = percent;
}

void ConsoleBuffer::put(char32_t ch) {
    if (ch == U'\r') {
        cursor_.col = 1;
        return;
    }
    if (ch == U'\n') {
        new_line();
        return;
    }
    set_cell(cursor_.row, cursor_.col, Cell{ch, colour_});
    if (cursor_.col < size_.cols) {
        ++cursor_.col;
    } else {
        new_line();
    }
}

void ConsoleBuffer::write(std::string_view bytes, Charset charset) {
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        switch (b) {
            case '\a':
                break;
            case '\b':
                if (cursor_.col > 1) --cursor_.col;
                break;
            case '\t':
                do {
                    put(U' ');
                } while (cursor_.col % kTabWidth != 1 && cursor_.col > 1);
                break;
            case '\r':
            case '\n':
                put(b);
                break;
            default:
                put(shown_char(b, charset));
        }
    }
}

void ConsoleBuffer::new_line() {
    cursor_.col = 1;
    if (cursor_.row < size_.rows) {
        ++cursor_.row;
    } else {
        scroll_up();
    }
}

// The cells kept outside a shrunk screen are cleared too: growing back shows the cleared screen.
void ConsoleBuffer::clear() {
    std::fill(cells_.begin(), cells_.end(), Cell{U' ', colour_});
    mark_all_changed();
    cursor_ = {1, 1};
}

const Cell& ConsoleBuffer::at(int row, int col) const {
    if (row < 1 || row > size_.rows || col < 1 || col > size_.cols) {
        throw std::out_of_range("console cell outside the screen");
    }
    return cells_[index(row, col)];
}

std::vector<Cell> ConsoleBuffer::read_cells(const CellRect& rect) const {
    if (rect.width() <= 0 || rect.height() <= 0) return {};
    std::vector<Cell> cells(std::size_t(rect.width()) * std::size_t(rect.height()));
    auto out = cells.begin();
    for (int row = rect.top; row <= rect.bottom; ++row) {
        for (int col = rect.left; col <= rect.right; ++col, ++out) {
            if (row >= 1 && row <= size_.rows && col >= 1 && col <= size_.cols) *out = at(row, col);
        }
    }
    return cells;
}

void ConsoleBuffer::write_cells(const CellRect& rect, const std::vector<Cell>& cells) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    std::size_t i = 0;
    for (int row = rect.top; row <= rect.bottom; ++row) {
        for (int col = rect.left; col <= rect.right; ++col, ++i) {
            if (i >= cells.size()) return;
            if (row >= 1 && row <= size_.rows && col >= 1 && col <= size_.cols) set_cell(row, col, cells[i]);
        }
    }
}

void ConsoleBuffer::set_title(std::string_view text) {
    if (text != title_) title_changed_ = true;
    title_ = text;
}

bool ConsoleBuffer::row_changed(int row) const {
    return changed_rows_[std::size_t(row - 1)];
}

bool ConsoleBuffer::cell_changed(int row, int col) const {
    return changed_cells_[index(row, col)];
}

void ConsoleBuffer::mark_all_changed() {
    std::fill(changed_cells_.begin(), changed_cells_.end(), true);
    std::fill(changed_rows_.begin(), changed_rows_.end(), true);
    title_changed_ = true;
    cursor_look_changed_ = true;
}

void ConsoleBuffer::mark_shown() {
    std::fill(changed_cells_.begin(), changed_cells_.end(), false);
    std::fill(changed_rows_.begin(), changed_rows_.end(), false);
    title_changed_ = false;
    cursor_look_changed_ = false;
}

std::size_t ConsoleBuffer::index(int row, int col) const {
    return std::size_t(row - 1) * std::size_t(stored_.cols) + std::size_t(col - 1);
}

void ConsoleBuffer::set_cell(int row, int col, const Cell& cell) {
    const std::size_t i = index(row, col);
    if (cells_[i] == cell) return;
    cells_[i] = cell;
    changed_cells_[i] = true;
    changed_rows_[std::size_t(row - 1)] = true;
}

// The rows move up by one; the new bottom row is blank in the current colour.
void ConsoleBuffer::scroll_up() {
    const auto row_start = [this](int row) { return cells_.begin() + std::ptrdiff_t(index(row, 1)); };
    for (int row = 1; row < size_.rows; ++row) {
        std::copy(row_start(row + 1), row_start(row + 1) + size_.cols, row_start(row));
    }
    std::fill(row_start(size_.rows), row_start(size_.rows) + size_.cols, Cell{U' ', colour_});
    std::fill(changed_cells_.begin(), changed_cells_.end(), true);
    std::fill(changed_rows_.begin(), changed_rows_.end(), true);
}

}  // namespace posteri
