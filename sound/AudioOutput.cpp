#include "sound/AudioOutput.h"

#include "base/Logging.h"
#include "base/Services.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <SDL.h>
#include <SDL_mixer.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>

namespace taku::audio {

namespace {

constexpr int kIdleCheckMs = 2000;
constexpr qint64 kQuietBeforeCloseMs = 5000;
constexpr int kBufferFrames = 512;
// A sample below this (about -50 dBFS) is silence still.
constexpr int kAudibleLevel = 100;
// An expectation this long past its due time belongs to a sound that never came.
constexpr qint64 kStaleMs = 60000;
const char* const kAppName = "ちくたく時計";

std::recursive_mutex& mutex() {
    static std::recursive_mutex m;
    return m;
}

bool opened = false;
bool fellBack = false;
QElapsedTimer sinceUse;

// The sound server (PulseAudio, or PipeWire through it) lists the clock's stream by name and
// icon in the desktop's volume mixer, and keeps its level as that of an event sound. SDL passes
// the name on, and the role to PipeWire; libpulse reads the icon and, for SDL's PulseAudio
// driver, which sets no role, the role from PULSE_PROP_* when SDL connects. What the user set
// in the environment stays.
void nameTheStream() {
    SDL_SetHint(SDL_HINT_APP_NAME, kAppName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, kAppName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, kAppName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "event");
    static const bool named = [] {
        for (const auto& [name, value] : {std::pair{"PULSE_PROP_application.icon_name", "chikutaku"},
                                          std::pair{"PULSE_PROP_media.role", "event"}})
            if (!qEnvironmentVariableIsSet(name)) qputenv(name, value);
        return true;
    }();
    (void)named;
}

bool openMixer() {
    // The program handles SIGINT and SIGTERM itself (closing the clock saves the preferences);
    // SDL's own handlers would swallow them into an event queue nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    nameTheStream();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(kFrequency, AUDIO_S16SYS, 2, kBufferFrames) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(kChannels);
    Mix_ReserveChannels(1); // channel 0: speech
    return true;
}

bool diskDriver() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver && qstrcmp(driver, "disk") == 0;
}

// Runs on the UI thread while the output is open.
QTimer* idleTimer() {
    static QTimer* timer = [] {
        auto* t = new QTimer(QCoreApplication::instance());
        t->setInterval(kIdleCheckMs);
        QObject::connect(t, &QTimer::timeout, t, [t] {
            auto guard = lock();
            if (!opened) {
                t->stop();
            } else if (sinceUse.elapsed() >= kQuietBeforeCloseMs && closeIfIdle()) {
                t->stop();
            }
        });
        return t;
    }();
    return timer;
}

void startIdleCheck() {
    QCoreApplication* app = QCoreApplication::instance();
    // The disk driver rewrites its file at every opening, so a recording stays open.
    if (!app || diskDriver()) return;
    QMetaObject::invokeMethod(
        app, [] { idleTimer()->start(); }, Qt::QueuedConnection);
}

// Onsets: the due time each kind of sound awaits (0: none), and per channel the sound being
// watched for its first audible frame. The effect runs on SDL's audio thread.
std::array<std::atomic<qint64>, 2> expectedDue{};

struct Watch final {
    OnsetKind kind = OnsetKind::Chime;
    qint64 due = 0;
    int frequency = kFrequency;
    int channels = 2;
    std::atomic<bool> pending{false};
};
std::array<Watch, kChannels> watches;

void onsetEffect(int channel, void* stream, int len, void*) {
    if (channel < 0 || channel >= kChannels) return;
    Watch& w = watches[static_cast<size_t>(channel)];
    if (!w.pending.load()) return;
    const auto* samples = static_cast<const Sint16*>(stream);
    const int count = len / static_cast<int>(sizeof(Sint16));
    int i = 0;
    while (i < count && std::abs(int(samples[i])) < kAudibleLevel)
        ++i;
    if (i == count) return;
    w.pending = false;
    const double frames = i / w.channels + kBufferFrames;
    const qint64 heard = NowMSecs() + std::llround(frames * 1000.0 / w.frequency);
    const qint64 late = heard - w.due;
    qCInfo(lcAudio).noquote() << QStringLiteral("onset %1 %2%3 ms")
                                     .arg(w.kind == OnsetKind::Chime ? QStringLiteral("chime")
                                                                     : QStringLiteral("speech"),
                                          late >= 0 ? QStringLiteral("+") : QString())
                                     .arg(late);
}

} // namespace

void warmUp() { ensureOpen(); }

void expectOnset(OnsetKind kind, qint64 dueEpochMs) {
    expectedDue[static_cast<size_t>(kind)] = dueEpochMs;
}

void watchOnset(int channel, OnsetKind kind) {
    if (channel < 0 || channel >= kChannels) return;
    const qint64 due = expectedDue[static_cast<size_t>(kind)].exchange(0);
    if (due == 0 || NowMSecs() - due > kStaleMs) return;
    Watch& w = watches[static_cast<size_t>(channel)];
    Uint16 format = 0;
    if (Mix_QuerySpec(&w.frequency, &format, &w.channels) == 0) return;
    w.kind = kind;
    w.due = due;
    w.pending = true;
    // The mixer drops a channel's effects when its sound ends, so each sound registers anew.
    Mix_RegisterEffect(channel, onsetEffect, nullptr, nullptr);
}

std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock(mutex()); }

bool ensureOpen() {
    auto guard = lock();
    sinceUse.start();
    if (opened) return true;
    opened = openMixer();
    if (!opened && !fellBack) {
        qCWarning(lcFiles) << "no sound device (" << SDL_GetError()
                           << "); falling back to silent output";
        fellBack = true;
        // Over any driver named in the environment, which is what failed.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        opened = openMixer();
        if (!opened) qCWarning(lcFiles) << "even the silent audio output failed:" << SDL_GetError();
    }
    if (opened) startIdleCheck();
    return opened;
}

bool isOpen() {
    auto guard = lock();
    return opened;
}

bool closeIfIdle() {
    auto guard = lock();
    if (!opened) return true;
    if (Mix_Playing(-1) != 0) return false;
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    opened = false;
    return true;
}

} // namespace taku::audio
