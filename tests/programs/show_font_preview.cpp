// SPDX-License-Identifier: GPL-3.0-or-later
// show-font-preview: the font preview over the installed fonts, on the real terminal and display,
// for the end-to-end test of the preview window. Writes the chosen entry to the result file:
//   show-font-preview <first selection> <result file>   -> "<selection> <entry>" (0 and nothing after Esc)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fonts/font_list.h"
#include "fonts/font_preview.h"
#include "programs/terminal_platform.h"

int main(int argc, char** argv) {
    using namespace posteri;
    if (argc != 3) {
        std::fprintf(stderr, "uso: show-font-preview <selezione> <file>\n");
        return 2;
    }
    TerminalPlatform real;
    Platform& platform = real.platform;

    std::vector<std::string> entries;
    std::int32_t count = 0;
    LEGGIFON(platform, entries, count);
    std::int32_t margin_x = 10;
    std::int32_t mode_y = 0;
    std::int32_t selection = std::atoi(argv[1]);
    std::int32_t rows = 32;
    GRAPHIC_(platform, margin_x, mode_y, entries, count, selection, rows, 24);
    real.console->restore();
    const std::string chosen = selection >= 1 && selection <= count ? entries[selection] : "";
    std::ofstream(argv[2]) << selection << " " << chosen << "\n";
    return 0;
}
