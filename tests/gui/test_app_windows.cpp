// The about window and the menu bar's commands, run inside the real application object.

#include "about/Window1.h"
#include "app/App.h"
#include "base/Windows.h"
#include "clock/W_Time.h"
#include "events/W_Event.h"
#include "prefs/PrefsFile.h"
#include "prefs/W_Set.h"
#include "support/TestEnv.h"

#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

int visibleSettingsWindows() {
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        n += qobject_cast<W_Set*>(top) != nullptr && top->isVisible();
    return n;
}

bool bringToFront(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

} // namespace

class TestAppWindows final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<W_Time> clock;

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        env->edit([](SettingsRecord& s) { applyFirstRunValues(s); });
        clock = std::make_unique<W_Time>();
        clock->core().Timer1.setMode(TimerMode::Off);
        qobject_cast<App*>(qApp)->attachClock(clock.get());
        QVERIFY(bringToFront(clock.get()));
    }
    void cleanup() {
        delete openWindow<Window1>();
        delete openWindow<W_Set>();
        delete openWindow<W_Event>();
        clock.reset();
        env.reset();
    }

    // One about window at most: it greets when it opens, speaks on every entry to the link,
    // opens the author's page from it, and says goodbye only through its button.
    void aboutWindow() {
        Window1* w = showWindow<Window1>();
        QCOMPARE(showWindow<Window1>(), w);
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("Programmed by ChikuTaku")});
        for (int i = 0; i < 2; ++i) {
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
            QCoreApplication::sendEvent(w->StaticText2, &enter);
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(w->StaticText2, &leave);
        }
        QCOMPARE(env->speech.spoken.mid(1), QStringList(2, QStringLiteral("Welcom to my site!")));
        QTest::mouseClick(w->StaticText2, Qt::LeftButton);
        QCOMPARE(env->browser.urls, QStringList{QStringLiteral("http://" TAKU_AUTHOR_URL)});
        w->close();
        QCOMPARE(env->speech.spoken.size(), 3);
        delete openWindow<Window1>();

        w = showWindow<Window1>();
        QTest::mouseClick(w->PushButton1, Qt::LeftButton);
        QCOMPARE(env->speech.spoken.mid(3), (QStringList{QStringLiteral("Programmed by ChikuTaku"),
                                                         QStringLiteral("See you again!")}));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!openWindow<Window1>());
    }

    // The settings shortcut opens one settings window from whichever window is in front.
    void settingsShortcutFromAnyWindow() {
        QTest::keyClick(clock.get(), Qt::Key_Comma, Qt::ControlModifier);
        W_Set* w = openWindow<W_Set>();
        QVERIFY(w && w->isVisible());
        W_Event* events = showWindow<W_Event>();
        QVERIFY(bringToFront(events));
        QTest::keyClick(events, Qt::Key_Comma, Qt::ControlModifier);
        QVERIFY(bringToFront(w));
        QTest::keyClick(w, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(openWindow<W_Set>(), w);
        QCOMPARE(visibleSettingsWindows(), 1);
    }

    void quitClosesTheClockAndSavesThePreferences() {
        env->edit([](SettingsRecord& s) { s.AlarmMinute = 42; });
        W_Set* w = showWindow<W_Set>();
        QVERIFY(bringToFront(w));
        QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!clock->isVisible());
        settingsStore().replace(SettingsRecord{});
        clock->Set_Pref();
        QCOMPARE(Settings().AlarmMinute, 42);
    }
};

int main(int argc, char** argv) {
    App app(argc, argv);
    TestAppWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_app_windows.moc"
