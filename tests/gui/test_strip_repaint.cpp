// A tick repaints only the part of the strip that changes, and the strip it leaves on the
// screen is the one a full repaint draws. The window's pixels are covered with a colour the
// strip never uses before the tick, so what the tick repainted is what no longer has it.

#include "base/Settings.h"
#include "clock/StaticText.h"
#include "clock/W_Time.h"
#include "support/TestEnv.h"

#include <QBackingStore>
#include <QPainter>
#include <QScreen>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {
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
        QTest::newRow("last digit") << at(13, 44, 58) << at(13, 44, 59) << true << false << 14;
        QTest::newRow("hour turns") << at(13, 59, 59) << at(14, 0, 0) << true << false << 96;
        QTest::newRow("text shortens") << at(10, 0, 0) << at(9, 59, 59) << true << false << 96;
        QTest::newRow("face and digit") << at(13, 44, 58) << at(13, 44, 59) << true << true << 14;
        QTest::newRow("minute, no seconds")
            << at(13, 44, 59) << at(13, 45, 0) << false << false << 14;
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
            s.BackColor = {40, 90, 160};
        });
        w.Timer1_Action();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        const QImage before = w.grab().toImage().convertToFormat(QImage::Format_RGB32);

        const QColor unused(255, 0, 255);
        QBackingStore* store = w.backingStore();
        store->beginPaint(QRegion(w.rect()));
        QPainter(store->paintDevice()).fillRect(w.rect(), unused);
        store->endPaint();
        store->flush(QRegion(w.rect()), w.windowHandle());
        env.clock.set(to);
        w.Timer1_Action();
        QCoreApplication::processEvents();

        const QImage shown =
            w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage full = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), full.size());
        QRect label; // what was repainted within the label
        for (int y = 0; y < full.height(); ++y) {
            for (int x = 0; x < full.width(); ++x) {
                if (shown.pixel(x, y) == unused.rgb()) {
                    // Left alone: only right when the tick changed nothing there.
                    QCOMPARE(before.pixel(x, y), full.pixel(x, y));
                    continue;
                }
                QCOMPARE(shown.pixel(x, y), full.pixel(x, y));
                if (w.Static_Time->geometry().contains(x, y)) label |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY(!label.isEmpty());
        QVERIFY(label.width() <= widestRepaint);
    }
};

QTEST_MAIN(TestStripRepaint)
#include "test_strip_repaint.moc"
