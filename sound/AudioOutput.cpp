#include "sound/AudioOutput.h"

#include "app/Logging.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace taku::audio {

namespace {
bool opened = false;
bool tried = false;
bool silent = false;

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
} // namespace

bool ensureOpen() {
    if (tried) return opened;
    tried = true;
    opened = openMixer();
    if (!opened) {
        qCWarning(lcFiles) << "no sound device (" << SDL_GetError()
                           << "); falling back to silent output";
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        opened = openMixer();
        silent = opened;
        if (!opened) qCWarning(lcFiles) << "even the silent audio output failed:" << SDL_GetError();
    } else {
        const char* driver = SDL_GetCurrentAudioDriver();
        silent = driver && (qstrcmp(driver, "dummy") == 0 || qstrcmp(driver, "disk") == 0);
    }
    return opened;
}

bool isSilentFallback() { return silent; }

} // namespace taku::audio
