// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two 8-bit character sets of the program: Windows-1252 for all text, code page 437 for the
// frame glyphs; and UTF-8, which the terminal, the file system and the font libraries speak.

#include <optional>
#include <string>
#include <string_view>

namespace posteri {

char32_t cp1252_to_unicode(unsigned char byte);
char32_t cp437_to_unicode(unsigned char byte);
// The Windows-1252 byte of a character, if it has one.
std::optional<unsigned char> unicode_to_cp1252(char32_t ch);

std::string utf8_encode(char32_t ch);
std::string cp1252_to_utf8(std::string_view text);
bool is_valid_utf8(std::string_view text);
// Valid UTF-8 to Windows-1252; characters without a Windows-1252 byte become `replacement`.
std::string utf8_to_cp1252(std::string_view utf8, char replacement = '?');
// A text as Linux gives it (a path, an argument, a line of a file written there) in the program's
// Windows-1252; a text that is not UTF-8 is kept as its bytes.
std::string native_to_cp1252(std::string_view native);

// Decodes one UTF-8 character at the start of `text`. Returns its length in bytes (0 when the
// bytes are not a complete, well-formed character) and stores the character.
std::size_t utf8_decode(std::string_view text, char32_t& ch);

}  // namespace posteri
