// The timer the windows chain: modes, re-arming from inside its action, and the quiet tick
// that sleeps to the next second boundary instead of waking every millisecond.

#include "app/Timer.h"
#include "support/Fakes.h"

#include <QTest>

using namespace taku;

class TestTimer final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fireOnceTurnsItselfOff() {
        Timer t(100, 0);
        int runs = 0;
        t.Action = [&] { ++runs; };
        t.setMode(1);
        t.fire();
        QCOMPARE(runs, 1);
        QCOMPARE(t.Mode(), 0);
        t.fire(); // off: nothing happens
        QCOMPARE(runs, 1);
    }

    void actionCanRearmOrStop() {
        Timer t(100, 1);
        t.Action = [&] { t.setMode(1); };
        t.fire();
        QCOMPARE(t.Mode(), 1);
        Timer r(100, 2);
        r.Action = [&] { r.setMode(0); };
        r.fire();
        QCOMPARE(r.Mode(), 0);
    }

    void alignedDelayReachesTheNextSecond() {
        test::FakeClock clock(QDateTime(QDate(2026, 1, 1), QTime(10, 0, 0, 250)));
        Timer t(1, 2);
        t.alignToSeconds(&clock);
        QVERIFY(t.nextDelay() >= 750 && t.nextDelay() <= 755);
        clock.set(QDateTime(QDate(2026, 1, 1), QTime(10, 0, 0, 999)));
        QVERIFY(t.nextDelay() >= 1 && t.nextDelay() <= 5);
        // A period of a second or more is kept as it is (the pause after a chime or speech).
        t.setPeriod(1000);
        QCOMPARE(t.nextDelay(), 1000);
    }
};

QTEST_GUILESS_MAIN(TestTimer)
#include "test_timer.moc"
