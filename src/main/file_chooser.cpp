// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/file_chooser.h"

#include <algorithm>
#include <vector>

#include "format/codepage.h"
#include "format/text.h"
#include "ui/console_text.h"
#include "ui/frame.h"
#include "ui/saved_console_state.h"

namespace posteri {

namespace {

constexpr int kMaxBoxWidth = 76;
// On a narrower screen the box keeps this width and overflows it rather than losing its frame.
constexpr int kMinBoxWidth = 12;
constexpr int kMaxBoxHeight = 26;
// Box rows besides the list: two borders, the folder line, two separators and the status line.
constexpr int kFixedRows = 6;

const Attribute kFrameColour = attribute(kWhite, kBlue);
const Attribute kFolderColour = attribute(kYellow, kBlue);
const Attribute kUnusableColour = attribute(kLightGrey, kBlue);
const Attribute kSelectedColour = attribute(kBlack, kLightCyan);
const Attribute kMessageColour = attribute(kYellow, kRed);

constexpr std::string_view kUnreadableFolder = "Non riesco a leggere questa cartella.";
constexpr std::string_view kMissingFile = "Questo file non c'\xE8 pi\xF9.";
constexpr std::string_view kLongPath = "Percorso troppo lungo: sposta il file in una cartella pi\xF9 vicina.";
constexpr char kEllipsis = '\x85';
// Code-page-437 tees where a separator meets the side borders.
constexpr char kLeftTee = '\xC3';
constexpr char kRightTee = '\xB4';

struct Item {
    std::string name;
    bool is_folder = false;
    bool unusable = false;
};

// Both texts upper-cased; "*" may take any run of characters, so on a mismatch the last "*" is
// made to take one more character.
bool wildcard_match(std::string_view text, std::string_view pattern) {
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t star_text = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_text = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++star_text;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string child_path(const std::string& folder, std::string_view name) {
    return folder.ends_with('/') ? folder + std::string(name) : folder + "/" + std::string(name);
}

std::string parent_of(const std::string& folder) {
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos) return folder;
    return slash == 0 ? "/" : folder.substr(0, slash);
}

std::string last_part(const std::string& folder) {
    return folder.substr(folder.rfind('/') + 1);
}

std::string without_trailing_slash(std::string folder) {
    while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
    return folder;
}

bool by_name(const Item& a, const Item& b) {
    const std::string upper_a = to_upper(a.name);
    const std::string upper_b = to_upper(b.name);
    return upper_a != upper_b ? upper_a < upper_b : a.name < b.name;
}

// "..", the subfolders and then the matching files, each group in name order; hidden entries
// (names starting with ".") are left out. Nothing when the folder cannot be read.
std::optional<std::vector<Item>> list_folder(System& system, const std::string& folder,
                                             std::string_view patterns) {
    std::vector<DirectoryEntry> entries;
    if (system.list_directory(folder, entries) != 0) return std::nullopt;
    std::vector<Item> folders;
    std::vector<Item> files;
    for (const DirectoryEntry& entry : entries) {
        if (entry.name.starts_with('.')) continue;
        if (entry.is_folder || matches_patterns(entry.name, patterns)) {
            (entry.is_folder ? folders : files)
                .push_back(Item{entry.name, entry.is_folder, entry.unusable_name});
        }
    }
    std::ranges::sort(folders, by_name);
    std::ranges::sort(files, by_name);
    std::vector<Item> items;
    if (folder != "/") items.push_back(Item{"..", true, false});
    items.insert(items.end(), folders.begin(), folders.end());
    items.insert(items.end(), files.begin(), files.end());
    return items;
}

// The text in at most `width` characters, cut at its end (or its start) with an ellipsis.
std::string fit_end(std::string_view text, int width) {
    const auto room = static_cast<std::size_t>(std::max(width, 0));
    if (text.size() <= room) return std::string(text);
    if (room == 0) return {};
    return std::string(text.substr(0, room - 1)) + kEllipsis;
}

std::string fit_start(std::string_view text, int width) {
    const auto room = static_cast<std::size_t>(std::max(width, 0));
    if (text.size() <= room) return std::string(text);
    if (room == 0) return {};
    return kEllipsis + std::string(text.substr(text.size() - room + 1));
}

// A rectangle of cells drawn off screen, then shown at once.
class Canvas {
  public:
    Canvas(int width, int height)
        : width_(width), cells_(std::size_t(width * height), Cell{U' ', kFrameColour}) {}

    void text(int row, int col, std::string_view bytes, Attribute attr, Charset charset = Charset::Text) {
        for (const char byte : bytes) {
            if (col >= width_) return;
            const auto code = static_cast<unsigned char>(byte);
            at(row, col++) =
                Cell{charset == Charset::Text ? cp1252_to_unicode(code) : cp437_to_unicode(code), attr};
        }
    }
    void paint(int row, int from, int to, Attribute attr) {
        for (int col = from; col < to; ++col) at(row, col).attr = attr;
    }
    // A border row: left corner, a line, right corner (code-page-437 glyphs).
    void border(int row, char left, char right) {
        text(row, 0, std::string(1, left) + std::string(std::size_t(width_ - 2), glyphs::kHorizontal) + right,
             kFrameColour, Charset::Glyphs);
    }
    int width() const { return width_; }
    const std::vector<Cell>& cells() const { return cells_; }

  private:
    Cell& at(int row, int col) { return cells_[std::size_t(row * width_ + col)]; }

    int width_;
    std::vector<Cell> cells_;
};

bool is_extended_key(const std::string& key) {
    return key.size() == 2 && key[0] == '\0';
}

class Chooser {
  public:
    // `backdrop` holds the screen as it was before the chooser opened.
    Chooser(Platform& platform, const FileChooserRequest& request, SavedConsoleState& backdrop)
        : platform_(platform), request_(request), backdrop_(backdrop) {
        const std::string folder = without_trailing_slash(request.folder);
        if (!open_folder(folder, {})) {
            folder_ = folder;
            items_.clear();
            if (folder != "/") items_.push_back(Item{"..", true, false});
            message_ = kUnreadableFolder;
        }
    }

    std::optional<std::string> run() {
        Console& console = platform_.console;
        for (;;) {
            draw();
            const std::string key = console.read_key();
            message_.clear();
            if (key == keys::kEsc) return std::nullopt;
            if (key == keys::kEnter || key == keys::kMouseDoubleClick) {
                if (key == keys::kMouseDoubleClick && !select_at(console.mouse_position())) continue;
                if (auto path = open_selected()) return path;
            } else if (is_mouse_event(key)) {
                if (key == keys::kMousePress) select_at(console.mouse_position());
            } else if (is_extended_key(key)) {
                search_.clear();
                move(key);
            } else {
                search(key);
            }
        }
    }

  private:
    struct Layout {
        int top = 1;
        int left = 1;
        int width = 0;
        int list_rows = 1;
        int first_list_row() const { return top + 3; }
        bool operator==(const Layout&) const = default;
    };

    Layout layout() const {
        const ScreenSize screen = platform_.console.size();
        const int width = std::max(std::min(screen.cols, kMaxBoxWidth), kMinBoxWidth);
        const int height = std::min(screen.rows, kMaxBoxHeight);
        return Layout{(screen.rows - height) / 2 + 1, (screen.cols - width) / 2 + 1, width,
                      std::max(1, height - kFixedRows)};
    }

    bool open_folder(const std::string& folder, std::string_view select) {
        auto items = list_folder(platform_.system, folder, request_.patterns);
        if (!items) return false;
        folder_ = folder;
        items_ = std::move(*items);
        top_ = 0;
        selected_ = 0;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].name == select) selected_ = static_cast<int>(i);
        }
        return true;
    }

    // The path of the selected file when it can be chosen; otherwise opens the selected folder
    // or says why nothing happens.
    std::optional<std::string> open_selected() {
        if (items_.empty()) return std::nullopt;
        const Item item = items_[std::size_t(selected_)];
        if (item.unusable) {
            message_ = kUnusableName;
        } else if (item.name == "..") {
            if (!open_folder(parent_of(folder_), last_part(folder_))) message_ = kUnreadableFolder;
        } else if (item.is_folder) {
            if (!open_folder(child_path(folder_, item.name), {})) message_ = kUnreadableFolder;
        } else {
            const std::string path = child_path(folder_, item.name);
            const std::string_view refusal = file_refusal(platform_.system, path, request_.longest_path);
            if (refusal.empty()) return path;
            if (refusal == kMissingFile) open_folder(folder_, {});
            message_ = refusal;
        }
        search_.clear();
        return std::nullopt;
    }

    // Selects the item shown at the pointer; false when there is none.
    bool select_at(CellPos pointer) {
        const Layout box = layout();
        const int row = pointer.row - box.first_list_row();
        const int index = top_ + row;
        if (row < 0 || row >= box.list_rows || index >= int(items_.size())) return false;
        if (pointer.col <= box.left || pointer.col >= box.left + box.width - 1) return false;
        selected_ = index;
        return true;
    }

    void move(const std::string& key) {
        const int page = layout().list_rows;
        const int last = int(items_.size()) - 1;
        if (key == keys::kUp) selected_ -= 1;
        if (key == keys::kDown) selected_ += 1;
        if (key == keys::kPgUp) selected_ -= page;
        if (key == keys::kPgDn) selected_ += page;
        if (key == keys::kHome) selected_ = 0;
        if (key == keys::kEnd) selected_ = last;
        selected_ = std::clamp(selected_, 0, std::max(last, 0));
    }

    // The typed key joins the search text, and the first item holding it is selected; when none
    // does, the search starts afresh and the selection stays.
    void search(const std::string& key) {
        search_ += key;
        const std::string wanted = to_upper(search_);
        const auto found = std::ranges::find_if(items_, [&wanted](const Item& item) {
            return to_upper(item.name).find(wanted) != std::string::npos;
        });
        if (found == items_.end()) {
            search_.clear();
        } else {
            selected_ = int(found - items_.begin());
        }
    }

    void draw() {
        const Layout box = layout();
        // The terminal changed size and the box moves with it: what stood under it comes back first.
        if (drawn_ && *drawn_ != box) backdrop_.put_back_cells();
        drawn_ = box;
        if (selected_ < top_) top_ = selected_;
        if (selected_ >= top_ + box.list_rows) top_ = selected_ - box.list_rows + 1;

        const int height = box.list_rows + kFixedRows;
        const int inner = box.width - 2;
        Canvas canvas(box.width, height);
        canvas.border(0, glyphs::kTopLeft, glyphs::kTopRight);
        const std::string title = fit_end(" " + request_.title + " ", inner);
        canvas.text(0, 1 + (inner - int(title.size())) / 2, title, kFrameColour);
        framed_line(canvas, 1, " " + fit_start(folder_, inner - 2), kFrameColour);
        canvas.border(2, kLeftTee, kRightTee);
        for (int row = 0; row < box.list_rows; ++row) draw_item(canvas, 3 + row, top_ + row);
        canvas.border(height - 3, kLeftTee, kRightTee);
        framed_line(canvas, height - 2, " " + fit_end(status_text(), inner - 2),
                    message_.empty() ? kFrameColour : kMessageColour);
        canvas.border(height - 1, glyphs::kBottomLeft, glyphs::kBottomRight);
        platform_.console.write_cells(
            CellRect{box.top, box.left, box.top + height - 1, box.left + box.width - 1}, canvas.cells());
        // A screen reader reads the line at the terminal's cursor: a message when there is one to
        // read, otherwise the highlighted name.
        const int read_row =
            message_.empty() ? box.first_list_row() + selected_ - top_ : box.top + height - 2;
        platform_.console.show_reading_point({read_row, box.left + 2});
    }

    // A row between the side borders, its inside in the given colours.
    static void framed_line(Canvas& canvas, int row, std::string_view text, Attribute attr) {
        const int right = canvas.width() - 1;
        const std::string_view side(&glyphs::kVertical, 1);
        canvas.text(row, 0, side, kFrameColour, Charset::Glyphs);
        canvas.text(row, right, side, kFrameColour, Charset::Glyphs);
        canvas.paint(row, 1, right, attr);
        canvas.text(row, 1, text, attr);
    }

    void draw_item(Canvas& canvas, int row, int index) {
        if (index >= int(items_.size())) return framed_line(canvas, row, "", kFrameColour);
        const Item& item = items_[std::size_t(index)];
        const std::string shown = item.is_folder && item.name != ".." ? item.name + "/" : item.name;
        Attribute attr = item.unusable ? kUnusableColour : item.is_folder ? kFolderColour : kFrameColour;
        if (index == selected_) attr = kSelectedColour;
        framed_line(canvas, row, " " + fit_end(shown, canvas.width() - 4), attr);
    }

    std::string status_text() const {
        if (!message_.empty()) return message_;
        if (!search_.empty()) return "Cerca: " + search_;
        return "File: " + request_.filter_name + "   Invio apre, Esc annulla";
    }

    Platform& platform_;
    const FileChooserRequest& request_;
    SavedConsoleState& backdrop_;
    std::optional<Layout> drawn_;
    std::string folder_;
    std::vector<Item> items_;
    int selected_ = 0;
    int top_ = 0;
    std::string search_;
    std::string message_;
};

}  // namespace

std::string_view file_refusal(System& system, const std::string& path, std::size_t longest_path) {
    if (path.size() > longest_path) return kLongPath;
    switch (system.file_kind(path)) {
        case FileKind::Regular:
            return {};
        case FileKind::Missing:
            return kMissingFile;
        case FileKind::Folder:
            return "Questa \xE8 una cartella, non una foto.";
        case FileKind::Fifo:
            return "Questo \xE8 un canale (FIFO), non una foto.";
        case FileKind::Device:
            return "Questo \xE8 un dispositivo, non una foto.";
        case FileKind::Socket:
            return "Questo \xE8 un socket, non una foto.";
        case FileKind::Untrusted:
            return "Questo collegamento \xE8 di un altro utente, in una cartella condivisa: non lo seguo.";
    }
    return kMissingFile;
}

bool matches_patterns(std::string_view name, std::string_view patterns) {
    if (trim_spaces(patterns).empty()) return true;
    const std::string upper_name = to_upper(name);
    const std::string upper_patterns = to_upper(patterns);
    std::string_view rest = upper_patterns;
    for (;;) {
        const std::size_t end = rest.find(';');
        const std::string_view pattern = trim_spaces(rest.substr(0, end));
        if (!pattern.empty() && wildcard_match(upper_name, pattern)) return true;
        if (end == std::string_view::npos) return false;
        rest.remove_prefix(end + 1);
    }
}

std::optional<std::string> choose_file(Platform& platform, const FileChooserRequest& request) {
    Console& console = platform.console;
    const ScreenSize screen = console.size();
    SavedConsoleState saved(console, CellRect{1, 1, screen.rows, screen.cols});
    console.set_mouse(true);
    console.set_cursor_visible(false);
    return Chooser(platform, request, saved).run();
}

}  // namespace posteri
