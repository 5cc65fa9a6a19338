// The preferences file: its 22 lines round trip, broken files load sensibly, colours keep the
// text visible, the strip stays on screen and visible, and a save never leaves half a file.

#include "app/Settings.h"
#include "app/TextFile.h"
#include "clock/W_Time.h"
#include "prefs/PrefsFile.h"
#include "support/CrashDuringSave.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QGuiApplication>
#include "clock/StaticText.h"
#include <QScreen>
#include <QTest>

#include <unistd.h>

using namespace taku;
using taku::test::TestEnv;

namespace {

SettingsRecord everythingChanged() {
    SettingsRecord r;
    r.ShowWeek = true;
    r.ShowAMPM = false;
    r.Show24Hour = true;
    r.ShowSeconds = false;
    r.SmallView = true;
    r.ShowAnalog = true;
    r.AlarmOn = true;
    r.AlarmHour = 7;
    r.AlarmMinute = 30;
    r.SoundOn = true;
    r.CustomSound = false;
    r.SoundIndex = 3;
    r.AlarmRepeat = -4;
    r.AnnounceOn = true;
    r.SpeakDateAtStart = true;
    r.IntervalIndex = 2;
    r.Transparency = 80;
    r.TextColor = {12, 34, 56};
    r.BackColor = {200, 100, 0};
    r.Volume = 55;
    return r;
}

QList<QByteArray> fileLines(const QByteArray& content) {
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace

class TestPrefs final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    std::unique_ptr<W_Time> openClock() {
        auto w = std::make_unique<W_Time>();
        w->Open();
        return w;
    }

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void formatIsExactlyTwentyTwoLines() {
        SettingsRecord r;
        r.applyFirstRunValues();
        const QList<QByteArray> lines = formatPrefs({-20, 300}, r);
        QCOMPARE(lines.size(), kPrefsLines);
        QCOMPARE(lines[0], QByteArray("-20"));
        QCOMPARE(lines[1], QByteArray("300"));
        QCOMPARE(lines[2], QByteArray("True"));   // seconds
        QCOMPARE(lines[6], QByteArray("False"));  // analog
        QCOMPARE(lines[10], QByteArray("100"));   // opacity
        QCOMPARE(lines[11], QByteArray("0\t0\t0"));
        QCOMPARE(lines[12], QByteArray("255\t255\t255"));
        QCOMPARE(lines[15], QByteArray("100"));   // volume
        QCOMPARE(formatColor({12, 34, 56}), QByteArray("12\t34\t56"));
    }

    void roundTripThroughTheWindow() {
        Settings() = everythingChanged();
        {
            auto w = std::make_unique<W_Time>();
            w->move(123, 45);
            w->Save_Pref();
        }
        const QList<QByteArray> lines = fileLines(env->read(QStringLiteral("Taku.Prefs")));
        QCOMPARE(lines.size(), 22);
        QCOMPARE(lines[0], QByteArray("45"));
        QCOMPARE(lines[1], QByteArray("123"));
        const SettingsRecord saved = Settings();
        Settings() = SettingsRecord{};
        auto w = openClock();
        QCOMPARE(Settings(), saved);
        QCOMPARE(w->pos(), QPoint(123, 45));
        QCOMPARE(w->IntervalMinutes, 15);
    }

    void brokenFilesLoadSensibly_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("two lines") << QByteArray("10\n20\n");
        QTest::newRow("CR LF ends") << QByteArray("10\r\n20\r\nTrue\r\n");
        QTest::newRow("garbage") << QByteArray("abc\nxyz\n1\nyes\n\xff\xfe\n");
        QTest::newRow("no line end at all") << QByteArray(100000, 'x');
    }
    void brokenFilesLoadSensibly() {
        QFETCH(QByteArray, content);
        env->write(QStringLiteral("Taku.Prefs"), content);
        auto w = openClock();
        const SettingsRecord& s = Settings();
        // Missing or unreadable flags are false and numbers 0; both colours black turn the
        // background white so the text stays visible.
        QVERIFY(!s.ShowWeek && !s.AnnounceOn && !s.AlarmOn);
        QCOMPARE(s.Volume, 0);
        QCOMPARE(s.TextColor, (Rgb{0, 0, 0}));
        QCOMPARE(s.BackColor, (Rgb{255, 255, 255}));
        QCOMPARE(w->IntervalMinutes, 60);
        w->Timer1_Action(); // and it ticks
        QVERIFY(!w->Static_Time->text().isEmpty());
    }

    void crLfFileReadsItsValues() {
        env->write(QStringLiteral("Taku.Prefs"), QByteArray("10\r\n20\r\nTrue\r\n"));
        auto w = openClock();
        QVERIFY(Settings().ShowSeconds);
        QCOMPARE(w->pos(), QPoint(20, 10));
    }

    void flagsAreTrueOnlyWhenTrue() {
        QList<QByteArray> lines = formatPrefs({0, 0}, everythingChanged());
        lines[2] = "1";
        lines[4] = "true";
        lines[5] = "True ";
        WindowPosition pos;
        SettingsRecord r;
        parsePrefs(lines, pos, r);
        QVERIFY(!r.ShowSeconds);
        QVERIFY(!r.ShowWeek);
        QVERIFY(!r.Show24Hour);
    }

    void valuesOutOfRangeAreKeptAsRead() {
        SettingsRecord r = everythingChanged();
        r.Transparency = 20;
        r.AlarmHour = 30;
        r.IntervalIndex = 17;
        env->write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs({0, 0}, r)));
        auto w = openClock();
        QCOMPARE(Settings().Transparency, 20);
        QCOMPARE(Settings().AlarmHour, 30);
        // ...but the strip is never fainter than half.
        QVERIFY(qAbs(w->windowOpacity() - 0.5) < 0.01);
    }

    void equalColoursInvertTheBackgroundAtLoad_data() {
        QTest::addColumn<Rgb>("color");
        QTest::addColumn<Rgb>("back");
        QTest::newRow("white on white") << Rgb{255, 255, 255} << Rgb{0, 0, 0};
        QTest::newRow("black on black") << Rgb{0, 0, 0} << Rgb{255, 255, 255};
        QTest::newRow("grey") << Rgb{10, 128, 250} << Rgb{245, 127, 5};
    }
    void equalColoursInvertTheBackgroundAtLoad() {
        QFETCH(Rgb, color);
        QFETCH(Rgb, back);
        SettingsRecord r = everythingChanged();
        r.TextColor = color;
        r.BackColor = color;
        const QByteArray file = joinLines(formatPrefs({0, 0}, r));
        env->write(QStringLiteral("Taku.Prefs"), file);
        auto w = openClock();
        QCOMPARE(Settings().TextColor, color);
        QCOMPARE(Settings().BackColor, back);
        QCOMPARE(w->palette().color(QPalette::Window), QColor(back.r, back.g, back.b));
        QCOMPARE(w->Static_Time->palette().color(QPalette::WindowText),
                 QColor(color.r, color.g, color.b));
        QCOMPARE(env->read(QStringLiteral("Taku.Prefs")), file); // unchanged until saved
    }

    void positionOffEveryScreenComesBack() {
        SettingsRecord r = everythingChanged();
        env->write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs({-5000, 90000}, r)));
        auto w = openClock();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(screen.intersects(QRect(w->pos(), w->size())));
    }

    void firstLineOnlyMovesVertically() {
        env->write(QStringLiteral("Taku.Prefs"), QByteArray("77\n"));
        auto w = openClock();
        QCOMPARE(w->pos(), QPoint(0, 77));
    }

    void readOnlyFolderSkipsTheSave() {
        if (geteuid() == 0) QSKIP("root writes into read-only folders");
        env->write(QStringLiteral("Taku.Prefs"), QByteArray("1\n2\n"));
        QFile::setPermissions(env->dataPath(), QFile::ReadOwner | QFile::ExeOwner);
        Settings() = everythingChanged();
        W_Time w;
        w.Save_Pref();
        QFile::setPermissions(env->dataPath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(env->read(QStringLiteral("Taku.Prefs")), QByteArray("1\n2\n"));
    }

    void crashBetweenWriteAndRenameKeepsTheOldFile() {
        const QByteArray old = joinLines(formatPrefs({1, 2}, everythingChanged()));
        env->write(QStringLiteral("Taku.Prefs"), old);
        QVERIFY(test::crashesBeforeRename([this] {
            saveFileAtomically(env->file(QStringLiteral("Taku.Prefs")),
                               joinLines(formatPrefs({9, 9}, SettingsRecord{})));
        }));
        QCOMPARE(env->read(QStringLiteral("Taku.Prefs")), old);
    }
};

QTEST_MAIN(TestPrefs)
#include "test_prefs.moc"
