// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shows the program-wide failure notice and reports the button chosen.

#include <string_view>

namespace posteri {

enum class FaultAnswer { Ok, Cancel };

class Fault {
public:
    virtual ~Fault() = default;
    // text: the whole notice, lines separated by "\n" (Windows-1252).
    virtual FaultAnswer show_notice(std::string_view text) = 0;
};

}  // namespace posteri
