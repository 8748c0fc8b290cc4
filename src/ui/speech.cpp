// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/speech.h"

#include "ui/failure.h"

namespace posteri {

void PARLA6(Platform& platform, std::string_view text) {
    RoutineName routine("PARLA6");
    platform.speech.speak(text);
}

}  // namespace posteri
