// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Speech on Linux: espeak-ng's Italian voice synthesises each text into memory, and SDL's audio
// queue plays it, blocking until it has been heard. Without a voice or an audio device the program
// stays silent, and nothing is printed over the screen: espeak-ng's errors are kept as status codes
// and ALSA's error messages are silenced.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/system/speech.h"

namespace posteri {

// 16-bit mono samples.
struct SpokenAudio {
    int sample_rate = 0;
    std::vector<std::int16_t> samples;
};

// The speech engine is process-wide: it starts with the Italian voice on first use and stays for
// the rest of the process (espeak-ng does not start again once stopped). Used from one thread.
class EspeakSpeech : public Speech {
  public:
    void speak(std::string_view text) override;
    // The text (Windows-1252) in the Italian voice; no samples when there is no voice.
    SpokenAudio synthesise(std::string_view text);
};

}  // namespace posteri
