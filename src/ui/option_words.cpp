// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/option_words.h"

#include <algorithm>

#include "format/text.h"
#include "platform/terminal/console.h"

namespace posteri {

namespace {

constexpr std::string_view kExitKeysWord = "ESCI CON ";

}  // namespace

bool has_option(std::string_view options, std::string_view word) {
    return to_upper(options).find(word) != std::string::npos;
}

std::string picker_exit_keys(std::string_view options) {
    const std::string upper = to_upper(options);
    const std::size_t found = upper.find(kExitKeysWord);
    if (found == std::string::npos) return {};
    return upper.substr(found + kExitKeysWord.size());
}

bool is_picker_exit_key(std::string_view exit_keys, std::string_view key) {
    const std::string enclosed = "/" + to_upper(key) + "/";
    return exit_keys.find(enclosed) != std::string_view::npos;
}

std::string editor_exit_keys(std::string_view options) {
    std::string keys = picker_exit_keys(options);
    keys.resize(std::min(keys.size(), keys.find(' ')));
    return keys;
}

// An empty key string stands for no key at all, so it never ends the editor.
bool is_editor_exit_key(std::string_view exit_keys, std::string_view key) {
    return !key.empty() && exit_keys.find(to_upper(key)) != std::string_view::npos;
}

bool wants_pointer(std::string_view options) {
    return options.ends_with('<');
}

std::string no_exit_keys() {
    return "ESCI CON xy" + keys::kF1 + keys::kF2 + keys::kF3 + keys::kF4 + keys::kF5;
}

}  // namespace posteri
