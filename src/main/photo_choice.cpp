#include <string>

#include "format/text.h"
#include "main/console_prompt.h"
#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

namespace {

std::string full_path(System& system, std::string_view name) {
    if (!name.empty() && name.front() == '/') return std::string(name);
    return system.working_directory() + "/" + std::string(name);
}

}  // namespace

// For now the photo's name is typed on a console line, relative to the working directory.
std::string FUN_SCELTA_FILE(Platform& platform, std::string_view pattern) {
    RoutineName routine("FUN_SCEL");
    const auto typed = prompt_line(platform.console, "Scegli il file (" + std::string(pattern) + "): ");
    if (!typed) return "";
    const std::string_view name = trim_spaces(*typed);
    if (name.empty()) return "";
    return full_path(platform.system, name);
}

void LEGGI_TE(Platform& platform, std::string& text) {
    RoutineName routine("LEGGI_TE");
    platform.speech.speak(text);
}

}  // namespace posteri
