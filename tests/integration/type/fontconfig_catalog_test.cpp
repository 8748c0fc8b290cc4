// SPDX-License-Identifier: GPL-3.0-or-later
// The installed fonts as the font configuration of this machine reports them.
#include "platform/type/fontconfig_catalog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace posteri {
namespace {

using ::testing::Contains;

TEST(FontconfigCatalog, ListsEveryFamilyNameOfAFontOnce) {
    FontconfigCatalog catalog;
    const std::vector<std::string> names = catalog.family_names();
    // DejaVu Sans Condensed is a second family name on fonts whose first is DejaVu Sans.
    EXPECT_THAT(names, Contains("DejaVu Sans"));
    EXPECT_THAT(names, Contains("DejaVu Sans Condensed"));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << "no name twice";
}

}  // namespace
}  // namespace posteri
