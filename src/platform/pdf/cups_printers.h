// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The print server's queues (CUPS). A job is the page rendered as PDF, submitted under the
// document's name. With no server running, there are none, at once.
//
// These live in a back end of their own, libposteri-cups.so, loaded on the first call: libcups and
// libqpdf bring some thirty libraries (TLS, Kerberos, service discovery, D-Bus, ...) that a run
// printing on a built-in printer would otherwise load and relocate at every start.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf/pdf_destination.h"

namespace posteri {

struct CupsBackEnd {
    std::vector<std::string> (*printer_names)();
    // The server's default destination, empty when there is none.
    std::string (*default_printer)();
    // The paper sizes the queue supports, its default first; empty when no queue of that name answers.
    std::vector<PaperSize> (*paper_sizes)(std::string_view name);
    // Nothing when no queue of that name answers. `media` (a media name of the queue) replaces its
    // default paper; empty keeps the default.
    std::unique_ptr<PdfDestination> (*attach)(std::string_view name, std::string_view media);
};

// The back end, loaded on first use from beside the program (a build folder) or from the library
// folder it was installed with (lib/posteri beside bin); nullptr when it cannot be loaded, and then
// there are no queues.
const CupsBackEnd* cups_back_end();

}  // namespace posteri
