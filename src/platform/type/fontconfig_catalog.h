// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installed fonts as fontconfig knows them, and the face a page's text gets for a name.

#include "platform/type/fonts.h"

namespace posteri {

class FontconfigCatalog : public FontCatalog {
  public:
    std::vector<std::string> family_names() override;
    std::string substitute_face(std::string_view face, bool bold) override;
};

}  // namespace posteri
