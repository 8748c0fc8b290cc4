// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installed fonts as fontconfig knows them.

#include "platform/type/fonts.h"

namespace posteri {

class FontconfigCatalog : public FontCatalog {
  public:
    std::vector<std::string> family_names() override;
};

}  // namespace posteri
