// What the strip shows: the weekday names, the date title, the clock text and the strip width
// for each combination of display settings, and the analog hands.

#include "clock/ClockText.h"

#include <QTest>

using namespace taku;

namespace {
// 24 December 2006 was a Sunday.
QDateTime at(int h, int m, int s, QDate date = QDate(2006, 12, 24)) {
    return QDateTime(date, QTime(h, m, s));
}
} // namespace

class TestClockText final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void weekdays() {
        QCOMPARE(Get_Week(1), QStringLiteral("日"));
        QCOMPARE(Get_Week(4), QStringLiteral("水"));
        QCOMPARE(Get_Week(7), QStringLiteral("土"));
        QCOMPARE(Get_Week(0), QString());
        QCOMPARE(Get_Week(8), QString());
        QCOMPARE(dayOfWeek(QDate(2006, 12, 24)), 1); // Sunday
        QCOMPARE(dayOfWeek(QDate(2026, 12, 26)), 7); // Saturday
        QCOMPARE(dayOfWeek(QDate(2026, 12, 21)), 2); // Monday
    }

    void title() {
        QCOMPARE(dateTitle(QDate(2006, 12, 24)), QStringLiteral("2006.12.24 日"));
        QCOMPARE(dateTitle(QDate(2027, 1, 5)), QStringLiteral("2027.1.5 火"));
    }

    void text_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("flags"); // week, ampm, 24h, seconds, small, analog as bits 0..5
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("textVisible");
        QTest::addColumn<bool>("faceVisible");
        QTest::newRow("defaults late evening") << at(23, 59, 59) << 0b001111
                                               << "日 午後23:59:59" << 103 << true << false;
        QTest::newRow("everything off") << at(9, 5, 7) << 0 << " 9:05" << 45 << true << false;
        QTest::newRow("noon in 12-hour") << at(12, 5, 0) << 0b000010 << " 午後0:05" << 65 << true
                                         << false;
        QTest::newRow("midnight in 12-hour") << at(0, 5, 0) << 0b000010 << " 午前0:05" << 65
                                             << true << false;
        QTest::newRow("afternoon 12-hour with week") << at(21, 30, 0) << 0b000011
                                                     << "日 午後9:30" << 83 << true << false;
        QTest::newRow("seconds only") << at(13, 44, 27) << 0b001000 << " 1:44:27" << 65 << true
                                      << false;
        QTest::newRow("24-hour no ampm") << at(21, 30, 0) << 0b000101 << "日 21:30" << 63 << true
                                         << false;
        QTest::newRow("analog face added") << at(10, 0, 0) << 0b101111 << "日 午前10:00:00" << 123
                                           << true << true;
        QTest::newRow("small view wins") << at(10, 0, 0) << 0b011111 << "日 午前10:00:00" << 22
                                         << false << true;
        QTest::newRow("small view without analog") << at(8, 1, 2) << 0b010000 << " 8:01" << 22
                                                   << false << true;
    }
    void text() {
        QFETCH(QDateTime, now);
        QFETCH(int, flags);
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(bool, textVisible);
        QFETCH(bool, faceVisible);
        const DisplayFlags f{bool(flags & 1), bool(flags & 2), bool(flags & 4),
                             bool(flags & 8), bool(flags & 16), bool(flags & 32)};
        const ClockLayout layout = composeClock(now, f);
        QCOMPARE(layout.text, text);
        QCOMPARE(layout.width, width);
        QCOMPARE(layout.textVisible, textVisible);
        QCOMPARE(layout.faceVisible, faceVisible);
    }

    void handsAtThree() {
        const FaceHands h = faceHands(3, 0, 0);
        QCOMPARE(h.minute, QPoint(9, 1));
        // pi taken as 3.141592 puts the end just under (15, 9); truncation may give one less.
        QVERIFY(h.hour.x() == 15 || h.hour.x() == 14);
        QVERIFY(h.hour.y() == 9 || h.hour.y() == 8);
    }

    void handsAtHalfPastSix() {
        const FaceHands h = faceHands(6, 30, 0);
        QVERIFY(h.minute.x() == 9 || h.minute.x() == 8);
        QVERIFY(h.minute.y() == 17 || h.minute.y() == 16);
        // Between six and seven: below the centre and to the left of it.
        QVERIFY(h.hour.y() > 9);
        QVERIFY(h.hour.x() <= 9 && h.hour.x() >= 6);
        // Evening hours point the same way as morning hours.
        QCOMPARE(faceHands(18, 30, 0).hour, h.hour);
    }

    void secondMarkerCirclesTheEdge() {
        QCOMPARE(faceHands(0, 0, 0).second, QPoint(9, 0));
        const QPoint at15 = faceHands(0, 0, 15).second;
        QVERIFY(at15.x() == 18 || at15.x() == 17);
    }
};

QTEST_GUILESS_MAIN(TestClockText)
#include "test_clock_text.moc"
