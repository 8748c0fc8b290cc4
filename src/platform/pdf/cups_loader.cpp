// SPDX-License-Identifier: GPL-3.0-or-later
// Finds and loads the print server's back end the first time a queue is asked for.
#include "platform/pdf/cups_printers.h"
#include "platform/system/modules.h"

namespace posteri {

const CupsBackEnd* cups_back_end() {
    static const auto* const back_end =
        static_cast<const CupsBackEnd*>(module_symbol("libposteri-cups.so", "posteri_cups_back_end"));
    return back_end;
}

}  // namespace posteri
