// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/command_line.h"

#include <algorithm>
#include <string_view>

#include "format/codepage.h"
#include "format/text.h"
#include "settings/settings_files.h"

namespace posteri {

namespace {

// The build gives POSTERI_VERSION, the project's version; the run shows its own on the title line.
constexpr std::string_view kRunVersion = "Versione 28062017";

const char* const kPosteriHelp =
    "uso: posteri [FOTO]\n"
    "     posteri --help | --version\n"
    "Trasforma una foto JPEG in un poster di una pagina, a tutto schermo nel terminale.\n"
    "Chiede la foto (nella cartella corrente), se non \xC3\xA8 data come FOTO, la stampante e i\n"
    "parametri, poi stampa il poster; i parametri restano nella cartella corrente.\n"
    "  -h, --help     mostra questo aiuto ed esce\n"
    "  -V, --version  mostra la versione ed esce\n"
    "Stato di uscita: 0 fatto; 1 FOTO mancante o non JPEG/PNG; 2 argomenti errati o terminale\n"
    "non utilizzabile; 130 Ctrl-C; 143 SIGTERM; 255 avviso di errore annullato.\n"
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
    "  -h, --help         mostra questo aiuto ed esce\n"
    "  -V, --version      mostra la versione ed esce\n"
    "Stato di uscita: 0 stampato; 1 foto mancante o non JPEG/PNG, stampante non utilizzabile\n"
    "o output non scritto; 2 argomenti errati o CARTELLA non utilizzabile; 255 avviso di errore\n"
    "(su standard error).\n"
    "Vedi posteri-batch(1).\n";

// "-" alone names standard input, as a file would.
bool is_option(std::string_view argument) { return argument.size() > 1 && argument[0] == '-'; }
bool is_help(std::string_view argument) { return argument == "-h" || argument == "--help"; }
bool is_version(std::string_view argument) { return argument == "-V" || argument == "--version"; }

// An argument repeated in a line for standard error (UTF-8): cut as the program cuts every value it
// repeats, its control characters shown as "?".
std::string echoed_argument(std::string_view argument) {
    return utf8_controls_shown(cp1252_to_utf8(echoed(native_to_cp1252(argument))));
}

// The line GNU tools give for an option they do not know.
std::string unknown_option(std::string_view program, std::string_view option) {
    return std::string(program) + ": opzione sconosciuta \xC2\xAB" + echoed_argument(option) +
           "\xC2\xBB. Prova \xC2\xAB" + std::string(program) + " --help\xC2\xBB.";
}

BatchCommand wrong(std::string message) {
    BatchCommand command;
    command.action = BatchAction::Wrong;
    command.error = "posteri-batch: " + std::move(message);
    return command;
}

// Values beyond the editor's choices (fits 0 to 3, autocentra 0 or 1, logorroico "si" or "no" as
// the settings file keeps it, in 2 characters) would be saved, and every later run would read them
// back. Empty when the value is one the editor offers.
std::string offered_value_error(const PosterSettings& scratch, const std::string& name, std::string_view value) {
    const struct {
        std::string_view name;
        std::int32_t value;
        std::int32_t last;
    } choices[] = {{"fits", scratch.fits, 3}, {"autocentra", scratch.autocentra, 1}};
    for (const auto& choice : choices) {
        if (name == choice.name && (choice.value < 0 || choice.value > choice.last)) {
            return name + " vuole un numero da 0 a " + std::to_string(choice.last) + ", non \"" +
                   echoed_argument(value) + "\"";
        }
    }
    const std::string_view talkative = scratch.logorroico.view();
    if (name == "logorroico" && talkative != "si" && talkative != "no") {
        return "logorroico vuole si o no, non \"" + echoed_argument(value) + "\"";
    }
    return {};
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
    if (equals == std::string_view::npos) return "--set vuole NOME=VALORE, non " + echoed_argument(argument);
    const std::string name(argument.substr(0, equals));
    const std::string_view value = argument.substr(equals + 1);
    // An unknown name is no text parameter: its value converts, and set_parameter refuses the name.
    std::optional<std::string> converted = is_text_parameter(name) ? text_value(value) : native_to_cp1252(value);
    if (!converted) {
        return "il testo di " + echoed_argument(name) +
               " ha un carattere che Windows-1252 non pu\xC3\xB2 scrivere o un carattere di controllo";
    }
    // Tried on a record of its own, so that a refused value leaves nothing behind.
    PosterSettings scratch{};
    switch (set_parameter(scratch, name, *converted)) {
        case ParameterOutcome::UnknownName:
            return "parametro sconosciuto: " + echoed_argument(name);
        case ParameterOutcome::NoNumber:
            return name + " vuole un numero, non \"" + echoed_argument(value) + "\"";
        case ParameterOutcome::TooLarge:
            return "il numero di " + name + " \xC3\xA8 troppo grande: " + echoed_argument(value);
        case ParameterOutcome::Set:
            break;
    }
    if (std::string error = offered_value_error(scratch, name, value); !error.empty()) return error;
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

std::string run_help_text() { return kPosteriHelp; }

RunCommand parse_run_arguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> photos;
    bool options_ended = false;
    for (const std::string& argument : arguments) {
        if (options_ended || !is_option(argument)) {
            photos.push_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (is_help(argument)) {
            return {RunAction::Help, {}, {}};
        } else if (is_version(argument)) {
            return {RunAction::Version, {}, {}};
        } else {
            return {RunAction::Wrong, {}, unknown_option("posteri", argument)};
        }
    }
    if (photos.size() > 1) {
        return {RunAction::Wrong,
                {},
                "posteri: una foto sola, non anche \xC2\xAB" + echoed_argument(photos[1]) +
                    "\xC2\xBB. Prova \xC2\xABposteri --help\xC2\xBB."};
    }
    return {RunAction::Run, photos.empty() ? std::optional<std::string>() : photos[0], {}};
}

BatchCommand parse_batch_arguments(const std::vector<std::string>& arguments) {
    BatchCommand command;
    std::vector<std::string> positional;
    bool options_ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_ended || !is_option(argument)) {
            positional.push_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (is_help(argument) || is_version(argument) || argument == "--list-printers") {
            command.action = is_help(argument)      ? BatchAction::Help
                             : is_version(argument) ? BatchAction::Version
                                                    : BatchAction::ListPrinters;
            return command;
        } else if (argument == "--set" || argument.starts_with("--set=")) {
            const bool joined = argument != "--set";
            if (!joined && i + 1 == arguments.size()) return wrong("--set vuole NOME=VALORE");
            ParameterAssignment assignment;
            std::string error = check_assignment(joined ? argument.substr(6) : arguments[++i], assignment);
            if (!error.empty()) return wrong(std::move(error));
            command.assignments.push_back(std::move(assignment));
        } else {
            command.action = BatchAction::Wrong;
            command.error = unknown_option("posteri-batch", argument);
            return command;
        }
    }
    // An empty photo is refused as posteri refuses it; an empty printer names none.
    if (positional.size() < 2 || positional.size() > 3 || positional[1].empty()) {
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
