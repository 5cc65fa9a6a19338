#include "speech/EspeakEngine.h"

#include "base/Logging.h"

#include <QFile>
#include <QFileInfo>
#include <espeak-ng/speak_lib.h>

namespace taku {

namespace {

// espeak-ng calls back on a thread of its own in retrieval mode; the samples go to the one
// synthesis running at a time.
std::mutex collectMutex;
std::vector<short>* collectTarget = nullptr;

int collectSamples(short* wav, int count, espeak_EVENT*) {
    std::lock_guard lock(collectMutex);
    if (wav && count > 0 && collectTarget)
        collectTarget->insert(collectTarget->end(), wav, wav + count);
    return 0; // go on synthesising
}

} // namespace

EspeakEngine::EspeakEngine(const QString& dataPath) {
    const QByteArray path = QFile::encodeName(dataPath);
    // DONT_EXIT: without its data espeak-ng would otherwise end the whole program.
    sampleRate_ = espeak_Initialize(AUDIO_OUTPUT_RETRIEVAL, 0,
                                    dataPath.isEmpty() ? nullptr : path.constData(),
                                    espeakINITIALIZE_DONT_EXIT);
    if (sampleRate_ <= 0) return;
    espeak_SetSynthCallback(collectSamples);
    const char* home = nullptr;
    espeak_Info(&home);
    const bool hasData =
        home && QFileInfo::exists(QFile::decodeName(home) + QStringLiteral("/phontab"));
    ok_ = hasData && selectVoice(QStringLiteral("en"));
}

EspeakEngine& EspeakEngine::shared(const QString& dataPath) {
    // Never destroyed: terminating espeak-ng at exit could wait on its own threads.
    static EspeakEngine* engine = new EspeakEngine(dataPath);
    return *engine;
}

bool EspeakEngine::selectVoice(const QString& name) {
    if (voice_ == name) return true;
    if (espeak_SetVoiceByName(name.toLatin1().constData()) != EE_OK) return false;
    voice_ = name;
    return true;
}

std::vector<short> EspeakEngine::synthesize(const QString& text, const QString& voice) {
    std::vector<short> samples;
    if (!ok_) return samples;
    std::lock_guard turn(mutex_);
    if (!selectVoice(voice)) {
        qCWarning(lcFiles) << "espeak-ng has no voice" << voice;
        return samples;
    }
    const QByteArray utf8 = text.toUtf8();
    {
        std::lock_guard lock(collectMutex);
        collectTarget = &samples;
    }
    const espeak_ERROR result =
        espeak_Synth(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, nullptr);
    if (result == EE_OK) espeak_Synchronize();
    {
        std::lock_guard lock(collectMutex);
        collectTarget = nullptr;
    }
    return samples;
}

} // namespace taku
