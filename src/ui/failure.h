// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program-wide failure notice for faults the code does not test for (a file that cannot be
// written, a printer that cannot be opened), and the name of the routine that is running.

#include <string>
#include <string_view>

#include "platform/fault.h"

namespace posteri {

// Thrown to end the run with an exit code; main() catches it after the terminal is restored.
struct RunEnded {
    int exit_code;
};

// Names the running routine for failure reports while it is alive; the caller's name comes back
// when it ends.
class RoutineName {
public:
    explicit RoutineName(const char* name);
    ~RoutineName();
    RoutineName(const RoutineName&) = delete;
    RoutineName& operator=(const RoutineName&) = delete;

private:
    const char* previous_;
};

const char* current_routine();

// The failure numbers used for system errors.
int failure_number_for_errno(int error);
std::string_view failure_description(int number);
// "Untrapped Error #53 (File not found)\nhas occurred following execution of SCP_DEFA\n\n
// Press OK to continue, Cancel to terminate"
std::string failure_text(int number, std::string_view routine);

// Shows the notice. Returns when the user chooses OK (the caller then skips the failed effect);
// Cancel, or any number of 241 and above, throws RunEnded{255}.
void raise_failure(Fault& fault, int number);
// raise_failure for a system error number; does nothing for 0. Returns whether it raised.
bool raise_for_errno(Fault& fault, int error);

}  // namespace posteri
