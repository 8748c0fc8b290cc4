// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Standard output and error kept as GNU tools keep them, for a program that a script reads: what
// could not be written (a full disk, a closed stream) makes the run fail instead of being lost.

#include <string_view>

namespace posteri {

// Standard input, output or error closed when the program starts is opened on the null device for
// reading only: no file the run opens later takes its number (and the run's report with it), and a
// write there still fails. Called before anything is opened.
void hold_closed_standard_streams();

// Flushes standard output and error (C and C++ streams). A failed write to standard output is said
// on standard error. Returns `exit_code`, or 1 when it was 0 and a write to either failed.
int checked_exit_code(std::string_view program, int exit_code);

}  // namespace posteri
