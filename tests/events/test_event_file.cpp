// The event table file and the start-up check: which records are spoken on which day, in
// which order, and what the editor gets back from the file.

#include "base/TextFile.h"
#include "clock/ClockCore.h"
#include "events/EventFile.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

QByteArray fixtureBytes(const char* name) {
    QFile f(QStringLiteral(TAKU_TEST_DATA "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> fixtureLines(const char* name) { return fixtureBytes(name).split('\n'); }

} // namespace

class TestEventFile final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    QStringList startUpAt(const QDate& day) {
        env->clock.set(QDateTime(day, QTime(9, 0, 0)));
        ClockCore w;
        w.speakTodaysEvents();
        w.Timer3.fire(); // nothing armed: does nothing
        return env->speech.spoken;
    }

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void lineSplitsIntoFourFields() {
        const EventRecord r = parseEventLine(QStringLiteral("True\t12\t25\tMerry Xmas!\textra"));
        QVERIFY(r.active);
        QCOMPARE(r.month, QStringLiteral("12"));
        QCOMPARE(r.day, QStringLiteral("25"));
        QCOMPARE(r.message, QStringLiteral("Merry Xmas!"));

        const EventRecord shortLine = parseEventLine(QStringLiteral("False\t3"));
        QVERIFY(!shortLine.active);
        QCOMPARE(shortLine.month, QStringLiteral("3"));
        QCOMPARE(shortLine.day, QString());
        QCOMPARE(shortLine.message, QString());

        QVERIFY(!parseEventLine(QStringLiteral("true\t1\t1\tx")).active);
        QVERIFY(!parseEventLine(QString()).active);
    }

    void recordWritesAsOneUtf8Line() {
        const EventRecord r{true, QStringLiteral("1"), QStringLiteral("1"),
                            QStringLiteral("元日です")};
        QCOMPARE(formatEventLine(r), QStringLiteral("True\t1\t1\t元日です").toUtf8());
        QCOMPARE(parseEventLine(QString::fromUtf8(formatEventLine(r))), r);
        QCOMPARE(formatEventLine(EventRecord{}), QByteArray("False\t\t\t"));
    }

    void tabInsideMessageIsCutWhenReadBack() {
        const EventRecord r{true, QStringLiteral("1"), QStringLiteral("1"),
                            QStringLiteral("tab\tinside")};
        QCOMPARE(formatEventLine(r), QByteArray("True\t1\t1\ttab\tinside")); // saved whole
        QCOMPARE(parseEventLine(QString::fromUtf8(formatEventLine(r))).message,
                 QStringLiteral("tab"));
    }

    void todaysActiveMessagesInFileOrder() {
        const QStringList spoken = messagesForDay(fixtureLines("event_mixed.txt"), 1, 1);
        QCOMPARE(spoken, (QStringList{QStringLiteral("A Happy New Year!........"),
                                      QStringLiteral("second in file........"),
                                      QStringLiteral("tab........")}));
        QCOMPARE(messagesForDay(fixtureLines("event_mixed.txt"), 12, 25),
                 QStringList{QStringLiteral("Merry Xmas!........")});
        QVERIFY(messagesForDay(fixtureLines("event_mixed.txt"), 1, 2).isEmpty());
        // Letters read as 0, a month and day no calendar has.
        QCOMPARE(messagesForDay({QByteArray("True\tJan\tone\tx")}, 0, 0).size(), 1);
        QVERIFY(messagesForDay({QByteArray("True\tJan\t1\tx")}, 1, 1).isEmpty());
    }

    void atMostHundredMessages() {
        QList<QByteArray> lines;
        for (int i = 0; i < 250; ++i)
            lines.append("True\t5\t5\tm" + QByteArray::number(i));
        const QStringList spoken = messagesForDay(lines, 5, 5);
        QCOMPARE(spoken.size(), 100);
        QCOMPARE(spoken.first(), QStringLiteral("m0........"));
        QCOMPARE(spoken.last(), QStringLiteral("m99........"));
    }

    void editorGetsEveryNonEmptyLine() {
        env->write(QStringLiteral("event.txt"), fixtureBytes("event_mixed.txt"));
        bool ok = false;
        const QList<EventRecord> records =
            readEventFile(env->file(QStringLiteral("event.txt")), &ok);
        QVERIFY(ok);
        QCOMPARE(records.size(), 8);
        QVERIFY(!records[1].active);
        QCOMPARE(records[1].message, QStringLiteral("never said"));
        QCOMPARE(records[7].month, QStringLiteral("1"));
        QCOMPARE(records[7].message, QString());

        readEventFile(env->file(QStringLiteral("none.txt")), &ok);
        QVERIFY(!ok);
    }

    void saveWritesOneLinePerRecord() {
        const QList<EventRecord> records{
            {false, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("A Happy New Year!")},
            {true, QStringLiteral("12"), QStringLiteral("25"), QStringLiteral("メリークリスマス")}};
        QCOMPARE(saveEventFile(env->file(QStringLiteral("event.txt")), records), QString());
        QCOMPARE(env->read(QStringLiteral("event.txt")),
                 QStringLiteral("False\t1\t1\tA Happy New Year!\nTrue\t12\t25\tメリークリスマス\n")
                     .toUtf8());
        bool ok = false;
        QCOMPARE(readEventFile(env->file(QStringLiteral("event.txt")), &ok), records);
    }

    void startUpSpeaksTodaysEvents() {
        env->write(QStringLiteral("event.txt"), fixtureBytes("event_mixed.txt"));
        QCOMPARE(
            startUpAt(QDate(2027, 1, 1)),
            (QStringList{QStringLiteral("A Happy New Year!........"),
                         QStringLiteral("second in file........"), QStringLiteral("tab........")}));
        env->speech.spoken.clear();
        QVERIFY(startUpAt(QDate(2027, 1, 2)).isEmpty());
    }

    void startUpWithoutFileOrFolderIsSilent() {
        QVERIFY(startUpAt(QDate(2027, 1, 1)).isEmpty());
        env = std::make_unique<TestEnv>(false);
        QVERIFY(startUpAt(QDate(2027, 1, 1)).isEmpty());
    }

    void eventsFollowTheStartUpDate() {
        env->write(QStringLiteral("event.txt"),
                   QByteArray("True\t12\t24\tone\nTrue\t12\t24\ttwo\n"));
        env->clock.set(QDateTime(QDate(2026, 12, 24), QTime(9, 0, 30)));
        ClockCore w;
        w.announceDate(12, 24, 5);
        w.speakTodaysEvents();
        QVERIFY(env->speech.spoken.isEmpty()); // everything waits for Timer3
        w.Timer3.fire();
        QCOMPARE(env->speech.spoken.size(), 3);
        QCOMPARE(env->speech.spoken[0], w.SpeechText);
        QCOMPARE(env->speech.spoken.mid(1),
                 (QStringList{QStringLiteral("one........"), QStringLiteral("two........")}));
        QVERIFY(w.AnnounceReady);
        // A later announcement through Timer3 carries no events with it.
        w.announce(QStringLiteral(" 9:01"));
        w.Timer3.fire();
        QCOMPARE(env->speech.spoken.size(), 4);
        QVERIFY(!env->speech.interrupts.contains(true));
    }

    void hugeEventFileIsBounded() {
        QByteArray many;
        for (int i = 0; i < 300; ++i)
            many += "True\t3\t3\tm" + QByteArray::number(i) + "\n";
        env->write(QStringLiteral("event.txt"), many + QByteArray(6 * 1024 * 1024, 'x'));
        QCOMPARE(startUpAt(QDate(2027, 3, 3)).size(), 100);
    }
};

QTEST_MAIN(TestEventFile)
#include "test_event_file.moc"
