// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/console_box_windows.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "format/codepage.h"

namespace posteri {

namespace {

// The 16 console colours as 0xRRGGBB, by console colour number.
constexpr std::array<std::uint32_t, 16> kPalette{0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                                 0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                                 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

constexpr Attribute kBlackOnLightGrey = 0x70;

int channel(std::uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

Attribute attribute_of(Attribute fg, Attribute bg) {
    return static_cast<Attribute>(fg + 16 * bg);
}
Attribute background_of(Attribute attr) {
    return static_cast<Attribute>(attr >> 4);
}

// A foreground that stays readable on `bg` when the nearest colours of text and paper coincide.
Attribute readable_on(Attribute fg, Attribute bg) {
    if (fg != bg) return fg;
    return bg == 7 || bg > 8 ? 0 : 15;
}

int cells_for(int pixels, int cell) {
    return std::max(0, (pixels + cell - 1) / cell);
}

// The cell holding a pixel, for pixels left of or above the picture too.
int cell_of(int pixel, int cell) {
    return pixel >= 0 ? pixel / cell : -((cell - 1 - pixel) / cell);
}

}  // namespace

Attribute nearest_console_colour(std::uint32_t rgb) {
    Attribute best = 0;
    int best_distance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        int distance = 0;
        for (const int shift : {16, 8, 0}) {
            const int d = channel(rgb, shift) - channel(kPalette[i], shift);
            distance += d * d;
        }
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<Attribute>(i);
        }
    }
    return best;
}

PixelArea ConsoleBoxWindows::desktop() {
    const ScreenSize screen = console_.size();
    return {0, 0, screen.cols * kCellWidth, screen.rows * kCellHeight};
}

WindowHandle ConsoleBoxWindows::open(const WindowSpec& request) {
    const ScreenSize screen = console_.size();
    Box box;
    box.caption = request.caption;
    box.width = request.area.width;
    box.height = request.area.height;
    box.cols = cells_for(request.area.width, kCellWidth);
    box.rows = cells_for(request.area.height, kCellHeight);
    box.picture.assign(static_cast<std::size_t>(box.cols) * box.rows, Cell{U' ', kBlackOnLightGrey});
    // The frame and as much of the picture as the screen holds, moved inside the screen.
    const int outer_width = std::min(box.cols, std::max(screen.cols - 2, 0)) + 2;
    const int outer_height = std::min(box.rows, std::max(screen.rows - 2, 0)) + 2;
    const int last_left = std::max(1, screen.cols - outer_width + 1);
    const int last_top = std::max(1, screen.rows - outer_height + 1);
    if (request.lingering) {
        box.outer.left = last_left;
        box.outer.top = std::max(1, (screen.rows - outer_height) / 2 + 1);
    } else {
        box.outer.left = std::clamp(request.area.x / kCellWidth, 1, last_left);
        box.outer.top = std::clamp(request.area.y / kCellHeight, 1, last_top);
    }
    box.outer.right = box.outer.left + outer_width - 1;
    box.outer.bottom = box.outer.top + outer_height - 1;
    box.covered = console_.read_cells(box.outer);
    box.mouse_was_on = console_.mouse_enabled();
    console_.set_mouse(true);
    const WindowHandle handle = next_handle_++;
    boxes_.emplace(handle, std::move(box));
    return handle;
}

void ConsoleBoxWindows::close(WindowHandle window) {
    const auto found = boxes_.find(window);
    if (found == boxes_.end()) return;
    const Box& box = found->second;
    console_.write_cells(box.outer, box.covered);
    console_.set_mouse(box.mouse_was_on);
    boxes_.erase(found);
}

PixelArea ConsoleBoxWindows::client_area(WindowHandle window) {
    const Box* box = find(window);
    if (!box) return {};
    return {0, 0, box->cols * kCellWidth, box->rows * kCellHeight};
}

TextExtent ConsoleBoxWindows::measure_text(const FontSpec&, std::string_view text) {
    return {static_cast<int>(text.size()) * kCellWidth, kCellHeight};
}

void ConsoleBoxWindows::clear(WindowHandle window, std::uint32_t rgb) {
    Box* box = find(window);
    if (!box) return;
    const Attribute paper = nearest_console_colour(rgb);
    std::fill(box->picture.begin(), box->picture.end(),
              Cell{U' ', attribute_of(readable_on(paper, paper), paper)});
}

void ConsoleBoxWindows::draw_text(WindowHandle window, DevicePoint at, const FontSpec&, std::string_view text,
                                  std::uint32_t rgb, std::optional<std::uint32_t> background) {
    Box* box = find(window);
    if (!box) return;
    const int row = cell_of(at.y, kCellHeight);
    const Attribute ink = nearest_console_colour(rgb);
    for (std::size_t i = 0; i < text.size(); ++i) {
        Cell* target = cell(*box, row, cell_of(at.x, kCellWidth) + static_cast<int>(i));
        if (!target) continue;
        const Attribute paper =
            background ? nearest_console_colour(*background) : background_of(target->attr);
        *target = Cell{cp1252_to_unicode(static_cast<unsigned char>(text[i])),
                       attribute_of(readable_on(ink, paper), paper)};
    }
}

void ConsoleBoxWindows::draw_box(WindowHandle window, const PixelArea& area,
                                 std::optional<std::uint32_t> outline, std::optional<std::uint32_t> fill) {
    Box* box = find(window);
    if (!box || area.width <= 0 || area.height <= 0) return;
    // The box's own frame already outlines the whole window; drawn again inside, it would cover the
    // first row of what the window shows.
    const bool whole_window = area.x <= 0 && area.y <= 0 && area.x + area.width >= box->width &&
                              area.y + area.height >= box->height;
    if (whole_window) outline.reset();
    // A box covers the cells whose last pixel it covers: the cell where a text drawn at its corner
    // stands, and no cell below or right of it that it only reaches into.
    const int top = cell_of(area.y, kCellHeight);
    const int left = cell_of(area.x, kCellWidth);
    const int bottom = cell_of(area.y + area.height, kCellHeight) - 1;
    const int right = cell_of(area.x + area.width, kCellWidth) - 1;
    for (int row = top; row <= bottom; ++row) {
        for (int col = left; col <= right; ++col) {
            Cell* target = cell(*box, row, col);
            if (!target) continue;
            if (fill) *target = Cell{U' ', attribute_of(0, nearest_console_colour(*fill))};
            const bool edge_row = row == top || row == bottom;
            const bool edge_col = col == left || col == right;
            if (!outline || !(edge_row || edge_col)) continue;
            const Attribute paper = background_of(target->attr);
            target->attr = attribute_of(readable_on(nearest_console_colour(*outline), paper), paper);
            if (edge_row && edge_col) {
                target->ch = row == top ? (col == left ? U'┌' : U'┐') : (col == left ? U'└' : U'┘');
            } else {
                target->ch = edge_row ? U'─' : U'│';
            }
        }
    }
}

void ConsoleBoxWindows::present(WindowHandle window) {
    Box* box = find(window);
    if (!box) return;
    const CellRect& outer = box->outer;
    const int inner_width = outer.width() - 2;
    const int inner_height = outer.height() - 2;
    const Attribute paper = box->picture.empty() ? kBlackOnLightGrey : box->picture.front().attr;
    const Attribute frame = attribute_of(readable_on(0, background_of(paper)), background_of(paper));
    std::vector<Cell> cells(static_cast<std::size_t>(outer.width()) * outer.height(), Cell{U' ', frame});
    auto at = [&](int row, int col) -> Cell& {
        return cells[static_cast<std::size_t>(row) * outer.width() + col];
    };
    for (int col = 1; col <= inner_width; ++col) at(0, col).ch = at(inner_height + 1, col).ch = U'─';
    for (int row = 1; row <= inner_height; ++row) at(row, 0).ch = at(row, inner_width + 1).ch = U'│';
    at(0, 0).ch = U'┌';
    at(0, inner_width + 1).ch = U'┐';
    at(inner_height + 1, 0).ch = U'└';
    at(inner_height + 1, inner_width + 1).ch = U'┘';
    for (std::size_t i = 0; i < box->caption.size() && static_cast<int>(i) < inner_width; ++i) {
        at(0, 1 + static_cast<int>(i)).ch = cp1252_to_unicode(static_cast<unsigned char>(box->caption[i]));
    }
    for (int row = 0; row < inner_height; ++row) {
        for (int col = 0; col < inner_width; ++col) at(row + 1, col + 1) = *cell(*box, row, col);
    }
    console_.write_cells(outer, cells);
    // Until the program points at something in the box, a screen reader starts at its first text.
    console_.show_reading_point(first_text_cell(*box));
}

CellPos ConsoleBoxWindows::first_text_cell(Box& box) {
    const int inner_width = box.outer.width() - 2;
    const int inner_height = box.outer.height() - 2;
    for (int row = 0; row < inner_height; ++row) {
        for (int col = 0; col < inner_width; ++col) {
            if (cell(box, row, col)->ch != U' ') return {box.outer.top + 1 + row, box.outer.left + 1 + col};
        }
    }
    return {box.outer.top + 1, box.outer.left + 1};
}

std::string ConsoleBoxWindows::poll_key(WindowHandle) {
    while (console_.key_waiting()) {
        std::string key = console_.read_key();
        if (!is_mouse_event(key)) return key;
        take_click(key);
    }
    return "";
}

// The picture starts inside the box's frame.
void ConsoleBoxWindows::show_reading_point(WindowHandle window, DevicePoint at) {
    const Box* box = find(window);
    if (!box) return;
    console_.show_reading_point({box->outer.top + 1 + cell_of(at.y, kCellHeight),
                                 box->outer.left + 1 + cell_of(at.x, kCellWidth)});
}

std::optional<MouseClick> ConsoleBoxWindows::poll_click(WindowHandle window) {
    Box* box = find(window);
    if (!box) return std::nullopt;
    return std::exchange(box->click, std::nullopt);
}

ConsoleBoxWindows::Box* ConsoleBoxWindows::find(WindowHandle window) {
    const auto found = boxes_.find(window);
    return found == boxes_.end() ? nullptr : &found->second;
}

Cell* ConsoleBoxWindows::cell(Box& box, int row, int col) {
    if (row < 0 || col < 0 || row >= box.rows || col >= box.cols) return nullptr;
    return &box.picture[static_cast<std::size_t>(row) * box.cols + col];
}

// A press or double click inside a box's picture becomes that box's click, in picture pixels: the
// cell's last pixel, which lies inside whatever was drawn from that cell (a text at a corner in it,
// a box of at least a cell starting there). The newest box wins where boxes overlap.
void ConsoleBoxWindows::take_click(const std::string& key) {
    const int count = key[2] == '\x02' ? 2 : key[2] == '\x04' ? 1 : 0;
    if (count == 0) return;
    const CellPos pointer = console_.mouse_position();
    for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it) {
        Box& box = it->second;
        const int row = pointer.row - box.outer.top - 1;
        const int col = pointer.col - box.outer.left - 1;
        if (row < 0 || col < 0 || row >= box.outer.height() - 2 || col >= box.outer.width() - 2) continue;
        box.click = MouseClick{count, (col + 1) * kCellWidth - 1, (row + 1) * kCellHeight - 1};
        return;
    }
}

}  // namespace posteri
