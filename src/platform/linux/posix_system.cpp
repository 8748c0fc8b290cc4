#include "platform/linux/posix_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>

#include "format/codepage.h"

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

// Loops only over partial writes and interruptions: one record normally goes out in one write().
int write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int sync_retrying(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

// A replaced file keeps its permissions; a new one gets what open(…, 0666) would have given it.
mode_t permissions_for(const std::string& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) return status.st_mode & 07777;
    // umask can only be read by setting it; the logic's single thread is the only one making files.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int fill_temporary(int fd, mode_t permissions, std::string_view bytes) {
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

// A symbolic link is followed hop by hop (a relative one from the link's own folder) to the name it
// finally points to, so that replacing the file replaces the link's target and the links stay. A
// link to a missing file leads to that name, where the file is then made; a loop gives ELOOP.
int followed_links(std::string& path) {
    constexpr int kMostLinkHops = 40;  // the kernel's own limit
    for (int hop = 0; hop < kMostLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) return 0;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) return error.value();
        path = (target.is_absolute() ? target : std::filesystem::path(path).parent_path() / target).string();
    }
    return ELOOP;
}

bool names_folder(int folder_fd, const char* name) {
    struct stat status {};
    return ::fstatat(folder_fd, name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::string PosixSystem::working_directory() {
    std::error_code error;
    return native_to_cp1252(std::filesystem::current_path(error).string());
}

int PosixSystem::set_working_directory(const std::string& path) {
    return ::chdir(native(path).c_str()) == 0 ? 0 : errno;
}

bool PosixSystem::is_file(const std::string& path) {
    struct stat status {};
    return ::stat(native(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
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
    const int fd = open_retrying(native(path).c_str(), O_RDONLY);
    if (fd < 0) return errno;
    char buffer[65536];
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (error != 0) bytes.clear();
    return error;
}

int PosixSystem::replace_file(const std::string& path, std::string_view bytes) {
    // A file that already holds these bytes is left alone: replacing it would change nothing but
    // still cost two flushes to disk.
    std::string current;
    if (read_file(path, current) == 0 && current == bytes) return 0;
    std::string target = native(path);
    if (const int error = followed_links(target)) return error;
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    // Cut so that a long name still leaves room for the dot and the unique suffix.
    const std::string name = target.substr(folder.size()).substr(0, 200);
    std::string temporary = folder + "." + name + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return errno;

    int error = fill_temporary(fd, permissions_for(target), bytes);
    const int close_error = close_checked(fd);
    if (error == 0) error = close_error;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    sync_folder(folder);
    return 0;
}

int PosixSystem::append_file(const std::string& path, std::string_view bytes) {
    const int fd = open_retrying(native(path).c_str(), O_WRONLY | O_APPEND | O_CREAT, 0666);
    if (fd < 0) return errno;
    const int error = write_all(fd, bytes);
    const int close_error = close_checked(fd);
    return error != 0 ? error : close_error;
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
