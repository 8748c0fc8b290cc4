// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system/espeak_speech.h"

#include <SDL.h>
#include <alsa/asoundlib.h>
#include <espeak-ng/espeak_ng.h>

#include <string>

#include "format/codepage.h"

namespace posteri {

namespace {

constexpr const char* kItalianVoice = "it";
// How often the end of playing is looked for.
constexpr Uint32 kPollMs = 10;

int collect_samples(short* samples, int count, espeak_EVENT* events) {
    if (samples != nullptr && count > 0 && events != nullptr) {
        auto* out = static_cast<std::vector<std::int16_t>*>(events->user_data);
        out->insert(out->end(), samples, samples + count);
    }
    return 0;
}

// ALSA writes its errors (no sound card, for one) to stderr, over the screen; they are dropped.
void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}

// Plays the samples and returns when the last of them has been heard; silent when no audio
// device opens. Only SDL's audio part is started, and stopped again, so SDL windows are untouched.
void play(const SpokenAudio& audio) {
    snd_lib_error_set_handler(quiet_alsa);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec wanted{};
    wanted.freq = audio.sample_rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 1024;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device != 0) {
        SDL_QueueAudio(device, audio.samples.data(), Uint32(audio.samples.size() * sizeof(std::int16_t)));
        SDL_PauseAudioDevice(device, 0);
        while (SDL_GetQueuedAudioSize(device) > 0) SDL_Delay(kPollMs);
        // The device's own buffer still holds the last stretch.
        SDL_Delay(Uint32(obtained.samples) * 1000 / Uint32(obtained.freq) + kPollMs);
        SDL_CloseAudioDevice(device);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// Starts the engine with the Italian voice once; false when that cannot be done.
bool italian_voice_ready() {
    static const bool ready = [] {
        espeak_ng_InitializePath(nullptr);
        espeak_ng_ERROR_CONTEXT context = nullptr;
        const bool started = espeak_ng_Initialize(&context) == ENS_OK &&
                             espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr) == ENS_OK;
        espeak_ng_ClearErrorContext(&context);
        if (!started) return false;
        espeak_SetSynthCallback(collect_samples);
        return espeak_ng_SetVoiceByName(kItalianVoice) == ENS_OK;
    }();
    return ready;
}

}  // namespace

SpokenAudio EspeakSpeech::synthesise(std::string_view text) {
    SpokenAudio audio;
    if (!italian_voice_ready()) return audio;
    const std::string utf8 = cp1252_to_utf8(text);
    const espeak_ng_STATUS status = espeak_ng_Synthesize(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0,
                                                         espeakCHARS_UTF8, nullptr, &audio.samples);
    if (status != ENS_OK || espeak_ng_Synchronize() != ENS_OK) audio.samples.clear();
    audio.sample_rate = espeak_ng_GetSampleRate();
    return audio;
}

void EspeakSpeech::speak(std::string_view text) {
    const SpokenAudio audio = synthesise(text);
    if (!audio.samples.empty() && audio.sample_rate > 0) play(audio);
}

}  // namespace posteri
