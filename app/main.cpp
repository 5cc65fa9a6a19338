#include "app/App.h"
#include "app/Backends.h"
#include "app/Signals.h"
#include "clock/W_Time.h"

int main(int argc, char** argv) {
    taku::App app(argc, argv);
    auto speech = taku::makeSpeechBackend();
    auto sound = taku::makeSoundBackend();
    auto dialogs = taku::makeDialogsBackend();
    auto browser = taku::makeBrowserBackend();
    taku::Services& s = taku::services();
    s.speech = speech.get();
    s.sound = sound.get();
    s.dialogs = dialogs.get();
    s.browser = browser.get();

    taku::W_Time clock;
    clock.Open();
    clock.show();
    taku::closeClockOnTerminationSignals();
    const int result = taku::App::exec();
    taku::services() = {};
    return result;
}
