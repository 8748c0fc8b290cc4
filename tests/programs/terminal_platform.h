// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The platform of the test programs: the real terminal, clock, display windows and fonts, with
// fakes for what they never use (printers, photos, speech).

#include <memory>

#include "platform/system/posix_system.h"
#include "platform/terminal/ncurses_console.h"
#include "platform/type/fontconfig_catalog.h"
#include "platform/windows/sdl_windows.h"
#include "support/fake_platform.h"
#include "ui/console_fault.h"

namespace posteri {

// Made once in main(); the Platform refers to the members, so it stays where it was made.
struct TerminalPlatform {
    std::unique_ptr<TerminalConsole> console = TerminalConsole::open();
    PosixSystem system;
    SdlWindows windows{*console};
    ConsoleFault console_fault{*console};
    DisplayFault fault{windows, console_fault};
    SilentSpeech speech;
    FakePrinters printers;
    FakeImages images;
    FontconfigCatalog fonts;
    Platform platform{*console, system, fault, speech, printers, images, windows, fonts};
};

}  // namespace posteri
