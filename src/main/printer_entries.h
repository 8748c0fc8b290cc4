// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Printers as list entries: the name in a 36-character field and the printable size of its default
// sheet. An entry's text may not name its printer (a cut name, a name holding a comma), so each
// entry carries the full name with it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace posteri {

struct PrinterEntry {
    std::string text;
    std::string printer;
};

// Attaches the printer to measure the printable size of its default sheet in cm, then releases it.
// Returns 0, or the failure number of the attach (the sizes then left alone).
int measure_default_sheet(Platform& platform, std::string_view name, float& width_cm, float& height_cm);

// The entry of any printer: its name cut or padded to 36 characters and a space, then ",la … cm ,
// al … cm". A printer that cannot be attached is reported and shows 0.0 for both sizes.
std::string printer_entry(Platform& platform, std::string_view name);

// The printer behind the entry text the user chose (the first entry of that text); "" when no entry
// has it.
std::string printer_of(const std::vector<PrinterEntry>& entries, std::string_view text);

// The installed printers in byte order, each as `entry_of` shows it; a printer it gives no text for
// is left out.
std::vector<PrinterEntry> printer_entries(Platform& platform,
                                          const std::function<std::string(std::string_view)>& entry_of);

// The items of a picker over the entries, element 0 the title.
std::vector<std::string> entry_items(std::string_view title, const std::vector<PrinterEntry>& entries);

}  // namespace posteri
