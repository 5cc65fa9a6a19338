// The text helpers everything else reads files and fields with.

#include "base/Text.h"

#include <QTest>

using namespace taku;

class TestText final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void val_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "42" << 42.0;
        QTest::newRow("leading blanks") << "  7" << 7.0;
        QTest::newRow("negative") << "-12" << -12.0;
        QTest::newRow("leading zero") << "01" << 1.0;
        QTest::newRow("fraction") << "3.75" << 3.75;
        QTest::newRow("trailing junk") << "12abc" << 12.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("exponent") << "1e3x" << 1000.0;
        QTest::newRow("bare e") << "5e" << 5.0;
        QTest::newRow("dot only") << "." << 0.0;
    }
    void val() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Val(text), value);
    }

    void valIntTruncatesAndSaturates() {
        QCOMPARE(ValInt(QStringLiteral("7.9")), 7);
        QCOMPARE(ValInt(QStringLiteral("-7.9")), -7);
        QCOMPARE(ValInt(QStringLiteral("99999999999999999999")), 2147483647);
        QCOMPARE(ValInt(QStringLiteral("-1e300")), -2147483647 - 1);
    }

    void fields() {
        const QString tab(QChar(u'\t'));
        QCOMPARE(NthField(QStringLiteral("a\tb\tc"), tab, 2), QStringLiteral("b"));
        QCOMPARE(NthField(QStringLiteral("a\tb"), tab, 3), QString());
        QCOMPARE(NthField(QStringLiteral("a\t\tc"), tab, 2), QString());
        QCOMPARE(NthField(QStringLiteral("no tab"), tab, 1), QStringLiteral("no tab"));
        QCOMPARE(NthField(QStringLiteral("x"), tab, 0), QString());
        QCOMPARE(NthField(QStringLiteral("月 午後9:30"), QStringLiteral(" "), 2),
                 QStringLiteral("午後9:30"));
        QCOMPARE(CountFields(QStringLiteral("a\tb\tc"), tab), 3);
        QCOMPARE(CountFields(QString(), tab), 0);
        QCOMPARE(Str(-5), QStringLiteral("-5"));
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "test_text.moc"
