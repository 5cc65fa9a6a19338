// The settings window writes through the settings store and the clock follows; its buttons
// reach the clock through the clock commands.

#include "clock/StaticText.h"
#include "clock/W_Time.h"
#include "prefs/W_Set.h"
#include "support/TestEnv.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace taku;

class TestSettingsWindow final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsReachTheClock() {
        test::TestEnv env;
        W_Time clock;
        services().commands = &clock.core();
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
};

QTEST_MAIN(TestSettingsWindow)
#include "test_settings_window.moc"
