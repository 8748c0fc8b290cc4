// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/summary.h"

#include "format/text.h"

namespace posteri {

std::string summary_line(std::string_view label_and_value) {
    const auto first_comma = label_and_value.find(',');
    const std::string_view label = label_and_value.substr(0, first_comma);
    std::string_view value;
    if (first_comma != std::string_view::npos) {
        value = label_and_value.substr(first_comma + 1);
        value = value.substr(0, value.find(','));
    }
    return fit_width(label, 40) + " : " + std::string(value);
}

void Summary::add(std::string_view label_and_value) {
    ++n_riassunto;
    riassunto.resize(static_cast<std::size_t>(n_riassunto) + 1);
    riassunto[static_cast<std::size_t>(n_riassunto)] = summary_line(label_and_value);
}

}  // namespace posteri
