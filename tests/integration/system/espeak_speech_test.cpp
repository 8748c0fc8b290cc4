// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/espeak_speech.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace posteri {
namespace {

TEST(EspeakSpeech, AnItalianSentenceBecomesAudibleSamples) {
    EspeakSpeech speech;
    const SpokenAudio audio = speech.synthesise("Un poster per i posteri.");
    ASSERT_GT(audio.sample_rate, 0);
    // Some tenths of a second of sound, not silence.
    EXPECT_GT(audio.samples.size(), std::size_t(audio.sample_rate) / 4);
    const auto loudest = std::ranges::max(audio.samples, {}, [](std::int16_t s) { return std::abs(s); });
    EXPECT_GT(std::abs(loudest), 1000);
}

TEST(EspeakSpeech, AccentedTextIsSpokenAsLongerSpeech) {
    EspeakSpeech speech;
    const SpokenAudio short_text = speech.synthesise("\xE8");
    const SpokenAudio long_text =
        speech.synthesise("\xC8 un fatto fatto! Guarda il pdf. Puoi salvarlo se vuoi.");
    EXPECT_FALSE(short_text.samples.empty());
    EXPECT_GT(long_text.samples.size(), 4 * short_text.samples.size());
}

// Whether or not a sound device answers, speaking writes nothing over the terminal.
TEST(EspeakSpeech, SpeakingPrintsNothing) {
    EspeakSpeech speech;
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    speech.speak("Fatto!.");
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

}  // namespace
}  // namespace posteri
