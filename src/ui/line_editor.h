// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The line editor: one line of text edited in place in a console field of fixed width that scrolls
// over a longer text; insert and overwrite typing, caret movement, deletion, an optional set of
// accepted characters and a set of keys that end the editing.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace posteri {

// Edits `text` at (row, column) (0: the cursor's row or column) in a field `width` cells wide (0: the
// text's length, at most the console's width). `offset` (in/out) is the text position, from 1, of
// the first character shown; `start_mode` (in/out) where the caret starts: " " after the last
// non-blank character, "U" on it, a positive number that field column, "" the first column.
// `accepted`, when not empty, is the set of characters that may be typed (letter case ignored).
// `options` carries "INSERT", "VARIABILE" and "ESCI CON " in, and the key that ended the editing out.
// The caret never stands past the text's last character, also in a field wider than the text.
// Returns the edited text, with its changes also after Esc. Insert or overwrite is one mode for the
// whole run, off at the start: "INSERT" and the Ins key change it, and it outlives each call.
std::string LONGINPU(Platform& platform, std::int32_t row, std::int32_t column, std::string text,
                     std::int32_t width, std::int32_t& offset, std::string& start_mode, std::string_view accepted,
                     std::int32_t background, std::int32_t foreground, std::string& options);

// The text with `character` inserted after `position` (0 or less: at the front; at or past the end:
// appended). With grow 0 the result keeps the text's length, its last character dropping off.
std::string INSCHR(std::string_view text, char character, std::int32_t position, std::int32_t grow);
// The text without the character at `position` (from 1), with `fill` appended at the end; a position
// with no character under it leaves the text as it is.
std::string DELCHR(std::string_view text, std::string_view fill, std::int32_t position);

}  // namespace posteri
