// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts/font_preview.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "fonts/font_list.h"
#include "format/mask_format.h"
#include "format/text.h"
#include "ui/failure.h"
#include "ui/notice.h"

namespace posteri {

namespace {

constexpr int kDrawPoints = 24;
constexpr std::uint32_t kPaper = 0xFFFFFF;
constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kHighlightText = 0xFFFF00;
constexpr int kPollPauseMs = 10;
constexpr int kClickFeedbackMs = 250;
// How far a window as wide as the work area is narrowed.
constexpr int kFullWidthInset = 32;

// Position modes beside "centred": right of the work area at its top or half-way down, or below it.
constexpr int kCentred = 0;
constexpr int kRightTop = 1;
constexpr int kRightMiddle = 2;
constexpr int kBelow = 10;

FontSpec entry_font(std::string_view entry, int points) {
    return FontSpec{std::string(face_name(entry)), points, 0};
}

struct PreviewGeometry {
    int margin = 0;
    int line_height = 1;
    int rows = 1;
    PixelArea window;
};

int rounded(double value) {
    return static_cast<int>(std::nearbyint(value));
}

// While the faces are measured for long, the console line under the cursor tells how far it has
// come; the line goes again when they are all measured.
class LoadingLine {
  public:
    explicit LoadingLine(Console& console) : console_(console), at_(console.cursor()) {}
    ~LoadingLine() {
        if (width_ > 0) write(std::string(width_, ' '));
    }
    LoadingLine(const LoadingLine&) = delete;
    LoadingLine& operator=(const LoadingLine&) = delete;

    void show(int done, int total) { write(mask_format("Carico i caratteri\x85 # di #", {done, total})); }

  private:
    // Over what stood there before, the cursor put back where it was.
    void write(const std::string& text) {
        console_.set_cursor(at_.row, at_.col);
        console_.write(fit_width(text, std::max<std::size_t>(text.size(), width_)));
        width_ = std::max<std::size_t>(text.size(), width_);
        console_.set_cursor(at_.row, at_.col);
    }

    Console& console_;
    const CellPos at_;
    std::size_t width_ = 0;
};

// Every entry measured in its own face: the widest gives the width, the mean height the row height.
// Rows are as many as were asked for, the entries and the work area allow.
PreviewGeometry measure_preview(Platform& platform, const PixelArea& work, const std::vector<std::string>& entries,
                                int count, int margin, int asked_rows, int points) {
    PreviewGeometry geometry;
    geometry.margin = margin;
    std::vector<FontText> texts;
    for (int i = 1; i <= count; ++i) texts.push_back({entry_font(entries[i], points), entries[i]});
    LoadingLine loading(platform.console);
    const std::vector<TextExtent> extents = platform.windows.measure_texts(
        texts, [&loading](int done, int total) { loading.show(done, total); });
    int widest = 0;
    double heights = 0;
    for (const TextExtent& extent : extents) {
        widest = std::max(widest, extent.width);
        heights += extent.height;
    }
    // A row needs a height, or nothing could be placed (and the work area's rows not counted).
    geometry.line_height = std::max(1, rounded(heights / count));
    int rows = std::min(asked_rows, count);
    if (work.height / geometry.line_height < rows) rows = work.height / geometry.line_height - 2;
    geometry.rows = std::max(rows, 1);

    int width = widest;
    int height = geometry.rows * geometry.line_height;
    if (margin > 0) {
        width += 2 * margin;
        height += 2 * margin;
    }
    width = std::min(width, work.width);
    if (width == work.width) width -= kFullWidthInset;
    geometry.window = PixelArea{0, 0, width, height};
    return geometry;
}

// Where the window goes: centred in the work area, just outside it (where a second screen would
// be), or at the caller's own position.
void place(PixelArea& window, const PixelArea& work, int mode, int own_x, int own_y) {
    const int centred_x = work.x + rounded(work.width / 2.0 - window.width / 2.0);
    const int centred_y = work.y + rounded(work.height / 2.0 - window.height / 2.0);
    switch (mode) {
        case kCentred:
            window.x = centred_x;
            window.y = centred_y;
            break;
        case kRightTop:
            window.x = work.x + work.width;
            window.y = work.y;
            break;
        case kRightMiddle:
            window.x = work.x + work.width;
            window.y = centred_y;
            break;
        case kBelow:
            window.x = work.x;
            window.y = work.y + work.height;
            break;
        default:
            window.x = own_x;
            window.y = own_y;
            break;
    }
}

enum class Outcome { Continue, Close };

// The open window: its rows, the highlighted entry and the row shown just above the first.
class PreviewWindow {
  public:
    PreviewWindow(Platform& platform, WindowHandle window, const PreviewGeometry& geometry,
                  const std::vector<std::string>& entries, int count, std::int32_t& selection)
        : platform_(platform),
          windows_(platform.windows),
          window_(window),
          g_(geometry),
          entries_(entries),
          count_(count),
          selection_(selection) {}

    void run() {
        for (Outcome outcome = Outcome::Continue; outcome == Outcome::Continue;) {
            show();
            outcome = wait_for_input();
        }
        windows_.close(window_);
    }

  private:
    bool whole_list_visible() const { return count_ == g_.rows; }

    // The selection stays on an entry; it wraps round only when every entry is in view.
    void keep_in_range() {
        if (selection_ < 1) {
            if (whole_list_visible()) selection_ = count_;
            if (selection_ < 1) selection_ = 1;
        }
        if (selection_ > count_) {
            if (whole_list_visible()) selection_ = 1;
            if (selection_ > count_) selection_ = count_;
        }
        if (selection_ > top_ + g_.rows) top_ = selection_ - g_.rows;
        if (selection_ < top_ + 1) top_ = selection_ - 1;
    }

    int row_y(int row) const { return g_.margin + g_.line_height * (row - 1); }
    int row_width() const { return g_.window.width - 2 * g_.margin; }

    std::string_view entry_at(int index) const {
        return index >= 1 && index <= count_ ? std::string_view(entries_[index]) : std::string_view();
    }

    void draw_entry(int row, std::uint32_t rgb) {
        const std::string_view entry = entry_at(top_ + row);
        windows_.draw_text(window_, {g_.margin, row_y(row)}, entry_font(entry, kDrawPoints), entry, rgb);
    }

    // Row 0 lies above the window; each row's paper reaches into the next, which paints over it.
    void show() {
        keep_in_range();
        for (int row = 0; row <= g_.rows; ++row) {
            windows_.draw_box(window_, {g_.margin, row_y(row), row_width(), 2 * g_.line_height}, std::nullopt,
                              kPaper);
            draw_entry(row, kInk);
        }
        windows_.draw_box(window_, {0, 0, g_.window.width, g_.window.height}, kInk, std::nullopt);
        const int highlighted = selection_ - top_;
        windows_.draw_box(window_, {g_.margin, row_y(highlighted), row_width(), g_.line_height}, std::nullopt,
                          kInk);
        draw_entry(highlighted, kHighlightText);
        windows_.present(window_);
        windows_.show_reading_point(window_, {g_.margin, row_y(highlighted)});
    }

    // The entries the next key can bring into view, nearest first: the one just below the rows and
    // the one just above (a Down or Up that scrolls), then the rest of the page a Page Down shows and
    // of the page a Page Up shows.
    std::vector<int> reachable_entries() const {
        std::vector<int> reachable{top_ + g_.rows + 1, top_ - 1};
        for (int index = top_ + g_.rows + 2; index <= selection_ + g_.rows; ++index) reachable.push_back(index);
        for (int index = top_ - 2; index >= selection_ - g_.rows - 1; --index) reachable.push_back(index);
        return reachable;
    }

    // Readies the nearest reachable entry that is not ready yet; false when all are.
    bool ready_next_entry() {
        for (const int index : reachable_entries()) {
            const std::string_view entry = entry_at(index);
            if (!entry.empty() && windows_.ready_text(entry_font(entry, kDrawPoints), entry)) return true;
        }
        return false;
    }

    // While no key comes, each poll readies one entry the next key may show (drawing a face never
    // drawn is slow), so that a key waits for at most one entry's drawing; with all ready, it sleeps.
    Outcome wait_for_input() {
        for (;;) {
            const std::string key = windows_.poll_key(window_);
            if (const std::optional<MouseClick> click = windows_.poll_click(window_)) {
                choose_clicked_row(click->y);
                return Outcome::Close;
            }
            if (!key.empty()) return handle_key(key);
            if (!ready_next_entry()) platform_.system.sleep_ms(kPollPauseMs);
        }
    }

    // The row under the pointer, shown framed for a moment. A click on the margins below or above
    // the rows counts as the nearest row, so that it never picks an entry that is not there.
    void choose_clicked_row(int y) {
        const int row = std::clamp((y - g_.margin) / g_.line_height + 1, 1, g_.rows);
        selection_ = std::clamp(top_ + row, 1, count_);
        windows_.draw_box(window_, {g_.margin, row_y(row), row_width(), g_.line_height}, kInk, std::nullopt);
        windows_.present(window_);
        platform_.system.sleep_ms(kClickFeedbackMs);
    }

    Outcome handle_key(const std::string& key) {
        if (key == keys::kEnter) return Outcome::Close;
        if (key == keys::kEsc) {
            selection_ = 0;
            return Outcome::Close;
        }
        if (key == keys::kUp) --selection_;
        if (key == keys::kDown) ++selection_;
        if (key == keys::kLeft && selection_ > 1) --selection_;
        if (key == keys::kRight && selection_ < count_) ++selection_;
        if (key == keys::kPgUp) selection_ -= g_.rows;
        if (key == keys::kPgDn) selection_ += g_.rows;
        if (key == keys::kHome) selection_ = 1;
        if (key == keys::kEnd) selection_ = count_;
        if (key == keys::kDel) {
            platform_.console.write("Premuto delete");
            platform_.console.new_line();
        }
        return Outcome::Continue;
    }

    Platform& platform_;
    GraphicWindows& windows_;
    const WindowHandle window_;
    const PreviewGeometry g_;
    const std::vector<std::string>& entries_;
    const int count_;
    std::int32_t& selection_;
    int top_ = 0;
};

}  // namespace

void GRAPHIC_(Platform& platform, std::int32_t& margin_x, std::int32_t& mode_y, std::vector<std::string>& entries,
              std::int32_t& count, std::int32_t& selection, std::int32_t& rows, std::int32_t points) {
    RoutineName routine("GRAPHIC_");
    const int listed = std::max(static_cast<int>(entries.size()) - 1, 0);
    // A count past the list's end would show entries that are not there.
    const int shown = count < 1 ? listed : std::min<int>(count, listed);
    if (shown < 1) return;
    count = shown;
    GraphicWindows& windows = platform.windows;
    const PixelArea work = windows.work_area();
    PreviewGeometry geometry = measure_preview(platform, work, entries, count, margin_x, rows, points);
    rows = geometry.rows;
    place(geometry.window, work, mode_y, margin_x, mode_y);
    margin_x = geometry.window.x;
    mode_y = geometry.window.y;

    const WindowHandle window = windows.open(WindowSpec{geometry.window, "", false});
    windows.clear(window, kPaper);
    AFXFORCE(platform, window);
    PreviewWindow(platform, window, geometry, entries, count, selection).run();
}

}  // namespace posteri
