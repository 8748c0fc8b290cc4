// posteri: turns one JPEG photo into a one-page poster, full-screen in a terminal.
#include <cstdio>
#include <memory>

#include "main/run_operations.h"
#include "platform/linux/builtin_printers.h"
#include "platform/linux/no_images.h"
#include "platform/linux/no_speech.h"
#include "platform/linux/posix_system.h"
#include "platform/linux/terminal_console.h"
#include "ui/console_fault.h"
#include "ui/failure.h"

int main() {
    using namespace posteri;
    std::unique_ptr<TerminalConsole> console;
    try {
        console = TerminalConsole::open();
    } catch (const TerminalError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    PosixSystem system;
    ConsoleFault fault(*console);
    NoSpeech speech;
    BuiltinPrinters printers;
    NoImages images;
    Platform platform{*console, system, fault, speech, printers, images};
    int exit_code = 0;
    try {
        run_main_sequence(platform);
    } catch (const RunEnded& ended) {
        exit_code = ended.exit_code;
    }
    console->restore();
    return exit_code;
}
