// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/system/posix_system.h"
#include "support/temp_folder.h"

namespace posteri {
namespace {

namespace fs = std::filesystem;

class PosixDirectoryTest : public ::testing::Test {
  protected:
    std::vector<DirectoryEntry> listing(const std::string& folder) {
        std::vector<DirectoryEntry> entries;
        EXPECT_EQ(system_.list_directory(folder, entries), 0);
        std::ranges::sort(entries, {}, &DirectoryEntry::name);
        return entries;
    }

    TempFolder folder_{"posteri-folder"};
    const fs::path& dir_ = folder_.path();
    PosixSystem system_;
};

TEST_F(PosixDirectoryTest, ListsFilesAndFoldersWithWindows1252NamesFollowingLinks) {
    fs::create_directory(dir_ / "vacanze");
    std::ofstream(dir_ / "l'isola, dì sera.jpg") << "x";
    fs::create_directory_symlink(dir_ / "vacanze", dir_ / "collegamento");
    EXPECT_EQ(listing(dir_.string()), (std::vector<DirectoryEntry>{{"collegamento", true, false},
                                                                   {"l'isola, d\xEC sera.jpg", false, false},
                                                                   {"vacanze", true, false}}));
}

TEST_F(PosixDirectoryTest, NamesWindows1252CannotHoldAreMarkedUnusable) {
    std::ofstream(dir_ / "東京.jpg") << "x";
    std::ofstream(dir_ / std::string("latin\xE8.jpg")) << "x";  // not UTF-8
    const auto entries = listing(dir_.string());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].unusable_name);
    EXPECT_TRUE(entries[1].unusable_name);
    EXPECT_EQ(entries[0].name, "??.jpg");
    EXPECT_EQ(entries[1].name, "latin?.jpg");
}

TEST_F(PosixDirectoryTest, AFolderNamedInWindows1252IsReachedAndAMissingOneFails) {
    fs::create_directory(dir_ / "città");
    std::ofstream(dir_ / "città" / "foto.jpg") << "x";
    EXPECT_EQ(listing(dir_.string() + "/citt\xE0"),
              (std::vector<DirectoryEntry>{{"foto.jpg", false, false}}));
    std::vector<DirectoryEntry> entries{{"vecchio", false, false}};
    EXPECT_EQ(system_.list_directory(dir_.string() + "/manca", entries), ENOENT);
    EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace posteri
