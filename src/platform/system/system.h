// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The process's surroundings: working directory, files, time of day, a seeded random generator.
// Paths are Windows-1252 text, like all of the program's text; the implementation converts them.
// Operations that can fail return 0 or the system's error number (errno), which the caller turns
// into a failure notice.

#include <string>
#include <string_view>
#include <vector>

namespace posteri {

// One entry of a folder listing.
struct DirectoryEntry {
    std::string name;  // Windows-1252
    bool is_folder = false;
    // The file system's name has characters Windows-1252 cannot hold (or is not UTF-8): `name`
    // shows them as "?" and cannot be used to reach the entry.
    bool unusable_name = false;
    bool operator==(const DirectoryEntry&) const = default;
};

// What a name finally stands for, its links followed: nothing (a link that leads nowhere included),
// a regular file, a folder, a FIFO, a device (the null device included) or a socket.
// Untrusted: a link that another user planted in a shared folder, which the program does not follow.
enum class FileKind { Missing, Regular, Folder, Fifo, Device, Socket, Untrusted };

class System {
public:
    virtual ~System() = default;

    virtual std::string working_directory() = 0;
    virtual int set_working_directory(const std::string& path) = 0;
    // An existing regular file (not a folder; no wildcards).
    virtual bool is_file(const std::string& path) = 0;
    virtual FileKind file_kind(const std::string& path) = 0;
    virtual int delete_file(const std::string& path) = 0;
    // The folder's entries, without "." and ".." and in no particular order; a link counts as what
    // it points to.
    virtual int list_directory(const std::string& path, std::vector<DirectoryEntry>& entries) = 0;

    // Every file operation looks at what a name finally stands for (its links followed) before it
    // touches it. The null device (/dev/null, directly or through links) is a file switched off:
    // it reads as empty and takes writes without keeping them. A name that stands for anything else
    // that is no regular file (another device, a FIFO, a socket, a folder, a link that leads
    // nowhere) is never read, written or replaced: ENXIO. Nothing waits on a FIFO. In a sticky
    // folder that other users may write, names they planted are not used (trusted_names.h): their
    // link gives ENXIO, their file is not written (EROFS).

    // The file's first 16 MiB, each line (ended by CR, LF or both) cut to its first 64 KiB; ENOENT
    // when it does not exist.
    virtual int read_file(const std::string& path, std::string& bytes) = 0;
    // Replaces the file's content as one step: a temporary file in the same folder, flushed to disk,
    // renamed over the old one, with the old one's permission bits (and owner and group, where the
    // process may give them). A failure leaves the old file as it was, and so does a file that
    // already holds these bytes. A symbolic link stays a link: the file it points to is replaced. A
    // file with more than one hard link is rewritten in place, so that its names stay one file, and
    // only when the user owns it; it too ends as the old file or the new one. A file the user may
    // not write, or one without any write permission bit, gives EROFS, as a read-only file system
    // does, and is left alone.
    virtual int replace_file(const std::string& path, std::string_view bytes) = 0;
    // Appends with one write on a file opened for appending (created when missing) and locked, so
    // that two processes appending at once never interleave their records; a write that fails
    // part-way is cut back, so the bytes are either all in the file or absent. Empty bytes still
    // create the file. A file the user may not write gives EROFS.
    virtual int append_file(const std::string& path, std::string_view bytes) = 0;

    // One line for the person who runs the program, on standard error (Windows-1252; control
    // characters are shown as '?'). A run that holds the terminal says it once it has given the
    // terminal back.
    virtual void tell(std::string_view line) = 0;

    // Seconds since midnight, local time, with milliseconds.
    virtual double seconds_of_day() = 0;
    virtual void seed_random(double seed) = 0;
    // Uniform in [0, 1).
    virtual double random_unit() = 0;
    virtual void sleep_ms(int milliseconds) = 0;
};

}  // namespace posteri
