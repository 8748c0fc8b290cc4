// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/posix_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>

#include "format/codepage.h"
#include "format/text.h"
#include "platform/system/trusted_names.h"
#include "platform/system/write_all.h"

namespace posteri {

namespace {

std::string native(const std::string& path) {
    return cp1252_to_utf8(path);
}

int open_retrying(const char* path, int flags, mode_t mode = 0) {
    int fd = -1;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// 0 or the error; on Linux the descriptor is gone even when close reports EINTR.
int close_checked(int fd) {
    return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

int sync_retrying(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

// A line longer than this is cut there while it is read: far beyond anything the program writes,
// and a file of one endless line cannot fill memory.
constexpr std::size_t kLongestLine = 64 * 1024;
// Only a file's first bytes up to this are read: hundreds of times what the program writes in years
// of use, and a file as large as the disk is not read for minutes.
constexpr std::size_t kMostReadBytes = 16 * 1024 * 1024;
// A temporary file of another run lives for an instant between being named and renamed; one older
// than this was left by a run that was killed there.
constexpr int kStaleTemporarySeconds = 60;
constexpr std::string_view kTemporaryLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kTemporarySuffix = 6;
// The temporary of "NAME" is ".NAME.posteri-" and six letters: a name no user gives a file of theirs.
constexpr std::string_view kTemporaryMark = ".posteri-";

// What a file name finally stands for, its links followed.
enum class NameKind { Missing, Regular, NullDevice, Unusable };

struct FileTarget {
    std::string path;  // the name the links lead to
    NameKind kind = NameKind::Missing;
    struct stat status {};
};

bool is_null_device(const struct stat& status) {
    return S_ISCHR(status.st_mode) && status.st_rdev == ::makedev(1, 3);
}

NameKind kind_of(const struct stat& status) {
    if (S_ISREG(status.st_mode)) return NameKind::Regular;
    return is_null_device(status) ? NameKind::NullDevice : NameKind::Unusable;
}

// A new file gets what open(…, 0666) would have given it.
mode_t new_file_permissions() {
    // umask can only be read by setting it; the logic's single thread is the only one making files.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A replaced file keeps its permission bits and, where the process may give them, its owner and group.
int fill_temporary(int fd, const FileTarget& target, std::string_view bytes) {
    mode_t permissions = new_file_permissions();
    if (target.kind == NameKind::Regular) {
        permissions = target.status.st_mode & 07777;
        if (::fchown(fd, target.status.st_uid, target.status.st_gid) != 0) {
            [[maybe_unused]] const int group_only = ::fchown(fd, static_cast<uid_t>(-1), target.status.st_gid);
        }
    }
    if (::fchmod(fd, permissions) != 0) return errno;
    if (const int error = write_all(fd, bytes)) return error;
    return sync_retrying(fd);
}

// Makes the rename itself durable; the data is already on disk, so a failure here changes nothing.
void sync_folder(const std::string& folder) {
    const int fd = open_retrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    sync_retrying(fd);
    close_checked(fd);
}

// A name the program's Windows-1252 text can carry there and back unchanged.
DirectoryEntry entry_for(std::string_view native_name, bool is_folder) {
    DirectoryEntry entry;
    entry.is_folder = is_folder;
    if (is_valid_utf8(native_name)) {
        entry.name = utf8_to_cp1252(native_name);
        entry.unusable_name = cp1252_to_utf8(entry.name) != native_name;
    } else {
        for (const char byte : native_name) entry.name += static_cast<unsigned char>(byte) < 0x80 ? byte : '?';
        entry.unusable_name = true;
    }
    return entry;
}

// What `name` stands for. A link that leads nowhere is unusable: the file it names may be someone
// else's to make. So is a link that another user planted in a shared folder.
int resolve(const std::string& name, FileTarget& target) {
    target.path = name;
    if (::lstat(name.c_str(), &target.status) != 0) {
        target.kind = NameKind::Missing;
        return errno == ENOENT ? 0 : errno;
    }
    if (S_ISLNK(target.status.st_mode)) {
        if (const int error = follow_trusted_links(target.path)) return error;
        if (::lstat(target.path.c_str(), &target.status) != 0) {
            target.kind = NameKind::Unusable;
            return errno == ENOENT ? 0 : errno;
        }
    }
    target.kind = kind_of(target.status);
    return 0;
}

// Whether the existing regular file may be written: not someone else's file in a shared folder,
// and not one without any write permission bit, which says "keep" even to root, who may write anyway.
bool may_write(const FileTarget& target) {
    return may_write_over(target.path, target.status) && (target.status.st_mode & 0222) != 0 &&
           ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) == 0;
}

// 0 when the file may be written: ENXIO for a name that is no regular file, EROFS for one the user
// may not write (a read-only file counts as one on a read-only file system); -1 for the null
// device, whose writes are dropped.
int writable(const FileTarget& target) {
    switch (target.kind) {
        case NameKind::NullDevice: return -1;
        case NameKind::Unusable: return ENXIO;
        case NameKind::Regular: return may_write(target) ? 0 : EROFS;
        case NameKind::Missing: return 0;
    }
    return ENXIO;
}

// Makes sure that `length` bytes can replace the old `old_length` before anything changes: the
// file-size limit must allow them (a write reaching past it fails even where the file already was
// that long), and the disk must hold them where they are longer.
int reserve(int fd, std::size_t old_length, std::size_t length) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && length > limit.rlim_cur) {
        return EFBIG;
    }
    if (length <= old_length) return 0;
    while (::fallocate(fd, 0, 0, static_cast<off_t>(length)) != 0) {
        if (errno == EINTR) continue;
        if (errno != EOPNOTSUPP) return errno;
        // A file system that cannot reserve blocks still holds the file to the size limit as it grows.
        return ::ftruncate(fd, static_cast<off_t>(length)) == 0 ? 0 : errno;
    }
    return 0;
}

int write_from_start(int fd, std::string_view bytes) {
    if (::lseek(fd, 0, SEEK_SET) != 0) return errno;
    if (const int error = write_all(fd, bytes)) return error;
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return errno;
    return sync_retrying(fd);
}

// A file with other hard links is rewritten where it is, so that its names stay one file. It ends
// as the old file or the new one: the new length is reserved first, and a write that fails after all
// puts back the old bytes, which were read before.
int rewrite_in_place(const FileTarget& target, std::string_view bytes) {
    const int fd = open_retrying(target.path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return errno;
    struct stat status {};
    int error = ::fstat(fd, &status) != 0 ? errno : 0;
    if (error == 0 && (status.st_ino != target.status.st_ino || !S_ISREG(status.st_mode))) error = ENXIO;
    std::string old;
    if (error == 0) error = read_at_most(fd, kMostReadBytes, old);
    if (error == 0) error = reserve(fd, old.size(), bytes.size());
    if (error == 0) {
        error = write_from_start(fd, bytes);
        if (error != 0) write_from_start(fd, old);
    }
    const int close_error = close_checked(fd);
    return error != 0 ? error : close_error;
}

std::string random_suffix() {
    static std::mt19937 letters{std::random_device{}()};
    std::string suffix;
    for (std::size_t i = 0; i < kTemporarySuffix; ++i) suffix += kTemporaryLetters[letters() % kTemporaryLetters.size()];
    return suffix;
}

std::string temporary_prefix(std::string_view name) {
    return "." + std::string(name) + std::string(kTemporaryMark);
}

bool is_temporary_of(std::string_view entry, std::string_view name) {
    const std::string prefix = temporary_prefix(name);
    return entry.size() == prefix.size() + kTemporarySuffix && entry.starts_with(prefix) &&
           entry.substr(prefix.size()).find_first_not_of(kTemporaryLetters) == std::string_view::npos;
}

// Removes the running user's temporaries of `name` that killed runs left beside the file.
void remove_stale_temporaries(const std::string& folder, std::string_view name) {
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!listing) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* item = ::readdir(listing.get())) {
        struct stat status {};
        if (!is_temporary_of(item->d_name, name) ||
            ::fstatat(::dirfd(listing.get()), item->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && now - status.st_mtime > kStaleTemporarySeconds) {
            ::unlinkat(::dirfd(listing.get()), item->d_name, 0);
        }
    }
}

// A temporary file with no name (O_TMPFILE), so that a run killed while writing it leaves nothing;
// a named one (`named` set) where the file system cannot make unnamed files.
int open_temporary(const std::string& folder, const std::string& name, int& fd, std::string& named) {
    fd = open_retrying(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd >= 0) return 0;
    named = folder + temporary_prefix(name) + std::string(kTemporarySuffix, 'X');
    fd = ::mkostemp(named.data(), O_CLOEXEC);
    if (fd < 0) named.clear();
    return fd < 0 ? errno : 0;
}

// Gives the unnamed temporary a name beside its target for the instant before the rename. Through
// its /proc entry: linking the descriptor itself (AT_EMPTY_PATH) needs a privilege.
int name_temporary(int fd, const std::string& folder, const std::string& name, std::string& named) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + temporary_prefix(name) + random_suffix();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            named = candidate;
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// A name that was free when it was looked at is taken only if it still is: in a shared folder another
// user may have made a file of theirs under it meanwhile.
int move_into_place(const std::string& temporary, const FileTarget& target) {
    if (target.kind == NameKind::Missing &&
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.path.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    // A file system that cannot rename that way (EINVAL) renames as it can.
    if (target.kind == NameKind::Missing && errno != EINVAL) return errno;
    return ::rename(temporary.c_str(), target.path.c_str()) == 0 ? 0 : errno;
}

// Writes a temporary file beside the target, flushed to disk, and renames it over the target.
int replace_through_temporary(const FileTarget& target, std::string_view bytes) {
    const std::size_t slash = target.path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.path.substr(0, slash + 1);
    // Cut so that a long name still leaves room for the dot and the unique suffix.
    const std::string name = target.path.substr(folder.size()).substr(0, 200);
    remove_stale_temporaries(folder, name);
    int fd = -1;
    std::string temporary;
    if (const int error = open_temporary(folder, name, fd, temporary)) return error;

    int error = fill_temporary(fd, target, bytes);
    if (error == 0 && temporary.empty()) error = name_temporary(fd, folder, name, temporary);
    const int close_error = close_checked(fd);
    if (error == 0) error = close_error;
    if (error == 0) error = move_into_place(temporary, target);
    if (error != 0) {
        if (!temporary.empty()) ::unlink(temporary.c_str());
        return error;
    }
    sync_folder(folder);
    return 0;
}

// Appends what was read to `bytes`, keeping at most kLongestLine bytes of each line; `line_length`
// carries the length of the unfinished last line from one piece to the next.
void append_cutting_long_lines(std::string& bytes, std::string_view piece, std::size_t& line_length) {
    while (!piece.empty()) {
        const std::size_t end = piece.find_first_of("\r\n");
        const std::string_view part = piece.substr(0, end);
        bytes.append(part.substr(0, kLongestLine - std::min(line_length, kLongestLine)));
        line_length += part.size();
        if (end == std::string_view::npos) return;
        bytes.push_back(piece[end]);
        line_length = 0;
        piece.remove_prefix(end + 1);
    }
}

bool names_folder(int folder_fd, const char* name) {
    struct stat status {};
    return ::fstatat(folder_fd, name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

PosixSystem::PosixSystem() {
    // A write beyond the file-size limit then fails with EFBIG, which every write here answers (the
    // file cut back or left as it was, a failure notice), instead of ending the process half-way.
    ::signal(SIGXFSZ, SIG_IGN);
}

std::string PosixSystem::working_directory() {
    std::error_code error;
    return native_to_cp1252(std::filesystem::current_path(error).string());
}

int PosixSystem::set_working_directory(const std::string& path) {
    return ::chdir(native(path).c_str()) == 0 ? 0 : errno;
}

bool PosixSystem::is_file(const std::string& path) {
    return file_kind(path) == FileKind::Regular;
}

// A name that cannot be looked at (no such file, a link that leads nowhere, a folder on the way
// that may not be searched) counts as missing: nothing can be read through it.
FileKind PosixSystem::file_kind(const std::string& path) {
    std::string target = native(path);
    if (follow_trusted_links(target) == ENXIO) return FileKind::Untrusted;
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) return FileKind::Missing;
    if (S_ISREG(status.st_mode)) return FileKind::Regular;
    if (S_ISDIR(status.st_mode)) return FileKind::Folder;
    if (S_ISFIFO(status.st_mode)) return FileKind::Fifo;
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return FileKind::Device;
    return FileKind::Socket;
}

int PosixSystem::delete_file(const std::string& path) {
    return ::unlink(native(path).c_str()) == 0 ? 0 : errno;
}

int PosixSystem::list_directory(const std::string& path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(native(path).c_str()), ::closedir);
    if (!folder) return errno;
    errno = 0;
    while (const dirent* item = ::readdir(folder.get())) {
        const std::string_view name = item->d_name;
        if (name != "." && name != "..") {
            entries.push_back(entry_for(name, names_folder(::dirfd(folder.get()), item->d_name)));
        }
        errno = 0;
    }
    const int error = errno;
    if (error != 0) entries.clear();
    return error;
}

int PosixSystem::read_file(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Without blocking: a FIFO would otherwise wait for a writer for ever.
    const int fd = open_trusted(native(path), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat status {};
    int error = ::fstat(fd, &status) != 0 ? errno : 0;
    // The null device is a file switched off: it reads as empty. Any other device, FIFO or folder
    // is no file to read (a device such as /dev/zero would never end).
    const bool regular = error == 0 && kind_of(status) == NameKind::Regular;
    if (error == 0 && !regular && !is_null_device(status)) error = ENXIO;
    std::string first_bytes;
    if (regular && error == 0) error = read_at_most(fd, kMostReadBytes, first_bytes);
    ::close(fd);
    if (error == EFBIG) error = 0;
    std::size_t line_length = 0;
    if (error == 0) append_cutting_long_lines(bytes, first_bytes, line_length);
    return error;
}

int PosixSystem::replace_file(const std::string& path, std::string_view bytes) {
    // A file that already holds these bytes is left alone: replacing it would change nothing but
    // still cost two flushes to disk.
    std::string current;
    if (read_file(path, current) == 0 && current == bytes) return 0;
    FileTarget target;
    if (const int error = resolve(native(path), target)) return error;
    const int refusal = writable(target);
    if (refusal != 0) return refusal < 0 ? 0 : refusal;
    if (target.kind == NameKind::Regular && target.status.st_nlink > 1) {
        // Another user's file with several names may be one planted to reach a file elsewhere.
        if (target.status.st_uid != ::geteuid()) return EROFS;
        return rewrite_in_place(target, bytes);
    }
    return replace_through_temporary(target, bytes);
}

// Under an exclusive lock, so that the length noted before the write is the file's end; a write that
// fails part-way (a full disk, a size limit) is cut back to it, and the record is not in the file.
int PosixSystem::append_file(const std::string& path, std::string_view bytes) {
    FileTarget target;
    if (const int error = resolve(native(path), target)) return error;
    const int refusal = writable(target);
    if (refusal != 0) return refusal < 0 ? 0 : refusal;
    const int fd = open_retrying(target.path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (fd < 0) return errno;
    struct stat status {};
    int error = ::fstat(fd, &status) != 0 ? errno : 0;
    if (error == 0 && !S_ISREG(status.st_mode)) error = ENXIO;
    // Made by another user in a shared folder since it was looked at: not ours to write.
    if (error == 0 && !may_write_over(target.path, status)) error = EROFS;
    while (error == 0 && ::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) error = errno;
    }
    if (error == 0 && ::fstat(fd, &status) != 0) error = errno;
    if (error == 0) {
        error = write_all(fd, bytes);
        if (error != 0) {
            [[maybe_unused]] const int cut = ::ftruncate(fd, status.st_size);
        }
    }
    const int close_error = close_checked(fd);
    return error != 0 ? error : close_error;
}

void PosixSystem::tell(std::string_view line) {
    if (holding_) {
        held_.emplace_back(line);
        return;
    }
    const std::string shown = utf8_controls_shown(cp1252_to_utf8(line)) + "\n";
    [[maybe_unused]] const int ignored = write_all(STDERR_FILENO, shown);
}

void PosixSystem::say_held_lines() {
    holding_ = false;
    for (const std::string& line : held_) tell(line);
    held_.clear();
}

double PosixSystem::seconds_of_day() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    const long milliseconds = now.tv_nsec / 1'000'000;
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + milliseconds / 1000.0;
}

void PosixSystem::seed_random(double seed) {
    random_.seed(std::bit_cast<std::uint64_t>(seed));
}

// The top 53 bits as a fraction: exactly uniform in [0, 1), never 1.
double PosixSystem::random_unit() {
    return static_cast<double>(random_() >> 11) * 0x1.0p-53;
}

void PosixSystem::sleep_ms(int milliseconds) {
    if (milliseconds <= 0) return;
    timespec left{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace posteri
