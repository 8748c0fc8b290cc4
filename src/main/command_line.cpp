#include "main/command_line.h"

#include <algorithm>
#include <string_view>

#include "format/codepage.h"
#include "settings/settings_files.h"

namespace posteri {

namespace {

// The build gives POSTERI_VERSION, the project's version; the run shows its own on the title line.
constexpr std::string_view kRunVersion = "Versione 28062017";

const char* const kPosteriHelp =
    "uso: posteri [--help | --version]\n"
    "Trasforma una foto JPEG in un poster di una pagina, a tutto schermo nel terminale.\n"
    "Senza argomenti chiede la foto (nella cartella corrente), la stampante e i parametri,\n"
    "poi stampa il poster; i parametri restano nella cartella corrente.\n"
    "  --help     mostra questo aiuto ed esce\n"
    "  --version  mostra la versione ed esce\n"
    "Per stampare da uno script: posteri-batch. Vedi posteri(1).\n";

// Windows-1252, like the program's other texts: the parameter list is added where it stands.
const char* const kBatchHelpStart =
    "uso: posteri-batch [--set NOME=VALORE]... FOTO STAMPANTE [CARTELLA]\n"
    "     posteri-batch --list-printers | --help | --version\n"
    "Stampa il poster della FOTO sulla STAMPANTE senza terminale, come chi in posteri sceglie\n"
    "quella foto e quella stampante e conferma i parametri. I file dei parametri sono letti e\n"
    "scritti in CARTELLA (predefinita: la cartella corrente), dove va anche il PDF.\n"
    "  --set NOME=VALORE  cambia un parametro dopo la lettura dei file (ripetibile);\n"
    "                     NOME: ";
const char* const kBatchHelpEnd =
    "\n"
    "  --list-printers    elenca le stampanti: nome, tabulazione, formato del foglio in cm\n"
    "  --help             mostra questo aiuto ed esce\n"
    "  --version          mostra la versione ed esce\n"
    "Stato di uscita: 0 stampato; 1 foto mancante o stampante non utilizzabile;\n"
    "2 argomenti errati o CARTELLA non utilizzabile; 255 avviso di errore (su standard error).\n"
    "Vedi posteri-batch(1).\n";

BatchCommand wrong(std::string message) {
    BatchCommand command;
    command.action = BatchAction::Wrong;
    command.error = "posteri-batch: " + std::move(message);
    return command;
}

// A text of the command line in Windows-1252, when every character has a byte there and none is
// a control character (a line end would break the settings file). A value that is not UTF-8 is
// kept as its bytes, as the file's lines are.
std::optional<std::string> text_value(std::string_view value) {
    // A character without a byte becomes NUL, which the control check then refuses.
    const std::string text = is_valid_utf8(value) ? utf8_to_cp1252(value, '\0') : std::string(value);
    const bool refused = std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    if (refused) return std::nullopt;
    return text;
}

// The error for one --set argument, empty when it can be applied; the assignment is filled.
std::string check_assignment(std::string_view argument, ParameterAssignment& assignment) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string_view::npos) return "--set vuole NOME=VALORE, non " + std::string(argument);
    const std::string name(argument.substr(0, equals));
    const std::string_view value = argument.substr(equals + 1);
    // An unknown name is no text parameter: its value converts, and set_parameter refuses the name.
    std::optional<std::string> converted = is_text_parameter(name) ? text_value(value) : native_to_cp1252(value);
    if (!converted) {
        return "il testo di " + name +
               " ha un carattere che Windows-1252 non pu\xC3\xB2 scrivere o un carattere di controllo";
    }
    // Tried on a record of its own, so that a refused value leaves nothing behind.
    PosterSettings scratch{};
    switch (set_parameter(scratch, name, *converted)) {
        case ParameterOutcome::UnknownName:
            return "parametro sconosciuto: " + name;
        case ParameterOutcome::NoNumber:
            return name + " vuole un numero, non \"" + std::string(value) + "\"";
        case ParameterOutcome::TooLarge:
            return "il numero di " + name + " \xC3\xA8 troppo grande: " + std::string(value);
        case ParameterOutcome::Set:
            break;
    }
    assignment = {name, std::move(*converted)};
    return {};
}

}  // namespace

std::string batch_help_text() {
    // Six names to a line, under the option's text.
    std::string names;
    const std::vector<std::string_view> all = parameter_names();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (i > 0) names += i % 6 == 0 ? ",\n                           " : ", ";
        names += all[i];
    }
    return cp1252_to_utf8(kBatchHelpStart + names + kBatchHelpEnd);
}

std::optional<std::string> command_line_answer(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return std::nullopt;
    if (arguments[0] == "--help") return std::string(kPosteriHelp);
    if (arguments[0] == "--version") return version_text("posteri");
    return std::nullopt;
}

BatchCommand parse_batch_arguments(const std::vector<std::string>& arguments) {
    BatchCommand command;
    std::vector<std::string> positional;
    bool options_ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_ended || !argument.starts_with("--")) {
            positional.push_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (argument == "--help" || argument == "--version" || argument == "--list-printers") {
            command.action = argument == "--help"      ? BatchAction::Help
                             : argument == "--version" ? BatchAction::Version
                                                       : BatchAction::ListPrinters;
            return command;
        } else if (argument == "--set") {
            if (i + 1 == arguments.size()) return wrong("--set vuole NOME=VALORE");
            ParameterAssignment assignment;
            std::string error = check_assignment(arguments[++i], assignment);
            if (!error.empty()) return wrong(std::move(error));
            command.assignments.push_back(std::move(assignment));
        } else {
            return wrong("opzione sconosciuta: " + argument + " (vedi posteri-batch --help)");
        }
    }
    if (positional.size() < 2 || positional.size() > 3 || positional[0].empty() || positional[1].empty()) {
        return wrong("uso: posteri-batch [--set NOME=VALORE]... FOTO STAMPANTE [CARTELLA]");
    }
    command.photo = positional[0];
    command.printer = positional[1];
    if (positional.size() == 3) command.workdir = positional[2];
    return command;
}

std::string version_text(std::string_view program) {
    return std::string(program) + " " + POSTERI_VERSION + " (" + std::string(kRunVersion) + ")\n";
}

}  // namespace posteri
