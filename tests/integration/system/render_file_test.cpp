// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/render_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>

#include "support/temp_folder.h"

namespace posteri {
namespace {

namespace fs = std::filesystem;

class RenderFileTest : public ::testing::Test {
  protected:
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir_)) found.insert(entry.path().filename().string());
        return found;
    }
    static std::string content(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void write(RenderFile& file, std::string_view bytes) {
        file.write(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned>(bytes.size()));
    }

    TempFolder folder_{"posteri-render"};
    const std::string dir_ = folder_.path().string();
};

// Unnamed while written, readable through its path, then linked under a name that is never taken
// from another file; one that is never linked leaves nothing.
TEST_F(RenderFileTest, UnnamedFileIsLinkedUnderAFreeNameOnlyAndOtherwiseLeavesNothing) {
    const mode_t old_mask = ::umask(022);
    {
        RenderFile first(dir_);
        ASSERT_EQ(first.error(), 0);
        EXPECT_FALSE(first.named());
        write(first, "%PDF-1");
        EXPECT_TRUE(names().empty());
        EXPECT_EQ(content(first.path()), "%PDF-1");
        EXPECT_EQ(first.link_as(dir_ + "/poster.pdf"), 0);

        RenderFile second(dir_);
        write(second, "altro");
        EXPECT_EQ(second.link_as(dir_ + "/poster.pdf"), EEXIST);
    }
    ::umask(old_mask);
    EXPECT_EQ(names(), std::set<std::string>{"poster.pdf"});
    EXPECT_EQ(content(dir_ + "/poster.pdf"), "%PDF-1");
    EXPECT_EQ(fs::status(dir_ + "/poster.pdf").permissions(), fs::perms(0644));
}

// The fallback for file systems without unnamed files: a hidden file that is moved into place,
// and that the ending signals' cleanup removes.
TEST_F(RenderFileTest, NamedFileIsMovedIntoPlaceOrRemovedByTheSignalCleanup) {
    {
        RenderFile moved(dir_, false);
        ASSERT_EQ(moved.error(), 0);
        ASSERT_TRUE(moved.named());
        write(moved, "%PDF-1");
        EXPECT_EQ(names().size(), 1u);
        EXPECT_EQ(names().begin()->rfind(".posteri-", 0), 0u);
        EXPECT_EQ(moved.link_as(dir_ + "/poster.pdf"), 0);
    }
    EXPECT_EQ(names(), std::set<std::string>{"poster.pdf"});
    EXPECT_EQ(content(dir_ + "/poster.pdf"), "%PDF-1");

    RenderFile left(dir_, false);
    EXPECT_EQ(names().size(), 2u);
    remove_render_litter();
    EXPECT_EQ(names(), std::set<std::string>{"poster.pdf"});
}

TEST_F(RenderFileTest, TerminationSignalRemovesTheNamedFileAndStillEndsTheProcess) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        remove_render_litter_on_ending_signals();
        RenderFile file(dir_, false);
        ::raise(SIGTERM);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    EXPECT_TRUE(names().empty());
}

}  // namespace
}  // namespace posteri
