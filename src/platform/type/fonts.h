// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Display fonts: the family names of the installed fonts, each a face a user can choose by name, and
// a font as the program asks for one: a face, a size in points and a style.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace posteri {

// Font style bits; values of 0 or less are plain.
namespace font_style {
inline constexpr int kBold = 1;
inline constexpr int kItalic = 2;
inline constexpr int kUnderline = 4;
inline constexpr int kStrikeOut = 8;
}  // namespace font_style

struct FontSpec {
    std::string face;  // a face that is not installed is replaced by the platform's substitute
    int points = 10;   // on a 96 dpi screen: points * 96 / 72 pixels of em height
    int style = 0;
    bool operator==(const FontSpec&) const = default;
};

// A text to measure in a font of its own.
struct FontText {
    FontSpec font;
    std::string text;
};

// How far a long measuring has come: `done` of `total` texts.
using MeasureProgress = std::function<void(int done, int total)>;

class FontCatalog {
  public:
    virtual ~FontCatalog() = default;
    // Every distinct family name in the order the font configuration reports them, as Windows-1252
    // text; names Windows-1252 cannot hold are left out, since a face could never be found by them.
    virtual std::vector<std::string> family_names() = 0;
    // What prints in place of `face` (Windows-1252) when no installed family bears that name: the
    // family and style the font configuration chose instead, as a person reads them ("Noto Sans
    // Bold"), in Windows-1252; empty when the face is installed.
    virtual std::string substitute_face(std::string_view face, bool bold) = 0;
};

}  // namespace posteri
