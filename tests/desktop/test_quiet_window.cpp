// The quiet-time window shows and edits the choices without touching anything else.

#include "prefs/W_Quiet.h"

#include <QCheckBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>

using namespace taku;

Q_DECLARE_METATYPE(QuietSettings)

class TestQuietWindow final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsWhatItIsGiven_data() {
        QTest::addColumn<QuietSettings>("settings");
        QTest::newRow("all off") << QuietSettings{};
        QTest::newRow("night, locked, key")
            << QuietSettings{true, 1320, 420, true, QStringLiteral("Ctrl+Alt+T")};
        QTest::newRow("last minute of the day, off")
            << QuietSettings{false, 1439, 1, false, QStringLiteral("F9")};
    }
    void showsWhatItIsGiven() {
        QFETCH(QuietSettings, settings);
        W_Quiet w;
        QSignalSpy changed(&w, &W_Quiet::changed);
        w.Open(settings);
        QCOMPARE(w.settings(), settings);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(w.Edit_Start->isEnabled(), settings.on);
    }

    void editsAreReported() {
        W_Quiet w;
        w.Open({true, 1320, 420, false, QStringLiteral("F9")});
        QSignalSpy changed(&w, &W_Quiet::changed);
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

    void keyProblemLine() {
        W_Quiet w;
        w.show();
        w.setShortcutProblem(QStringLiteral("このデスクトップでは使えません"));
        QVERIFY(w.Label_KeyProblem->isVisible());
        w.setShortcutProblem({});
        QVERIFY(!w.Label_KeyProblem->isVisible());
    }
};

QTEST_MAIN(TestQuietWindow)
#include "test_quiet_window.moc"
