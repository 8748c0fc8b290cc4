// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Display fonts: the family names of the installed fonts, each a face a user can choose by name.

#include <string>
#include <vector>

namespace posteri {

class FontCatalog {
  public:
    virtual ~FontCatalog() = default;
    // Every distinct family name in the order the font configuration reports them, as Windows-1252
    // text; names Windows-1252 cannot hold are left out, since a face could never be found by them.
    virtual std::vector<std::string> family_names() = 0;
};

}  // namespace posteri
