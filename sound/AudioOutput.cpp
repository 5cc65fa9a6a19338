#include "sound/AudioOutput.h"

#include "base/Logging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <SDL.h>
#include <SDL_mixer.h>

namespace taku::audio {

namespace {

constexpr int kIdleCheckMs = 2000;
constexpr qint64 kQuietBeforeCloseMs = 5000;

std::recursive_mutex& mutex() {
    static std::recursive_mutex m;
    return m;
}

bool opened = false;
bool fellBack = false;
bool silent = false;
QElapsedTimer sinceUse;

bool openMixer() {
    // The program handles SIGINT and SIGTERM itself (closing the clock saves the preferences);
    // SDL's own handlers would swallow them into an event queue nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(kFrequency, AUDIO_S16SYS, 2, 1024) != 0) {
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
    QMetaObject::invokeMethod(app, [] { idleTimer()->start(); }, Qt::QueuedConnection);
}

} // namespace

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
    if (opened) {
        const char* driver = SDL_GetCurrentAudioDriver();
        silent = driver && (qstrcmp(driver, "dummy") == 0 || qstrcmp(driver, "disk") == 0);
        startIdleCheck();
    }
    return opened;
}

bool isOpen() {
    auto guard = lock();
    return opened;
}

bool isSilentFallback() {
    auto guard = lock();
    return silent;
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
