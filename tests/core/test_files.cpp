// The program's text files: lines read with bounds, Shift_JIS both ways, the pronunciation
// table and the event table, and atomic saves.

#include "base/TextFile.h"
#include "events/EventFile.h"
#include "speech/VoiceTable.h"
#include "support/Fakes.h"

#include <QTest>

using namespace taku;
using Lines = QList<QByteArray>;

class TestFiles final : public QObject {
    Q_OBJECT

    test::TestEnv env;
    QString file(const char* name) const { return env.file(QLatin1String(name)); }

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
        env.write(QStringLiteral("lines.txt"), content);
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

    // A line fills one row; a shorter file keeps the rows after it; 51 rows at most.
    void tableLinesFillRows_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("spoken");
        const char* const rows[][3] = {
            {"\x8E\x9E\tji", "時", "ji"}, {"ji", "ji", ""}, {"a\tb\tgone", "a", "b"},
            {"\tjee", "", "jee"},         {"", "", ""},
        };
        for (const auto& [line, display, spoken] : rows)
            QTest::newRow(line) << QByteArray(line) << QString::fromUtf8(display)
                                << QString::fromUtf8(spoken);
    }
    void tableLinesFillRows() {
        QFETCH(QByteArray, line);
        VoiceTableData table;
        table.setRow(1, QStringLiteral("one"), QStringLiteral("kept"));
        QCOMPARE(readTableLines({line}, table), 1);
        QTEST(table.display(0), "display");
        QTEST(table.spoken(0), "spoken");
        QCOMPARE(table.spoken(1), QStringLiteral("kept"));
        Lines long80(80, "d\ts");
        QCOMPARE(readTableLines(long80, table), 51);
        QCOMPARE(table.spoken(51), QString()); // outside the table: empty, never read
    }

    void eventLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("fields"); // active|month|day|message
        const char* const rows[][2] = {
            {"True\t12\t25\tMerry Xmas!\textra", "1|12|25|Merry Xmas!"},
            {"False\t3", "0|3||"},
            {"true\t1\t1\tx", "0|1|1|x"},
            {"", "0|||"},
        };
        for (const auto& [line, fields] : rows)
            QTest::newRow(line) << QString::fromUtf8(line) << QString::fromUtf8(fields);
    }
    void eventLines() {
        QFETCH(QString, line);
        const EventRecord r = parseEventLine(line);
        QTEST(QStringList({QString::number(r.active), r.month, r.day, r.message}).join(u'|'),
              "fields");
    }

    // A save replaces the file in one step: dying between the write and the rename leaves the
    // old file whole, and a save that can't be made leaves nothing behind.
    void savesAreAtomic() {
        env.write(QStringLiteral("kept.txt"), "old\n");
        QVERIFY(test::crashesBeforeRename(
            [&] { saveFileAtomically(file("kept.txt"), "a new, longer text\n"); }));
        QCOMPARE(env.read(QStringLiteral("kept.txt")), QByteArray("old\n"));
        QCOMPARE(saveFileAtomically(file("kept.txt"), "new\n"), QString());
        QCOMPARE(env.read(QStringLiteral("kept.txt")), QByteArray("new\n"));
        QVERIFY(!saveFileAtomically(file("no folder/x.txt"), "x").isEmpty());
        QVERIFY(!saveFileAtomically(QString(), "x").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
