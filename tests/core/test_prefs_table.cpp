// The preferences file: a known file read into known fields and written back line for line,
// the optional quiet-time lines after it, the first-run values, and what the clock makes of a
// file when it opens.

#include "base/TextFile.h"
#include "clock/ClockCore.h"
#include "prefs/PrefsFile.h"
#include "prefs/Quiet.h"
#include "support/Fakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace taku;

Q_DECLARE_METATYPE(QuietSettings)

namespace {
const QList<QByteArray> kFile = {"120",           "-35",   "True", "False", "True",  "False",
                                 "True",          "False", "True", "2",     "80",    "1\t2\t3",
                                 "250\t251\t252", "True",  "4",    "55",    "False", "True",
                                 "True",          "7",     "30",   "5"};

SettingsRecord fileSettings() {
    SettingsRecord s;
    s.ShowSeconds = true, s.ShowWeek = true, s.ShowAnalog = true, s.AnnounceOn = true;
    s.IntervalIndex = 2, s.Transparency = 80, s.TextColor = {1, 2, 3};
    s.BackColor = {250, 251, 252}, s.SoundOn = true, s.SoundIndex = 4, s.Volume = 55;
    s.SpeakDateAtStart = true, s.AlarmOn = true, s.AlarmHour = 7, s.AlarmMinute = 30;
    s.AlarmRepeat = 5;
    return s;
}

SettingsRecord firstRun() {
    SettingsRecord s;
    s.ShowSeconds = s.ShowAMPM = s.ShowWeek = s.Show24Hour = true;
    s.Transparency = 100, s.BackColor = {255, 255, 255}, s.Volume = 100;
    return s;
}
} // namespace

class TestPrefsTable final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void knownFileRoundTrips() {
        PrefsValues values;
        parsePrefs(kFile, values);
        QCOMPARE(values.position, (WindowPosition{120, -35}));
        QVERIFY(values.settings == fileSettings());
        QCOMPARE(formatPrefs(values), kFile);
        // The quiet-time lines follow line 22 once one is set, and go again once none is.
        setQuietSettings(values.settings, {true, 1439, 0, true, QStringLiteral("Ctrl+Shift+F12")});
        const QList<QByteArray> file = formatPrefs(values);
        QCOMPARE(file.mid(19), (QList<QByteArray>{"7", "30", "5", "True", "1439", "0", "True",
                                                  "Ctrl+Shift+F12"}));
        PrefsValues again;
        parsePrefs(file, again);
        QCOMPARE(again.settings, values.settings);
        setQuietSettings(values.settings, {});
        QCOMPARE(formatPrefs(values), kFile);
        parsePrefs({"5"}, values); // missing lines read empty
        QCOMPARE(values.position, (WindowPosition{5, 0}));
        QVERIFY(values.settings == SettingsRecord{});
    }

    // Lines 23..27 after the 22 lines; anything malformed leaves quiet time off.
    void quietLines_data() {
        QTest::addColumn<QList<QByteArray>>("extra");
        QTest::addColumn<QuietSettings>("expected");
        using L = QList<QByteArray>;
        QTest::newRow("22-line file") << L{} << QuietSettings{};
        QTest::newRow("all set") << L{"True", "1320", "420", "True", "Ctrl+Alt+T"}
                                 << QuietSettings{true, 1320, 420, true, "Ctrl+Alt+T"};
        QTest::newRow("off keeps its times")
            << L{"False", "60", "120", "False", ""} << QuietSettings{false, 60, 120, false, {}};
        QTest::newRow("end out of range")
            << L{"True", "1320", "1440", "True", "F9"} << QuietSettings{false, 1320, 0, true, "F9"};
        QTest::newRow("not a number")
            << L{"True", "10pm", "420"} << QuietSettings{false, 0, 420, false, {}};
        QTest::newRow("flag misspelt")
            << L{"true", "1", "2", "yes"} << QuietSettings{false, 1, 2, false, {}};
        QTest::newRow("control character")
            << L{"False", "0", "0", "False", "Ctrl+\x01"} << QuietSettings{};
    }
    void quietLines() {
        QFETCH(QList<QByteArray>, extra);
        PrefsValues values;
        parsePrefs(kFile + extra, values);
        QTEST(quietSettings(values.settings), "expected");
    }

    // Opening reads the file into the store and moves the strip; without a file the first-run
    // values apply. A text colour equal to the background gets the inverse background.
    void clockOpensTheFile_data() {
        QTest::addColumn<bool>("withFile");
        QTest::newRow("file") << true;
        QTest::newRow("first run") << false;
    }
    void clockOpensTheFile() {
        QFETCH(bool, withFile);
        test::TestEnv env;
        QList<QByteArray> lines = kFile;
        lines[12] = lines[11];
        if (withFile) env.write(QStringLiteral("Taku.Prefs"), joinLines(lines));
        ClockCore core;
        QSignalSpy moves(&core, &ClockCore::positionLoaded);
        core.open();
        SettingsRecord expected = withFile ? fileSettings() : firstRun();
        if (withFile) expected.BackColor = {254, 253, 252};
        QVERIFY(Settings() == expected);
        QCOMPARE(core.IntervalMinutes, withFile ? 15 : 60);
        QCOMPARE(moves.size(), withFile ? 1 : 0);
        if (!withFile) return;
        core.savePreferences();
        lines[12] = "254\t253\t252";
        QCOMPARE(env.read(QStringLiteral("Taku.Prefs")), joinLines(lines));
    }
};

QTEST_GUILESS_MAIN(TestPrefsTable)
#include "test_prefs_table.moc"
