// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/line_editor.h"

#include <algorithm>

#include "format/number_text.h"
#include "format/text.h"
#include "ui/console_text.h"
#include "ui/failure.h"
#include "ui/frame.h"
#include "ui/option_words.h"

namespace posteri {

namespace {

// Cursor sizes: a full cell while typing inserts, an underline while it overwrites.
constexpr int kInsertCursor = 100;
constexpr int kOverwriteCursor = 20;

// Insert or overwrite: one mode for the whole run, kept from one editing to the next.
bool g_insert_mode = false;

int cursor_size_for_mode() {
    return g_insert_mode ? kInsertCursor : kOverwriteCursor;
}

int length_of(std::string_view text) {
    return static_cast<int>(text.size());
}

bool has_trailing_blank(std::string_view text) {
    return text.ends_with(' ');
}

int length_without_trailing_blanks(std::string_view text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? 0 : static_cast<int>(last) + 1;
}

bool is_caret_on_last_mode(std::string_view mode) {
    return mode == "U" || mode == "u";
}

// The caret's field column and the text position of the field's first cell; the text position
// under the caret is offset + caret - 1.
struct Field {
    int width = 1;
    int offset = 1;
    int caret = 1;
    int position() const { return offset + caret - 1; }
};

// A field as wide as the text or wider: the caret on its last character (the first cell of an empty
// text), with the field scrolled so that it ends there.
void place_on_last_character(Field& field, int length) {
    field.offset = std::max(length - field.width + 1, 1);
    field.caret = std::max(length - field.offset + 1, 1);
}

// The caret back inside the field and never past the text's last character; the field scrolls by
// one character at a time. A field wider than the rest of the text would scroll before the text's
// start, so there the caret goes onto the last character instead.
void normalise(Field& field, int length) {
    if (field.caret < 1) {
        --field.offset;
        ++field.caret;
    }
    if (field.offset < 1) field.offset = 1;
    if (field.caret > field.width) {
        ++field.offset;
        field.caret = field.width;
    }
    if (field.position() > length) {
        field.caret = field.width;
        --field.offset;
    }
    if (field.offset < 1 || field.position() > length) place_on_last_character(field, length);
}

// Where the caret starts. " " after the last non-blank character, "U" on it, a positive number that
// field column, "" (and anything else) the first column.
void place_caret(Field& field, std::string_view mode, std::string_view text) {
    const int used = length_without_trailing_blanks(text);
    if (mode == " ") {
        field.caret = used + 1;
        field.offset = field.caret - field.width;
    } else if (is_caret_on_last_mode(mode)) {
        field.caret = used;
        field.offset = field.caret - field.width;
    } else if (const std::int32_t column = read_integer(mode).value_or(0); column > 0) {
        field.caret = column;
    } else {
        field.caret = 1;
    }
}

// A start mode that cannot hold for this text: "U" on an all-blank text becomes " ", and " " on a
// text without a trailing blank becomes "U".
void settle_start_mode(std::string& mode, std::string_view text) {
    if (length_without_trailing_blanks(text) == 0 && is_caret_on_last_mode(mode)) mode = " ";
    if (mode == " " && !has_trailing_blank(text)) mode = "U";
}

bool is_typed_character(std::string_view key) {
    return key.size() == 1 && static_cast<unsigned char>(key[0]) > 31;
}

bool is_accepted(std::string_view accepted, char typed) {
    return accepted.empty() ||
           to_upper(accepted).find(to_upper(std::string_view(&typed, 1))) != std::string::npos;
}

// The keys that end the editing whatever the exit-key list says.
bool is_ending_key(std::string_view key) {
    return key == keys::kEsc || key == keys::kPgDn || key == keys::kF1 || key == keys::kEnter ||
           key == keys::kTab || key == keys::kUp || key == keys::kDown || key == keys::kPgUp;
}

class LineEditor {
  public:
    LineEditor(Console& console, CellPos at, std::string text, const Field& field, std::string_view accepted,
               Attribute colours, bool variable)
        : console_(console),
          at_(at),
          text_(std::move(text)),
          field_(field),
          accepted_(accepted),
          colours_(colours),
          variable_(variable) {}

    // Edits until a key ends the editing; returns that key.
    std::string run(std::string_view exit_keys) {
        for (;;) {
            normalise(field_, length_of(text_));
            draw();
            std::string key = console_.read_key();
            if (is_editor_exit_key(exit_keys, key) || is_ending_key(key)) return key;
            if (key == keys::kBackspace) key = keys::kLeft;
            if (is_typed_character(key)) {
                type(key[0]);
            } else {
                move_or_edit(key);
            }
        }
    }

    const std::string& text() const { return text_; }
    int offset() const { return field_.offset; }

  private:
    void draw() {
        console_.set_cursor_visible(false);
        const auto from = static_cast<std::size_t>(field_.offset - 1);
        const std::string_view shown = std::string_view(text_).substr(std::min(from, text_.size()));
        write_at(console_, at_.row, at_.col, fit_width(controls_shown(shown), static_cast<std::size_t>(field_.width)),
                 colours_);
        console_.set_cursor(at_.row, at_.col + field_.caret - 1);
        console_.set_cursor_visible(true);
    }

    void type(char typed) {
        if (!is_accepted(accepted_, typed)) return;
        const int p = field_.position();
        ++field_.caret;
        if (g_insert_mode) {
            text_ = INSCHR(text_, typed, p - 1, variable_ ? 1 : 0);
        } else if (p >= 1 && p <= length_of(text_)) {
            text_[static_cast<std::size_t>(p - 1)] = typed;
        }
    }

    void move_or_edit(std::string_view key) {
        if (key == keys::kDel) {
            text_ = DELCHR(text_, " ", field_.position());
        } else if (key == keys::kIns) {
            g_insert_mode = !g_insert_mode;
            console_.set_cursor_size(cursor_size_for_mode());
        } else if (key == keys::kRight) {
            ++field_.caret;
        } else if (key == keys::kLeft) {
            --field_.caret;
        } else if (key == keys::kHome) {
            field_.caret = 1;
            field_.offset = 1;
        } else if (key == keys::kEnd) {
            field_.caret = length_without_trailing_blanks(text_) + 1;
            field_.offset = field_.caret - field_.width;
        }
    }

    Console& console_;
    CellPos at_;
    std::string text_;
    Field field_;
    std::string_view accepted_;
    Attribute colours_;
    bool variable_;
};

}  // namespace

std::string LONGINPU(Platform& platform, std::int32_t row, std::int32_t column, std::string text,
                     std::int32_t width, std::int32_t& offset, std::string& start_mode,
                     std::string_view accepted, std::int32_t background, std::int32_t foreground,
                     std::string& options) {
    RoutineName routine("LONGINPU");
    Console& console = platform.console;
    const CellPos cursor = console.cursor();
    const CellPos at{row == 0 ? cursor.row : row, column == 0 ? cursor.col : column};
    const bool variable = has_option(options, "VARIABILE");
    if (variable && !has_trailing_blank(text)) text += ' ';
    if (width == 0) width = std::min(length_of(text), console.size().cols);

    settle_start_mode(start_mode, text);
    // Without "INSERT" the mode stays as the last editing left it, under a small cursor.
    const bool insert = has_option(options, "INSERT");
    if (insert) g_insert_mode = true;
    console.set_cursor_size(insert ? kInsertCursor : kOverwriteCursor);

    // A field needs one cell for the caret, even for an empty text.
    Field field{std::max(width, 1), offset, 1};
    place_caret(field, start_mode, text);
    const std::string exit_keys = editor_exit_keys(options);

    LineEditor editor(console, at, std::move(text), field, accepted, attribute(foreground, background),
                      variable);
    options = editor.run(exit_keys);
    offset = editor.offset();
    console.set_cursor_size(kOverwriteCursor);
    return editor.text();
}

std::string INSCHR(std::string_view text, char character, std::int32_t position, std::int32_t grow) {
    const auto at = static_cast<std::size_t>(std::clamp(position, 0, length_of(text)));
    std::string result(text.substr(0, at));
    result += character;
    result += text.substr(at);
    if (grow == 0) result.resize(text.size());
    return result;
}

// A position with no character under it removes nothing and so appends nothing either: the text's
// length never changes by a deletion.
std::string DELCHR(std::string_view text, std::string_view fill, std::int32_t position) {
    if (position < 1 || position > length_of(text)) return std::string(text);
    const auto at = static_cast<std::size_t>(position - 1);
    std::string result(text.substr(0, at));
    result += text.substr(at + 1);
    result += fill;
    return result;
}

}  // namespace posteri
