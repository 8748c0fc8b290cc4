// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/choice_list.h"
#include "main/run_operations.h"
#include "ui/console_text.h"
#include "ui/failure.h"
#include "ui/option_words.h"

namespace posteri {

// The exit-key list has no slashes, so no F key closes the window: only Enter, Esc, a double click
// or the close mark do.
void RESOCONT(Platform& platform, TextList& riassunto, std::int32_t n_riassunto) {
    RoutineName routine("RESOCONT");
    const std::string options = "CORNiCE niente cls " + no_exit_keys();
    riassunto[0] = "Riassunto poster";
    if (riassunto.size() > 1) riassunto[1] += std::string(20, ' ');
    choose_in_list(platform, riassunto, n_riassunto, -1, kCyan, options);
}

}  // namespace posteri
