// SPDX-License-Identifier: GPL-3.0-or-later
// show-notice: shows the notice window or the failure notice on the real terminal and display, for
// the end-to-end test of graphic windows. Writes how it ended to the result file:
//   show-notice notice <time-out seconds> <result file>   -> "KEY <bytes in hex>" (nothing after a time-out)
//   show-notice fault <result file>                       -> "OK" or "CANCEL"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "main/run_operations.h"
#include "programs/terminal_platform.h"
#include "ui/failure.h"

namespace {

std::string hex_bytes(std::string_view bytes) {
    std::string text;
    for (const unsigned char byte : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", byte);
        text += two;
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace posteri;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!((mode == "notice" && argc == 4) || (mode == "fault" && argc == 3))) {
        std::fprintf(stderr, "uso: show-notice notice <secondi> <file> | show-notice fault <file>\n");
        return 2;
    }
    TerminalPlatform real;
    Platform& platform = real.platform;
    std::string result;
    int exit_code = 0;
    if (mode == "notice") {
        const std::string key = FUN_AVVI(platform, "", "Abbandono del programma\r\nun tasto...",
                                         std::strtof(argv[2], nullptr), 14, "DejaVu Sans", 1, 0, 0);
        result = key.empty() ? "" : "KEY " + hex_bytes(key);
    } else {
        try {
            RoutineName routine("SCP_DEFA");
            raise_failure(real.fault, 70);
            result = "OK";
        } catch (const RunEnded& ended) {
            result = "CANCEL";
            exit_code = ended.exit_code;
        }
    }
    real.console->restore();
    std::ofstream(argv[argc - 1]) << result << "\n";
    return exit_code;
}
