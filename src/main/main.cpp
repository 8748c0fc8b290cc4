// posteri: turns one JPEG photo into a one-page poster, full-screen in a terminal.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "main/command_line.h"
#include "main/run_operations.h"
#include "platform/linux/espeak_speech.h"
#include "platform/linux/fontconfig_catalog.h"
#include "platform/linux/jpeg_codec.h"
#include "platform/linux/linux_printers.h"
#include "platform/linux/posix_system.h"
#include "platform/linux/sdl_poster_preview.h"
#include "platform/linux/sdl_windows.h"
#include "platform/linux/terminal_console.h"
#include "ui/console_fault.h"
#include "ui/failure.h"

int main(int argc, char** argv) {
    using namespace posteri;
    // --help and --version answer before the terminal is taken over; any other argument is ignored.
    if (const auto answer = command_line_answer(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fputs(answer->c_str(), stdout);
        return 0;
    }
    std::unique_ptr<TerminalConsole> console;
    try {
        console = TerminalConsole::open();
    } catch (const TerminalError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    PosixSystem system;
    system.hold_told_lines();
    SdlWindows windows(*console);
    ConsoleFault console_fault(*console);
    DisplayFault fault(windows, console_fault);
    EspeakSpeech speech;
    // An interactive run on a desktop shows each PDF it writes.
    LinuxPrinters printers(std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr);
    JpegCodec images;
    FontconfigCatalog fonts;
    SdlPosterPreview preview(windows, *console);
    Platform platform{*console, system, fault, speech, printers, images, windows, fonts, preview};
    int exit_code = 0;
    try {
        run_main_sequence(platform);
    } catch (const RunEnded& ended) {
        exit_code = ended.exit_code;
    }
    console->restore();
    system.say_held_lines();
    return exit_code;
}
