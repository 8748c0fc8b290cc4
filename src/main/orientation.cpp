#include "main/console_prompt.h"
#include "main/run_operations.h"
#include "ui/console_text.h"
#include "ui/failure.h"

namespace posteri {

std::int32_t CHIEDI_O(Platform& platform) {
    RoutineName routine("CHIEDI_O");
    Console& console = platform.console;
    write_centred_line(console, "La foto \xE8 quadrata, scegli come orientare il foglio cartaceo.");
    ScreenSnapshot snapshot(console);
    const auto answer = prompt_choice(console, "1 Verticale, 2 Orizzontale: ", "12");
    if (!answer) return 0;
    return *answer - '0';
}

void DIMENSIO(Platform& platform, float& width_cm, float& height_cm) {
    RoutineName routine("DIMENSIO");
    const SheetMetrics metrics = platform.printers.metrics();
    const float dots_per_cm = static_cast<float>(metrics.dpi_x) / 2.54f;
    width_cm = static_cast<float>(metrics.printable_width) / dots_per_cm;
    height_cm = static_cast<float>(metrics.printable_height) / dots_per_cm;
}

}  // namespace posteri
