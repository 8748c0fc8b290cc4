// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace posteri {

namespace {

// Whether everything written to the stream went out; errno tells why not, when it is known.
bool flushed(std::ostream& stream, std::FILE* file) {
    errno = 0;
    stream.flush();  // the C++ stream hands its bytes to the C one, which may write them now
    const bool flush_failed = std::fflush(file) != 0;
    return !flush_failed && !std::ferror(file) && stream.good();
}

}  // namespace

void hold_closed_standard_streams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        // open() takes the lowest free number, which is this one: the lower ones are open by now.
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) ::open("/dev/null", O_RDONLY);
    }
}

int checked_exit_code(std::string_view program, int exit_code) {
    const bool output_written = flushed(std::cout, stdout);
    if (!output_written) {
        const int error = errno;
        std::cerr << program << ": scrittura su standard output non riuscita";
        if (error != 0) std::cerr << ": " << std::strerror(error);
        std::cerr << '\n';
    }
    const bool errors_written = flushed(std::cerr, stderr);
    return exit_code == 0 && !(output_written && errors_written) ? 1 : exit_code;
}

}  // namespace posteri
