// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sorting_list_picker.h"

#include <algorithm>
#include <numeric>
#include <optional>

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

constexpr std::size_t kShortestNumberedItem = 5;

int scroll_light(ScrollPosition position, int light) {
    if (position == ScrollPosition::AtTop) return kLightGreen;
    if (position == ScrollPosition::Scrolled) return kYellow;
    if (position == ScrollPosition::LastPage) return kLightRed;
    return light;
}

// One call of the picker after its set-up: the cycle of drawing, waiting and dispatching.
class SortingPickerCycle {
  public:
    SortingPickerCycle(Platform& platform, const PickerOptions& options, const PickerGrid& grid,
                       std::vector<std::string>& items, int background, int foreground, int screen_background,
                       std::int32_t& selection)
        : platform_(platform),
          console_(platform.console),
          options_(options),
          grid_(grid),
          items_(items),
          entry_order_(items.begin(), items.begin() + grid.count + 1),
          background_(background),
          foreground_(foreground),
          screen_background_(screen_background),
          selection_(selection) {}

    // Returns with the option string to hand back, if the ending replaces it.
    std::optional<std::string> run() {
        for (;;) {
            selection_ = normalised_selection(selection_, grid_);
            scroll_to(selection_, top_, grid_);
            draw_cells();
            if (options_.exit_at_once) {
                console_.read_key();
                return std::nullopt;
            }
            if (options_.report_row) return last_row_answer(grid_);
            draw_selection();
            if (options_.record_card) card_.show(platform_, items_[index(selection_)]);
            console_.show_reading_point(grid_.cell_origin(selection_ - grid_.columns * top_));
            std::optional<std::string> answer;
            if (dispatch(console_.read_key(), answer) == Step::Return) return answer;
        }
    }

    int top() const { return top_; }

  private:
    static std::size_t index(int k) { return static_cast<std::size_t>(k); }

    Attribute window_colours() const { return attribute(foreground_, background_); }
    bool matches_search(int k) const { return !search_.empty() && item_contains(items_[index(k)], search_); }
    int pointer_column(CellPos cell) const { return cell.col + grid_.cell_width + 1; }

    void draw_cells() {
        const int cells = grid_.columns * grid_.visible_rows;
        const auto width = index(grid_.cell_width);
        for (int i = 1; i <= cells; ++i) {
            const int k = grid_.columns * top_ + i;
            const CellPos at = grid_.cell_origin(i);
            const bool shown = k <= grid_.count;
            const Attribute colours =
                shown && matches_search(k) ? attribute(kLightRed, background_) : window_colours();
            write_at(console_, at.row, at.col, fit_width(shown ? controls_shown(items_[index(k)]) : "", width),
                     colours);
            if (options_.pointer) {
                write_at(console_, at.row, pointer_column(at), ".",
                         attribute(screen_background_, screen_background_));
            }
        }
    }

    // The highlight, the pointer, the scroll light and the selection number.
    void draw_selection() {
        const CellPos at = grid_.cell_origin(selection_ - grid_.columns * top_);
        const int highlight_foreground = matches_search(selection_) ? kLightRed : background_;
        write_at(console_, at.row, at.col,
                 fit_width(controls_shown(items_[index(selection_)]), index(grid_.cell_width)),
                 attribute(highlight_foreground, foreground_));
        if (options_.pointer) {
            write_at(console_, at.row, pointer_column(at), "<", attribute(background_, screen_background_));
        }
        if (options_.framed) light_ = scroll_light(scroll_position(top_, grid_), light_);
        if (!options_.plain_top) {
            write_at(console_, grid_.row, grid_.column + grid_.inner_width(), "x", attribute(light_, light_));
        }
        if (options_.framed && !options_.plain_top &&
            items_[index(selection_)].size() >= kShortestNumberedItem) {
            write_at(console_, grid_.row - 1, grid_.column, five_digit_number(selection_), window_colours());
        }
    }

    Step dispatch(std::string key, std::optional<std::string>& answer) {
        if (is_picker_exit_key(options_.exit_keys, key)) {
            answer = key;
            restore_screen(console_);
            return Step::Return;
        }
        if (is_button_press(key)) return press();
        if (is_double_click(key)) {
            selection_ = pointed_item(console_.mouse_position(), top_, grid_);
            if (selection_ > 0 && selection_ <= grid_.visible_rows) return Step::Return;
        }
        switch (take_picker_key(platform_, key, selection_, grid_)) {
            case PickerKey::Chosen:
                return Step::Return;
            case PickerKey::Left:
                answer = keys::kEsc;
                return Step::Return;
            case PickerKey::Moved:
                return Step::Continue;
            case PickerKey::Search:
                search(key);
                return Step::Continue;
        }
        return Step::Continue;
    }

    // A press selects the list row under the pointer and starts the next cycle; on the top border it
    // may hit the close mark (leave) or the help mark, even where the border does not show them.
    Step press() {
        const CellPos pointer = console_.mouse_position();
        selection_ = pointed_item(pointer, top_, grid_);
        if (selection_ != 0) return Step::Continue;
        const FrameMark mark = mark_at(pointer, grid_);
        if (mark == FrameMark::Close) return Step::Return;
        if (mark == FrameMark::Help) HELP_ALO(platform_);
        return Step::Continue;
    }

    // Items holding the search text move to the top in text order, the rest follow in theirs; when
    // none holds it, the order of entry comes back and the search text is dropped.
    void search(std::string_view key) {
        search_ += key;
        std::vector<std::string> sort_keys(index(grid_.count) + 1);
        bool any_match = false;
        for (int k = 1; k <= grid_.count; ++k) {
            const std::string& item = items_[index(k)];
            const bool match = item_contains(item, search_);
            any_match = any_match || match;
            sort_keys[index(k)] = (match ? search_ : std::string(search_.size(), '\xFF')) + item;
        }
        if (any_match) {
            sort_items(sort_keys);
        } else {
            std::copy(entry_order_.begin() + 1, entry_order_.end(), items_.begin() + 1);
        }
        selection_ = 1;
        const auto first =
            std::find_if(items_.begin() + 1, items_.begin() + grid_.count + 1,
                         [this](const std::string& item) { return item_contains(item, search_); });
        if (first == items_.begin() + grid_.count + 1) {
            search_.clear();
        } else {
            selection_ = static_cast<int>(first - items_.begin());
        }
    }

    // Items whose keys compare equal keep the order they had.
    void sort_items(const std::vector<std::string>& sort_keys) {
        std::vector<std::size_t> order(index(grid_.count));
        std::iota(order.begin(), order.end(), std::size_t{1});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return sorts_before(sort_keys[a], sort_keys[b]);
        });
        std::vector<std::string> sorted;
        sorted.reserve(order.size());
        for (const std::size_t k : order) sorted.push_back(std::move(items_[k]));
        std::move(sorted.begin(), sorted.end(), items_.begin() + 1);
    }

    Platform& platform_;
    Console& console_;
    const PickerOptions& options_;
    const PickerGrid& grid_;
    std::vector<std::string>& items_;
    const std::vector<std::string> entry_order_;
    const int background_;
    const int foreground_;
    const int screen_background_;
    std::int32_t& selection_;
    int top_ = 0;
    int light_ = kBlack;
    std::string search_;
    RecordCard card_;
};

int background_at(const Console& console, CellPos cell) {
    return console.read_cells(CellRect{cell.row, cell.col, cell.row, cell.col}).front().attr >> 4;
}

}  // namespace

void ALONENEW_ORDINA(Platform& platform, std::int32_t& row, std::int32_t& column, std::int32_t& background,
                     std::int32_t& foreground, std::int32_t& columns, std::vector<std::string>& items,
                     std::int32_t& count, std::int32_t& selection, std::int32_t& visible_rows,
                     std::string& options) {
    RoutineName routine("ALONENEW");
    Console& console = platform.console;
    count = resolve_count(count, items, platform.fault);
    if (count == 0) {
        selection = 0;
        return;
    }
    const PickerOptions picker_options = read_picker_options(options);
    const ScreenSize screen = console.size();
    PickerGrid grid = fit_grid(count, columns, visible_rows, items, screen, picker_options.framed);
    columns = grid.columns;
    visible_rows = grid.visible_rows;
    const CellPos corner = place_window(row, column, grid, picker_options.framed, screen);
    enter_picker(console, picker_options);
    const int screen_background = background_at(console, corner);
    const CellPos inner =
        frame_window(console, corner, grid, picker_options, attribute(foreground, background), items[0]);
    grid.row = inner.row;
    grid.column = inner.col;
    SortingPickerCycle cycle(platform, picker_options, grid, items, background, foreground, screen_background,
                             selection);
    if (const std::optional<std::string> answer = cycle.run()) options = *answer;
    row = grid.row + (selection - 1) / grid.columns - cycle.top();
    column = grid.column + ((selection - 1) % grid.columns) * grid.cell_width + grid.cell_width + 1;
    leave_picker(console, picker_options);
}

}  // namespace posteri
