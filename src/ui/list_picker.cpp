// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/list_picker.h"

#include "format/text.h"
#include "ui/console_text.h"
#include "ui/failure.h"
#include "ui/frame.h"
#include "ui/option_words.h"
#include "ui/picker_layout.h"
#include "ui/picker_windows.h"
#include "ui/save_buffer.h"

namespace posteri {

namespace {

enum class Step { Continue, Return };

// Code-page-437 scroll marks: more below, more above and below, more above.
constexpr char kMarkDown = '\x19';
constexpr char kMarkUpDown = '\x17';
constexpr char kMarkUp = '\x18';

char scroll_mark(ScrollPosition position) {
    if (position == ScrollPosition::AtTop) return kMarkDown;
    if (position == ScrollPosition::LastPage) return kMarkUp;
    return kMarkUpDown;
}

// Both colours 0 mean "the window's colours". Arrays shorter than the list are lengthened with 0.
void settle_item_colours(std::vector<std::int32_t>& background, std::vector<std::int32_t>& foreground,
                         int n) {
    const auto size = static_cast<std::size_t>(n) + 1;
    if (background.size() < size) background.resize(size, 0);
    if (foreground.size() < size) foreground.resize(size, 0);
    for (std::size_t k = 1; k < size; ++k) {
        if (background[k] == 0 && foreground[k] == 0) {
            background[k] = background[0];
            foreground[k] = foreground[0];
        }
    }
}

// One call of the picker after its set-up: the cycle of drawing, waiting and dispatching.
class ListPickerCycle {
  public:
    ListPickerCycle(Platform& platform, const PickerOptions& options, const PickerGrid& grid,
                    const std::vector<std::string>& items, const std::vector<std::int32_t>& background,
                    const std::vector<std::int32_t>& foreground, std::int32_t& selection,
                    std::string& option_string)
        : platform_(platform),
          console_(platform.console),
          options_(options),
          grid_(grid),
          items_(items),
          background_(background),
          foreground_(foreground),
          selection_(selection),
          option_string_(option_string) {}

    void run() {
        for (;;) {
            selection_ = normalised_selection(selection_, grid_);
            if (scroll_to(selection_, top_, grid_)) redraw_all_ = true;
            draw_cells();
            if (options_.exit_at_once) {
                console_.read_key();
                return;
            }
            if (options_.report_row) {
                option_string_ = last_row_answer(grid_);
                return;
            }
            draw_selection();
            if (options_.record_card) card_.show(platform_, items_[index(selection_)]);
            console_.show_reading_point(grid_.cell_origin(selection_ - grid_.columns * top_));
            if (dispatch(console_.read_key()) == Step::Return) return;
        }
    }

  private:
    static std::size_t index(int k) { return static_cast<std::size_t>(k); }

    Attribute item_colours(int k) const { return attribute(foreground_[index(k)], background_[index(k)]); }
    Attribute swapped_colours(int k) const { return attribute(background_[index(k)], foreground_[index(k)]); }
    Attribute window_colours() const { return item_colours(0); }

    void draw_item(int k, Attribute colours) {
        const CellPos at = grid_.cell_origin(k - grid_.columns * top_);
        const auto width = static_cast<std::size_t>(grid_.cell_width);
        write_at(console_, at.row, at.col, fit_width(controls_shown(items_[index(k)]), width), colours);
    }

    // Everything after the first cycle or a scroll; otherwise only the item that loses the highlight.
    void draw_cells() {
        if (!redraw_all_) {
            draw_item(highlighted_, item_colours(highlighted_));
            return;
        }
        const int cells = grid_.columns * grid_.visible_rows;
        for (int i = 1; i <= cells; ++i) {
            const int k = grid_.columns * top_ + i;
            if (k <= grid_.count) {
                draw_item(k, item_colours(k));
            } else {
                const CellPos at = grid_.cell_origin(i);
                write_at(console_, at.row, at.col, std::string(index(grid_.cell_width), ' '),
                         window_colours());
            }
        }
        redraw_all_ = false;
    }

    // The highlight, the scroll mark and the selection number.
    void draw_selection() {
        draw_item(selection_, swapped_colours(selection_));
        highlighted_ = selection_;
        if (!options_.framed) return;
        const ScrollPosition position = scroll_position(top_, grid_);
        if (position != ScrollPosition::Fits) {
            write_at(console_, grid_.row, grid_.column + grid_.inner_width(),
                     std::string(1, scroll_mark(position)), window_colours(), Charset::Glyphs);
        }
        write_at(console_, grid_.row - 1, grid_.column, five_digit_number(selection_), window_colours());
    }

    Step dispatch(std::string key) {
        if (is_picker_exit_key(options_.exit_keys, key)) {
            option_string_ = key;
            restore_screen(console_);
            return Step::Return;
        }
        if (is_mouse_event(key) && mouse(key) == Step::Return) return Step::Return;
        switch (take_picker_key(platform_, key, selection_, grid_)) {
            case PickerKey::Chosen:
                return Step::Return;
            case PickerKey::Left:
                option_string_ = keys::kEsc;
                return Step::Return;
            case PickerKey::Moved:
                search_.clear();
                return Step::Continue;
            case PickerKey::Search:
                search(key);
                return Step::Continue;
        }
        return Step::Continue;
    }

    // A mouse event selects the list row under the pointer; it then goes on like any other key.
    Step mouse(std::string_view key) {
        const CellPos pointer = console_.mouse_position();
        const int p = pointed_item(pointer, top_, grid_);
        if (is_double_click(key)) {
            selection_ = p;
            if (p > 0 && p <= top_ + grid_.visible_rows) return Step::Return;
        }
        if (is_button_press(key)) {
            selection_ = p;
            const FrameMark mark = p == 0 ? mark_at(pointer, grid_) : FrameMark::None;
            if (mark == FrameMark::Close) {
                option_string_ = keys::kEsc;
                return Step::Return;
            }
            if (mark == FrameMark::Help) HELP_ALO(platform_);
        }
        return Step::Continue;
    }

    // The first item holding the search text is selected; a search text that none holds is dropped.
    void search(std::string_view key) {
        search_ += key;
        int found = 0;
        for (int k = 1; k <= grid_.count && found == 0; ++k) {
            if (item_contains(items_[index(k)], search_)) found = k;
        }
        if (found != 0) {
            selection_ = found;
        } else {
            search_.clear();
        }
        console_.set_title(search_);
    }

    Platform& platform_;
    Console& console_;
    const PickerOptions& options_;
    const PickerGrid& grid_;
    const std::vector<std::string>& items_;
    const std::vector<std::int32_t>& background_;
    const std::vector<std::int32_t>& foreground_;
    std::int32_t& selection_;
    std::string& option_string_;
    int top_ = 0;
    std::string search_;
    int highlighted_ = 0;
    bool redraw_all_ = true;
    RecordCard card_;
};

}  // namespace

void ALONENEW(Platform& platform, std::int32_t& row, std::int32_t& column,
              std::vector<std::int32_t>& background, std::vector<std::int32_t>& foreground,
              std::int32_t& columns, std::vector<std::string>& items, std::int32_t& count,
              std::int32_t& selection, std::int32_t& visible_rows, std::string& options) {
    RoutineName routine("ALONENEW");
    Console& console = platform.console;
    count = resolve_count(count, items, platform.fault);
    if (count == 0) return;
    PickerOptions picker_options = read_picker_options(options);
    // The plain border and the pointer belong to the sorting list picker only.
    picker_options.plain_top = false;
    picker_options.pointer = false;
    const ScreenSize screen = console.size();
    PickerGrid grid = fit_grid(count, columns, visible_rows, items, screen, picker_options.framed);
    columns = grid.columns;
    visible_rows = grid.visible_rows;
    settle_item_colours(background, foreground, count);
    const CellPos corner = place_window(row, column, grid, picker_options.framed, screen);
    enter_picker(console, picker_options);
    const Attribute window_colours = attribute(foreground[0], background[0]);
    const CellPos inner = frame_window(console, corner, grid, picker_options, window_colours, items[0]);
    grid.row = row = inner.row;
    grid.column = column = inner.col;
    ListPickerCycle(platform, picker_options, grid, items, background, foreground, selection, options).run();
    leave_picker(console, picker_options);
    console.set_mouse(false);
}

}  // namespace posteri
