// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/choice_list.h"

#include "ui/console_text.h"
#include "ui/sorting_list_picker.h"

namespace posteri {

namespace {

// Room left for the lines the run has written above and below the list.
constexpr int kRowsAroundTheList = 4;

}  // namespace

std::string function_keys_and_pointer() {
    return "ESCI CON /" + keys::kF1 + "/" + keys::kF2 + "/" + keys::kF3 + "/" + keys::kF4 + "/" + keys::kF5 + "/" +
           keys::kF10 + "/<";
}

std::int32_t choose_in_list(Platform& platform, std::vector<std::string>& items, std::int32_t count,
                            std::int32_t selection, std::int32_t foreground, std::string options) {
    std::int32_t row = 0;
    std::int32_t column = 0;
    std::int32_t background = kWhite;
    std::int32_t columns = 1;
    std::int32_t height = platform.console.size().rows - kRowsAroundTheList;
    ALONENEW_ORDINA(platform, row, column, background, foreground, columns, items, count, selection, height,
                    options);
    return selection;
}

}  // namespace posteri
