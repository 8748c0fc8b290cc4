// SPDX-License-Identifier: GPL-3.0-or-later
// The system print dialog, on the console: every printer with the size of its default sheet, then,
// for a printer that takes several papers, the paper to print on.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "format/mask_format.h"
#include "format/text.h"
#include "main/choice_list.h"
#include "main/printer_entries.h"
#include "main/run_operations.h"
#include "ui/console_text.h"
#include "ui/failure.h"

namespace posteri {

namespace {

constexpr float kHundredthsMmPerCm = 1000.0f;
constexpr std::size_t kPaperRowWidth = 25;

std::string paper_size_text(const PaperSize& paper) {
    return mask_format("##.# x ##.# cm", {static_cast<float>(paper.width) / kHundredthsMmPerCm,
                                          static_cast<float>(paper.length) / kHundredthsMmPerCm});
}

// "A4         21.0 x 29.7 cm": the name in a column of its own, then the size; a paper without a
// common name is named by its size. The rows are wide enough for the list's title to stand clear of
// the selection number on the top border.
std::string paper_row(const PaperSize& paper) {
    const std::string size = paper_size_text(paper);
    if (paper.name.empty()) return fit_width(size, kPaperRowWidth);
    return mask_format("\\        \\ ", {paper.name}) + size;
}

// The entry of the system's default printer, else the first.
std::int32_t default_entry(Platform& platform, const std::vector<PrinterEntry>& entries) {
    const std::string default_printer = platform.printers.default_printer();
    const auto preferred = std::find_if(entries.begin(), entries.end(), [&](const PrinterEntry& entry) {
        return entry.printer == default_printer;
    });
    return preferred == entries.end() ? 1 : static_cast<std::int32_t>(preferred - entries.begin()) + 1;
}

// Every printer, `first` highlighted; the chosen entry, or nothing after Esc.
std::optional<PrinterEntry> choose_printer(Platform& platform, const std::vector<PrinterEntry>& entries,
                                           std::int32_t first) {
    std::vector<std::string> items = entry_items("Stampa", entries);
    const std::int32_t chosen = choose_in_list(platform, items, static_cast<std::int32_t>(entries.size()), first,
                                               kBlue, "cornice cls " + function_keys_and_pointer());
    if (chosen <= 0) return std::nullopt;
    const std::string& text = items[static_cast<std::size_t>(chosen)];
    return PrinterEntry{text, printer_of(entries, text)};
}

// The paper among those the printer takes, its default highlighted first; nothing after Esc.
std::optional<PaperSize> choose_paper(Platform& platform, const std::vector<PaperSize>& papers) {
    std::vector<std::string> items{"Formato carta"};
    for (const PaperSize& paper : papers) items.push_back(paper_row(paper));
    const std::int32_t chosen = choose_in_list(platform, items, static_cast<std::int32_t>(papers.size()), 1, kBlue,
                                               "cornice cls " + function_keys_and_pointer());
    if (chosen <= 0) return std::nullopt;
    const std::string& row = items[static_cast<std::size_t>(chosen)];
    const auto found =
        std::find_if(papers.begin(), papers.end(), [&](const PaperSize& paper) { return paper_row(paper) == row; });
    if (found == papers.end()) return std::nullopt;
    return *found;
}

}  // namespace

// Esc among the papers goes back to the printers; Esc among the printers attaches nothing.
void choose_printer_in_dialog(Platform& platform, std::string_view document) {
    RoutineName routine("PRINTDLG");
    const std::vector<PrinterEntry> entries =
        printer_entries(platform, [&platform](std::string_view name) { return printer_entry(platform, name); });
    const std::int32_t first = default_entry(platform, entries);
    KeptCursor cursor(platform.console);
    for (;;) {
        const std::optional<PrinterEntry> printer = choose_printer(platform, entries, first);
        if (!printer) return;
        const std::vector<PaperSize> papers = platform.printers.paper_sizes(printer->printer);
        std::string media;
        if (!papers.empty()) {
            const std::optional<PaperSize> paper = choose_paper(platform, papers);
            if (!paper) continue;
            media = paper->media;
        }
        const int failure = platform.printers.attach(printer->printer, document, media);
        if (failure != 0) raise_failure(platform.fault, failure);
        return;
    }
}

}  // namespace posteri
