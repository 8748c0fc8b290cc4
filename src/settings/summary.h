// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `riassunto`: the run's summary list, lines numbered from 1, element 0 left for the window title.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_files.h"

namespace posteri {

struct Summary {
    TextList riassunto{""};
    std::int32_t n_riassunto = 0;

    // Adds a line made from "label,value[,...]": the label cut or padded to 40 characters, " : ",
    // and the value up to its first comma.
    void add(std::string_view label_and_value);
};

std::string summary_line(std::string_view label_and_value);

}  // namespace posteri
