// When a chime or a spoken time is left out, and what a wake from sleep still owes.

#include "clock/ClockCore.h"
#include "prefs/Quiet.h"
#include "support/Fakes.h"

#include <QTest>

using namespace taku;

Q_DECLARE_METATYPE(SoundKind)
Q_DECLARE_METATYPE(SkipReason)
Q_DECLARE_METATYPE(MissedAlarm)

class TestQuiet final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Letters of desk: the option (lower case) and the desktop's state (upper case): l/L quiet
    // while locked / locked, d/D while notifications are muted / muted, c/C in a call / a
    // microphone recording, f/F under a full-screen window / one focused.
    void reason_data() {
        for (const char* c : {"start", "end"})
            QTest::addColumn<int>(c);
        QTest::addColumn<QString>("desk");
        QTest::addColumn<SoundKind>("kind");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<SkipReason>("reason");
        const auto row = [](const char* name, int start, int end, const char* desk, SoundKind kind,
                            QTime time, SkipReason reason) {
            QTest::newRow(name) << start << end << QString::fromLatin1(desk) << kind << time
                                << reason;
        };
        const auto chime = SoundKind::Chime, speech = SoundKind::Speech;
        const auto none = SkipReason::None, quiet = SkipReason::QuietHours;
        const QTime noon(12, 0);
        row("night starts", 1320, 420, "", chime, QTime(22, 0), quiet);
        row("after midnight", 1320, 420, "", speech, QTime(0, 0), quiet);
        row("night ends", 1320, 420, "", chime, QTime(7, 0), none);
        row("noon in a night range", 1320, 420, "", speech, noon, none);
        row("inside the day range", 780, 840, "", chime, QTime(13, 30), quiet);
        row("outside the day range", 780, 840, "", chime, QTime(23, 0), none);
        row("start equals end", 600, 600, "", chime, QTime(10, 0), none);
        row("alarm", 1320, 420, "lLdDcCfF", SoundKind::Alarm, QTime(23, 30), none);
        row("locked", 0, 0, "lL", speech, noon, SkipReason::Locked);
        row("locked, option off", 0, 0, "LDCF", chime, noon, none);
        row("option on, unlocked", 0, 0, "ldcf", chime, noon, none);
        row("quiet hours named first", 1320, 420, "lLdDcCfF", chime, QTime(23, 0), quiet);
        row("notifications muted", 0, 0, "dD", chime, noon, SkipReason::Dnd);
        row("in a call", 0, 0, "cC", speech, noon, SkipReason::Call);
        row("full screen", 0, 0, "fF", chime, noon, SkipReason::FullScreen);
        row("locked before muted", 0, 0, "lLdD", chime, noon, SkipReason::Locked);
        row("muted before a call", 0, 0, "dDcCfF", chime, noon, SkipReason::Dnd);
        row("a call before full screen", 0, 0, "cCfF", chime, noon, SkipReason::Call);
        row("each option its own state", 0, 0, "dCfL", chime, noon, none);
    }
    void reason() {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, desk);
        QFETCH(SoundKind, kind);
        QFETCH(QTime, time);
        QFETCH(SkipReason, reason);
        QuietSettings s{true,
                        start,
                        end,
                        desk.contains(u'l'),
                        {},
                        desk.contains(u'd'),
                        desk.contains(u'c'),
                        desk.contains(u'f')};
        const DesktopState state{desk.contains(u'L'), desk.contains(u'D'), desk.contains(u'C'),
                                 desk.contains(u'F')};
        QCOMPARE(quietReason(s, state, kind, time), reason);
        s.on = false;
        QVERIFY(quietReason(s, state, kind, time) != SkipReason::QuietHours);
    }

    void lines() {
        QCOMPARE(skipLine(SoundKind::Chime, QTime(23, 0), SkipReason::QuietHours),
                 QStringLiteral("skipped chime 23:00 reason=quiet-hours"));
        QCOMPARE(skipLine(SoundKind::Speech, QTime(7, 5), SkipReason::Locked),
                 QStringLiteral("skipped speech 07:05 reason=locked"));
        QCOMPARE(skipLine(SoundKind::Chime, QTime(9, 0), SkipReason::Dnd),
                 QStringLiteral("skipped chime 09:00 reason=dnd"));
        QCOMPARE(skipLine(SoundKind::Speech, QTime(10, 30), SkipReason::Call),
                 QStringLiteral("skipped speech 10:30 reason=call"));
        QCOMPARE(skipLine(SoundKind::Chime, QTime(21, 15), SkipReason::FullScreen),
                 QStringLiteral("skipped chime 21:15 reason=fullscreen"));
        QCOMPARE(lateAlarmLine(QTime(6, 30)), QStringLiteral("skipped alarm 06:30 reason=late"));
    }

    void resume_data() {
        QTest::addColumn<QDateTime>("last");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QTime>("alarm");
        QTest::addColumn<MissedAlarm>("expected");
        const auto at = [](int h, int m, int s = 0, int day = 10) {
            return QDateTime(QDate(2026, 3, day), QTime(h, m, s));
        };
        const QTime a(7, 0);
        const auto soundNow = MissedAlarm::SoundNow, none = MissedAlarm::None;
        QTest::newRow("late by 10 minutes") << at(6, 50) << at(7, 10) << a << soundNow;
        QTest::newRow("late by 10:01") << at(6, 50) << at(7, 10, 1) << a << MissedAlarm::TooLate;
        QTest::newRow("not yet due") << at(6, 0) << at(6, 59, 59) << a << none;
        QTest::newRow("handled before sleeping") << at(7, 0) << at(7, 5) << a << none;
        QTest::newRow("clock set back") << at(8, 0) << at(6, 0) << a << none;
        QTest::newRow("across midnight")
            << at(23, 58, 0, 9) << at(0, 5) << QTime(23, 59) << soundNow;
    }
    void resume() {
        QFETCH(QDateTime, last);
        QFETCH(QDateTime, now);
        QFETCH(QTime, alarm);
        QFETCH(MissedAlarm, expected);
        QCOMPARE(missedAlarm(last, now, alarm.hour(), alarm.minute()), expected);
    }

    // The clock itself, ticked at two moments: what the second tick starts. Settings as
    // letters: s hourly chime, t hourly spoken time, a alarm at 23:30 (chimed with s),
    // q quiet 22:00-07:00, l quiet while locked, L the screen locked, c quiet in a call, C a
    // microphone recording.
    void clockTicks_data() {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QTime>("before");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("starts");
        const QTime h21(20, 59, 59), h23(22, 59, 59), h9(8, 59, 59), t20(23, 20);
        QTest::newRow("chime outside quiet time") << "sq" << h21 << QTime(21, 0) << "chime";
        QTest::newRow("chime in quiet time") << "sq" << h23 << QTime(23, 0) << "";
        QTest::newRow("spoken time, locked") << "tlL" << h9 << QTime(9, 0) << "";
        QTest::newRow("spoken time, unlocked") << "tl" << h9 << QTime(9, 0) << "speech";
        QTest::newRow("alarm in quiet time")
            << "saqlL" << QTime(23, 29, 59) << QTime(23, 30) << "chime";
        QTest::newRow("spoken time in a call") << "tcC" << h9 << QTime(9, 0) << "";
        QTest::newRow("chime, microphone off") << "sc" << h21 << QTime(21, 0) << "chime";
        QTest::newRow("alarm in a call") << "sacC" << QTime(23, 29, 59) << QTime(23, 30) << "chime";
        QTest::newRow("alarm 3 minutes late") << "sa" << t20 << QTime(23, 33, 10) << "chime";
        QTest::newRow("alarm 30 minutes late") << "sa" << t20 << QTime(23, 59, 59) << "";
        QTest::newRow("chimes passed in sleep")
            << "st" << QTime(13, 58, 30) << QTime(15, 2, 30) << "";
    }
    void clockTicks() {
        QFETCH(QString, flags);
        QFETCH(QTime, before);
        QFETCH(QTime, now);
        QFETCH(QString, starts);
        taku::test::TestEnv env;
        const QDate day(2026, 12, 24);
        env.clock.set(QDateTime(day, before));
        ClockCore core;
        env.prefs.load();
        core.open();
        env.edit([&](SettingsRecord& s) {
            s.SoundOn = flags.contains(u's');
            s.AnnounceOn = flags.contains(u't');
            s.AlarmOn = flags.contains(u'a');
            s.AlarmHour = 23;
            s.AlarmMinute = 30;
            s.AlarmRepeat = 1;
            setQuietSettings(s, {flags.contains(u'q'),
                                 22 * 60,
                                 7 * 60,
                                 flags.contains(u'l'),
                                 {},
                                 false,
                                 flags.contains(u'c'),
                                 false});
        });
        core.setDesktopState({flags.contains(u'L'), false, flags.contains(u'C'), false});
        core.tick();
        env.clock.set(QDateTime(day, now));
        core.tick();
        const QString started = core.Timer2.Mode() == TimerMode::Repeat ? QStringLiteral("chime")
                                : core.Timer3.Mode() != TimerMode::Off  ? QStringLiteral("speech")
                                                                        : QString();
        QCOMPARE(started, starts);
    }
};

QTEST_GUILESS_MAIN(TestQuiet)
#include "test_quiet.moc"
