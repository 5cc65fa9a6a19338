#include "app/App.h"
#include "app/QtPlatform.h"
#include "app/Signals.h"
#include "app/SingleInstance.h"
#include "base/Backends.h"
#include "base/DataFolder.h"
#include "clock/W_Time.h"
#include "desktop/Autostart.h"
#include "desktop/DesktopSession.h"
#include "prefs/W_Quiet.h"

#include <QDir>

#include <malloc.h>

int main(int argc, char** argv) {
    // Speech samples take hundreds of kilobytes a time. A fixed threshold keeps such blocks in
    // their own mappings, given back when freed; the default threshold rises after the first
    // one is freed, and the later ones then stay in the heap for good.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // The strip is a few hundred bytes of pixels: shared-memory transfers would only add a
    // completion event, and so a second wake-up, to every repaint.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // With TZ unset the C library checks /etc/localtime on the disk at every reading of the
    // local time, once a second all day. Naming the same file once reads it once; daylight
    // saving rules come with it.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QByteArray platform =
        taku::chosenQtPlatform(QProcessEnvironment::systemEnvironment(), args);
    if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform);
    taku::App app(argc, argv);
    // One clock per data folder: a later start shows the running clock's settings and ends
    // before it opens a window or reads a file of the folder.
    const QString folder =
        taku::dataFolder().isEmpty()
            ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Taku_DATA"))
            : taku::dataFolder();
    taku::SingleInstance instance(folder, taku::SingleInstance::runtimeFolder());
    switch (instance.claim()) {
    case taku::SingleInstance::Claim::HandedOver:
        return 0;
    case taku::SingleInstance::Claim::NoAnswer:
        qCritical("chikutaku: a clock of this data folder is running but does not answer");
        return 1;
    case taku::SingleInstance::Claim::First:
        break;
    }
    QObject::connect(&instance, &taku::SingleInstance::settingsRequested, &app,
                     [&app] { app._Setting_Action(); });
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
    // Quiet time, the lock, the speak-now key and the tray icon, as far as they are chosen.
    taku::DesktopSession desktop(clock.core());
    QObject::connect(&desktop, &taku::DesktopSession::settingsRequested, &app,
                     [&app] { app._Setting_Action(); });
    QObject::connect(&desktop, &taku::DesktopSession::quitRequested, &app, &taku::App::closeClock);
    taku::W_Quiet::setShortcutCheck(
        [&desktop](const QString& key) { return desktop.shortcutProblem(key); });
    const QString executable = taku::autostart::thisExecutable();
    taku::W_Quiet::setAutostart(
        {[executable] { return taku::autostart::enabled(executable); },
         [executable](bool on) { return taku::autostart::setEnabled(on, executable); }});
    taku::closeClockOnTerminationSignals();
    const int result = taku::App::exec();
    taku::W_Quiet::setShortcutCheck({});
    taku::W_Quiet::setAutostart({});
    taku::services() = {};
    return result;
}
