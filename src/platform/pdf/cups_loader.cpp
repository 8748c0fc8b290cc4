// SPDX-License-Identifier: GPL-3.0-or-later
// Finds and loads the print server's back end the first time a queue is asked for.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/pdf/cups_printers.h"

namespace posteri {

namespace {

constexpr const char* kBackEndFile = "libposteri-cups.so";

// The folder of the running program, with its slash; empty when the system does not say.
std::string program_folder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string program(path, static_cast<std::size_t>(length));
    return program.substr(0, program.rfind('/') + 1);
}

const CupsBackEnd* load_back_end() {
    // The installed module first; a program in its build folder has the module beside it. A bare
    // file name is never tried: dlopen would look for it along the library path.
    std::vector<std::string> paths{std::string(POSTERI_MODULE_DIR "/") + kBackEndFile};
    if (const std::string folder = program_folder(); !folder.empty()) paths.push_back(folder + kBackEndFile);
    for (const std::string& path : paths) {
        // Kept loaded for the rest of the run: queues and jobs hold its code.
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return static_cast<const CupsBackEnd*>(dlsym(module, "posteri_cups_back_end"));
        }
    }
    return nullptr;
}

}  // namespace

const CupsBackEnd* cups_back_end() {
    static const CupsBackEnd* const back_end = load_back_end();
    return back_end;
}

}  // namespace posteri
