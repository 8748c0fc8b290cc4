// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The failure notice as a framed box on the console, with the buttons OK and Cancel.

#include "platform/fault.h"
#include "platform/terminal/console.h"

namespace posteri {

class ConsoleFault : public Fault {
public:
    explicit ConsoleFault(Console& console) : console_(console) {}
    // Enter chooses the focused button (OK at first), Esc chooses Cancel, Tab and the arrows move
    // the focus, "O" and "C" choose directly, and a click on a button chooses it. The cells under the
    // box are put back when it closes.
    FaultAnswer show_notice(std::string_view text) override;

private:
    Console& console_;
};

}  // namespace posteri
