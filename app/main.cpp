#include "app/App.h"
#include "app/Signals.h"
#include "base/Backends.h"
#include "clock/W_Time.h"

int main(int argc, char** argv) {
    // The strip is a few hundred bytes of pixels: shared-memory transfers would only add a
    // completion event, and so a second wake-up, to every repaint.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // With TZ unset the C library checks /etc/localtime on the disk at every reading of the
    // local time, once a second all day. Naming the same file once reads it once; daylight
    // saving rules come with it.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
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
    app.attachClock(&clock);
    clock.Open();
    clock.show();
    taku::closeClockOnTerminationSignals();
    const int result = taku::App::exec();
    taku::services() = {};
    return result;
}
