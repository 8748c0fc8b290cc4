#pragma once
// The command lines of the two programs. posteri answers --help and --version and otherwise runs as
// it always has; posteri-batch takes a photo, a printer and a folder, settings given as
// --set NAME=VALUE, and answers --help, --version and --list-printers.

#include <optional>
#include <string>
#include <vector>

#include "main/batch_run.h"

namespace posteri {

// What posteri prints and ends with (UTF-8) for its arguments; empty: the run starts.
std::optional<std::string> command_line_answer(const std::vector<std::string>& arguments);

enum class BatchAction { Print, Help, Version, ListPrinters, Wrong };

struct BatchCommand {
    BatchAction action = BatchAction::Print;
    // For Print: the photo, printer and folder as given (the file system's bytes), and the checked
    // settings in Windows-1252.
    std::string photo;
    std::string printer;
    std::string workdir;
    std::vector<ParameterAssignment> assignments;
    // For Wrong: one line for standard error (UTF-8).
    std::string error;
};

// The arguments after the program's name. --help, --version and --list-printers answer where they
// stand; `--` ends the options.
BatchCommand parse_batch_arguments(const std::vector<std::string>& arguments);

// For standard output (UTF-8).
std::string batch_help_text();
std::string version_text(std::string_view program);

}  // namespace posteri
