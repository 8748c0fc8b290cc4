// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The built-in PDF printers "pdfcreator A4" … "pdfcreator A0": 600 dpi, no margins, ISO sheets. A job
// becomes `<last part of the document name>.pdf` in the working directory, never over an existing
// file. "pdfcreator A0 su A4" and its kin have the big sheet's metrics, and their PDF holds the page
// 1:1 on overlapping A4 or A3 sheets to trim and glue.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf/pdf_destination.h"

namespace posteri {

std::vector<std::string> builtin_printer_names();
bool is_builtin_printer(std::string_view name);
// Nothing when `name` is not a built-in printer. With `open_viewer`, each written PDF is opened in
// the desktop's viewer.
std::unique_ptr<PdfDestination> attach_builtin_printer(std::string_view name, bool open_viewer);

}  // namespace posteri
