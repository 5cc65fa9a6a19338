#include "app/App.h"

#include "about/My_ICON.h"
#include "app/MenuBar1.h"
#include "base/Logging.h"
#include "base/Windows.h"
#include "clock/W_Time.h"
#include "prefs/W_Set.h"

#include <QAction>
#include <QLibraryInfo>
#include <QLocale>
#include <QThreadPool>
#include <QTranslator>

namespace taku {

App::App(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("chikutaku"));
    setApplicationVersion(QStringLiteral(TAKU_VERSION));
    // Qt fills large areas, such as the icon's larger sizes drawn here, on pool threads; a
    // clock that then only draws a few characters a second lets them end at once rather than
    // wake once more half a minute later.
    QThreadPool::globalInstance()->setExpiryTimeout(0);
    setWindowIcon(applicationIcon());
    // Qt's own texts (the standard dialogs' buttons, the colour dialog, the shortcut field) in
    // Japanese like the rest of the program, whatever language the desktop speaks.
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qt"),
                      QStringLiteral("_"), translations))
        installTranslator(qtTexts);
    else
        qCWarning(lcFiles) << "no Japanese translations of Qt in" << translations
                           << "(Debian package qt6-translations-l10n); Qt's dialogs speak English";
    // Only the clock window's closing ends the program.
    setQuitOnLastWindowClosed(false);
    menuBar_ = new MenuBar1(this);
}

App::~App() {
    delete menuBar_;
    menuBar_ = nullptr;
}

void App::EnableMenuItems() {
    if (QAction* item = Setting()) item->setEnabled(true);
}

bool App::_Setting_Action() {
    showWindow<W_Set>();
    return false;
}

void App::attachClock(W_Time* clock) {
    clock_ = clock;
    services().commands = &clock->core();
    services().settingsFile = &clock->prefs();
    connect(clock, &W_Time::settingsRequested, this, [this] { _Setting_Action(); });
    connect(clock, &W_Time::menuRequested, this, &showMenuBarAsPopup);
}

void App::closeClock() {
    if (clock_)
        clock_->close();
    else
        quit();
}

} // namespace taku
