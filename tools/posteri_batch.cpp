// posteri-batch PHOTO PRINTER [WORKDIR]: prints one poster without a terminal, as a person would who
// chooses that photo and printer and confirms the settings unchanged. Standard output carries the
// summary lines and where the job went; a failure notice goes to standard error and ends the run.
#include <filesystem>
#include <iostream>
#include <string>

#include "format/codepage.h"
#include "main/batch_run.h"
#include "platform/console_box_windows.h"
#include "platform/linux/fontconfig_catalog.h"
#include "platform/linux/jpeg_codec.h"
#include "platform/linux/linux_printers.h"
#include "platform/linux/posix_system.h"
#include "ui/failure.h"

namespace {

using namespace posteri;

// The photo as the file chooser gives it: a whole path, so that its document name and the PDF's
// name come from the photo's own name whatever the working folder.
std::string whole_path(const char* argument) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(argument, error);
    return error ? std::string(argument) : path.lexically_normal().string();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || *argv[1] == '\0' || *argv[2] == '\0') {
        std::cerr << "uso: posteri-batch FOTO STAMPANTE [CARTELLA]\n";
        return 2;
    }
    // Arguments arrive as UTF-8 (one that is not is kept as its bytes); the program's text is
    // Windows-1252.
    const BatchRequest request{path_from_native(whole_path(argv[1])), path_from_native(argv[2]),
                               argc == 4 ? path_from_native(argv[3]) : std::string()};
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
        outcome = run_batch(platform, request);
    } catch (const RunEnded& ended) {
        return ended.exit_code;
    }
    for (const std::string& line : outcome.lines) std::cout << cp1252_to_utf8(line) << '\n';
    if (!outcome.error.empty()) std::cerr << "posteri-batch: " << cp1252_to_utf8(outcome.error) << '\n';
    return outcome.exit_code;
}
