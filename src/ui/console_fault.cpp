// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/console_fault.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "format/text.h"
#include "ui/console_text.h"
#include "ui/frame.h"
#include "ui/saved_console_state.h"

namespace posteri {

namespace {

constexpr std::string_view kOkButton = "   OK   ";
constexpr std::string_view kCancelButton = " Cancel ";
constexpr int kButtonGap = 4;

struct BoxGeometry {
    CellRect outer;
    int ok_col;      // first column of each button, on the row above the bottom border
    int cancel_col;
    int button_row;
};

BoxGeometry place_box(ScreenSize screen, const std::vector<std::string>& lines) {
    int inner_width = static_cast<int>(kOkButton.size() + kCancelButton.size()) + kButtonGap;
    for (const std::string& line : lines) inner_width = std::max(inner_width, static_cast<int>(line.size()));
    inner_width = std::min(inner_width + 2, std::max(screen.cols - 2, 1));
    const int inner_height = static_cast<int>(lines.size()) + 2;  // text, an empty row, the buttons
    BoxGeometry box;
    box.outer.top = std::max(1, (screen.rows - inner_height - 2) / 2 + 1);
    box.outer.left = std::max(1, (screen.cols - inner_width - 2) / 2 + 1);
    box.outer.bottom = box.outer.top + inner_height + 1;
    box.outer.right = box.outer.left + inner_width + 1;
    const int buttons_width = static_cast<int>(kOkButton.size() + kCancelButton.size()) + kButtonGap;
    box.ok_col = box.outer.left + 1 + std::max(0, (inner_width - buttons_width) / 2);
    box.cancel_col = box.ok_col + static_cast<int>(kOkButton.size()) + kButtonGap;
    box.button_row = box.outer.bottom - 1;
    return box;
}

void draw_box(Console& console, const BoxGeometry& box, const std::vector<std::string>& lines) {
    const Attribute box_colour = attribute(kBlack, kLightGrey);
    const CellRect& outer = box.outer;
    draw_frame(console, FrameSpec{CellPos{outer.top, outer.left}, outer.width() - 2, outer.height() - 2,
                                  box_colour, "", FrameTop::Plain});
    const int text_width = box.outer.width() - 4;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = lines[i].substr(0, static_cast<std::size_t>(text_width));
        write_at(console, box.outer.top + 1 + static_cast<int>(i), box.outer.left + 2, line, box_colour);
    }
}

void draw_buttons(Console& console, const BoxGeometry& box, FaultAnswer focus) {
    const Attribute focused = attribute(kWhite, kBlue);
    const Attribute plain = attribute(kBlack, kWhite);
    write_at(console, box.button_row, box.ok_col, kOkButton, focus == FaultAnswer::Ok ? focused : plain);
    write_at(console, box.button_row, box.cancel_col, kCancelButton,
             focus == FaultAnswer::Cancel ? focused : plain);
}

// The button under a click, if any.
std::optional<FaultAnswer> button_at(const BoxGeometry& box, CellPos pos) {
    if (pos.row != box.button_row) return std::nullopt;
    const auto within = [&](int first, std::string_view label) {
        return pos.col >= first && pos.col < first + static_cast<int>(label.size());
    };
    if (within(box.ok_col, kOkButton)) return FaultAnswer::Ok;
    if (within(box.cancel_col, kCancelButton)) return FaultAnswer::Cancel;
    return std::nullopt;
}

FaultAnswer other(FaultAnswer answer) {
    return answer == FaultAnswer::Ok ? FaultAnswer::Cancel : FaultAnswer::Ok;
}


}  // namespace

FaultAnswer ConsoleFault::show_notice(std::string_view text) {
    const std::vector<std::string> lines = split_at(text, '\n');
    const BoxGeometry box = place_box(console_.size(), lines);
    SavedConsoleState saved(console_, box.outer);
    console_.set_cursor_visible(false);
    console_.set_mouse(true);
    draw_box(console_, box, lines);
    FaultAnswer focus = FaultAnswer::Ok;
    for (;;) {
        draw_buttons(console_, box, focus);
        // The focused button is what Enter answers, so a screen reader follows it.
        console_.show_reading_point({box.button_row, focus == FaultAnswer::Ok ? box.ok_col : box.cancel_col});
        const std::string key = console_.read_key();
        const std::string upper = to_upper(key);
        if (key == "\r") return focus;
        if (key == "\x1b" || upper == "C") return FaultAnswer::Cancel;
        if (upper == "O") return FaultAnswer::Ok;
        if (key == "\t" || key == keys::kLeft || key == keys::kRight) focus = other(focus);
        if (key == keys::kMousePress || key == keys::kMouseDoubleClick) {
            if (const auto clicked = button_at(box, console_.mouse_position())) return *clicked;
        }
    }
}

}  // namespace posteri
