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
// Nothing when no queue of that name answers.
std::unique_ptr<PdfDestination> attach_cups_printer(std::string_view name);

}  // namespace posteri
