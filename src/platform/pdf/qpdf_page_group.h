// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The print server's copy of a PDF page without its transparency-group mark. Kept apart from the
// rest of the back end because libqpdf's headers compile only as C++17 under Clang 14.

#include <string>

namespace posteri {

// cairo marks the page as a transparency group, which would make the server's filters turn the
// whole page, text included, into a picture; without the mark it stays as drawn. Throws
// std::exception when the file cannot be read as a PDF.
std::string without_transparency_group(const std::string& path);

}  // namespace posteri
