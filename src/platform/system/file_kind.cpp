// SPDX-License-Identifier: GPL-3.0-or-later
// What a name stands for, so that a refusal can say what the user gave instead of a photo.
#include <sys/stat.h>

#include "format/codepage.h"
#include "platform/system/posix_system.h"

namespace posteri {

// A name that cannot be looked at (no such file, a link that leads nowhere, a folder on the way
// that may not be searched) counts as missing: nothing can be read through it.
FileKind PosixSystem::file_kind(const std::string& path) {
    struct stat status {};
    if (::stat(cp1252_to_utf8(path).c_str(), &status) != 0) return FileKind::Missing;
    if (S_ISREG(status.st_mode)) return FileKind::Regular;
    if (S_ISDIR(status.st_mode)) return FileKind::Folder;
    if (S_ISFIFO(status.st_mode)) return FileKind::Fifo;
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return FileKind::Device;
    return FileKind::Socket;
}

}  // namespace posteri
