// The clock window's hand-over of announcements: Now_An, Take_An and Get_Day compose into
// SpeechText and arm Timer3, which speaks the text last composed, once; at opening the
// date is spoken with the table loaded from voice.txt.

#include "app/Settings.h"
#include "app/TextFile.h"
#include "clock/W_Time.h"
#include "prefs/PrefsFile.h"
#include "speech/Announcement.h"
#include "speech/VoiceTable.h"
#include "support/TestEnv.h"

#include <QTest>

using namespace taku;
using taku::test::TestEnv;

class TestAnnounce final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    void writeVoiceTxt() {
        QList<QByteArray> lines;
        for (int row = 0; row < VoiceTableData::kEditedRows; ++row)
            lines.append(encodeShiftJis(QStringLiteral("語\tr%1").arg(row)));
        env->write(QStringLiteral("voice.txt"), joinLines(lines));
    }

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        VoiceTable() = VoiceTableData{};
    }
    void cleanup() {
        env.reset();
        VoiceTable() = VoiceTableData{};
    }

    void nowAnComposesAndArmsTimer3() {
        writeVoiceTxt();
        W_Time w;
        w.Set_Voice();
        w.AnnounceReady = true;
        w.Now_An(QStringLiteral("木 午後9:30"));
        QCOMPARE(w.SpeechText, QStringLiteral("r22 r9 r24 r3 r10 r25  r13"));
        QVERIFY(!w.AnnounceReady);
        QCOMPARE(w.Timer3.Mode(), 1);
        QVERIFY(env->speech.spoken.isEmpty()); // nothing is spoken before Timer3 fires

        // A newer announcement replaces the waiting one; only it is spoken, once.
        w.Now_An(QStringLiteral("木 午後9:31"));
        w.Timer3.fire();
        w.Timer3.fire();
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("r22 r9 r24 r3 r10 r1 r26  r13")});
        QCOMPARE(env->speech.interrupts, QList<bool>{false});
        QVERIFY(w.AnnounceReady);
        QCOMPARE(w.Timer3.Mode(), 0);
    }

    void takeAnAnnouncesTimeTextAndStaysReady() {
        writeVoiceTxt();
        W_Time w;
        w.Set_Voice();
        w.TimeText = QStringLiteral("木 13:44:27");
        w.Take_An(44);
        QCOMPARE(w.SpeechText, ComposeTime(w.TimeText, VoiceTable()));
        QVERIFY(w.AnnounceReady);
        QCOMPARE(w.Timer3.Mode(), 1);
    }

    void getDayComposesTheDate() {
        writeVoiceTxt();
        W_Time w;
        w.Set_Voice();
        w.AnnounceReady = true;
        w.Get_Day(12, 24, 7);
        QCOMPARE(w.SpeechText, QStringLiteral("r10 r2 r41 r2 r10 r33 r20 r23 r13"));
        QVERIFY(!w.AnnounceReady);
        QCOMPARE(w.Timer3.Mode(), 1);
    }

    void openSpeaksTheDateWithTheLoadedTable() {
        writeVoiceTxt();
        SettingsRecord prefs;
        prefs.SpeakDateAtStart = true;
        env->write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs(WindowPosition{}, prefs)));
        env->clock.set(QDateTime(QDate(2026, 12, 24), QTime(9, 0, 30))); // a Thursday
        W_Time w;
        w.Open();
        QCOMPARE(w.Timer3.Mode(), 1);
        w.Timer3.fire();
        QCOMPARE(env->speech.spoken,
                 QStringList{QStringLiteral("r10 r2 r41 r2 r10 r33 r18 r23 r13")});
    }

    void withoutTableOnlySpacesAreSpoken() {
        W_Time w;
        w.Set_Voice(); // no voice.txt
        w.Now_An(QStringLiteral("木 午後9:30"));
        QCOMPARE(w.SpeechText.trimmed(), QString());
    }
};

QTEST_MAIN(TestAnnounce)
#include "test_announce.moc"
