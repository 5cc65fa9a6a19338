// What the strip shows for each combination of display settings, the date title, and the
// timer that ticks it.

#include "base/Timer.h"
#include "clock/ClockText.h"
#include "support/Fakes.h"

#include <QTest>

using namespace taku;

class TestClockText final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void text_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("flags"); // week, ampm, 24h, seconds, small, analog as bits 0..5
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("textVisible");
        QTest::addColumn<bool>("faceVisible");
        const struct {
            QTime time;
            int flags;
            const char* text;
            bool textVisible, faceVisible;
        } rows[] = {
            {QTime(23, 59, 59), 0b001111, "日 午後23:59:59", true, false},
            {QTime(9, 5, 7), 0, " 9:05", true, false},
            {QTime(12, 5), 0b10, " 午後0:05", true, false},
            {QTime(0, 5), 0b10, " 午前0:05", true, false},
            {QTime(21, 30), 0b101, "日 21:30", true, false},
            {QTime(10, 0), 0b101111, "日 午前10:00:00", true, true},
            {QTime(8, 1, 2), 0b010000, " 8:01", false, true},
        };
        for (const auto& r : rows)
            QTest::newRow(r.text) << r.time << r.flags << QString::fromUtf8(r.text) << r.textVisible
                                  << r.faceVisible;
    }
    void text() {
        QFETCH(QTime, time);
        QFETCH(int, flags);
        const DisplayFlags f{bool(flags & 1), bool(flags & 2),  bool(flags & 4),
                             bool(flags & 8), bool(flags & 16), bool(flags & 32)};
        const ClockLayout layout = composeClock(QDateTime(QDate(2006, 12, 24), time), f);
        QTEST(layout.text, "text");
        QTEST(layout.textVisible, "textVisible");
        QTEST(layout.faceVisible, "faceVisible");
    }

    void titleAndWeekdays() {
        QCOMPARE(dateTitle(QDate(2027, 1, 5)), QStringLiteral("2027.1.5 火"));
        QCOMPARE(dayOfWeek(QDate(2026, 12, 26)), 7);
        QCOMPARE(Get_Week(8), QString());
    }

    void timerModesAndTheWallSecond() {
        Timer once(100, TimerMode::Once);
        int runs = 0;
        once.Action = [&] { ++runs; };
        once.fire();
        once.fire();
        QCOMPARE(runs, 1);
        QCOMPARE(once.Mode(), TimerMode::Off);
        test::FakeClock clock(QDateTime(QDate(2026, 1, 1), QTime(10, 0, 0, 250)));
        Timer tick(kEveryWallSecond, TimerMode::Repeat);
        tick.alignToSeconds(&clock);
        QVERIFY(tick.nextDelay() >= 750 && tick.nextDelay() <= 755);
        tick.setPeriod(1000); // the pause after a chime is kept as it is
        QCOMPARE(tick.nextDelay(), 1000);
    }
};

QTEST_GUILESS_MAIN(TestClockText)
#include "test_clock_text.moc"
