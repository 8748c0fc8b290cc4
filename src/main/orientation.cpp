// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include "main/choice_list.h"
#include "main/run_operations.h"
#include "ui/console_text.h"
#include "ui/failure.h"

namespace posteri {

std::int32_t CHIEDI_O(Platform& platform) {
    RoutineName routine("CHIEDI_O");
    write_centred_line(platform.console, "La foto \xE8 quadrata, scegli come orientare il foglio cartaceo.");
    KeptCursor cursor(platform.console);
    std::vector<std::string> orientations = {"Quale orientamento?", "1 Verticale                  ",
                                             "2 Orizzontale                "};
    const std::int32_t chosen =
        choose_in_list(platform, orientations, 2, 2, kBlue, "niente cornice cls " + function_keys_and_pointer());
    if (chosen == 0) return 0;
    // The search may have re-ordered the two: the answer is the number the chosen entry starts with.
    return static_cast<std::int32_t>(std::strtol(orientations[static_cast<std::size_t>(chosen)].c_str(), nullptr, 10));
}

void DIMENSIO(Platform& platform, float& width_cm, float& height_cm) {
    RoutineName routine("DIMENSIO");
    const SheetMetrics metrics = platform.printers.metrics();
    const float dots_per_cm = static_cast<float>(metrics.dpi_x) / 2.54f;
    width_cm = static_cast<float>(metrics.printable_width) / dots_per_cm;
    height_cm = static_cast<float>(metrics.printable_height) / dots_per_cm;
}

}  // namespace posteri
