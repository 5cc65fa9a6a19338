// The settings window writes through the settings store and the clock follows; its buttons
// reach the clock through the clock commands; quitting from any window saves the preferences.

#include "app/App.h"
#include "base/Windows.h"
#include "clock/StaticText.h"
#include "clock/W_Time.h"
#include "prefs/PrefsFile.h"
#include "prefs/W_Set.h"
#include "support/TestEnv.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace taku;

class TestWindows final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsReachTheClock() {
        test::TestEnv env;
        W_Time clock;
        qobject_cast<App*>(qApp)->attachClock(&clock);
        clock.Open();
        W_Set window;

        window.Popup_Time->setCurrentIndex(2);
        QCOMPARE(Settings().IntervalIndex, 2);
        QCOMPARE(clock.core().IntervalMinutes, 15);

        env.dialogs.colorAnswers.push_back(Rgb{10, 20, 30});
        QTest::mouseClick(window.Rect_Moji, Qt::LeftButton);
        QCOMPARE(Settings().TextColor, (Rgb{10, 20, 30}));
        QCOMPARE(clock.Static_Time->palette().color(QPalette::WindowText), QColor(10, 20, 30));

        window.UpDownArrows3_Down(); // the repeat count (0 here) stops at 1 going down
        window.UpDownArrows3_Up();
        window.UpDownArrows3_Down();
        QCOMPARE(Settings().AlarmRepeat, 1);

        window.PushButton4->click(); // try out the spoken time
        QCOMPARE(clock.core().Timer3.Mode(), TimerMode::Once);
        window.PushButton2->click(); // save
        QVERIFY(env.read(QStringLiteral("Taku.Prefs")).contains("10\t20\t30"));
        services().commands = nullptr;
    }

    void quitFromAnyWindowSavesThePreferences() {
        test::TestEnv env;
        env.edit([](SettingsRecord& s) { applyFirstRunValues(s), s.AlarmMinute = 42; });
        W_Time clock;
        clock.core().Timer1.setMode(TimerMode::Off);
        qobject_cast<App*>(qApp)->attachClock(&clock);
        clock.show();
        W_Set* w = showWindow<W_Set>();
        w->raise();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!clock.isVisible());
        settingsStore().replace(SettingsRecord{});
        clock.Set_Pref();
        QCOMPARE(Settings().AlarmMinute, 42);
        delete openWindow<W_Set>();
        services().commands = nullptr;
    }
};

int main(int argc, char** argv) {
    App app(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_windows.moc"
