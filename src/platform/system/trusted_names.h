// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names in folders that other users may write into. In a sticky folder such as /tmp anyone may plant
// a link or a file under a name this program is about to use. The kernel refuses to follow such a
// link, or to write into such a file, only when it resolves the name itself and only where the
// machine's fs.protected_* settings ask for it. The program follows links itself (so that replacing a
// file keeps its links), so it keeps the same rules on every machine, for group-writable sticky
// folders too:
// - in a sticky folder that others may write, a link is followed only when it belongs to the running
//   user or to the folder's owner;
// - there, an existing file that belongs to neither is never written, appended to or renamed over;
// - a file with more than one name that the running user does not own is never rewritten in place.
// Paths here are the file system's own (UTF-8).

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace posteri {

// Follows the links of `path` hop by hop (a relative one from the link's own folder) to the name they
// finally lead to: 0, ELOOP for a loop, ENXIO for a link that the rules above refuse to follow.
int follow_trusted_links(std::string& path);

// Whether the rules above let the running user write into, append to or rename over the existing
// file at `path`, whose facts are `status`.
bool may_write_over(const std::string& path, const struct stat& status);

// Opens `path` after following its trusted links; the name they lead to is opened without following
// a link, so one put in its place meanwhile is refused. A descriptor, or -1 with errno set.
int open_trusted(const std::string& path, int flags, mode_t mode = 0);

// The open regular file's bytes, at most `most` of them: 0, EFBIG when it holds more (then `bytes`
// holds its first `most`), or the read's error.
int read_at_most(int fd, std::size_t most, std::string& bytes);

}  // namespace posteri
