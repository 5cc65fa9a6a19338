// The pronunciation editor, driven through its widgets: what a row's button says, what each
// save writes and where the table in memory ends up, and the two try-out buttons.

#include "base/TextFile.h"
#include "base/Windows.h"
#include "clock/ClockCore.h"
#include "speech/VoiceTable.h"
#include "speech/W_Voice.h"
#include "support/CrashDuringSave.h"
#include "support/TestEnv.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(TAKU_TEST_DATA "/") + QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lines of a table file as the editor writes them: LF ends, no CR.
QList<QByteArray> linesOf(const QByteArray& content) {
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) line.chop(1);
    }
    return lines;
}

QByteArray sjis(const QString& text) { return encodeShiftJis(text); }

// Replaces a field's text the way a user does: select everything, then type.
void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text, Qt::NoModifier);
}

} // namespace

class TestVoiceEditor final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ClockCore> clock;

    W_Voice* open() {
        W_Voice* w = showWindow<W_Voice>();
        if (!QTest::qWaitForWindowExposed(w)) qWarning("editor window not exposed");
        return w;
    }
    // What the clock's speech timer hands to the synthesizer for the armed announcement.
    QString announced() {
        clock->Timer3.fire();
        return env->speech.spoken.isEmpty() ? QString() : env->speech.spoken.last();
    }
    QByteArray voiceFile() const { return env->read(QStringLiteral("voice.txt")); }

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        VoiceTable() = VoiceTableData{};
        env->write(QStringLiteral("voice.txt"), fixture("editor_voice.txt"));
        clock = std::make_unique<ClockCore>();
        clock->Timer1.setMode(TimerMode::Off);
        clock->loadPronunciations();
        clock->TimeText = QStringLiteral("木 午後1:02");
        clock->Title = QStringLiteral("2026.12.24 木");
        services().commands = clock.get();
    }
    void cleanup() {
        delete openWindow<W_Voice>();
        clock.reset();
        env.reset();
    }

    void opensWithTheTableInThreeColumns() {
        W_Voice* w = open();
        QCOMPARE(w->windowTitle(), QStringLiteral("発音表"));
        QCOMPARE(w->size(), QSize(673, 601));
        for (int r = 0; r < 42; ++r) {
            QVERIFY2(VoiceEdits()[r] && VoiceButtons()[r], qPrintable(QString::number(r)));
            QCOMPARE(VoiceEdits()[r]->Index, r);
            QCOMPARE(VoiceButtons()[r]->Index, r);
            QCOMPARE(VoiceEdits()[r]->text(), VoiceTable().spoken(r));
            QCOMPARE(VoiceButtons()[r]->text(), VoiceTable().display(r));
        }
        for (int r = 42; r < 51; ++r)
            QVERIFY(!VoiceEdits()[r] && !VoiceButtons()[r]);

        QCOMPARE(VoiceEdits()[0]->geometry(), QRect(20, 20, 80, 22));
        QCOMPARE(VoiceButtons()[0]->geometry(), QRect(120, 21, 80, 20));
        QCOMPARE(VoiceEdits()[13]->pos(), QPoint(20, 475));
        QCOMPARE(VoiceEdits()[14]->pos(), QPoint(240, 20));
        QCOMPARE(VoiceButtons()[27]->pos(), QPoint(340, 476));
        QCOMPARE(VoiceEdits()[28]->pos(), QPoint(460, 20));
        QCOMPARE(VoiceButtons()[41]->pos(), QPoint(560, 476));

        QCOMPARE(w->EditField1->text(), QStringLiteral("木 午後1:02"));
        QCOMPARE(w->EditField2->text(), QStringLiteral("2026.12.24 木"));
        QCOMPARE(w->PopupMenu1->count(), 10);
        QCOMPARE(w->PopupMenu1->currentIndex(), -1);

        // One instance: asking again brings the same window.
        QCOMPARE(showWindow<W_Voice>(), w);
    }

    void rowButtonSpeaksItsFieldAsTyped_data() {
        QTest::addColumn<int>("row");
        for (int r : {0, 13, 14, 27, 28, 41})
            QTest::addRow("row %d", r) << r;
    }
    void rowButtonSpeaksItsFieldAsTyped() {
        QFETCH(int, row);
        open();
        const QString before = VoiceTable().spoken(row);
        retype(VoiceEdits()[row], QStringLiteral("typed %1").arg(row));
        QTest::mouseClick(VoiceButtons()[row], Qt::LeftButton);
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("typed %1").arg(row)});
        QCOMPARE(env->speech.interrupts, QList<bool>{false});
        // Spoken at once, not through the speech timer, and the table is not touched.
        QCOMPARE(clock->Timer3.Mode(), TimerMode::Off);
        QCOMPARE(VoiceTable().spoken(row), before);
    }

    void savingAsStartupTableReachesFileAndAnnouncement() {
        W_Voice* w = open();
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QVERIFY(announced().split(u' ').contains(QStringLiteral("fun")));

        retype(VoiceEdits()[26], QStringLiteral("FUN"));
        // An edit not yet saved is not used by the announcement.
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QVERIFY(!announced().split(u' ').contains(QStringLiteral("FUN")));

        retype(VoiceEdits()[5], QStringLiteral("😀go")); // Shift_JIS has no emoji
        QTest::mouseClick(w->PushButton2, Qt::LeftButton);

        QList<QByteArray> expected = linesOf(fixture("editor_voice.txt")).mid(0, 42);
        expected[26] = sjis(QStringLiteral("分\tFUN"));
        expected[5] = sjis(QStringLiteral("五\t?go"));
        QCOMPARE(linesOf(voiceFile()), expected); // 42 lines in row order; rows 42, 43 not written
        QCOMPARE(voiceFile(), joinLines(expected));
        QCOMPARE(VoiceTable().spoken(26), QStringLiteral("FUN"));
        QCOMPARE(VoiceTable().spoken(42), QStringLiteral("extra42")); // kept in memory

        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QVERIFY(announced().split(u' ').contains(QStringLiteral("FUN")));

        // The next start reads the saved table.
        VoiceTable() = VoiceTableData{};
        clock->loadPronunciations();
        QCOMPARE(VoiceTable().spoken(26), QStringLiteral("FUN"));
        QCOMPARE(VoiceTable().display(40), QStringLiteral("二十日"));
    }

    void closingDropsUnsavedEdits() {
        W_Voice* w = open();
        retype(VoiceEdits()[3], QStringLiteral("changed"));
        QTest::mouseClick(w->PushButton1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!openWindow<W_Voice>());
        QVERIFY(!VoiceEdits()[3]);
        QCOMPARE(VoiceTable().spoken(3), QStringLiteral("sun"));
        open();
        QCOMPARE(VoiceEdits()[3]->text(), QStringLiteral("sun"));
        QCOMPARE(voiceFile(), fixture("editor_voice.txt"));
    }

    void savingToChosenFile_data() {
        QTest::addColumn<int>("voice");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("no voice chosen") << -1 << QStringLiteral(".txt");
        QTest::newRow("Kathy") << 1 << QStringLiteral("Kathy.txt"); // has no table file
    }
    void savingToChosenFile() {
        QFETCH(int, voice);
        QFETCH(QString, proposed);
        W_Voice* w = open();
        w->PopupMenu1->setCurrentIndex(voice);
        retype(VoiceEdits()[0], QStringLiteral("zero"));

        // Cancelled: nothing is written and the table keeps its row.
        QTest::mouseClick(w->PushButton6, Qt::LeftButton);
        QCOMPARE(env->dialogs.saveProposals, QStringList{proposed});
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("ray"));

        const QString chosen = QDir(env->dataPath()).filePath(QStringLiteral("mine.txt"));
        env->dialogs.saveAnswers.push_back(chosen);
        QTest::mouseClick(w->PushButton6, Qt::LeftButton);
        QCOMPARE(env->dialogs.saveProposals.last(), proposed);
        QFile saved(chosen);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = linesOf(saved.readAll());
        QCOMPARE(lines.size(), 42);
        QCOMPARE(lines[0], sjis(QStringLiteral("零\tzero")));
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("zero"));
        QCOMPARE(voiceFile(), fixture("editor_voice.txt"));
    }

    void aFailedSaveChangesNothing() {
        W_Voice* w = open();
        retype(VoiceEdits()[0], QStringLiteral("zero"));
        env->dialogs.saveAnswers.push_back(
            QDir(env->dataPath()).filePath(QStringLiteral("no such folder/mine.txt")));
        QTest::mouseClick(w->PushButton6, Qt::LeftButton);
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("ray"));
    }

    void aSaveThatDiesBeforeTheRenameLeavesVoiceTxtWhole() {
        open();
        retype(VoiceEdits()[0], QStringLiteral("zero"));
        QVERIFY(test::crashesBeforeRename([] { openWindow<W_Voice>()->PushButton2_Action(); }));
        QCOMPARE(voiceFile(), fixture("editor_voice.txt"));
    }

    void choosingAVoiceLoadsItsTable() {
        env->write(QStringLiteral("Fred.txt"), fixture("editor_voice_ten.txt"));
        W_Voice* w = open();
        retype(VoiceEdits()[12], QStringLiteral("typed"));

        w->PopupMenu1->setCurrentIndex(0); // Agnes: no file, nothing happens
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("ray"));

        w->PopupMenu1->setCurrentIndex(static_cast<int>(W_Voice::voiceNames().indexOf(u"Fred")));
        for (int r = 0; r < 10; ++r) {
            const QByteArray original = linesOf(fixture("editor_voice.txt"))[r].split('\t')[1];
            QCOMPARE(VoiceTable().spoken(r), original + "-fred");
            QCOMPARE(VoiceEdits()[r]->text(), VoiceTable().spoken(r));
            QCOMPARE(VoiceButtons()[r]->text(), VoiceTable().display(r));
            QVERIFY(VoiceButtons()[r]->text().endsWith(u'改'));
        }
        QCOMPARE(VoiceTable().spoken(10), QStringLiteral("jew"));
        QCOMPARE(VoiceEdits()[10]->text(), QStringLiteral("jew"));
        QCOMPARE(VoiceEdits()[12]->text(), QStringLiteral("typed")); // rows after 9 untouched
        QCOMPARE(VoiceTable().spoken(41), QStringLiteral("gatsu"));
        QCOMPARE(voiceFile(), fixture("editor_voice.txt"));
    }

    void loadingAChosenFile() {
        W_Voice* w = open();
        QTest::mouseClick(w->PushButton5, Qt::LeftButton); // cancelled
        QCOMPARE(env->dialogs.openFilters, QStringList{QStringLiteral("text (*.txt)")});
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("ray"));

        env->dialogs.openAnswers.push_back(QStringLiteral(TAKU_TEST_DATA "/editor_voice_ten.txt"));
        QTest::mouseClick(w->PushButton5, Qt::LeftButton);
        QCOMPARE(VoiceTable().spoken(9), QStringLiteral("coo-fred"));
        QCOMPARE(VoiceEdits()[9]->text(), QStringLiteral("coo-fred"));
        QCOMPARE(VoiceButtons()[9]->text(), QStringLiteral("九改"));
        QCOMPARE(VoiceEdits()[10]->text(), QStringLiteral("jew"));
    }

    void dateTryOut_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("spoken");
        // 12, 24, Saturday: [10] [2] [41] [2] [10] [33] [20] [23] [13]
        QTest::newRow("24 December, Saturday")
            << QStringLiteral("2022.12.24 土")
            << QStringLiteral("jew knee gatsu knee jew yokka do youbi dess");
        // An unknown weekday says row 13 in its place.
        QTest::newRow("unknown weekday")
            << QStringLiteral("2022.12.24 X")
            << QStringLiteral("jew knee gatsu knee jew yokka dess youbi dess");
        QTest::newRow("1 January, Sunday")
            << QStringLiteral("2023.1.1 日")
            << QStringLiteral("itchy gatsu tsuitachi nichi youbi dess");
    }
    void dateTryOut() {
        QFETCH(QString, title);
        QFETCH(QString, spoken);
        W_Voice* w = open();
        retype(w->EditField2, title);
        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QCOMPARE(clock->Timer3.Mode(), TimerMode::Once);
        QCOMPARE(announced(), spoken);
    }

    void readingADateText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("weekday");
        QTest::newRow("title") << QStringLiteral("2026.12.24 木") << 12 << 24 << 5;
        QTest::newRow("Sunday") << QStringLiteral("2026.3.1 日") << 3 << 1 << 1;
        QTest::newRow("Saturday") << QStringLiteral("2026.3.7 土") << 3 << 7 << 7;
        QTest::newRow("no weekday") << QStringLiteral("2026.12.24") << 12 << 24 << 0;
        QTest::newRow("weekday word") << QStringLiteral("2026.12.24 木曜") << 12 << 24 << 0;
        QTest::newRow("not a date") << QStringLiteral("today") << 0 << 0 << 0;
        QTest::newRow("empty") << QString() << 0 << 0 << 0;
    }
    void readingADateText() {
        QFETCH(QString, text);
        const DateTextParts parts = readDateText(text);
        QTEST(parts.month, "month");
        QTEST(parts.day, "day");
        QTEST(parts.weekday, "weekday");
    }
};

QTEST_MAIN(TestVoiceEditor)
#include "test_voice_editor.moc"
