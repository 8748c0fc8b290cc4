// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the program touches outside itself, built once by main() and handed down.

#include "platform/fault.h"
#include "platform/pdf/printers.h"
#include "platform/photos/images.h"
#include "platform/system/speech.h"
#include "platform/system/system.h"
#include "platform/terminal/console.h"
#include "platform/type/fonts.h"
#include "platform/windows/graphic_windows.h"
#include "platform/windows/poster_preview.h"

namespace posteri {

struct Platform {
    Console& console;
    System& system;
    Fault& fault;
    Speech& speech;
    Printers& printers;
    ImageCodec& images;
    GraphicWindows& windows;
    FontCatalog& fonts;
    // Only the interactive program on a display has one.
    PosterPreview& preview = no_poster_preview();
};

}  // namespace posteri
