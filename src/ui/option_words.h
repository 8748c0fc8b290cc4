// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Option strings: the text a console widget takes its option words from and hands its ending key back
// in. Words are found anywhere in the upper-cased string; the exit keys follow "ESCI CON ".

#include <string>
#include <string_view>

namespace posteri {

// Whether the word occurs anywhere in the upper-cased option string, inside the key list included.
bool has_option(std::string_view options, std::string_view word);

// The pickers' exit keys: everything after the first "ESCI CON ", upper-cased ("" without one).
std::string picker_exit_keys(std::string_view options);
// A key ends a picker when "/" + its upper-cased key string + "/" occurs in the list.
bool is_picker_exit_key(std::string_view exit_keys, std::string_view key);

// The line editor's exit keys: the picker list cut at its first blank.
std::string editor_exit_keys(std::string_view options);
// A key ends the editor when its upper-cased key string occurs anywhere in the list.
bool is_editor_exit_key(std::string_view exit_keys, std::string_view key);

// "ESCI CON xy" followed by the key strings of F1 to F5 side by side: without slashes round them no
// key matches, so a picker given this list ends only in its own ways.
std::string no_exit_keys();

// A picker draws the "<" pointer when the option string ends with it.
bool wants_pointer(std::string_view options);

}  // namespace posteri
