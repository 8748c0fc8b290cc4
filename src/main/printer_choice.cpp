// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
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

bool is_pdf_printer(std::string_view name) { return to_lower(name).find("pdfcreator") != std::string::npos; }

// The name as an entry shows it: the text before the entry's first comma, trimmed.
std::string shown_name(std::string_view entry) { return std::string(trim_spaces(entry.substr(0, entry.find(',')))); }

}  // namespace

int measure_default_sheet(Platform& platform, std::string_view name, float& width_cm, float& height_cm) {
    const int failure = platform.printers.attach(name, "");
    if (failure == 0) {
        DIMENSIO(platform, width_cm, height_cm);
        platform.printers.release();
    }
    return failure;
}

std::string printer_entry(Platform& platform, std::string_view name) {
    float width_cm = 0;
    float height_cm = 0;
    const int failure = measure_default_sheet(platform, name, width_cm, height_cm);
    if (failure != 0) raise_failure(platform.fault, failure);
    return mask_format("\\                                  \\ ", {std::string(name)}) +
           mask_format("_,la ###.# cm _, al ###.# cm", {width_cm, height_cm});
}

std::string printer_of(const std::vector<PrinterEntry>& entries, std::string_view text) {
    const auto found =
        std::find_if(entries.begin(), entries.end(), [text](const PrinterEntry& entry) { return entry.text == text; });
    return found == entries.end() ? std::string() : found->printer;
}

std::vector<PrinterEntry> printer_entries(Platform& platform,
                                          const std::function<std::string(std::string_view)>& entry_of) {
    TextList names;
    std::int32_t count = 0;
    SUB_ENUM(platform, names, count);
    std::vector<PrinterEntry> entries;
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        std::string text = entry_of(name);
        if (!text.empty()) entries.push_back({std::move(text), name});
    }
    return entries;
}

std::vector<std::string> entry_items(std::string_view title, const std::vector<PrinterEntry>& entries) {
    std::vector<std::string> items{std::string(title)};
    for (const PrinterEntry& entry : entries) items.push_back(entry.text);
    return items;
}

void SUB_ENUM(Platform& platform, TextList& list, std::int32_t& count) {
    RoutineName routine("SUB_ENUM");
    list = platform.printers.list();
    count = static_cast<std::int32_t>(list.size());
    list.insert(list.begin(), std::string());
    std::sort(list.begin(), list.end());
}

std::string FUN_PROP(Platform& platform, std::string_view name) {
    RoutineName routine("FUN_PROP");
    if (!is_pdf_printer(name)) return {};
    return printer_entry(platform, name);
}

std::string FUN_SCELTA_STAMPANTE(Platform& platform, std::string& printer) {
    RoutineName routine("FUN_SCEL");
    std::vector<PrinterEntry> entries =
        printer_entries(platform, [&platform](std::string_view name) { return FUN_PROP(platform, name); });
    entries.push_back({std::string(kSystemPrintDialog), std::string()});
    KeptCursor cursor(platform.console);
    std::vector<std::string> items = entry_items("", entries);
    const std::int32_t chosen = choose_in_list(platform, items, static_cast<std::int32_t>(entries.size()), -1,
                                               kBlue, "cornice cls " + function_keys_and_pointer());
    printer.clear();
    if (chosen <= 0) return {};
    const std::string& text = items[static_cast<std::size_t>(chosen)];
    printer = printer_of(entries, text);
    return shown_name(text);
}

}  // namespace posteri
