#include "platform/linux/posix_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace posteri {
namespace {

namespace fs = std::filesystem;

class PosixSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "posteri-system-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = fs::canonical(pattern);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::set<std::string> names_in_folder() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }
    static std::string content(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static mode_t permissions(const std::string& file) {
        struct stat status {};
        ::stat(file.c_str(), &status);
        return status.st_mode & 07777;
    }

    fs::path dir_;
    PosixSystem system_;
};

TEST_F(PosixSystemTest, ReplaceSwapsTheContentKeepsPermissionsAndLeavesNoTemporary) {
    const std::string file = path("impostazioni.log");
    std::ofstream(file) << "vecchio";
    ::chmod(file.c_str(), 0640);
    EXPECT_EQ(system_.replace_file(file, "nuovo\r\n"), 0);
    EXPECT_EQ(content(file), "nuovo\r\n");
    EXPECT_EQ(permissions(file), 0640u);
    EXPECT_EQ(names_in_folder(), std::set<std::string>{"impostazioni.log"});
}

TEST_F(PosixSystemTest, ReplaceWithTheBytesAlreadyThereLeavesTheFileAsItIs) {
    const std::string file = path("impostazioni.log");
    std::ofstream(file) << "uguale\r\n";
    const auto inode = [&] {
        struct stat status {};
        ::stat(file.c_str(), &status);
        return status.st_ino;
    };
    const ino_t before = inode();
    EXPECT_EQ(system_.replace_file(file, "uguale\r\n"), 0);
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(system_.replace_file(file, "uguale\r\n "), 0);
    EXPECT_NE(inode(), before);
    EXPECT_EQ(content(file), "uguale\r\n ");
}

TEST_F(PosixSystemTest, ReplaceMakesANewFileWithTheUmaskPermissions) {
    const mode_t old_mask = ::umask(027);
    const int error = system_.replace_file(path("nuovo.log"), "x");
    ::umask(old_mask);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(permissions(path("nuovo.log")), 0640u);
}

// A file size limit makes the write fail part-way, as a full disk would, even for root.
TEST_F(PosixSystemTest, FailedReplaceKeepsTheOldFileAndRemovesTheTemporary) {
    const std::string file = path("impostazioni.log");
    std::ofstream(file) << "vecchio contenuto";
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const int error = system_.replace_file(file, std::string(100, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(content(file), "vecchio contenuto");
    EXPECT_EQ(names_in_folder(), std::set<std::string>{"impostazioni.log"});
    EXPECT_EQ(system_.replace_file(path("manca/impostazioni.log"), "x"), ENOENT);
}

// A settings file kept elsewhere through a link: the target gets the bytes, its temporary lives
// beside it, and every link of a chain stays a link. A dangling link gets its file made; a loop fails.
TEST_F(PosixSystemTest, ReplaceThroughALinkReplacesItsTargetAndKeepsTheLink) {
    fs::create_directory(dir_ / "altrove");
    std::ofstream(path("altrove/vere.log")) << "vecchio";
    fs::create_symlink("altrove/vere.log", dir_ / "ponte.log");
    fs::create_symlink(dir_ / "ponte.log", dir_ / "impostazioni.log");
    EXPECT_EQ(system_.replace_file(path("impostazioni.log"), "nuovo\r\n"), 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "impostazioni.log"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "ponte.log"));
    EXPECT_EQ(content(path("altrove/vere.log")), "nuovo\r\n");
    EXPECT_EQ(names_in_folder(), (std::set<std::string>{"altrove", "impostazioni.log", "ponte.log"}));
    EXPECT_EQ(fs::directory_iterator(dir_ / "altrove")->path().filename(), "vere.log");

    fs::create_symlink("altrove/nuovo.log", dir_ / "sospeso.log");
    EXPECT_EQ(system_.replace_file(path("sospeso.log"), "x"), 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "sospeso.log"));
    EXPECT_EQ(content(path("altrove/nuovo.log")), "x");

    fs::create_symlink("anello.log", dir_ / "anello.log");
    EXPECT_EQ(system_.replace_file(path("anello.log"), "x"), ELOOP);
    EXPECT_TRUE(fs::is_symlink(dir_ / "anello.log"));
}

TEST_F(PosixSystemTest, AppendCreatesTheFileAndAddsToIt) {
    const std::string file = path("fulllog.log");
    EXPECT_EQ(system_.append_file(file, ""), 0);
    EXPECT_TRUE(system_.is_file(file));
    EXPECT_EQ(content(file), "");
    EXPECT_EQ(system_.append_file(file, "uno\r\n"), 0);
    EXPECT_EQ(system_.append_file(file, "due\r\n"), 0);
    EXPECT_EQ(content(file), "uno\r\ndue\r\n");
    EXPECT_EQ(system_.append_file(path("manca/fulllog.log"), "x"), ENOENT);
}

TEST_F(PosixSystemTest, ReadingDeletingAndTellingFilesFromFolders) {
    std::string bytes = "resto";
    EXPECT_EQ(system_.read_file(path("manca.log"), bytes), ENOENT);
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(system_.is_file(path("manca.log")));
    EXPECT_FALSE(system_.is_file(dir_.string()));
    EXPECT_EQ(system_.read_file(dir_.string(), bytes), EISDIR);

    const std::string binary("a\0b\r\n\xFF", 6);
    std::ofstream(path("dati.bin"), std::ios::binary) << binary;
    EXPECT_EQ(system_.read_file(path("dati.bin"), bytes), 0);
    EXPECT_EQ(bytes, binary);
    EXPECT_EQ(system_.delete_file(path("dati.bin")), 0);
    EXPECT_EQ(system_.delete_file(path("dati.bin")), ENOENT);
}

TEST_F(PosixSystemTest, Windows1252NamesAreUtf8OnDisk) {
    const std::string folder = dir_.string() + "/caff\xE8";
    fs::create_directory(dir_ / "caff\xC3\xA8");
    const fs::path previous = fs::current_path();
    ASSERT_EQ(system_.set_working_directory(folder), 0);
    const std::string now = system_.working_directory();
    EXPECT_EQ(system_.replace_file("perch\xE9.log", "x"), 0);
    fs::current_path(previous);

    EXPECT_EQ(now, folder);
    EXPECT_TRUE(fs::is_regular_file(dir_ / "caff\xC3\xA8" / "perch\xC3\xA9.log"));
    EXPECT_EQ(system_.set_working_directory(path("manca")), ENOENT);
}

TEST_F(PosixSystemTest, ClockRandomNumbersAndSleeping) {
    const double now = system_.seconds_of_day();
    EXPECT_GE(now, 0.0);
    EXPECT_LT(now, 86401.0);

    system_.seed_random(42.5);
    const double first = system_.random_unit();
    const double second = system_.random_unit();
    system_.seed_random(42.5);
    EXPECT_EQ(system_.random_unit(), first);
    EXPECT_EQ(system_.random_unit(), second);
    system_.seed_random(42.25);
    EXPECT_NE(system_.random_unit(), first);
    for (int i = 0; i < 1000; ++i) {
        const double value = system_.random_unit();
        ASSERT_GE(value, 0.0);
        ASSERT_LT(value, 1.0);
    }

    const auto start = std::chrono::steady_clock::now();
    system_.sleep_ms(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace posteri
