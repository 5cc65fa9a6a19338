// The clock core stepped second by second with fake services: what second 0 starts, the
// strikes of a chime and the tick it gives back, speech order at start-up, the zone watch, what
// the strip shows, and when quiet time or the desktop leave a chime or a spoken time out.

#include "base/Timer.h"
#include "clock/ClockCore.h"
#include "prefs/Quiet.h"
#include "support/Fakes.h"

#include <QSignalSpy>

using namespace taku;
using taku::test::TestEnv;

namespace {
// Flags as letters: a alarm at 7:30, s sound on, c custom sound, t announce on, q quiet all
// day but the last minute.
SettingsRecord settingsOf(const QString& flags, SettingsRecord s = {}) {
    s.AlarmOn = flags.contains(u'a'), s.SoundOn = flags.contains(u's');
    s.CustomSound = flags.contains(u'c'), s.AnnounceOn = flags.contains(u't');
    s.AlarmHour = 7, s.AlarmMinute = 30;
    if (flags.contains(u'q')) s.QuietOn = true, s.QuietStart = 0, s.QuietEnd = 1439;
    return s;
}
QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 12, 24), QTime(h, m, s)); }
void open(TestEnv& env, ClockCore& core) {
    env.prefs.load();
    core.open();
}

// name, flags, interval index, start, what is got ready: 'w' the output warmed up, 'p' the
// text prepared, ' ' nothing
using Ready = std::tuple<const char*, QString, int, QTime, char>;
// name, seconds shown, flags, the seconds of 14:59 Timer1 fired at
using Wakes = std::tuple<const char*, bool, QString, QList<int>>;
// name, flags, the time of the first tick and of the second, what the second starts
using Tick = std::tuple<const char*, QString, QTime, QTime, QString>;
} // namespace

class TestClockCore final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondZero() {
        using Z = SecondZero;
        const std::tuple<const char*, const char*, int, QTime, bool, Z> rows[] = {
            {"alarm chime", "ast", 60, QTime(7, 30), true, Z::AlarmChime},
            {"alarm, custom chime", "ac", 60, QTime(7, 30), true, Z::AlarmChime},
            {"alarm spoken", "a", 60, QTime(7, 30), true, Z::AlarmSpeech},
            {"alarm is 7:30, not 19:30", "a", 60, QTime(19, 30), true, Z::Nothing},
            {"alarm waits until ready", "as", 30, QTime(7, 30), false, Z::Nothing},
            {"alarm off: interval", "s", 30, QTime(7, 30), true, Z::IntervalChime},
            {"only at second 0", "ast", 1, QTime(7, 30, 1), true, Z::Nothing},
            {"chime, not also speech", "st", 60, QTime(9, 0), true, Z::IntervalChime},
            {"custom chime", "ct", 60, QTime(9, 0), true, Z::IntervalChime},
            {"spoken time", "t", 60, QTime(9, 0), true, Z::SpokenTime},
            {"15 minutes at :45", "t", 15, QTime(9, 45), true, Z::SpokenTime},
            {"15 minutes at :50", "t", 15, QTime(9, 50), true, Z::Nothing},
            {"interval unset is hourly", "t", 0, QTime(9, 30), true, Z::Nothing},
            {"not ready", "t", 60, QTime(9, 0), false, Z::Nothing},
            {"nothing on", "", 1, QTime(9, 0), true, Z::Nothing},
        };
        for (const auto& [name, flags, interval, time, ready, expected] : rows)
            QVERIFY2(decideAtSecond(settingsOf(QString::fromLatin1(flags)), interval, time,
                                    ready) == expected,
                     name);
        for (auto [count, strikes] :
             {std::pair{0, 12}, {1, 1}, {12, 12}, {13, 1}, {23, 11}, {24, 12}, {-3, 1}})
            QCOMPARE(strikeCount(count), strikes);
    }

    // Three o'clock: three strikes from left to right, each after the last has finished;
    // then Timer1 waits TickPeriod once and goes back to the per-second tick.
    void chimeGivesTheTickBack() {
        TestEnv env;
        env.clock.set(at(14, 59, 59));
        ClockCore core;
        open(env, core);
        env.edit([](SettingsRecord& s) { s.SoundOn = true, s.SoundIndex = 2, s.Volume = 40; });
        env.clock.set(at(15, 0, 0));
        core.tick();
        QVERIFY(!core.AnnounceReady);
        QCOMPARE(core.Timer2.Mode(), TimerMode::Repeat);
        for (int i = 0; i < 3; ++i) {
            core.strike();
            core.strike(); // still playing: no new strike
            QCOMPARE(core.AnnounceReady, i == 2);
            env.sound.builtInFake(2)->playing = false;
        }
        QCOMPARE(env.sound.strikes,
                 (QList<test::Strike>{
                     {"oldclock", -50, 40}, {"oldclock", 0, 40}, {"oldclock", 50, 40}}));
        QCOMPARE(core.Timer2.Mode(), TimerMode::Off);
        QCOMPARE(core.Timer1.Period(), core.TickPeriod);
        env.clock.set(at(15, 0, 1));
        core.tick();
        QCOMPARE(core.Timer1.Period(), kEveryWallSecond);
        env.edit([](SettingsRecord& s) { s.SoundIndex = 9; }); // no such sound: ends at once
        env.clock.set(at(16, 0, 0));
        core.tick();
        core.strike();
        QVERIFY(!core.EffectSound && core.AnnounceReady);
        QCOMPARE(core.Timer2.Mode(), TimerMode::Off);
    }

    // A loaded sound is kept as MySound.wav and strikes the chime from the next start on;
    // trying out a built-in sound strikes that one and leaves the choice as it is.
    void customSound() {
        TestEnv env;
        env.write(QStringLiteral("chosen.wav"), "RIFF-sound");
        ClockCore core;
        QVERIFY(core.loadCustomSound(env.file(QStringLiteral("chosen.wav"))));
        QCOMPARE(env.read(QStringLiteral("MySound.wav")), QByteArray("RIFF-sound"));
        env.edit([](SettingsRecord& s) { s.CustomSound = true; });
        core.open();
        QCOMPARE(env.sound.opened.last(), env.file(QStringLiteral("MySound.wav")));
        const auto strikes = [&](const auto& start) {
            start();
            core.strike();
            static_cast<test::FakeSound&>(*core.EffectSound).playing = false;
            return env.sound.strikes.last().sound;
        };
        QCOMPARE(strikes([&] { core.startChime(0, 1, Settings().CustomSound); }), "custom");
        QCOMPARE(strikes([&] { core.previewSound(3); }), "dog");
        QVERIFY(Settings().CustomSound);
        QCOMPARE(strikes([&] { core.chimeForTime(13, 15); }), "custom");
    }

    // Today's events come after the date spoken at start-up, or at once without it.
    void eventsFollowTheDate() {
        for (bool speakDate : {true, false}) {
            TestEnv env;
            env.write(QStringLiteral("event.txt"), "True\t12\t24\tparty\nTrue\t12\t25\tlater\n");
            env.edit([&](SettingsRecord& s) { s.SpeakDateAtStart = speakDate; });
            ClockCore core;
            core.open();
            QCOMPARE(env.speech.spoken.size(), speakDate ? 0 : 1);
            if (speakDate) core.Timer3.fire();
            QCOMPARE(env.speech.spoken.size(), speakDate ? 2 : 1);
            QCOMPARE(env.speech.spoken.last(), QStringLiteral("party........"));
        }
    }

    // The tick at :58 gets the coming minute's sound ready once: the output opened for a
    // chime, the very text second 0 will speak synthesised ahead; second 0 marks the minute
    // the sound is due at.
    void readyAheadOfTheMinute_data() {
        test::addRows<Ready>({
            {"hourly chime", "s", 0, QTime(14, 59, 57), 'w'},
            {"spoken hour", "t", 0, QTime(14, 59, 57), 'p'},
            {"chime each minute", "s", 5, QTime(14, 43, 57), 'w'},
            {"spoken alarm", "a", 0, QTime(7, 29, 57), 'p'},
            {"every 15 minutes, not at :44", "st", 2, QTime(14, 43, 57), ' '},
            {"hourly chime in quiet time", "sq", 0, QTime(14, 59, 57), ' '},
            {"nothing on", "", 5, QTime(14, 59, 57), ' '},
        });
    }
    void readyAheadOfTheMinute() {
        QFETCH(Ready, row);
        const auto [name, flags, intervalIndex, startTime, ready] = row;
        TestEnv env;
        QByteArray table;
        for (int n = 0; n < 42; ++n)
            table += "d" + QByteArray::number(n) + "\ts" + QByteArray::number(n) + "\n";
        env.write(QStringLiteral("voice.txt"), table);
        const QDateTime start(QDate(2026, 12, 24), startTime), due = start.addSecs(3);
        env.clock.set(start);
        ClockCore core;
        open(env, core);
        env.edit([&](SettingsRecord& s) {
            s = settingsOf(flags, s);
            s.IntervalIndex = intervalIndex;
        });
        for (int second : {0, 1, 2}) {
            env.clock.set(start.addSecs(second).addMSecs(3));
            core.tick();
            QCOMPARE(qsizetype(env.sound.warmUps) + env.speech.prepared.size(),
                     qsizetype(second > 0 && ready != ' '));
        }
        QCOMPARE(env.sound.warmUps, ready == 'w' ? 1 : 0);
        QCOMPARE(env.speech.prepared.size(), ready == 'p' ? 1 : 0);
        env.clock.set(due.addMSecs(40));
        core.tick();
        const QList<qint64> marked{due.toMSecsSinceEpoch()};
        QCOMPARE(env.sound.onsets, ready == 'w' ? marked : QList<qint64>());
        QCOMPARE(env.speech.onsets, ready == 'p' ? marked : QList<qint64>());
        if (ready != 'p') return;
        core.handOverSpeech();
        QCOMPARE(env.speech.spoken, env.speech.prepared);
    }

    // Timer1 run as its event loop runs it, each firing at its delay: with the seconds shown
    // it wakes every second; with them hidden at second 0 only, and at :58 too when the
    // coming minute has a sound to get ready. The text turns to the new minute at its second
    // 0. A wake (the clock set, the machine back from sleep) shows the time at once and
    // sleeps from there; showing the seconds ends the sleep at the next second.
    void wakeUpsPerMinute_data() {
        QList<int> all;
        for (int second = 0; second < 60; ++second)
            all << second;
        test::addRows<Wakes>({{"seconds shown", true, "", all},
                              {"seconds hidden", false, "", {0}},
                              {"hidden, hour spoken", false, "t", {0, 58}},
                              {"hidden, alarm at 7:30 only", false, "a", {0}}});
    }
    void wakeUpsPerMinute() {
        QFETCH(Wakes, row);
        const auto [name, seconds, flags, woke] = row;
        TestEnv env;
        env.clock.set(at(14, 58, 30).addMSecs(1));
        ClockCore core;
        open(env, core);
        env.edit([&](SettingsRecord& s) { s = settingsOf(flags, s), s.ShowSeconds = seconds; });
        QMap<QTime, QString> shown; // at each firing, until 15:00:30
        for (QDateTime next;
             (next = env.clock.now().addMSecs(core.Timer1.nextDelay())) < at(15, 0, 30);) {
            env.clock.set(next);
            core.Timer1.fire();
            shown.insert(next.time(), core.TimeText);
        }
        QList<int> fired;
        for (const QTime& t : shown.keys()) {
            QCOMPARE(t.msec(), 1);
            if (t.hour() == 14 && t.minute() == 59) fired.append(t.second());
        }
        QCOMPARE(fired, woke);
        const QString turn = seconds ? QStringLiteral("15:00:00") : QStringLiteral("15:00");
        QVERIFY2(shown.value(QTime(15, 0, 0, 1)).endsWith(turn),
                 qPrintable(shown.value(QTime(15, 0, 0, 1))));
        const auto before = std::prev(shown.lowerBound(QTime(15, 0)));
        QVERIFY2(before.value().contains(QStringLiteral("14:59")), qPrintable(before.value()));
        QCOMPARE(env.speech.prepared.size(), flags == u"t" ? 1 : 0);

        for (const QDateTime& set : {at(15, 20, 30).addMSecs(500), at(14, 10, 10)}) {
            env.clock.set(set);
            core.wake();
            QVERIFY2(core.TimeText.contains(set.toString(QStringLiteral("H:mm"))),
                     qPrintable(core.TimeText));
            QCOMPARE(core.Timer1.nextDelay(),
                     (seconds ? 1000 : 60000 - set.time().second() * 1000) - set.time().msec() + 1);
        }
        env.edit([](SettingsRecord& s) { s.ShowSeconds = true; });
        QCOMPARE(core.Timer1.nextDelay(), 1001);
    }

    // A new /etc/localtime is read again within a minute, and the title follows.
    void zoneChangeIsSeen() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("localtime"));
        const auto point = [&](const char* zone) {
            QFile::remove(link + u'~');
            QFile::link(QStringLiteral("/usr/share/zoneinfo/") + QLatin1String(zone), link + u'~');
            QVERIFY(std::rename(QFile::encodeName(link + u'~'), QFile::encodeName(link)) == 0);
        };
        point("Asia/Tokyo");
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", ":" + QFile::encodeName(link));
        tzset();
        TestEnv env;
        env.clock.set(at(10, 0, 58));
        ClockCore core;
        core.watchZoneFile(link);
        open(env, core);
        QSignalSpy titles(&core, &ClockCore::titleChanged);
        point("UTC");
        core.tick(); // the same minute: not looked at
        QCOMPARE(QDateTime::currentDateTime().offsetFromUtc(), 9 * 3600);
        env.clock.set(at(10, 1, 5));
        core.tick();
        QCOMPARE(QDateTime::currentDateTime().offsetFromUtc(), 0);
        QCOMPARE(titles.size(), 1);
        qputenv("TZ", oldTz);
        tzset();
    }

    void text() {
        // time, flags (week, ampm, 24h, seconds, small, analog as bits 0..5), text, text and
        // face visible
        const std::tuple<QTime, int, const char*, bool, bool> rows[] = {
            {QTime(23, 59, 59), 0b001111, "日 午後23:59:59", true, false},
            {QTime(9, 5, 7), 0, " 9:05", true, false},
            {QTime(12, 5), 0b10, " 午後0:05", true, false},
            {QTime(0, 5), 0b10, " 午前0:05", true, false},
            {QTime(21, 30), 0b101, "日 21:30", true, false},
            {QTime(10, 0), 0b101111, "日 午前10:00:00", true, true},
            {QTime(8, 1, 2), 0b010000, " 8:01", false, true},
        };
        for (const auto& [time, f, text, textVisible, faceVisible] : rows) {
            const ClockLayout layout = composeClock(
                QDateTime(QDate(2006, 12, 24), time),
                {bool(f & 1), bool(f & 2), bool(f & 4), bool(f & 8), bool(f & 16), bool(f & 32)});
            QCOMPARE(layout.text, QString::fromUtf8(text));
            QCOMPARE(layout.textVisible, textVisible);
            QCOMPARE(layout.faceVisible, faceVisible);
        }
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

    // Letters of desk: the option (lower case) and the desktop's state (upper case): l/L quiet
    // while locked / locked, d/D while notifications are muted / muted, c/C in a call / a
    // microphone recording, f/F under a full-screen window / one focused.
    void reason() {
        const auto chime = SoundKind::Chime, speech = SoundKind::Speech;
        const auto none = SkipReason::None, quiet = SkipReason::QuietHours;
        const QTime noon(12, 0);
        const std::tuple<const char*, int, int, QString, SoundKind, QTime, SkipReason> rows[] = {
            {"night starts", 1320, 420, "", chime, QTime(22, 0), quiet},
            {"after midnight", 1320, 420, "", speech, QTime(0, 0), quiet},
            {"night ends", 1320, 420, "", chime, QTime(7, 0), none},
            {"noon in a night range", 1320, 420, "", speech, noon, none},
            {"inside the day range", 780, 840, "", chime, QTime(13, 30), quiet},
            {"outside the day range", 780, 840, "", chime, QTime(23, 0), none},
            {"start equals end", 600, 600, "", chime, QTime(10, 0), none},
            {"alarm", 1320, 420, "lLdDcCfF", SoundKind::Alarm, QTime(23, 30), none},
            {"locked", 0, 0, "lL", speech, noon, SkipReason::Locked},
            {"locked, option off", 0, 0, "LDCF", chime, noon, none},
            {"option on, unlocked", 0, 0, "ldcf", chime, noon, none},
            {"quiet hours named first", 1320, 420, "lLdDcCfF", chime, QTime(23, 0), quiet},
            {"notifications muted", 0, 0, "dD", chime, noon, SkipReason::Dnd},
            {"in a call", 0, 0, "cC", speech, noon, SkipReason::Call},
            {"full screen", 0, 0, "fF", chime, noon, SkipReason::FullScreen},
            {"locked before muted", 0, 0, "lLdD", chime, noon, SkipReason::Locked},
            {"muted before a call", 0, 0, "dDcCfF", chime, noon, SkipReason::Dnd},
            {"a call before full screen", 0, 0, "cCfF", chime, noon, SkipReason::Call},
            {"each option its own state", 0, 0, "dCfL", chime, noon, none},
        };
        for (const auto& [name, start, end, desk, kind, time, reason] : rows) {
            const auto has = [&desk = desk](char16_t c) { return desk.contains(c); };
            QuietSettings s{true, start, end, has(u'l'), {}, has(u'd'), has(u'c'), has(u'f')};
            const DesktopState state{has(u'L'), has(u'D'), has(u'C'), has(u'F')};
            QVERIFY2(quietReason(s, state, kind, time) == reason, name);
            s.on = false;
            QVERIFY2(quietReason(s, state, kind, time) != quiet, name);
        }
    }

    void lines() {
        const QString lines[] = {
            skipLine(SoundKind::Chime, QTime(23, 0), SkipReason::QuietHours),
            skipLine(SoundKind::Speech, QTime(7, 5), SkipReason::Locked),
            skipLine(SoundKind::Chime, QTime(9, 0), SkipReason::Dnd),
            skipLine(SoundKind::Speech, QTime(10, 30), SkipReason::Call),
            skipLine(SoundKind::Chime, QTime(21, 15), SkipReason::FullScreen),
            lateAlarmLine(QTime(6, 30)),
        };
        QCOMPARE(QStringList(std::begin(lines), std::end(lines)),
                 QStringList({"skipped chime 23:00 reason=quiet-hours",
                              "skipped speech 07:05 reason=locked",
                              "skipped chime 09:00 reason=dnd", "skipped speech 10:30 reason=call",
                              "skipped chime 21:15 reason=fullscreen",
                              "skipped alarm 06:30 reason=late"}));
    }

    void resume() {
        const auto at = [](int h, int m, int s = 0, int day = 10) {
            return QDateTime(QDate(2026, 3, day), QTime(h, m, s));
        };
        const QTime a(7, 0);
        const auto soundNow = MissedAlarm::SoundNow, none = MissedAlarm::None;
        const std::tuple<const char*, QDateTime, QDateTime, QTime, MissedAlarm> rows[] = {
            {"late by 10 minutes", at(6, 50), at(7, 10), a, soundNow},
            {"late by 10:01", at(6, 50), at(7, 10, 1), a, MissedAlarm::TooLate},
            {"not yet due", at(6, 0), at(6, 59, 59), a, none},
            {"handled before sleeping", at(7, 0), at(7, 5), a, none},
            {"clock set back", at(8, 0), at(6, 0), a, none},
            {"across midnight", at(23, 58, 0, 9), at(0, 5), QTime(23, 59), soundNow},
        };
        for (const auto& [name, last, now, alarm, expected] : rows)
            QVERIFY2(missedAlarm(last, now, alarm.hour(), alarm.minute()) == expected, name);
    }

    // The clock itself, ticked at two moments: what the second tick starts. Settings as
    // letters: s hourly chime, t hourly spoken time, a alarm at 23:30 (chimed with s),
    // q quiet 22:00-07:00, l quiet while locked, L the screen locked, c quiet in a call, C a
    // microphone recording.
    void clockTicks_data() {
        const QTime h21(20, 59, 59), h23(22, 59, 59), h9(8, 59, 59), t20(23, 20);
        const QTime alarm(23, 30), before(23, 29, 59);
        test::addRows<Tick>({
            {"chime outside quiet time", "sq", h21, QTime(21, 0), "chime"},
            {"chime in quiet time", "sq", h23, QTime(23, 0), ""},
            {"spoken time, locked", "tlL", h9, QTime(9, 0), ""},
            {"spoken time, unlocked", "tl", h9, QTime(9, 0), "speech"},
            {"alarm in quiet time", "saqlL", before, alarm, "chime"},
            {"spoken time in a call", "tcC", h9, QTime(9, 0), ""},
            {"chime, microphone off", "sc", h21, QTime(21, 0), "chime"},
            {"alarm in a call", "sacC", before, alarm, "chime"},
            {"alarm 3 minutes late", "sa", t20, QTime(23, 33, 10), "chime"},
            {"alarm 30 minutes late", "sa", t20, QTime(23, 59, 59), ""},
            {"chimes passed in sleep", "st", QTime(13, 58, 30), QTime(15, 2, 30), ""},
        });
    }
    void clockTicks() {
        QFETCH(Tick, row);
        const auto [name, flags, before, now, starts] = row;
        const auto has = [&](char16_t c) { return flags.contains(c); };
        test::TestEnv env;
        const QDate day(2026, 12, 24);
        env.clock.set(QDateTime(day, before));
        ClockCore core;
        env.prefs.load();
        core.open();
        env.edit([&](SettingsRecord& s) {
            s.SoundOn = has(u's'), s.AnnounceOn = has(u't'), s.AlarmOn = has(u'a');
            s.AlarmHour = 23, s.AlarmMinute = 30, s.AlarmRepeat = 1;
            setQuietSettings(s, {has(u'q'), 22 * 60, 7 * 60, has(u'l'), {}, false, has(u'c')});
        });
        core.setDesktopState({has(u'L'), false, has(u'C'), false});
        core.tick();
        env.clock.set(QDateTime(day, now));
        core.tick();
        const char* started = core.Timer2.Mode() == TimerMode::Repeat ? "chime"
                              : core.Timer3.Mode() != TimerMode::Off  ? "speech"
                                                                      : "";
        QCOMPARE(QString::fromLatin1(started), starts);
    }
};

QTEST_GUILESS_MAIN(TestClockCore)
#include "test_clock_core.moc"
