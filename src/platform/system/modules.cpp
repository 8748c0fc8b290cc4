// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

namespace posteri {

namespace {

// The folder of the running program, with its slash; empty when the system does not say.
std::string program_folder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string program(path, static_cast<std::size_t>(length));
    return program.substr(0, program.rfind('/') + 1);
}

}  // namespace

const void* module_symbol(const char* file_name, const char* symbol) {
    // The installed module first; a program in its build folder has the module beside it. A bare
    // file name is never tried: dlopen would look for it along the library path.
    std::vector<std::string> paths{std::string(POSTERI_MODULE_DIR "/") + file_name};
    if (const std::string folder = program_folder(); !folder.empty()) paths.push_back(folder + file_name);
    for (const std::string& path : paths) {
        // Never closed: what the module hands out holds its code.
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return dlsym(module, symbol);
    }
    return nullptr;
}

}  // namespace posteri
