// The chime of the clock window: how many strikes, where each one sits in the stereo field,
// how the strikes wait for each other and how the clock is freed again; the settings
// window's sound buttons and the keeping of the user's own sound.

#include "app/Logging.h"
#include "app/Settings.h"
#include "clock/W_Time.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace taku;
using namespace taku::test;

namespace {

// A clock window in a clean world, ticking as after start-up.
struct Clock final {
    TestEnv env;
    W_Time w;
    Clock() {
        Settings().Volume = 70;
        w.TickPeriod = 1000;
        w.AnnounceReady = true;
        w.Timer1.setPeriod(1);
    }
    // Fires the chime timer until the chime is over, ending each strike's sound at once.
    void runChime() {
        for (int i = 0; i < 100 && w.Timer2.Mode() != 0; ++i) {
            w.Timer2.fire();
            if (auto* fake = dynamic_cast<FakeSound*>(w.EffectSound.get())) fake->playing = false;
        }
        QCOMPARE(w.Timer2.Mode(), 0);
    }
    QList<int> pans() const {
        QList<int> p;
        for (const Strike& s : env.sound.strikes)
            p.append(s.pan);
        return p;
    }
};

} // namespace

class ChimeTest final : public QObject {
    Q_OBJECT
private slots:
    void strikesOnTheTwelveHourDial_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("strikes");
        QTest::newRow("midnight") << 0 << 0 << 12;
        QTest::newRow("noon") << 12 << 0 << 12;
        QTest::newRow("13:00") << 13 << 0 << 1;
        QTest::newRow("9:00") << 9 << 0 << 9;
        QTest::newRow("23:00") << 23 << 0 << 11;
        QTest::newRow("10:15") << 10 << 15 << 1;
    }
    void strikesOnTheTwelveHourDial() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, strikes);
        Clock c;
        c.w.Take_Sound(hour, minute);
        QCOMPARE(c.w.ChimeCount, strikes);
        c.runChime();
        QCOMPARE(c.env.sound.strikes.size(), strikes);
    }

    void alarmRepeatCounts_data() {
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("strikes");
        QTest::newRow("0, the first-run value") << 0 << 12;
        QTest::newRow("13") << 13 << 1;
        QTest::newRow("24") << 24 << 12;
        QTest::newRow("negative") << -5 << 1;
        QTest::newRow("negative past a dozen") << -13 << 1;
    }
    void alarmRepeatCounts() {
        QFETCH(int, repeat);
        QFETCH(int, strikes);
        Clock c;
        c.w.Get_Sound(2, repeat);
        c.runChime();
        QCOMPARE(c.env.sound.strikes.size(), strikes);
        QCOMPARE(c.w.ChimesLeft, 0);
        QVERIFY(c.w.AnnounceReady);
    }

    void strikesSweepFromLeftToRight_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("pans");
        QTest::newRow("1") << 1 << QList<int>{0};
        QTest::newRow("2") << 2 << QList<int>{-33, 33};
        QTest::newRow("3") << 3 << QList<int>{-50, 0, 50};
        QTest::newRow("12") << 12 << QList<int>{-84, -69, -53, -38, -23, -7, 7, 23, 38, 53, 69, 84};
    }
    void strikesSweepFromLeftToRight() {
        QFETCH(int, count);
        QFETCH(QList<int>, pans);
        Clock c;
        c.w.Get_Sound(0, count);
        c.runChime();
        QCOMPARE(c.pans(), pans);
        // The pan stays on the sound object after the chime.
        QCOMPARE(c.env.sound.builtIn(0)->Pan(), pans.last());
    }

    void aStrikeWaitsWhileThePreviousOneSounds() {
        Clock c;
        c.w.Get_Sound(1, 3);
        FakeSound* cuckoo = c.env.sound.builtInFake(1);
        c.w.Timer2.fire();
        QCOMPARE(cuckoo->plays, 1);
        for (int i = 0; i < 5; ++i)
            c.w.Timer2.fire();
        QCOMPARE(cuckoo->plays, 1);
        QCOMPARE(c.w.ChimesLeft, 2);
        QVERIFY(!c.w.AnnounceReady);
        cuckoo->playing = false;
        c.w.Timer2.fire();
        QCOMPARE(cuckoo->plays, 2);
        QCOMPARE(c.w.ChimesLeft, 1);
    }

    void theLastStrikeFreesTheClock() {
        Clock c;
        c.w.Get_Sound(0, 2);
        QVERIFY(!c.w.AnnounceReady);
        QCOMPARE(c.w.Timer2.Mode(), 2);
        c.w.Timer2.fire();
        c.env.sound.builtInFake(0)->playing = false;
        QVERIFY(!c.w.AnnounceReady);
        QCOMPARE(c.w.Timer1.Period(), 1);
        c.w.Timer2.fire();
        QCOMPARE(c.w.Timer2.Mode(), 0);
        QCOMPARE(c.w.Timer1.Period(), 1000);
        QCOMPARE(c.w.Timer1.Mode(), 2);
        QVERIFY(c.w.AnnounceReady);
    }

    void theUsersSoundWinsOverTheSoundList() {
        Clock c;
        Settings().CustomSound = true;
        Settings().SoundIndex = 3;
        c.w.EffectSound = c.env.sound.openAsSound(c.env.file(QStringLiteral("MySound.wav")));
        c.w.Take_Sound(10, 15);
        c.runChime();
        c.w.Take_Sound(14, 0);
        c.runChime();
        QCOMPARE(c.env.sound.strikes.size(), 3);
        for (const Strike& s : c.env.sound.strikes)
            QCOMPARE(s.sound, QStringLiteral("custom"));
        QCOMPARE(c.env.sound.builtInFake(3)->plays, 0);
    }

    void theVolumeIsReadAtTheNextChime() {
        Clock c;
        Settings().Volume = 40;
        c.w.Get_Sound(4, 2);
        c.w.Timer2.fire();
        c.env.sound.builtInFake(4)->playing = false;
        Settings().Volume = 90;
        c.runChime();
        c.w.Get_Sound(4, 1);
        c.runChime();
        QCOMPARE(c.env.sound.strikes.size(), 3);
        QCOMPARE(c.env.sound.strikes[0].volume, 40);
        QCOMPARE(c.env.sound.strikes[1].volume, 40);
        QCOMPARE(c.env.sound.strikes[2].volume, 90);
    }

    void withNoSoundTheChimeEndsAsIfStruck_data() {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<int>("kind");
        QTest::newRow("user's sound chosen, none opened") << true << 0;
        QTest::newRow("kind beyond the list") << false << 5;
        QTest::newRow("negative kind") << false << -1;
    }
    void withNoSoundTheChimeEndsAsIfStruck() {
        QFETCH(bool, custom);
        QFETCH(int, kind);
        Clock c;
        Settings().CustomSound = custom;
        c.w.Get_Sound(kind, 3);
        QVERIFY(!c.w.EffectSound);
        QVERIFY(!c.w.AnnounceReady);
        c.w.Timer2.fire();
        QCOMPARE(c.w.Timer2.Mode(), 0);
        QCOMPARE(c.w.Timer1.Period(), 1000);
        QCOMPARE(c.w.Timer1.Mode(), 2);
        QVERIFY(c.w.AnnounceReady);
        QVERIFY(c.env.sound.strikes.isEmpty());
    }

    void eachStrikeIsLogged() {
        auto& category = const_cast<QLoggingCategory&>(lcSound());
        category.setEnabled(QtInfoMsg, true);
        Clock c;
        QTest::ignoreMessage(QtInfoMsg, "strike 1/2 pan=-33 volume=70 sound=oldclock");
        QTest::ignoreMessage(QtInfoMsg, "strike 2/2 pan=33 volume=70 sound=oldclock");
        c.w.Get_Sound(2, 14);
        c.runChime();
        category.setEnabled(QtInfoMsg, false);
    }

    void previewOfABuiltInSound() {
        Clock c;
        Settings().CustomSound = true;
        c.w.EffectSound = c.env.sound.openAsSound(c.env.file(QStringLiteral("MySound.wav")));
        c.w.PreviewBuiltInSound(4);
        QVERIFY(Settings().CustomSound);
        c.runChime();
        QCOMPARE(c.pans(), (QList<int>{-33, 33}));
        QCOMPARE(c.env.sound.strikes[0].sound, QStringLiteral("cat"));
        QCOMPARE(c.env.sound.strikes[0].volume, 70);
        QVERIFY(c.w.EffectSound == c.env.sound.builtIn(4));
    }

    // "読込": the chosen sound plays once, becomes the chime and is stored as MySound.wav.
    void loadingStoresTheChosenSound() {
        Clock c;
        QTemporaryDir elsewhere;
        const QString chosen = QDir(elsewhere.path()).filePath(QStringLiteral("bird song.ogg"));
        QFile f(chosen);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("NEW SOUND");
        f.close();
        c.env.write(QStringLiteral("MySound.wav"), "OLD SOUND");

        QVERIFY(c.w.LoadCustomSound(chosen));
        QVERIFY(c.w.EffectSound);
        QCOMPARE(c.w.EffectSound->name(), QStringLiteral("custom"));
        QCOMPARE(c.env.sound.strikes.size(), 1);
        QCOMPARE(c.env.sound.strikes[0].volume, 100);
        QCOMPARE(c.env.sound.strikes[0].pan, 0);
        QCOMPARE(c.env.read(QStringLiteral("MySound.wav")), QByteArray("NEW SOUND"));
        QCOMPARE(QDir(c.env.dataPath()).entryList(QDir::Files),
                 QStringList{QStringLiteral("MySound.wav")});
        QVERIFY(!Settings().CustomSound);
    }

    void loadingNothingChangesNothing_data() {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("not a sound") << false << false;
        QTest::newRow("dialog cancelled") << true << true;
    }
    void loadingNothingChangesNothing() {
        QFETCH(bool, opens);
        QFETCH(bool, cancelled);
        Clock c;
        c.env.sound.filesOpen = opens;
        c.env.write(QStringLiteral("MySound.wav"), "OLD SOUND");
        c.env.write(QStringLiteral("notes.txt"), "not a sound");
        const QString chosen = cancelled ? QString() : c.env.file(QStringLiteral("notes.txt"));
        QVERIFY(!c.w.LoadCustomSound(chosen));
        QVERIFY(!c.w.EffectSound);
        QVERIFY(c.env.sound.strikes.isEmpty());
        QCOMPARE(c.env.read(QStringLiteral("MySound.wav")), QByteArray("OLD SOUND"));
    }

    // Picking the stored sound itself must not lose it.
    void loadingTheStoredSoundKeepsIt() {
        Clock c;
        c.env.write(QStringLiteral("MySound.wav"), "OLD SOUND");
        QVERIFY(c.w.LoadCustomSound(c.env.file(QStringLiteral("MySound.wav"))));
        QCOMPARE(c.env.read(QStringLiteral("MySound.wav")), QByteArray("OLD SOUND"));
        QVERIFY(c.w.EffectSound);
    }

    // The file opened as a sound but can't be copied (gone meanwhile, or not a plain file):
    // the old MySound.wav stays, and no half-written copy is left behind.
    void aFailedCopyKeepsTheOldSound_data() {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("vanished") << QStringLiteral("gone.wav");
        QTest::newRow("a folder") << QStringLiteral("folder.wav");
    }
    void aFailedCopyKeepsTheOldSound() {
        QFETCH(QString, chosen);
        Clock c;
        c.env.write(QStringLiteral("MySound.wav"), "OLD SOUND");
        QTemporaryDir elsewhere;
        QDir(elsewhere.path()).mkdir(QStringLiteral("folder.wav"));
        c.w.LoadCustomSound(QDir(elsewhere.path()).filePath(chosen));
        QCOMPARE(c.env.read(QStringLiteral("MySound.wav")), QByteArray("OLD SOUND"));
        QCOMPARE(QDir(c.env.dataPath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("MySound.wav")});
    }

    void loadingWithoutADataFolderStillPlays() {
        TestEnv env(false);
        W_Time w;
        QTemporaryDir elsewhere;
        const QString chosen = QDir(elsewhere.path()).filePath(QStringLiteral("x.wav"));
        QFile f(chosen);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(w.LoadCustomSound(chosen));
        QCOMPARE(env.sound.strikes.size(), 1);
        QVERIFY(!QFileInfo::exists(env.dataPath()));
    }

    // "確認" beside "読込": plays the stored sound as a new object; the chime keeps its sound.
    void previewOfTheUsersSound() {
        Clock c;
        c.w.Get_Sound(0, 1);
        c.runChime();
        const auto chimeSound = c.w.EffectSound;
        c.env.write(QStringLiteral("MySound.wav"), "RIFF");
        c.w.PreviewCustomSound();
        QCOMPARE(c.env.sound.opened, QStringList{c.env.file(QStringLiteral("MySound.wav"))});
        QCOMPARE(c.env.sound.strikes.size(), 2);
        QCOMPARE(c.env.sound.strikes[1].sound, QStringLiteral("custom"));
        QVERIFY(c.w.EffectSound == chimeSound);
    }

    void previewOfAMissingUsersSoundDoesNothing() {
        Clock c;
        c.w.PreviewCustomSound();
        QVERIFY(c.env.sound.opened.isEmpty());
        c.env.sound.filesOpen = false;
        c.env.write(QStringLiteral("MySound.wav"), "garbage");
        c.w.PreviewCustomSound();
        QVERIFY(c.env.sound.strikes.isEmpty());
    }
};

QTEST_MAIN(ChimeTest)
#include "test_chime.moc"
