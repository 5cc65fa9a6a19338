// The clock core stepped second by second with fake services: what second 0 starts, the
// strikes of a chime and the tick it gives back, speech order at start-up and the zone watch.

#include "base/TextFile.h"
#include "clock/ClockCore.h"
#include "clock/ClockText.h"
#include "events/EventFile.h"
#include "prefs/PrefsFile.h"
#include "support/Fakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

Q_DECLARE_METATYPE(taku::SecondZero)

namespace {
// Flags as letters: a alarm on, s sound on, c custom sound, t announce on.
SettingsRecord settingsOf(const QString& flags) {
    SettingsRecord s;
    s.AlarmOn = flags.contains(u'a');
    s.SoundOn = flags.contains(u's');
    s.CustomSound = flags.contains(u'c');
    s.AnnounceOn = flags.contains(u't');
    s.AlarmHour = 7;
    s.AlarmMinute = 30;
    return s;
}
QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 12, 24), QTime(h, m, s)); }

} // namespace

class TestClockCore final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondZero_data() {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<SecondZero>("expected");
        using Z = SecondZero;
        const struct {
            const char *name, *flags;
            int interval;
            QTime time;
            bool ready;
            Z expected;
        } rows[] = {
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
        for (const auto& r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.flags) << r.interval << r.time << r.ready
                                  << r.expected;
    }
    void secondZero() {
        QFETCH(QString, flags);
        QFETCH(int, interval);
        QFETCH(QTime, time);
        QFETCH(bool, ready);
        QFETCH(SecondZero, expected);
        QCOMPARE(decideAtSecond(settingsOf(flags), interval, time, ready), expected);
    }

    void strikes_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("strikes");
        for (auto [count, strikes] :
             {std::pair{0, 12}, {1, 1}, {12, 12}, {13, 1}, {23, 11}, {24, 12}, {-3, 1}})
            QTest::addRow("%d", count) << count << strikes;
    }
    void strikes() {
        QFETCH(int, count);
        QFETCH(int, strikes);
        QCOMPARE(strikeCount(count), strikes);
    }

    // Three o'clock: three strikes from left to right, each after the last has finished;
    // then Timer1 waits TickPeriod once and goes back to the per-second tick.
    void chimeGivesTheTickBack() {
        TestEnv env;
        env.clock.set(at(14, 59, 59));
        ClockCore core;
        env.prefs.load();
        core.open();
        env.edit([](SettingsRecord& s) { s.SoundOn = true, s.SoundIndex = 2, s.Volume = 40; });
        env.clock.set(at(15, 0, 0));
        core.tick();
        QVERIFY(!core.AnnounceReady);
        QCOMPARE(core.Timer2.Mode(), TimerMode::Repeat);
        auto* bell = env.sound.builtInFake(2);
        for (int i = 0; i < 3; ++i) {
            core.strike();
            core.strike(); // still playing: no new strike
            QCOMPARE(core.AnnounceReady, i == 2);
            bell->playing = false;
        }
        QCOMPARE(env.sound.strikes.size(), 3);
        const int pans[] = {-50, 0, 50};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(env.sound.strikes[i].pan, pans[i]);
            QCOMPARE(env.sound.strikes[i].volume, 40);
        }
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
        PrefsValues prefs;
        prefs.settings.CustomSound = true;
        env.write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs(prefs)));
        env.write(QStringLiteral("chosen.wav"), "RIFF-sound");
        ClockCore core;
        QVERIFY(core.loadCustomSound(env.file(QStringLiteral("chosen.wav"))));
        QCOMPARE(env.read(QStringLiteral("MySound.wav")), QByteArray("RIFF-sound"));
        env.prefs.load();
        core.open();
        QCOMPARE(env.sound.opened.last(), env.file(QStringLiteral("MySound.wav")));
        core.startChime(0, 1, Settings().CustomSound);
        core.strike();
        QCOMPARE(env.sound.strikes.last().sound, QStringLiteral("custom"));
        static_cast<test::FakeSound&>(*core.EffectSound).playing = false;
        core.previewSound(3);
        core.strike();
        QCOMPARE(env.sound.strikes.last().sound, QStringLiteral("dog"));
        QVERIFY(Settings().CustomSound);
        // Trying out a built-in sound does not take the user's sound's place.
        core.chimeForTime(13, 15);
        core.strike();
        QCOMPARE(env.sound.strikes.last().sound, QStringLiteral("custom"));
    }

    // Today's events come after the date spoken at start-up, or at once without it.
    void eventsFollowTheDate_data() {
        QTest::addColumn<bool>("speakDate");
        QTest::newRow("date first") << true;
        QTest::newRow("no date") << false;
    }
    void eventsFollowTheDate() {
        QFETCH(bool, speakDate);
        TestEnv env;
        PrefsValues prefs;
        applyFirstRunValues(prefs.settings);
        prefs.settings.SpeakDateAtStart = speakDate;
        env.write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs(prefs)));
        env.write(QStringLiteral("event.txt"), "True\t12\t24\tparty\nTrue\t12\t25\tlater\n");
        ClockCore core;
        env.prefs.load();
        core.open();
        QCOMPARE(env.speech.spoken.size(), speakDate ? 0 : 1);
        if (speakDate) core.Timer3.fire();
        QCOMPARE(env.speech.spoken.size(), speakDate ? 2 : 1);
        QCOMPARE(env.speech.spoken.last(), QStringLiteral("party........"));
    }

    // A new /etc/localtime is read again within a minute, and the title follows.
    // The tick at :58 gets the coming minute's sound ready once: the output opened for a
    // chime, the very text second 0 will speak synthesised ahead; second 0 marks the minute
    // the sound is due at.
    void readyAheadOfTheMinute_data() {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("intervalIndex");
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QString>("ready"); // "warm", "prepare" or ""
        QTest::newRow("hourly chime") << "s" << 0 << QTime(14, 59, 57) << "warm";
        QTest::newRow("spoken hour") << "t" << 0 << QTime(14, 59, 57) << "prepare";
        QTest::newRow("chime each minute") << "s" << 5 << QTime(14, 43, 57) << "warm";
        QTest::newRow("spoken alarm") << "a" << 0 << QTime(7, 29, 57) << "prepare";
        QTest::newRow("every 15 minutes, not at :44") << "st" << 2 << QTime(14, 43, 57) << "";
        QTest::newRow("nothing on") << "" << 5 << QTime(14, 59, 57) << "";
    }
    void readyAheadOfTheMinute() {
        QFETCH(QString, flags);
        QFETCH(int, intervalIndex);
        QFETCH(QTime, start);
        QFETCH(QString, ready);
        TestEnv env;
        QByteArray table;
        for (int n = 0; n < 42; ++n)
            table += "d" + QByteArray::number(n) + "\ts" + QByteArray::number(n) + "\n";
        env.write(QStringLiteral("voice.txt"), table);
        env.clock.set(at(start.hour(), start.minute(), start.second()));
        ClockCore core;
        env.prefs.load();
        core.open();
        const SettingsRecord on = settingsOf(flags);
        env.edit([&](SettingsRecord& s) {
            s.AlarmOn = on.AlarmOn, s.AlarmHour = on.AlarmHour, s.AlarmMinute = on.AlarmMinute;
            s.SoundOn = on.SoundOn, s.AnnounceOn = on.AnnounceOn, s.IntervalIndex = intervalIndex;
        });
        const QDateTime due = at(start.hour(), start.minute(), 0).addSecs(60);
        for (int second : {57, 58, 59}) {
            env.clock.set(at(start.hour(), start.minute(), second).addMSecs(3));
            core.tick();
            QCOMPARE(qsizetype(env.sound.warmUps) + env.speech.prepared.size(),
                     qsizetype(second >= 58 && !ready.isEmpty()));
        }
        QCOMPARE(env.sound.warmUps, ready == u"warm" ? 1 : 0);
        QCOMPARE(env.speech.prepared.size(), ready == u"prepare" ? 1 : 0);
        env.clock.set(due.addMSecs(40));
        core.tick();
        const QList<qint64> marked{due.toMSecsSinceEpoch()};
        QCOMPARE(env.sound.onsets, ready == u"warm" ? marked : QList<qint64>());
        QCOMPARE(env.speech.onsets, ready == u"prepare" ? marked : QList<qint64>());
        if (ready != u"prepare") return;
        core.handOverSpeech();
        QCOMPARE(env.speech.spoken, env.speech.prepared);
    }

    // Timer1 run as its event loop runs it, each firing at its delay: with the seconds shown
    // it wakes every second; with them hidden at second 0 only, and at :58 too when the
    // coming minute has a sound to get ready. The text turns to the new minute at its second
    // 0. A wake (the clock set, the machine back from sleep) shows the time at once and
    // sleeps from there; showing the seconds ends the sleep at the next second.
    void wakeUpsPerMinute_data() {
        QTest::addColumn<bool>("seconds");
        QTest::addColumn<QString>("flags");   // as settingsOf
        QTest::addColumn<QList<int>>("woke"); // the seconds of 14:59 Timer1 fired at
        QList<int> all;
        for (int second = 0; second < 60; ++second)
            all << second;
        QTest::newRow("seconds shown") << true << "" << all;
        QTest::newRow("seconds hidden") << false << "" << QList<int>{0};
        QTest::newRow("hidden, hour spoken") << false << "t" << QList<int>{0, 58};
        QTest::newRow("hidden, alarm at 7:30 only") << false << "a" << QList<int>{0};
    }
    void wakeUpsPerMinute() {
        QFETCH(bool, seconds);
        QFETCH(QString, flags);
        QFETCH(QList<int>, woke);
        TestEnv env;
        env.clock.set(at(14, 58, 30).addMSecs(1));
        ClockCore core;
        env.prefs.load();
        core.open();
        env.edit([&](SettingsRecord& s) {
            s.ShowSeconds = seconds, s.AnnounceOn = flags.contains(u't');
            s.AlarmOn = flags.contains(u'a'), s.AlarmHour = 7, s.AlarmMinute = 30;
        });
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
        env.prefs.load();
        core.open();
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
};

QTEST_GUILESS_MAIN(TestClockCore)
#include "test_clock_core.moc"
