// The program's text files: lines read with bounds, Shift_JIS both ways, the pronunciation
// table and the event table, and atomic saves.

#include "base/TextFile.h"
#include "events/EventFile.h"
#include "speech/VoiceTable.h"
#include "support/CrashDuringSave.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace taku;

namespace {

using Lines = QList<QByteArray>;

VoiceTableData filledTable(const QString& prefix) {
    VoiceTableData table;
    for (int row = 0; row < VoiceTableData::kRows; ++row)
        table.setRow(row, prefix + QStringLiteral("d%1").arg(row),
                     prefix + QStringLiteral("s%1").arg(row));
    return table;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

} // namespace

class TestFiles final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void linesAreReadWithBounds_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Lines>("lines");
        QTest::newRow("LF, CR LF and CR ends") << QByteArray("a\r\nb\rc") << Lines{"a", "b", "c"};
        QTest::newRow("empty file") << QByteArray() << Lines{""};
        QTest::newRow("empty lines kept") << QByteArray("\n\nx\n") << Lines{"", "", "x"};
        QTest::newRow("long line cut") << QByteArray(10, 'x') + "\nok" << Lines{"xxxx", "ok"};
        QTest::newRow("lines after the third dropped")
            << QByteArray("1\n2\n3\n4\n5") << Lines{"1", "2", "3"};
        QTest::newRow("bytes after the 20th dropped")
            << QByteArray("12345678\n12345678\n12345678") << Lines{"1234", "1234", "12"};
    }
    void linesAreReadWithBounds() {
        QFETCH(QByteArray, content);
        writeAll(file("lines.txt"), content);
        const ReadLimits limits{3, 4, 20};
        QTEST(*readLines(file("lines.txt"), limits), "lines");
        QVERIFY(!readLines(file("none.txt")));
    }

    void shiftJis_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ways"); // 1 decodes, 2 encodes, 3 both
        QTest::newRow("kanji") << QByteArray("\x8C\xDF\x8C\xE3\t\x82\xB2\x82\xB2") << "午後\tごご"
                               << 3;
        QTest::newRow("backslash trail byte") << QByteArray("\x8F\x5C") << "十" << 3;
        QTest::newRow("ASCII backslash, tilde") << QByteArray("a\\~") << "a\\~" << 3;
        QTest::newRow("NEC circled digit") << QByteArray("\x87\x40") << "①" << 3;
        QTest::newRow("half-width katakana") << QByteArray("\xB6\xC0") << "ｶﾀ" << 3;
        QTest::newRow("invalid byte") << QByteArray("x\xFDy") << "x\uFFFDy" << 1;
        QTest::newRow("lead byte cut off") << QByteArray("a\x88") << "a\uFFFD" << 1;
        QTest::newRow("no Shift_JIS for emoji") << QByteArray("?go") << "😀go" << 2;
    }
    void shiftJis() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, ways);
        if (ways & 1) QCOMPARE(decodeShiftJis(bytes), text);
        if (ways & 2) QCOMPARE(encodeShiftJis(text), bytes);
    }

    void tableLinesFillRows_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("word tab text") << QByteArray("\x8E\x9E\tji") << "時"
                                       << "ji";
        QTest::newRow("no tab") << QByteArray("ji") << "ji"
                                << "";
        QTest::newRow("two tabs") << QByteArray("a\tb\tgone") << "a"
                                  << "b";
        QTest::newRow("leading tab") << QByteArray("\tjee") << ""
                                     << "jee";
        QTest::newRow("empty") << QByteArray() << ""
                               << "";
    }
    void tableLinesFillRows() {
        QFETCH(QByteArray, line);
        VoiceTableData table = filledTable(QStringLiteral("old"));
        QCOMPARE(readTableLines({line}, table), 1);
        QTEST(table.display(0), "display");
        QTEST(table.spoken(0), "spoken");
        QCOMPARE(table.spoken(1), QStringLiteral("olds1")); // a shorter file keeps later rows
    }

    void tableFileIsBoundedAndSavesItsEditedRows() {
        Lines long80;
        for (int i = 0; i < 80; ++i)
            long80.append("d\ts" + QByteArray::number(i));
        VoiceTableData table;
        QCOMPARE(readTableLines(long80, table), 51);
        QCOMPARE(table.spoken(50), QStringLiteral("s50"));
        QCOMPARE(table.spoken(51), QString()); // outside the table: empty, never read
        table.setRow(-1, QStringLiteral("x"), QStringLiteral("y"));

        // A line of 100 kB gives its row a bounded prefix; the next line is read.
        writeAll(file("huge.txt"), "d\t" + QByteArray(100000, 'a') + "\nnext\tok\n");
        QVERIFY(loadTableFile(file("huge.txt"), table));
        QVERIFY(table.spoken(0).size() < 64 * 1024 && table.spoken(0).startsWith(u'a'));
        QCOMPARE(table.spoken(1), QStringLiteral("ok"));
        QVERIFY(!loadTableFile(file("none.txt"), table));

        // A save writes rows 0..41 in order, Shift_JIS, and reads back the same.
        VoiceTableData saved = filledTable(QString());
        saved.setRow(40, QStringLiteral("二十日"), QStringLiteral("はつか"));
        QCOMPARE(saveTableFile(file("voice.txt"), saved), QString());
        const Lines lines = readAll(file("voice.txt")).split('\n');
        QCOMPARE(lines.size(), 43);
        QCOMPARE(lines[0], QByteArray("d0\ts0"));
        QCOMPARE(lines[40], QByteArray("\x93\xF1\x8F\x5C\x93\xFA\t\x82\xCD\x82\xC2\x82\xA9"));
        QCOMPARE(lines[41], QByteArray("d41\ts41"));
        VoiceTableData loaded;
        QVERIFY(loadTableFile(file("voice.txt"), loaded));
        QCOMPARE(loaded.display(40), QStringLiteral("二十日"));
        QCOMPARE(loaded.spoken(41), QStringLiteral("s41"));
        QCOMPARE(loaded.spoken(42), QString()); // rows after 41 are not saved
    }

    void eventLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("active");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("message");
        QTest::newRow("four fields") << "True\t12\t25\tMerry Xmas!\textra" << true << "12"
                                     << "25"
                                     << "Merry Xmas!";
        QTest::newRow("short line") << "False\t3" << false << "3"
                                    << ""
                                    << "";
        QTest::newRow("lower-case true") << "true\t1\t1\tx" << false << "1"
                                         << "1"
                                         << "x";
        QTest::newRow("empty") << "" << false << ""
                               << ""
                               << "";
    }
    void eventLines() {
        QFETCH(QString, line);
        const EventRecord r = parseEventLine(line);
        QTEST(r.active, "active");
        QTEST(r.month, "month");
        QTEST(r.day, "day");
        QTEST(r.message, "message");
    }

    void todaysActiveEventsAreSpokenInFileOrder() {
        const Lines lines{"True\t1\t1\tA Happy New Year!",
                          "False\t1\t1\tnever said",
                          "",
                          "True\t01\t1\tsecond\tin file",
                          "True\tJan\t1\tletters",
                          "True\t12\t25\tMerry Xmas!",
                          "True\t1"};
        QCOMPARE(messagesForDay(lines, 1, 1),
                 (QStringList{QStringLiteral("A Happy New Year!........"),
                              QStringLiteral("second........")}));
        QCOMPARE(messagesForDay(lines, 0, 1), QStringList{QStringLiteral("letters........")});
        QVERIFY(messagesForDay(lines, 1, 2).isEmpty());
        Lines many;
        for (int i = 0; i < 250; ++i)
            many.append("True\t5\t5\tm" + QByteArray::number(i));
        const QStringList spoken = messagesForDay(many, 5, 5);
        QCOMPARE(spoken.size(), 100);
        QCOMPARE(spoken.last(), QStringLiteral("m99........"));
    }

    void eventFileSavesOneLinePerRecord() {
        const QList<EventRecord> records{
            {false, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("A Happy New Year!")},
            {true, QStringLiteral("12"), QStringLiteral("25"), QStringLiteral("メリークリスマス")}};
        QCOMPARE(saveEventFile(file("event.txt"), records), QString());
        QCOMPARE(readAll(file("event.txt")),
                 QStringLiteral("False\t1\t1\tA Happy New Year!\nTrue\t12\t25\tメリークリスマス\n")
                     .toUtf8());
        bool ok = false;
        QCOMPARE(readEventFile(file("event.txt"), &ok), records);
        QVERIFY(ok);
        readEventFile(file("none.txt"), &ok);
        QVERIFY(!ok);
    }

    // A save replaces the file in one step: dying between the write and the rename leaves the
    // old file whole, and a save that can't be made leaves nothing behind.
    void savesAreAtomic() {
        writeAll(file("kept.txt"), "old\n");
        QVERIFY(test::crashesBeforeRename(
            [&] { saveFileAtomically(file("kept.txt"), "a new, longer text\n"); }));
        QCOMPARE(readAll(file("kept.txt")), QByteArray("old\n"));
        QCOMPARE(saveFileAtomically(file("kept.txt"), "new\n"), QString());
        QCOMPARE(readAll(file("kept.txt")), QByteArray("new\n"));
        QVERIFY(!saveFileAtomically(file("no folder/x.txt"), "x").isEmpty());
        QVERIFY(!saveFileAtomically(QString(), "x").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
