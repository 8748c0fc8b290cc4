// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/viewport.h"

#include <algorithm>

namespace posteri {

namespace {

constexpr ScreenSize kSmallestScreen{80, 24};

bool shows_something(const Cell& cell) {
    return cell.ch != U' ' || (cell.attr >> 4) != 0;
}

// How far a span [first, last] must move back to end within `length` cells, never past the first.
int shift_into(int first, int last, int length) {
    return std::clamp(last - length, 0, first - 1);
}

// The cells that show something; none when the screen is blank.
std::optional<CellRect> drawn_area(const ConsoleBuffer& screen) {
    const ScreenSize size = screen.size();
    std::optional<CellRect> area;
    for (int row = 1; row <= size.rows; ++row) {
        for (int col = 1; col <= size.cols; ++col) {
            if (!shows_something(screen.at(row, col))) continue;
            if (!area) area = CellRect{row, col, row, col};
            area->left = std::min(area->left, col);
            area->right = std::max(area->right, col);
            area->bottom = row;
        }
    }
    return area;
}

std::u32string digits(int number) {
    const std::string text = std::to_string(number);
    return {text.begin(), text.end()};
}

}  // namespace

ScreenSize laid_out_size(ScreenSize terminal, ScreenSize before) {
    return {std::max({terminal.cols, before.cols, kSmallestScreen.cols}),
            std::max({terminal.rows, before.rows, kSmallestScreen.rows})};
}

Viewport fit_viewport(const ConsoleBuffer& screen, ScreenSize terminal) {
    const ScreenSize size = screen.size();
    if (size.cols <= terminal.cols && size.rows <= terminal.rows) return {};
    const std::optional<CellRect> area = drawn_area(screen);
    if (!area) return {};
    if (area->width() > terminal.cols || area->height() > terminal.rows) {
        return Viewport{0, 0, ScreenSize{area->width(), area->height()}};
    }
    return Viewport{shift_into(area->top, area->bottom, terminal.rows),
                    shift_into(area->left, area->right, terminal.cols), std::nullopt};
}

EnlargeRequest enlarge_request(ScreenSize needed, ScreenSize terminal) {
    std::u32string text = U"Ingrandisci il terminale: servono almeno " + digits(needed.cols) + U" \u00D7 " +
                          digits(needed.rows) + U" caratteri.";
    text.resize(std::min(text.size(), std::size_t(std::max(terminal.cols, 0))));
    const int length = static_cast<int>(text.size());
    return EnlargeRequest{CellPos{(terminal.rows + 1) / 2, (terminal.cols - length) / 2 + 1},
                          std::move(text)};
}

}  // namespace posteri
