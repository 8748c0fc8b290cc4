#pragma once
// A voice that says nothing, for runs where no speech engine is in use yet.

#include "platform/speech.h"

namespace posteri {

class NoSpeech : public Speech {
public:
    void speak(std::string_view) override {}
};

}  // namespace posteri
