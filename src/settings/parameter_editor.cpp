#include <string>

#include "format/number_text.h"
#include "main/console_prompt.h"
#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

namespace {

void show_parameter(Console& console, std::string_view key, const std::string& value) {
    console.write(std::string(key) + " =" + value);
    console.new_line();
}

}  // namespace

// For now the parameters are shown as they were loaded, and the user confirms, resets or leaves.
std::string SCP_CAMB(Platform& platform, PosterSettings& settings) {
    RoutineName routine("SCP_CAMB");
    Console& console = platform.console;
    ScreenSnapshot snapshot(console);
    show_parameter(console, "a.px_cm       ", general_number(settings.px_cm, 7));
    show_parameter(console, "a.py_cm       ", general_number(settings.py_cm, 7));
    show_parameter(console, "a.larghezza_cm", general_number(settings.larghezza_cm, 7));
    show_parameter(console, "a.altezza_cm  ", general_number(settings.altezza_cm, 7));
    show_parameter(console, "a.autocentra  ", general_number(settings.autocentra, 15));
    show_parameter(console, "a.fits        ", general_number(settings.fits, 15));
    show_parameter(console, "a.testo1      ", " " + settings.testo1.str());
    show_parameter(console, "a.testo2      ", " " + settings.testo2.str());
    show_parameter(console, "a.testo3      ", " " + settings.testo3.str());
    show_parameter(console, "a.nomefont    ", " " + settings.nomefont.str());
    show_parameter(console, "a.tipoautore  ", " " + settings.tipoautore.str());
    show_parameter(console, "a.logorroico  ", " " + settings.logorroico.str());
    const auto key = prompt_choice(console, "Invio conferma, * riparte dai valori iniziali, Esc esce: ", "\r*");
    return key ? std::string(1, *key) : std::string("\x1b");
}

}  // namespace posteri
