// SPDX-License-Identifier: GPL-3.0-or-later
// posteri-batch [--set NAME=VALUE]... PHOTO PRINTER [WORKDIR]: prints one poster without a terminal,
// as a person would who chooses that photo and printer and confirms the settings, changed as the
// --set options say. Standard output carries the summary lines and where the job went; a failure
// notice goes to standard error and ends the run. Output that cannot be written fails the run.
#include <iostream>
#include <string>
#include <vector>

#include "format/codepage.h"
#include "format/text.h"
#include "main/batch_run.h"
#include "main/command_line.h"
#include "platform/pdf/linux_printers.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/system/posix_system.h"
#include "platform/system/render_file.h"
#include "platform/system/standard_streams.h"
#include "platform/type/fontconfig_catalog.h"
#include "platform/windows/console_box_windows.h"
#include "ui/failure.h"

namespace {

using namespace posteri;

// A line of the run's Windows-1252 text as it goes out, in UTF-8 with every control character shown
// as '?': a name or a text cannot move the cursor, retitle the terminal or split the line.
std::string shown(std::string_view line) {
    return utf8_controls_shown(cp1252_to_utf8(line));
}

// A printer's line keeps the tab that separates its name from its sheet size.
std::string shown_fields(std::string_view line) {
    const std::vector<std::string> fields = split_at(line, '\t');
    std::string out = shown(fields.front());
    for (std::size_t i = 1; i < fields.size(); ++i) out += "\t" + shown(fields[i]);
    return out;
}

// The run's exit status; what it reports is written to the standard streams.
int run(int argc, char** argv) {
    const BatchCommand command = parse_batch_arguments(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
        case BatchAction::Wrong:
            std::cerr << utf8_controls_shown(command.error) << '\n';
            return 2;
        case BatchAction::Help:
            std::cout << batch_help_text();
            return 0;
        case BatchAction::Version:
            std::cout << version_text("posteri-batch");
            return 0;
        case BatchAction::Print:
        case BatchAction::ListPrinters:
            break;
    }
    // Arguments arrive as UTF-8 (one that is not is kept as its bytes); the program's text is
    // Windows-1252. The photo is taken as posteri takes one given to it.
    const BatchRequest request{command.photo, native_to_cp1252(command.printer),
                               native_to_cp1252(command.workdir), command.assignments};
    // No console here takes the ending signals; a page rendered into a named file goes with them.
    remove_render_litter_on_ending_signals();
    UnseenConsole console({120, 40});
    PosixSystem system;
    StreamFault fault(std::cerr);
    NoVoice speech;
    LinuxPrinters printers(false);
    JpegCodec images;
    ConsoleBoxWindows windows(console);
    FontconfigCatalog fonts;
    Platform platform{console, system, fault, speech, printers, images, windows, fonts};
    BatchOutcome outcome;
    try {
        if (command.action == BatchAction::ListPrinters) {
            for (const std::string& line : printer_list(platform)) std::cout << shown_fields(line) << '\n';
            return 0;
        }
        outcome = run_batch(platform, request);
    } catch (const RunEnded& ended) {
        return ended.exit_code;
    }
    for (const std::string& line : outcome.lines) std::cout << shown(line) << '\n';
    if (!outcome.error.empty()) std::cerr << "posteri-batch: " << shown(outcome.error) << '\n';
    return outcome.exit_code;
}

}  // namespace

int main(int argc, char** argv) {
    hold_closed_standard_streams();
    return checked_exit_code("posteri-batch", run(argc, argv));
}
