// The quiet-time window shows the choices it is given and reports what the user edits.

#include "prefs/W_Quiet.h"

#include <QCheckBox>
#include <QKeySequenceEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>

using namespace taku;

Q_DECLARE_METATYPE(QuietSettings)

class TestQuietWindow final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void editsAreReported() {
        W_Quiet w;
        QSignalSpy changed(&w, &W_Quiet::changed);
        w.Open({true, 1320, 420, false, QStringLiteral("F9")});
        QCOMPARE(changed.size(), 0);
        w.Check_Lock->setChecked(true);
        w.Edit_End->setTime(QTime(6, 30));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).value<QuietSettings>(),
                 (QuietSettings{true, 1320, 390, true, QStringLiteral("F9")}));
        QTest::mouseClick(w.Button_Clear, Qt::LeftButton);
        QCOMPARE(changed.last().at(0).value<QuietSettings>().shortcut, QString());
        w.Check_Quiet->setChecked(false);
        QVERIFY(!w.Edit_End->isEnabled());
        QCOMPARE(changed.last().at(0).value<QuietSettings>().on, false);
    }
};

QTEST_MAIN(TestQuietWindow)
#include "test_quiet_window.moc"
