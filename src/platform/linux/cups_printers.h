#pragma once
// The print server's queues (CUPS). A job is the page rendered as PDF, submitted under the
// document's name. With no server running, there are none, at once.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/pdf_destination.h"

namespace posteri {

std::vector<std::string> cups_printer_names();
// The server's default destination, empty when there is none.
std::string cups_default_printer();
// The paper sizes the queue supports, its default first; empty when no queue of that name answers.
std::vector<PaperSize> cups_paper_sizes(std::string_view name);
// Nothing when no queue of that name answers. `media` (a media name of the queue) replaces its
// default paper; empty keeps the default.
std::unique_ptr<PdfDestination> attach_cups_printer(std::string_view name, std::string_view media);

}  // namespace posteri
