// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the program touches outside itself, built once by main() and handed down.

#include "platform/console.h"
#include "platform/fault.h"
#include "platform/fonts.h"
#include "platform/graphic_windows.h"
#include "platform/images.h"
#include "platform/poster_preview.h"
#include "platform/printers.h"
#include "platform/speech.h"
#include "platform/system.h"

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
