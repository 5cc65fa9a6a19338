// A tick repaints only the part of the strip that changes, and the strip it leaves on the
// screen is the one a full repaint draws.

#include "base/Settings.h"
#include "clock/StaticText.h"
#include "clock/W_Time.h"
#include "support/TestEnv.h"

#include <QPaintEvent>
#include <QScreen>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {
// Collects what a widget is asked to repaint.
class PaintLog final : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 12, 24), QTime(h, m, s)); }
} // namespace

class TestStripRepaint final : public QObject {
    Q_OBJECT

private slots:
    void tickMatchesFullRepaint_data() {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<bool>("seconds");
        QTest::addColumn<bool>("analog");
        QTest::addColumn<int>("widestRepaint"); // pixels of the label at most
        const struct {
            const char* name;
            QDateTime from, to;
            bool seconds, analog;
            int widest;
        } rows[] = {
            {"last digit", at(13, 44, 58), at(13, 44, 59), true, false, 14},
            {"hour turns", at(13, 59, 59), at(14, 0, 0), true, false, 96},
            {"text shortens", at(10, 0, 0), at(9, 59, 59), true, false, 96},
            {"face and digit", at(13, 44, 58), at(13, 44, 59), true, true, 14},
            {"minute, no seconds", at(13, 44, 59), at(13, 45, 0), false, false, 14},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << r.from << r.to << r.seconds << r.analog << r.widest;
    }
    void tickMatchesFullRepaint() {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(bool, seconds);
        QFETCH(bool, analog);
        QFETCH(int, widestRepaint);
        TestEnv env;
        env.clock.set(from);
        W_Time w;
        w.Open();
        env.edit([&](SettingsRecord& s) {
            s.ShowSeconds = seconds;
            s.ShowAnalog = analog;
            s.ShowWeek = s.ShowAMPM = s.Show24Hour = true;
        });
        w.Timer1_Action();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();

        PaintLog log;
        w.Static_Time->installEventFilter(&log);
        env.clock.set(to);
        w.Timer1_Action();
        QCoreApplication::processEvents();
        QVERIFY(!log.painted.isEmpty());
        QVERIFY(log.painted.boundingRect().width() <= widestRepaint);

        const QImage shown =
            w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage full = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), full.size());
        QVERIFY(shown == full);
    }
};

QTEST_MAIN(TestStripRepaint)
#include "test_strip_repaint.moc"
