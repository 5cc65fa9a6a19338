// When a chime or a spoken time is left out, what a wake from sleep still owes, and the
// preference lines that hold these choices.

#include "clock/ClockCore.h"
#include "prefs/PrefsFile.h"
#include "prefs/Quiet.h"
#include "support/TestEnv.h"

#include <QTest>

using namespace taku;

Q_DECLARE_METATYPE(SoundKind)
Q_DECLARE_METATYPE(SkipReason)
Q_DECLARE_METATYPE(MissedAlarm)
Q_DECLARE_METATYPE(QuietSettings)

namespace {
// A file written with the alarm at 6:45, before any quiet-time line existed.
QList<QByteArray> twentyTwoLines() {
    PrefsValues values;
    values.settings.AlarmOn = true;
    values.settings.AlarmHour = 6;
    values.settings.AlarmMinute = 45;
    return formatPrefs(values);
}

QuietSettings readQuiet(const QList<QByteArray>& lines) {
    PrefsValues values;
    parsePrefs(lines, values);
    return quietSettings(values.settings);
}
} // namespace

class TestQuiet final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reason_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("whenLocked");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<SoundKind>("kind");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<SkipReason>("reason");
        const auto chime = SoundKind::Chime, speech = SoundKind::Speech, alarm = SoundKind::Alarm;
        const auto none = SkipReason::None, quiet = SkipReason::QuietHours,
                   lockedOut = SkipReason::Locked;
        // 22:00-07:00 runs past midnight; 13:00-14:00 does not.
        QTest::newRow("before the night")
            << 1320 << 420 << false << false << chime << QTime(21, 59) << none;
        QTest::newRow("night starts")
            << 1320 << 420 << false << false << chime << QTime(22, 0) << quiet;
        QTest::newRow("after midnight")
            << 1320 << 420 << false << false << speech << QTime(0, 0) << quiet;
        QTest::newRow("last quiet minute")
            << 1320 << 420 << false << false << chime << QTime(6, 59) << quiet;
        QTest::newRow("night ends")
            << 1320 << 420 << false << false << chime << QTime(7, 0) << none;
        QTest::newRow("noon in a night range")
            << 1320 << 420 << false << false << speech << QTime(12, 0) << none;
        QTest::newRow("inside the day range")
            << 780 << 840 << false << false << chime << QTime(13, 30) << quiet;
        QTest::newRow("outside the day range")
            << 780 << 840 << false << false << chime << QTime(23, 0) << none;
        QTest::newRow("day range end")
            << 780 << 840 << false << false << chime << QTime(14, 0) << none;
        QTest::newRow("start equals end")
            << 600 << 600 << false << false << chime << QTime(10, 0) << none;
        QTest::newRow("alarm in quiet hours")
            << 1320 << 420 << true << true << alarm << QTime(23, 30) << none;
        QTest::newRow("locked") << 0 << 0 << true << true << speech << QTime(12, 0) << lockedOut;
        QTest::newRow("locked, option off")
            << 0 << 0 << false << true << chime << QTime(12, 0) << none;
        QTest::newRow("option on, unlocked")
            << 0 << 0 << true << false << chime << QTime(12, 0) << none;
        QTest::newRow("quiet hours named first")
            << 1320 << 420 << true << true << chime << QTime(23, 0) << quiet;
    }
    void reason() {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(bool, whenLocked);
        QFETCH(bool, locked);
        QFETCH(SoundKind, kind);
        QFETCH(QTime, time);
        QFETCH(SkipReason, reason);
        QuietSettings s{true, start, end, whenLocked, {}};
        QCOMPARE(quietReason(s, locked, kind, time), reason);
        s.on = false;
        QCOMPARE(quietReason(s, locked, kind, time) == SkipReason::QuietHours, false);
    }

    void lines() {
        QCOMPARE(skipLine(SoundKind::Chime, QTime(23, 0), SkipReason::QuietHours),
                 QStringLiteral("skipped chime 23:00 reason=quiet-hours"));
        QCOMPARE(skipLine(SoundKind::Speech, QTime(7, 5), SkipReason::Locked),
                 QStringLiteral("skipped speech 07:05 reason=locked"));
        QCOMPARE(lateAlarmLine(QTime(6, 30)), QStringLiteral("skipped alarm 06:30 reason=late"));
    }

    void resume_data() {
        QTest::addColumn<QDateTime>("lastTick");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QTime>("alarm");
        QTest::addColumn<MissedAlarm>("expected");
        const QDate d(2026, 3, 10);
        const auto at = [d](int h, int m, int s = 0, int days = 0) {
            return QDateTime(d.addDays(days), QTime(h, m, s));
        };
        const QTime alarm(7, 0);
        QTest::newRow("late by 3 minutes")
            << at(6, 50) << at(7, 3) << alarm << MissedAlarm::SoundNow;
        QTest::newRow("late by 10 minutes")
            << at(6, 50) << at(7, 10) << alarm << MissedAlarm::SoundNow;
        QTest::newRow("late by 10:01")
            << at(6, 50) << at(7, 10, 1) << alarm << MissedAlarm::TooLate;
        QTest::newRow("late by 30 minutes")
            << at(6, 50) << at(7, 30) << alarm << MissedAlarm::TooLate;
        QTest::newRow("not yet due") << at(6, 0) << at(6, 59, 59) << alarm << MissedAlarm::None;
        QTest::newRow("due at the waking second")
            << at(6, 0) << at(7, 0) << alarm << MissedAlarm::None;
        QTest::newRow("handled before sleeping")
            << at(7, 0) << at(7, 5) << alarm << MissedAlarm::None;
        QTest::newRow("passed one second in")
            << at(6, 59, 59) << at(7, 0, 1) << alarm << MissedAlarm::SoundNow;
        QTest::newRow("passed yesterday, woke after midnight")
            << at(23, 58, 0, -1) << at(0, 5) << QTime(23, 59) << MissedAlarm::SoundNow;
        QTest::newRow("slept for days")
            << at(12, 0, 0, -3) << at(7, 2) << alarm << MissedAlarm::SoundNow;
        QTest::newRow("clock set back") << at(8, 0) << at(6, 0) << alarm << MissedAlarm::None;
    }
    void resume() {
        QFETCH(QDateTime, lastTick);
        QFETCH(QDateTime, now);
        QFETCH(QTime, alarm);
        QFETCH(MissedAlarm, expected);
        QCOMPARE(missedAlarm(lastTick, now, alarm.hour(), alarm.minute()), expected);
    }

    // The clock itself, ticked at two moments: what the second tick starts. Settings as
    // letters: s hourly chime, t hourly spoken time, a alarm at 23:30 (chimed with s),
    // q quiet 22:00-07:00, l quiet while locked, L the screen locked.
    void clockTicks_data() {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QTime>("before");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("starts");
        QTest::newRow("chime outside quiet time")
            << "sq" << QTime(20, 59, 59) << QTime(21, 0) << "chime";
        QTest::newRow("chime in quiet time") << "sq" << QTime(22, 59, 59) << QTime(23, 0) << "";
        QTest::newRow("spoken time in quiet time") << "tq" << QTime(5, 59, 59) << QTime(6, 0) << "";
        QTest::newRow("spoken time, locked") << "tlL" << QTime(8, 59, 59) << QTime(9, 0) << "";
        QTest::newRow("spoken time, unlocked")
            << "tl" << QTime(8, 59, 59) << QTime(9, 0) << "speech";
        QTest::newRow("alarm in quiet time")
            << "saqlL" << QTime(23, 29, 59) << QTime(23, 30) << "chime";
        QTest::newRow("alarm 3 minutes late")
            << "sa" << QTime(23, 20) << QTime(23, 33, 10) << "chime";
        QTest::newRow("spoken alarm 10 minutes late")
            << "a" << QTime(23, 20) << QTime(23, 40) << "speech";
        QTest::newRow("alarm 30 minutes late") << "sa" << QTime(23, 20) << QTime(23, 59, 59) << "";
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
        core.open();
        env.edit([&](SettingsRecord& s) {
            s.SoundOn = flags.contains(u's');
            s.AnnounceOn = flags.contains(u't');
            s.AlarmOn = flags.contains(u'a');
            s.AlarmHour = 23;
            s.AlarmMinute = 30;
            s.AlarmRepeat = 1;
            setQuietSettings(s, {flags.contains(u'q'), 22 * 60, 7 * 60, flags.contains(u'l'), {}});
        });
        core.setScreenLocked(flags.contains(u'L'));
        core.tick();
        env.clock.set(QDateTime(day, now));
        core.tick();
        const QString started = core.Timer2.Mode() == TimerMode::Repeat ? QStringLiteral("chime")
                                : core.Timer3.Mode() != TimerMode::Off  ? QStringLiteral("speech")
                                                                        : QString();
        QCOMPARE(started, starts);
    }

    void prefLines_data() {
        QTest::addColumn<QList<QByteArray>>("extra");
        QTest::addColumn<QuietSettings>("expected");
        const QuietSettings off;
        QTest::newRow("22-line file") << QList<QByteArray>{} << off;
        QTest::newRow("all set") << QList<QByteArray>{"True", "1320", "420", "True", "Ctrl+Alt+T"}
                                 << QuietSettings{true, 1320, 420, true,
                                                  QStringLiteral("Ctrl+Alt+T")};
        QTest::newRow("off keeps its times") << QList<QByteArray>{"False", "60", "120", "False", ""}
                                             << QuietSettings{false, 60, 120, false, {}};
        QTest::newRow("end out of range")
            << QList<QByteArray>{"True", "1320", "1440", "True", "F9"}
            << QuietSettings{false, 1320, 0, true, QStringLiteral("F9")};
        QTest::newRow("negative start")
            << QList<QByteArray>{"True", "-1", "420"} << QuietSettings{false, 0, 420, false, {}};
        QTest::newRow("not a number")
            << QList<QByteArray>{"True", "10pm", "420"} << QuietSettings{false, 0, 420, false, {}};
        QTest::newRow("flag misspelt")
            << QList<QByteArray>{"true", "1", "2", "yes"} << QuietSettings{false, 1, 2, false, {}};
        QTest::newRow("only the flag") << QList<QByteArray>{"True"} << off;
        QTest::newRow("control character in the shortcut")
            << QList<QByteArray>{"False", "0", "0", "False", "Ctrl+\x01"} << off;
    }
    void prefLines() {
        QFETCH(QList<QByteArray>, extra);
        QFETCH(QuietSettings, expected);
        QCOMPARE(twentyTwoLines().size(), 22);
        QCOMPARE(readQuiet(twentyTwoLines() + extra), expected);
    }

    void prefLinesRoundTrip() {
        PrefsValues values;
        parsePrefs(twentyTwoLines(), values);
        const QuietSettings s{true, 1439, 0, true, QStringLiteral("Ctrl+Shift+F12")};
        setQuietSettings(values.settings, s);
        const QList<QByteArray> file = formatPrefs(values);
        QCOMPARE(file.mid(19), (QList<QByteArray>{"6", "45", "0", "True", "1439", "0", "True",
                                                  "Ctrl+Shift+F12"}));
        PrefsValues again;
        parsePrefs(file, again);
        QCOMPARE(again.settings, values.settings);
        // Turned off again, with nothing left chosen: the file is as it was.
        setQuietSettings(values.settings, {});
        QCOMPARE(formatPrefs(values), twentyTwoLines());
    }
};

QTEST_GUILESS_MAIN(TestQuiet)
#include "test_quiet.moc"
