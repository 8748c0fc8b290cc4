// SPDX-License-Identifier: GPL-3.0-or-later
// posteri: turns one JPEG photo into a one-page poster, full-screen in a terminal.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "format/codepage.h"
#include "format/text.h"
#include "main/command_line.h"
#include "main/photo_choice.h"
#include "main/run_operations.h"
#include "platform/pdf/linux_printers.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/system/espeak_speech.h"
#include "platform/system/posix_system.h"
#include "platform/system/standard_streams.h"
#include "platform/terminal/ncurses_console.h"
#include "platform/type/fontconfig_catalog.h"
#include "platform/windows/sdl_poster_preview.h"
#include "platform/windows/sdl_windows.h"
#include "platform/windows/x11_display_probe.h"
#include "ui/console_fault.h"
#include "ui/failure.h"

namespace {

// Where the poster went, for the user's terminal once the screen is gone: the screen said it only
// under the summary window.
void print_where_the_poster_went(const posteri::JobOutcome& job) {
    using namespace posteri;
    if (!job.pdf_path.empty()) {
        std::printf("PDF: %s\n", utf8_controls_shown(cp1252_to_utf8(job.pdf_path)).c_str());
    } else if (job.job_id != 0) {
        std::printf("Job: %d (%s)\n", job.job_id, utf8_controls_shown(cp1252_to_utf8(job.queue)).c_str());
    }
}

int run(int argc, char** argv) {
    using namespace posteri;
    // The command line is answered, and a photo given there checked, before the terminal is taken over.
    const RunCommand command = parse_run_arguments(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
        case RunAction::Help:
            std::fputs(run_help_text().c_str(), stdout);
            return 0;
        case RunAction::Version:
            std::fputs(version_text("posteri").c_str(), stdout);
            return 0;
        case RunAction::Wrong:
            std::fprintf(stderr, "%s\n", command.error.c_str());
            return 2;
        case RunAction::Run:
            break;
    }
    PosixSystem system;
    JpegCodec images;
    std::string photo;
    if (command.photo) {
        const PhotoArgument argument = photo_argument(system, images, *command.photo);
        if (!argument.refusal.empty()) {
            const std::string line = photo_refusal_line(*command.photo, argument.refusal);
            std::fprintf(stderr, "posteri: %s\n", utf8_controls_shown(cp1252_to_utf8(line)).c_str());
            return 1;
        }
        photo = argument.path;
    }
    std::unique_ptr<TerminalConsole> console;
    try {
        console = TerminalConsole::open();
    } catch (const TerminalError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    // A display that does not answer in time is no display: the console boxes serve instead. Asked
    // with the terminal taken, so that Ctrl-C meanwhile ends the run as anywhere else.
    const bool display_silent = probe_x_display(std::chrono::seconds(2)) == DisplayAnswer::Silent;
    if (display_silent) ::unsetenv("DISPLAY");
    system.hold_told_lines();
    SdlWindows windows(*console);
    ConsoleFault console_fault(*console);
    DisplayFault fault(windows, console_fault);
    EspeakSpeech speech;
    // An interactive run on a desktop shows each PDF it writes.
    LinuxPrinters printers(std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr);
    FontconfigCatalog fonts;
    SdlPosterPreview preview(windows, *console);
    Platform platform{*console, system, fault, speech, printers, images, windows, fonts, preview};
    int exit_code = 0;
    try {
        run_main_sequence(platform, photo);
    } catch (const RunEnded& ended) {
        exit_code = ended.exit_code;
    }
    console->restore();
    system.say_held_lines();
    print_where_the_poster_went(printers.last_job());
    if (display_silent) {
        std::fputs("posteri: il display grafico non ha risposto entro 2 secondi; le finestre sono state "
                   "mostrate nel terminale.\n", stderr);
    }
    return exit_code;
}

}  // namespace

// The poster's "PDF:" line is what a script reads once the screen is gone: one that could not be
// written fails the run, as in posteri-batch.
int main(int argc, char** argv) {
    posteri::hold_closed_standard_streams();
    return posteri::checked_exit_code("posteri", run(argc, argv));
}
