// The clock window's tick: what it shows, and at second 0 whether the alarm, the chime or the
// spoken time starts — in that order, one of them, once — and the periods it gives the timers.

#include "app/Settings.h"
#include "app/TextFile.h"
#include "clock/FaceCanvas.h"
#include "clock/W_Time.h"
#include "prefs/PrefsFile.h"
#include "support/TestEnv.h"

#include "clock/StaticText.h"
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {
QDateTime at(int h, int m, int s, QDate date = QDate(2026, 12, 24)) {
    return QDateTime(date, QTime(h, m, s));
}
} // namespace

class TestTick final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<W_Time> w;

    // A clock window opened on a first run (no preferences file) at the given moment.
    W_Time& open(const QDateTime& t) {
        env->clock.set(t);
        w = std::make_unique<W_Time>();
        w->Open();
        return *w;
    }
    void tickAt(const QDateTime& t) {
        env->clock.set(t);
        w->Timer1_Action();
    }
    bool chimeStarted() const { return w->Timer2.Mode() == 2; }
    bool speechArmed() const { return w->Timer3.Mode() == 1; }

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() {
        w.reset();
        env.reset();
    }

    void openSetsTitleAndFirstRunValues() {
        W_Time& c = open(at(10, 0, 0));
        QCOMPARE(c.windowTitle(), QStringLiteral("2026.12.24 木"));
        QCOMPARE(c.height(), 22);
        QCOMPARE(c.LastDay, 24);
        QVERIFY(c.AnnounceReady);
        QCOMPARE(c.IntervalMinutes, 60);
        QCOMPARE(c.TickPeriod, 1000);
        QVERIFY(Settings().ShowWeek && Settings().ShowSeconds);
        QVERIFY(!speechArmed()); // the date is not spoken unless asked for
    }

    void tickShowsTextAndWidth() {
        W_Time& c = open(at(23, 59, 58));
        tickAt(at(23, 59, 59));
        QCOMPARE(c.Static_Time->text(), QStringLiteral("木 午後23:59:59"));
        QCOMPARE(c.TimeText, c.Static_Time->text());
        QCOMPARE(c.width(), 103);
        QVERIFY(c.Static_Time->isVisibleTo(&c));
        // The label keeps its right edge 4 pixels in from the strip's right edge.
        QCOMPARE(c.Static_Time->geometry().right() + 1, c.width() - 4);

        Settings().SmallView = true;
        tickAt(at(0, 0, 1, QDate(2026, 12, 25)));
        QCOMPARE(c.width(), 22);
        QVERIFY(!c.Static_Time->isVisibleTo(&c));
        QVERIFY(c.Canvas1->isVisibleTo(&c));
        QCOMPARE(c.TimeText, QStringLiteral("金 午前0:00:01")); // kept though not shown
    }

    void titleChangesOnTheFirstTickOfANewDay() {
        W_Time& c = open(at(23, 59, 59));
        c.setWindowTitle(QStringLiteral("changed by hand"));
        tickAt(at(23, 59, 59));
        QCOMPARE(c.windowTitle(), QStringLiteral("changed by hand")); // same day: untouched
        tickAt(at(0, 0, 0, QDate(2026, 12, 25)));
        QCOMPARE(c.windowTitle(), QStringLiteral("2026.12.25 金"));
        QCOMPARE(c.LastDay, 25);
    }

    void ordinaryTickAsksForTheNextSecond() {
        W_Time& c = open(at(10, 0, 5));
        c.Timer1.setPeriod(1000);
        tickAt(at(10, 0, 6));
        QCOMPARE(c.Timer1.Period(), 1);
        QCOMPARE(c.Timer1.Mode(), 2);
    }

    void announcementAtDueMinutesOnly_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<bool>("due");
        QTest::newRow("hourly on the hour") << 0 << at(10, 0, 0) << true;
        QTest::newRow("hourly at :30") << 0 << at(10, 30, 0) << false;
        QTest::newRow("15 min at :45") << 2 << at(10, 45, 0) << true;
        QTest::newRow("15 min at :50") << 2 << at(10, 50, 0) << false;
        QTest::newRow("15 min at :45:01") << 2 << at(10, 45, 1) << false;
        QTest::newRow("every minute") << 5 << at(10, 7, 0) << true;
        QTest::newRow("every minute at :59") << 5 << at(10, 7, 59) << false;
    }
    void announcementAtDueMinutesOnly() {
        QFETCH(int, interval);
        QFETCH(QDateTime, when);
        QFETCH(bool, due);
        open(when.addSecs(-1));
        Settings().AnnounceOn = true;
        Settings().IntervalIndex = interval;
        w->Set_Int_Time();
        tickAt(when);
        QCOMPARE(speechArmed(), due);
        QVERIFY(!chimeStarted());
        QVERIFY(w->AnnounceReady); // Take_An frees the clock at once
    }

    void chimeWinsOverAnnouncement() {
        open(at(9, 59, 59));
        Settings().AnnounceOn = true;
        Settings().SoundOn = true;
        tickAt(at(10, 0, 0));
        QVERIFY(chimeStarted());
        QVERIFY(!speechArmed());
        QVERIFY(!w->AnnounceReady);
    }

    void customSoundChimesAndKeepsQuiet() {
        open(at(9, 59, 59));
        Settings().AnnounceOn = true;
        Settings().CustomSound = true;
        tickAt(at(10, 0, 0));
        QVERIFY(!speechArmed());
        QVERIFY(!w->AnnounceReady || chimeStarted());
    }

    void nothingStartsWhileASequenceRuns() {
        open(at(9, 59, 59));
        Settings().AnnounceOn = true;
        w->AnnounceReady = false;
        tickAt(at(10, 0, 0));
        QVERIFY(!speechArmed());
        QVERIFY(!chimeStarted());
    }

    void alarmComesFirstAndEndsTheTick() {
        W_Time& c = open(at(7, 29, 59));
        Settings().AlarmOn = true;
        Settings().AlarmHour = 7;
        Settings().AlarmMinute = 30;
        Settings().SoundOn = true;
        Settings().AnnounceOn = true;
        Settings().IntervalIndex = 1; // 30 minutes: the interval chime is due too
        c.Set_Int_Time();
        c.Timer1.setPeriod(1000);
        tickAt(at(7, 30, 0));
        QVERIFY(chimeStarted());
        QVERIFY(!speechArmed());
        QCOMPARE(c.Timer1.Period(), 1000); // the tick ended before resetting the period
    }

    void alarmSpeaksWithoutSound() {
        open(at(7, 29, 59));
        Settings().AlarmOn = true;
        Settings().AlarmHour = 7;
        Settings().AlarmMinute = 30;
        tickAt(at(7, 30, 0));
        QVERIFY(speechArmed());
        QVERIFY(!chimeStarted());
    }

    void alarmNeverAtTheOtherHalfOfTheDay() {
        open(at(19, 29, 59));
        Settings().AlarmOn = true;
        Settings().AlarmHour = 7;
        Settings().AlarmMinute = 30;
        tickAt(at(19, 30, 0));
        QVERIFY(!speechArmed());
        tickAt(at(7, 30, 1));
        QVERIFY(!speechArmed()); // second 0 only
    }

    void speechHandOverRestoresTheTick() {
        W_Time& c = open(at(9, 59, 59));
        Settings().AnnounceOn = true;
        tickAt(at(10, 0, 0));
        QVERIFY(speechArmed());
        c.AnnounceReady = false;
        c.Timer3.fire();
        QCOMPARE(env->speech.spoken.size(), 1);
        QCOMPARE(env->speech.interrupts.value(0), false);
        QCOMPARE(c.Timer1.Period(), 1000);
        QCOMPARE(c.Timer1.Mode(), 2);
        QVERIFY(c.AnnounceReady);
        QCOMPARE(c.Timer3.Mode(), 0);
    }

    void intervalOutsideTheListNeverDividesByZero() {
        W_Time& c = open(at(9, 59, 59));
        c.IntervalMinutes = 0;
        Settings().IntervalIndex = 9;
        c.Set_Int_Time();
        QCOMPARE(c.IntervalMinutes, 0); // an unknown choice leaves it alone
        Settings().AnnounceOn = true;
        tickAt(at(10, 30, 0));
        QVERIFY(!speechArmed());
        tickAt(at(11, 0, 0));
        QVERIFY(speechArmed()); // taken as hourly
    }

    void startsWithoutADataFolder() {
        cleanup();
        env = std::make_unique<TestEnv>(false);
        W_Time& c = open(at(12, 0, 0));
        QVERIFY(Settings().ShowWeek && Settings().Show24Hour);
        QCOMPARE(Settings().Volume, 100);
        tickAt(at(12, 0, 1));
        QCOMPARE(c.Static_Time->text(), QStringLiteral("木 午後12:00:01"));
        c.Save_Pref(); // skipped: the folder is never created
        QVERIFY(!QFileInfo::exists(env->dataPath()));
    }

    void dateAtStartIsSpokenWhenAsked() {
        SettingsRecord r;
        r.applyFirstRunValues();
        r.SpeakDateAtStart = true;
        env->write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs({100, 200}, r)));
        open(at(8, 0, 0));
        QVERIFY(speechArmed());
        QVERIFY(!w->AnnounceReady); // until the speech timer has handed the date over
        w->Timer3.fire();
        QVERIFY(w->AnnounceReady);
        QCOMPARE(env->speech.spoken.size(), 1);
    }
};

QTEST_MAIN(TestTick)
#include "test_tick.moc"
