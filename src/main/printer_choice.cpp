#include <algorithm>
#include <string>
#include <vector>

#include "format/text.h"
#include "main/console_prompt.h"
#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

namespace {

// Shows the names numbered from 1 and reads a number; nothing for Esc or an empty line.
std::optional<std::string> pick_by_number(Console& console, const std::vector<std::string>& names,
                                          std::string_view prompt) {
    ScreenSnapshot snapshot(console);
    for (std::size_t i = 0; i < names.size(); ++i) {
        console.write(std::to_string(i + 1) + " " + names[i]);
        console.new_line();
    }
    for (;;) {
        const auto typed = prompt_line(console, prompt);
        if (!typed || trim_spaces(*typed).empty()) return std::nullopt;
        const std::string number(trim_spaces(*typed));
        if (number.find_first_not_of("0123456789") == std::string::npos && number.size() < 6) {
            const std::size_t n = std::stoul(number);
            if (n >= 1 && n <= names.size()) return names[n - 1];
        }
    }
}

std::vector<std::string> sorted_printers(Printers& printers) {
    std::vector<std::string> names = printers.list();
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// For now the printers are offered as a numbered console list.
std::string FUN_SCELTA_STAMPANTE(Platform& platform) {
    RoutineName routine("FUN_SCEL");
    std::vector<std::string> choices;
    for (const std::string& name : sorted_printers(platform.printers)) {
        if (to_lower(name).find("pdfcreator") != std::string::npos) choices.push_back(name);
    }
    choices.emplace_back(kSystemPrintDialog);
    const auto chosen = pick_by_number(platform.console, choices, "Stampante (numero): ");
    return chosen ? std::string(trim_spaces(chosen->substr(0, chosen->find(',')))) : "";
}

// The system print dialog: every printer, numbered; Esc attaches nothing.
void choose_printer_in_dialog(Platform& platform, std::string_view document) {
    RoutineName routine("MAIN");
    const auto chosen = pick_by_number(platform.console, sorted_printers(platform.printers), "Stampa su (numero): ");
    if (!chosen) return;
    const int failure = platform.printers.attach(*chosen, document);
    if (failure != 0) raise_failure(platform.fault, failure);
}

}  // namespace posteri
