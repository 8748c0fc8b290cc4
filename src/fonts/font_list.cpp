// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts/font_list.h"

#include <algorithm>
#include <string_view>

#include "format/text.h"
#include "ui/failure.h"

namespace posteri {

namespace {

// Faces of no use on a poster: vertical-writing faces ("@..."), nameless ones, every face with
// "721" in its name, and the mathematics face. The tests are exact and case-sensitive.
bool left_out(std::string_view name) {
    const std::string_view trimmed = trim_spaces(name);
    return trimmed.empty() || trimmed.front() == '@' || name.find("721") != std::string_view::npos ||
           name.find("Cambria Math") != std::string_view::npos;
}

}  // namespace

void LEGGIFON(Platform& platform, std::vector<std::string>& list, std::int32_t& count) {
    RoutineName routine("LEGGIFON");
    list.assign(1, std::string());
    for (const std::string& name : platform.fonts.family_names()) {
        if (!left_out(name)) list.push_back(name + std::string(kFontSample));
    }
    std::stable_sort(list.begin() + 1, list.end(),
                     [](const std::string& a, const std::string& b) { return sorts_before(a, b); });
    count = static_cast<std::int32_t>(list.size() - 1);
}

}  // namespace posteri
