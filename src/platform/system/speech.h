// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text-to-speech. speak() returns when the voice has finished; without a voice it returns at once.

#include <string_view>

namespace posteri {

class Speech {
public:
    virtual ~Speech() = default;
    // text: Windows-1252.
    virtual void speak(std::string_view text) = 0;
};

}  // namespace posteri
