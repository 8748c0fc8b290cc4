// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/posix_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <tuple>

#include "support/temp_folder.h"

namespace posteri {
namespace {

namespace fs = std::filesystem;

class PosixSystemTest : public ::testing::Test {
protected:
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

    TempFolder folder_{"posteri-system"};
    const fs::path dir_ = folder_.path();
    PosixSystem system_;
};

// Runs `operation` as an ordinary user and gives its result: root may write any file, so a
// read-only file is read-only only for others.
int as_ordinary_user(const std::function<int()>& operation) {
    if (::geteuid() != 0) return operation();
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0) ::_exit(255);
        ::_exit(operation());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The file size limit makes a write fail part-way with EFBIG, as a full disk would with ENOSPC,
// without root.
int with_size_limit(rlim_t bytes, const std::function<int()>& operation) {
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const int result = operation();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    return result;
}

// A save removes only our own temporaries older than a minute: the user's backups and others' stay.
TEST_F(PosixSystemTest, ReplaceSwapsTheContentKeepsPermissionsAndRemovesOnlyItsOwnStaleTemporaries) {
    const std::string file = path("impostazioni.log");
    std::ofstream(file) << "vecchio";
    ::chmod(file.c_str(), 0640);
    for (const auto& [name, minutes] :
         {std::pair{"posteri-Ab3xYz", 61}, std::pair{"posteri-Q7rTu2", 0}, std::pair{"backup", 61},
          std::pair{"Ab3xYz", 61}, std::pair{"posteri-Ab3xYzw", 61}, std::pair{"posteri-altrui", 61}}) {
        std::ofstream(path(std::string(".impostazioni.log.") + name)) << "vecchio";
        fs::last_write_time(path(std::string(".impostazioni.log.") + name),
                            fs::file_time_type::clock::now() - std::chrono::minutes(minutes));
    }
    if (::geteuid() != 0 || ::chown(path(".impostazioni.log.posteri-altrui").c_str(), 65534, 65534) != 0) {
        fs::remove(path(".impostazioni.log.posteri-altrui"));
    }
    std::set<std::string> kept = names_in_folder();
    kept.erase(".impostazioni.log.posteri-Ab3xYz");
    EXPECT_EQ(system_.replace_file(file, "nuovo\r\n"), 0);
    EXPECT_EQ(content(file), "nuovo\r\n");
    EXPECT_EQ(permissions(file), 0640u);
    EXPECT_EQ(names_in_folder(), kept);
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

// Under a size limit a replaced file, through a temporary or in place, ends old or new, never mixed.
TEST_F(PosixSystemTest, ReplaceUnderASizeLimitEndsAsTheOldFileOrTheNew) {
    constexpr int kLimit = 64;
    for (const auto& [second_name, old_size, new_size, error] :
         {std::tuple{false, 16, 100, EFBIG}, std::tuple{false, 100, 16, 0}, std::tuple{true, 16, 100, EFBIG},
          std::tuple{true, 100, 16, 0}, std::tuple{true, 100, 100, EFBIG}, std::tuple{true, 16, kLimit, 0}}) {
        SCOPED_TRACE(std::to_string(second_name) + " " + std::to_string(old_size) + " " +
                     std::to_string(new_size));
        const std::string file = path("impostazioni.log"), old(old_size, 'v'), fresh(new_size, 'n');
        std::ofstream(file, std::ios::trunc) << old;
        if (second_name) fs::create_hard_link(file, dir_ / "gemello.log");
        EXPECT_EQ(with_size_limit(kLimit, [&] { return system_.replace_file(file, fresh); }), error);
        EXPECT_EQ(content(file), error == 0 ? fresh : old);
        EXPECT_TRUE(!second_name || fs::equivalent(file, dir_ / "gemello.log"));
        fs::remove(dir_ / "gemello.log");
        EXPECT_EQ(names_in_folder(), std::set<std::string>{"impostazioni.log"});
    }
    EXPECT_EQ(system_.replace_file(path("manca/impostazioni.log"), "x"), ENOENT);
}

// A settings file kept elsewhere through a link: the target gets the bytes, its temporary lives
// beside it, and every link of a chain stays a link. A loop fails.
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

    fs::create_symlink("anello.log", dir_ / "anello.log");
    EXPECT_EQ(system_.replace_file(path("anello.log"), "x"), ELOOP);
    EXPECT_TRUE(fs::is_symlink(dir_ / "anello.log"));
}

// What the name stands for decides: a regular file is rewritten (in place when it has other hard
// links), the null device takes the bytes and stays, anything else is refused with ENXIO and a file
// the user may not write (even root, without write bits) with EROFS, both left as they were.
TEST_F(PosixSystemTest, ReplaceWritesOnlyRegularFilesTheUserMayWrite) {
    ::chmod(dir_.c_str(), 0755);
    ASSERT_EQ(std::system(("cd " + dir_.string() +
                           " && printf vecchio > regolare.log && printf vecchio > vero.log && ln -s vero.log collegato.log"
                           " && ln -s /dev/null spento.log && mkfifo fifo.log && mkdir cartella.log"
                           " && ln -s manca.log sospeso.log && printf vecchio > sola.log && chmod 444 sola.log"
                           " && printf vecchio > altrui.log && chmod 644 altrui.log"
                           " && printf vecchio > doppio.log && ln doppio.log gemello.log")
                              .c_str()),
              0);
    using enum fs::file_type;
    struct Target {
        const char* name;
        int error;
        fs::file_type left;
        const char* content;  // read through the name afterwards; null: not read
        bool by_ordinary_user = false;
    };
    for (const Target& target : {Target{"regolare.log", 0, regular, "nuovo"}, Target{"collegato.log", 0, symlink, "nuovo"},
                                 Target{"spento.log", 0, symlink, ""}, Target{"fifo.log", ENXIO, fifo, nullptr},
                                 Target{"cartella.log", ENXIO, directory, nullptr},
                                 Target{"sospeso.log", ENXIO, symlink, nullptr},
                                 Target{"sola.log", EROFS, regular, "vecchio"},
                                 Target{"altrui.log", EROFS, regular, "vecchio", true},
                                 Target{"doppio.log", 0, regular, "nuovo"}}) {
        const auto replace = [&] { return system_.replace_file(path(target.name), "nuovo"); };
        EXPECT_EQ(target.by_ordinary_user ? as_ordinary_user(replace) : replace(), target.error) << target.name;
        EXPECT_EQ(fs::symlink_status(path(target.name)).type(), target.left) << target.name;
        if (target.content != nullptr) {
            EXPECT_EQ(content(path(target.name)), target.content) << target.name;
        }
    }
    EXPECT_TRUE(fs::equivalent(path("doppio.log"), path("gemello.log")));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_FALSE(fs::exists(path("manca.log")));
    EXPECT_EQ(system_.append_file(path("fifo.log"), "x"), ENXIO);
    EXPECT_EQ(system_.append_file(path("spento.log"), "x"), 0);
    EXPECT_EQ(system_.append_file(path("sola.log"), "x"), EROFS);
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary is left: " << entry.path();
    }
}

// Only the folder owner's names and ours are used in a sticky folder others may write: a name another
// user planted there is not followed, written or opened, nor is their file with a second name rewritten.
TEST_F(PosixSystemTest, SharedFoldersUseOnlyTheNamesOfTrustedUsers) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving files to other users needs root";
    constexpr uid_t kFolderOwner = 1, kOther = 65534, kUs = 0;
    const char *link = "printf vecchio > privato && ln -s privato impostazioni.log",
               *file = "printf vecchio > impostazioni.log && chmod 666 impostazioni.log",
               *second_name =
                   "printf vecchio > originale && chmod 666 originale && ln originale impostazioni.log",
               *fifo = "mkfifo -m 666 impostazioni.log";
    int number = 0;
    for (const auto& [what, folder_mode, planted, owner, replace_error, append_error, read_error] :
         {std::tuple{"another user's link, sticky world-writable", 01777, link, kOther, ENXIO, ENXIO, ENXIO},
          std::tuple{"another user's link, sticky group-writable", 01770, link, kOther, ENXIO, ENXIO, ENXIO},
          std::tuple{"the folder owner's link", 01777, link, kFolderOwner, 0, 0, 0},
          std::tuple{"our own link", 01777, link, kUs, 0, 0, 0},
          std::tuple{"another user's link, no sticky bit", 0777, link, kOther, 0, 0, 0},
          std::tuple{"another user's file, sticky world-writable", 01777, file, kOther, EROFS, EROFS, 0},
          std::tuple{"the folder owner's file", 01777, file, kFolderOwner, 0, 0, 0},
          std::tuple{"another user's file with a second name", 0755, second_name, kOther, EROFS, 0, 0},
          std::tuple{"another user's FIFO", 01777, fifo, kOther, ENXIO, ENXIO, ENXIO}}) {
        SCOPED_TRACE(what);
        const fs::path folder = dir_ / std::to_string(++number);
        const std::string name = (folder / "impostazioni.log").string();
        fs::create_directory(folder);
        ASSERT_EQ(std::system(("cd " + folder.string() + " && " + planted).c_str()), 0);
        ASSERT_EQ(::lchown(name.c_str(), owner, owner), 0);
        ASSERT_EQ(::chown(folder.c_str(), kFolderOwner, kFolderOwner), 0);
        ::chmod(folder.c_str(), folder_mode);
        EXPECT_EQ(system_.replace_file(name, "nuovo"), replace_error);
        EXPECT_EQ(system_.append_file(name, "+"), append_error);
        std::string bytes;
        EXPECT_EQ(system_.read_file(name, bytes), read_error);
        if (planted == fifo) continue;
        EXPECT_EQ(system_.file_kind(name), read_error == 0 ? FileKind::Regular : FileKind::Untrusted);
        const std::string expected =
            std::string(replace_error == 0 ? "nuovo" : "vecchio") + (append_error ? "" : "+");
        // Read where the bytes are: the kernel itself may refuse to follow a planted link.
        EXPECT_EQ(content(planted == link ? (folder / "privato").string() : name), expected);
        EXPECT_EQ(bytes, read_error == 0 ? expected : "");
    }
}

// The record is either whole in the file or absent: a write that stops part-way is cut back.
TEST_F(PosixSystemTest, AppendThatFailsPartWayLeavesTheFileAtARecordBoundary) {
    const std::string file = path("fulllog.log");
    ASSERT_EQ(system_.append_file(file, "uno\r\n"), 0);
    const int error = with_size_limit(20, [&] { return system_.append_file(file, std::string(100, 'n') + "\r\n"); });
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(content(file), "uno\r\n");
    EXPECT_EQ(system_.append_file(file, "due\r\n"), 0);
    EXPECT_EQ(content(file), "uno\r\ndue\r\n");
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
    EXPECT_EQ(system_.read_file(dir_.string(), bytes), ENXIO);

    const std::string binary("a\0b\r\n\xFF", 6);
    std::ofstream(path("dati.bin"), std::ios::binary) << binary;
    EXPECT_EQ(system_.read_file(path("dati.bin"), bytes), 0);
    EXPECT_EQ(bytes, binary);
    EXPECT_EQ(system_.delete_file(path("dati.bin")), 0);
    EXPECT_EQ(system_.delete_file(path("dati.bin")), ENOENT);
}

// Nothing read can hang or flood the run: a FIFO is refused at once, the null device reads as
// empty, and a line is kept to its first 64 KiB while the next lines are still read.
TEST_F(PosixSystemTest, ReadingRefusesWhatIsNoFileAndCutsEndlessLines) {
    ::mkfifo(path("fifo.log").c_str(), 0666);
    fs::create_symlink("/dev/null", dir_ / "spento.log");
    std::ofstream(path("lunga.log"), std::ios::binary) << std::string(200000, 'a') << "\r\ndue\nx";
    std::string bytes = "resto";
    EXPECT_EQ(system_.read_file(path("fifo.log"), bytes), ENXIO);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(system_.read_file("/dev/zero", bytes), ENXIO);
    EXPECT_EQ(system_.read_file(path("spento.log"), bytes), 0);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(system_.read_file(path("lunga.log"), bytes), 0);
    EXPECT_EQ(bytes, std::string(65536, 'a') + "\r\ndue\nx");
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
