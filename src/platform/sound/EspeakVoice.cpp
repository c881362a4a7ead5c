// SPDX-License-Identifier: MIT
#include "EspeakVoice.h"

#include "AudioPlayer.h"
#include "Loudness.h"

#include <espeak-ng/espeak_ng.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The engine is one set of globals in the library, and initialising it twice starts a second
// worker thread and leaks the first set of tables; it is set up once, kept for the life of the
// process, and used by one voice at a time.
std::mutex engineMutex;
bool engineInitialised = false;
bool outputReady = false;
std::string voiceLanguage; // of the voice chosen last, empty before the first
std::vector<std::int16_t> *collected = nullptr;

[[noreturn]] void fail(const char *what, espeak_ng_STATUS status)
{
    char message[512] = {};
    espeak_ng_GetStatusCodeMessage(status, message, sizeof message);
    throw PlatformError(std::string(what) + ": " + message);
}

int collectSamples(short *samples, int count, espeak_EVENT *)
{
    if (collected && samples && count > 0)
        collected->insert(collected->end(), samples, samples + count);
    return 0;
}

espeak_ng_STATUS chooseVoice(const std::string &language)
{
    espeak_VOICE wanted{};
    wanted.languages = language.c_str();
    return espeak_ng_SetVoiceByProperties(&wanted);
}

// The engine has one voice at a time; each voice puts its own back before it speaks. Call with
// engineMutex held.
void useVoice(const std::string &language)
{
    if (language == voiceLanguage)
        return;
    espeak_ng_STATUS status = language.empty() ? ENS_VOICE_NOT_FOUND : chooseVoice(language);
    if (status != ENS_OK)
        status = chooseVoice("en");
    if (status != ENS_OK)
        fail("no voice for speech", status);
    voiceLanguage = language;
}

// Call with engineMutex held.
void prepareEngine(const std::string &language)
{
    if (!engineInitialised) {
        // Not espeak_Initialize: it prints to stderr and ends the process when the data is missing.
        espeak_ng_InitializePath(nullptr);
        espeak_ng_ERROR_CONTEXT context = nullptr;
        const espeak_ng_STATUS status = espeak_ng_Initialize(&context);
        espeak_ng_ClearErrorContext(&context);
        if (status != ENS_OK)
            fail("cannot start the speech engine", status);
        engineInitialised = true;
    }
    if (!outputReady) {
        espeak_ng_STATUS status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
        if (status != ENS_OK)
            fail("cannot set up the speech engine", status);
        if (espeak_ng_GetSampleRate() != AudioPlayer::sampleRate)
            throw PlatformError("the speech engine's sample rate does not match the sound output");
        espeak_SetSynthCallback(collectSamples);
        outputReady = true;
    }
    useVoice(language);
}

} // namespace

EspeakVoice::EspeakVoice(AudioPlayer &player, const std::string &language)
    : m_player(player), m_language(language)
{
    std::lock_guard lock(engineMutex);
    prepareEngine(language);
}

void EspeakVoice::Speak(const QString &text)
{
    std::vector<std::int16_t> samples;
    {
        std::lock_guard lock(engineMutex);
        useVoice(m_language);
        const QByteArray utf8 = text.toUtf8();
        collected = &samples;
        // The size counts the terminating NUL, which espeak-ng reads as the end of the text.
        const espeak_ng_STATUS status = espeak_ng_Synthesize(
            utf8.constData(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
        collected = nullptr;
        if (status != ENS_OK)
            fail("speech synthesis failed", status);
    }
    levelSpeech(samples, AudioPlayer::sampleRate);
    m_player.play(samples);
}
