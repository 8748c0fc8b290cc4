// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command lines of the two programs, as GNU tools read theirs: -h and --help, -V and --version
// answer wherever they stand, an unknown option is refused with one line, and `--` ends the options.
// posteri takes an optional photo; posteri-batch takes a photo, a printer and a folder, settings
// given as --set NAME=VALUE, and answers --list-printers.

#include <optional>
#include <string>
#include <vector>

#include "main/batch_run.h"

namespace posteri {

enum class RunAction { Run, Help, Version, Wrong };

struct RunCommand {
    RunAction action = RunAction::Run;
    // For Run: the photo given on the command line (the file system's bytes), if one was.
    std::optional<std::string> photo;
    // For Wrong: one line for standard error (UTF-8).
    std::string error;
};

// The arguments of posteri after the program's name.
RunCommand parse_run_arguments(const std::vector<std::string>& arguments);

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
std::string run_help_text();
std::string batch_help_text();
std::string version_text(std::string_view program);

}  // namespace posteri
