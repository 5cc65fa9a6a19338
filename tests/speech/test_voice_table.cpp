// The pronunciation table file: how lines fill rows, what a save writes, Shift_JIS both ways,
// and that neither a huge line nor a huge file can hang the start-up or reach outside the
// table.

#include "base/TextFile.h"
#include "clock/W_Time.h"
#include "speech/VoiceTable.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

QByteArray sjis(const QString& text) { return encodeShiftJis(text); }

VoiceTableData filledTable(const QString& prefix) {
    VoiceTableData table;
    for (int row = 0; row < VoiceTableData::kRows; ++row)
        table.setRow(row, prefix + QStringLiteral("d%1").arg(row),
                     prefix + QStringLiteral("s%1").arg(row));
    return table;
}

QString fixture(const char* name) {
    return QStringLiteral(TAKU_TEST_DATA "/") + QLatin1String(name);
}

} // namespace

class TestVoiceTable final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        VoiceTable() = VoiceTableData{};
    }
    void cleanup() {
        env.reset();
        VoiceTable() = VoiceTableData{};
    }

    void lineFillsDisplayWordAndSpokenText_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("word tab text") << sjis(QStringLiteral("時\tじ")) << "時"
                                       << "じ";
        QTest::newRow("no tab") << sjis(QStringLiteral("時じ")) << "時じ"
                                << "";
        QTest::newRow("two tabs") << sjis(QStringLiteral("時\tじ\tgone")) << "時"
                                  << "じ";
        QTest::newRow("leading tab") << QByteArray("\tjee") << ""
                                     << "jee";
        QTest::newRow("empty") << QByteArray() << ""
                               << "";
        // 十 is 0x8F 0x5C in Shift_JIS: its trail byte is a backslash.
        QTest::newRow("backslash trail byte") << sjis(QStringLiteral("十\tじゅう")) << "十"
                                              << "じゅう";
    }
    void lineFillsDisplayWordAndSpokenText() {
        QFETCH(QByteArray, line);
        QFETCH(QString, display);
        QFETCH(QString, spoken);
        VoiceTableData table = filledTable(QStringLiteral("old"));
        QCOMPARE(readTableLines({line}, table), 1);
        QCOMPARE(table.display(0), display);
        QCOMPARE(table.spoken(0), spoken);
        QCOMPARE(table.spoken(1), QStringLiteral("olds1"));
    }

    void shorterFileKeepsLaterRows() {
        VoiceTableData table = filledTable(QStringLiteral("old"));
        // An empty file reads as one empty line: row 0 empties, nothing else changes.
        env->write(QStringLiteral("empty.txt"), QByteArray());
        QVERIFY(loadTableFile(env->file(QStringLiteral("empty.txt")), table));
        QCOMPARE(table.display(0), QString());
        QCOMPARE(table.spoken(0), QString());
        QCOMPARE(table.spoken(1), QStringLiteral("olds1"));

        QList<QByteArray> ten;
        for (int i = 0; i < 10; ++i)
            ten.append(QByteArray("d") + QByteArray::number(i) + "\ts" + QByteArray::number(i));
        env->write(QStringLiteral("ten.txt"), joinLines(ten));
        QVERIFY(loadTableFile(env->file(QStringLiteral("ten.txt")), table));
        QCOMPARE(table.spoken(9), QStringLiteral("s9"));
        QCOMPARE(table.spoken(10), QStringLiteral("olds10"));
        QCOMPARE(table.display(50), QStringLiteral("oldd50"));
    }

    void lineEndsOfOtherSystemsRead() {
        VoiceTableData table;
        env->write(QStringLiteral("crlf.txt"), QByteArray("a\tb\r\nc\td\re\tf"));
        QVERIFY(loadTableFile(env->file(QStringLiteral("crlf.txt")), table));
        QCOMPARE(table.spoken(0), QStringLiteral("b"));
        QCOMPARE(table.spoken(1), QStringLiteral("d"));
        QCOMPARE(table.spoken(2), QStringLiteral("f"));
    }

    void missingFileLeavesTableAlone() {
        VoiceTableData table = filledTable(QStringLiteral("old"));
        QVERIFY(!loadTableFile(env->file(QStringLiteral("none.txt")), table));
        QVERIFY(!loadTableFile(QString(), table));
        QCOMPARE(table.spoken(0), QStringLiteral("olds0"));
    }

    void kanjiSurvivesSaveAndLoad() {
        VoiceTableData saved = filledTable(QString());
        saved.setRow(22, QStringLiteral("午後"), QStringLiteral("ごご"));
        saved.setRow(40, QStringLiteral("二十日"), QStringLiteral("はつか"));
        const QString path = env->file(QStringLiteral("voice.txt"));
        QCOMPARE(saveTableFile(path, saved), QString());

        const QByteArray bytes = env->read(QStringLiteral("voice.txt"));
        QVERIFY(bytes.contains(QByteArray("\x8C\xDF\x8C\xE3\t\x82\xB2\x82\xB2\n"))); // 午後 ごご
        QCOMPARE(bytes.count('\n'), VoiceTableData::kEditedRows);

        VoiceTableData loaded;
        QVERIFY(loadTableFile(path, loaded));
        for (int row = 0; row < VoiceTableData::kEditedRows; ++row) {
            QCOMPARE(loaded.display(row), saved.display(row));
            QCOMPARE(loaded.spoken(row), saved.spoken(row));
        }
        QCOMPARE(loaded.display(40), QStringLiteral("二十日"));
    }

    void shiftJisFixtureDecodes() {
        VoiceTableData table;
        QVERIFY(loadTableFile(fixture("voice_kanji.txt"), table));
        QCOMPARE(table.display(0), QStringLiteral("午後"));
        QCOMPARE(table.spoken(1), QStringLiteral("ようび"));
        QCOMPARE(table.display(2), QStringLiteral("二十日"));
        QCOMPARE(formatTableLines(table).first(), QByteArray("\x8C\xDF\x8C\xE3\t\x82\xB2\x82\xB2"));
    }

    void invalidShiftJisBecomesReplacementCharacters() {
        VoiceTableData table;
        QVERIFY(loadTableFile(fixture("voice_invalid_sjis.txt"), table));
        QVERIFY(table.display(0).contains(QChar::ReplacementCharacter));
        QVERIFY(table.display(0).endsWith(QStringLiteral("bad")));
        QVERIFY(table.spoken(0).startsWith(u'x'));
        QVERIFY(table.spoken(0).endsWith(u'y'));
        QCOMPARE(table.spoken(1), QStringLiteral("あ"));
    }

    void rowsAfterTheEditedOnesAreNotSaved() {
        VoiceTableData table = filledTable(QString());
        const QList<QByteArray> lines = formatTableLines(table);
        QCOMPARE(lines.size(), 42);
        QCOMPARE(lines.last(), QByteArray("d41\ts41"));
        const QString path = env->file(QStringLiteral("voice.txt"));
        QCOMPARE(saveTableFile(path, table), QString());
        QVERIFY(!env->read(QStringLiteral("voice.txt")).contains("s42"));
    }

    void longFileStopsAfterRow50() {
        QList<QByteArray> lines;
        for (int i = 0; i < 80; ++i)
            lines.append("d\ts" + QByteArray::number(i));
        env->write(QStringLiteral("long.txt"), joinLines(lines));
        VoiceTableData table;
        QCOMPARE(readTableLines(lines, table), 51);
        QVERIFY(loadTableFile(env->file(QStringLiteral("long.txt")), table));
        QCOMPARE(table.spoken(50), QStringLiteral("s50"));
        QCOMPARE(table.spoken(51), QString()); // outside the table: empty, never read
        QCOMPARE(table.spoken(-1), QString());
        table.setRow(51, QStringLiteral("x"), QStringLiteral("y")); // ignored, no overflow
        table.setRow(-1, QStringLiteral("x"), QStringLiteral("y"));
    }

    void hugeLineAndHugeFileAreBounded() {
        // A line of 8 MB: the row gets a bounded prefix of it.
        QByteArray huge(8 * 1024 * 1024, 'a');
        huge.prepend("d\t");
        env->write(QStringLiteral("hugeline.txt"), huge + "\nnext\tok\n");
        VoiceTableData table;
        QVERIFY(loadTableFile(env->file(QStringLiteral("hugeline.txt")), table));
        QVERIFY(table.spoken(0).size() < 64 * 1024);
        QVERIFY(table.spoken(0).startsWith(u'a'));

        // A sparse file of 3 GB without a line end: read only up to the byte limit.
        QFile sparse(env->file(QStringLiteral("huge.txt")));
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        if (!sparse.resize(qint64(3) * 1024 * 1024 * 1024)) QSKIP("no sparse files here");
        sparse.close();
        VoiceTableData other = filledTable(QStringLiteral("old"));
        QVERIFY(loadTableFile(env->file(QStringLiteral("huge.txt")), other));
        QVERIFY(other.display(0).size() < 64 * 1024);
        QCOMPARE(other.spoken(1), QStringLiteral("olds1"));
    }

    void setVoiceLoadsVoiceTxtAtOpen() {
        env->write(QStringLiteral("voice.txt"), sjis(QStringLiteral("零\tれい\n一\tいち\n")));
        VoiceTable().setRow(5, QStringLiteral("keep"), QStringLiteral("keep"));
        W_Time w;
        w.Open();
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("れい"));
        QCOMPARE(VoiceTable().display(1), QStringLiteral("一"));
        QCOMPARE(VoiceTable().spoken(5), QStringLiteral("keep"));
    }

    void setVoiceWithoutFileOrFolderKeepsTable() {
        VoiceTable().setRow(0, QStringLiteral("零"), QStringLiteral("れい"));
        {
            W_Time w;
            w.Set_Voice(); // data folder without voice.txt
        }
        env = std::make_unique<TestEnv>(false); // no data folder at all
        W_Time w;
        w.Set_Voice();
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("れい"));
    }
};

QTEST_MAIN(TestVoiceTable)
#include "test_voice_table.moc"
