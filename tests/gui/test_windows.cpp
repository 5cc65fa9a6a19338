// The settings window's edits reach the store and the clock; quitting from any window saves;
// a tick repaints only what changes (the window is painted over first with a colour the strip
// never uses), leaving what a full repaint draws, with the text where QPainter::drawText puts
// it; Qt's own dialogs and fields speak Japanese.

#include "about/Window1.h"
#include "app/App.h"
#include "base/TextFile.h"
#include "base/Windows.h"
#include "clock/StaticText.h"
#include "clock/W_Time.h"
#include "prefs/PrefsFile.h"
#include "prefs/W_Quiet.h"
#include "prefs/W_Set.h"
#include "support/Fakes.h"

#include <QBackingStore>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

using namespace taku;
using taku::test::TestEnv;

namespace {

QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 12, 24), QTime(h, m, s)); }

// Whether a text is written with kana or kanji.
bool japanese(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c.unicode() >= 0x3040 && c.unicode() <= 0x30ff) ||
               (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff);
    });
}
} // namespace

class TestWindows final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsReachTheClock() {
        TestEnv env;
        W_Time clock;
        qobject_cast<App*>(qApp)->attachClock(&clock);
        clock.Open();
        W_Set window;

        window.Popup_Time->setCurrentIndex(2);
        QCOMPARE(Settings().IntervalIndex, 2);
        QCOMPARE(clock.core().IntervalMinutes, 15);

        env.dialogs.colorAnswers.push_back(Rgb{10, 20, 30});
        QTest::mouseClick(window.Rect_Moji, Qt::LeftButton);
        QCOMPARE(Settings().TextColor, (Rgb{10, 20, 30}));
        QCOMPARE(clock.Static_Time->palette().color(QPalette::WindowText), QColor(10, 20, 30));

        window.UpDownArrows3_Down(); // the repeat count (0 here) stops at 1 going down
        window.UpDownArrows3_Up();
        window.UpDownArrows3_Down();
        QCOMPARE(Settings().AlarmRepeat, 1);

        window.PushButton4->click(); // try out the spoken time
        QCOMPARE(clock.core().Timer3.Mode(), TimerMode::Once);
        clock.prefs().setPosition(33, 44);
        window.PushButton2->click(); // save: the settings with the strip's place
        const QList<QByteArray> saved = env.read(QStringLiteral("Taku.Prefs")).split('\n');
        QCOMPARE(saved.mid(0, 2), (QList<QByteArray>{"44", "33"}));
        QVERIFY(saved.contains("10\t20\t30"));
        services().commands = nullptr;
    }

    // A change made elsewhere (the tray, the other window, a file read) shows in the open
    // windows; a number being typed that already means the stored value is left as typed.
    void windowsFollowTheStore() {
        TestEnv env;
        W_Set settings;
        W_Quiet quiet;
        quiet.followStore();
        settingsStore().set(&SettingsRecord::ShowSeconds, true);
        settingsStore().set(&SettingsRecord::Volume, std::int32_t{35});
        settingsStore().set(&SettingsRecord::TextColor, Rgb{10, 20, 30});
        QVERIFY(settings.Check_Sec->isChecked());
        QCOMPARE(settings.Slider_Sound->value(), 35);
        QCOMPARE(settings.Rect_Moji->fill(), (Rgb{10, 20, 30}));

        settings.Edit_H->setText(QStringLiteral("07"));
        QCOMPARE(Settings().AlarmHour, 7);
        QCOMPARE(settings.Edit_H->text(), QStringLiteral("07"));
        settingsStore().set(&SettingsRecord::AlarmHour, std::int32_t{9});
        QCOMPARE(settings.Edit_H->text(), QStringLiteral("9"));

        SettingsRecord r = Settings();
        setQuietSettings(r, {true, 1320, 420, true, QStringLiteral("F9")});
        settingsStore().replace(r);
        QVERIFY(quiet.Check_Quiet->isChecked());
        QCOMPARE(quiet.Edit_Start->time(), QTime(22, 0));
        QVERIFY(quiet.Check_Lock->isChecked());
        QCOMPARE(quiet.settings(), quietSettings(Settings()));
        // Following shows; it writes nothing back.
        QCOMPARE(Settings().Volume, 35);
        QVERIFY(Settings().ShowSeconds);
    }

    // Each box of the quiet-time window writes its own choice, and shows it when the store
    // changes it.
    void quietBoxesWriteTheirOwnChoice_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("choice");
        QTest::newRow("lock") << "Check_Lock"
                              << "l";
        QTest::newRow("muted") << "Check_Dnd"
                               << "d";
        QTest::newRow("call") << "Check_Call"
                              << "c";
        QTest::newRow("full screen") << "Check_FullScreen"
                                     << "f";
    }
    void quietBoxesWriteTheirOwnChoice() {
        QFETCH(QString, box);
        QFETCH(QString, choice);
        TestEnv env;
        W_Quiet quiet;
        quiet.followStore();
        auto* check = quiet.findChild<QCheckBox*>(box);
        QVERIFY(check);
        const auto chosen = [] {
            const QuietSettings q = quietSettings(Settings());
            QString letters;
            for (const auto& [on, letter] : {std::pair{q.whenLocked, u'l'},
                                             {q.whenDnd, u'd'},
                                             {q.inCall, u'c'},
                                             {q.whenFullScreen, u'f'}})
                if (on) letters += QChar(letter);
            return letters;
        };
        check->click();
        QCOMPARE(chosen(), choice);
        check->click();
        QCOMPARE(chosen(), QString());
        SettingsRecord r = Settings();
        QuietSettings q = quietSettings(r);
        q.whenLocked = choice == u"l", q.whenDnd = choice == u"d", q.inCall = choice == u"c";
        q.whenFullScreen = choice == u"f";
        setQuietSettings(r, q);
        settingsStore().replace(r);
        QVERIFY(check->isChecked());
        const QList<QCheckBox*> boxes = quiet.findChildren<QCheckBox*>();
        QCOMPARE(
            std::count_if(boxes.cbegin(), boxes.cend(), [](auto* b) { return b->isChecked(); }), 1);
    }

    // Opening the strip reads the preferences file: the settings reach the clock and the strip
    // stands where the file says.
    void openingReadsThePreferences() {
        TestEnv env;
        PrefsValues values{{60, 70}, {}};
        applyFirstRunValues(values.settings);
        values.settings.IntervalIndex = 2;
        values.settings.AlarmMinute = 30;
        env.write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs(values)));
        W_Time clock;
        clock.core().Timer1.setMode(TimerMode::Off);
        clock.Open();
        QCOMPARE(Settings().AlarmMinute, 30);
        QCOMPARE(clock.core().IntervalMinutes, 15);
        QCOMPARE(clock.geometry().topLeft(), QPoint(70, 60));
    }

    void quitFromAnyWindowSavesThePreferences() {
        TestEnv env;
        env.edit([](SettingsRecord& s) { applyFirstRunValues(s), s.AlarmMinute = 42; });
        W_Time clock;
        clock.core().Timer1.setMode(TimerMode::Off);
        qobject_cast<App*>(qApp)->attachClock(&clock);
        clock.show();
        W_Set* w = showWindow<W_Set>();
        w->raise();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!clock.isVisible());
        settingsStore().replace(SettingsRecord{});
        clock.Set_Pref();
        QCOMPARE(Settings().AlarmMinute, 42);
        delete openWindow<W_Set>();
        services().commands = nullptr;
    }

    // What the user meets of Qt itself: the colour dialog of the colour squares, its buttons,
    // and the empty speak-now key field's hint. The program runs here in the C locale.
    void qtTextsAreJapanese() {
        QColorDialog colours;
        QVERIFY2(japanese(colours.windowTitle()), qPrintable(colours.windowTitle()));
        const auto* buttons = colours.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        const QString cancel = buttons->button(QDialogButtonBox::Cancel)->text(); // OK stays OK
        QVERIFY2(japanese(cancel), qPrintable(cancel));

        W_Quiet quiet;
        quiet.Edit_Key->clear();
        const QString hint = quiet.Edit_Key->findChild<QLineEdit*>()->placeholderText();
        QVERIFY2(japanese(hint), qPrintable(hint));
    }

    // The about window shows the author's page only when the build names one: a click where
    // the link stands opens that page or nothing, never a made-up address.
    void aboutWindowLinksOnlyARealPage() {
        TestEnv env;
        const QString address = QStringLiteral(TAKU_AUTHOR_URL);
        Window1* w = showWindow<Window1>();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->StaticText2->isVisible(), !address.isEmpty());
        const QPoint link = w->StaticText2->geometry().center();
        QWidget* under = w->childAt(link);
        QTest::mouseClick(under ? under : w, Qt::LeftButton, {},
                          under ? under->mapFrom(w, link) : link);
        QCOMPARE(env.browser.opened, address.isEmpty()
                                         ? QStringList()
                                         : QStringList{QStringLiteral("http://") + address});
        QCOMPARE(env.speech.spoken, QStringList{QStringLiteral("Programmed by ChikuTaku")});
        delete w;
    }

    void tickMatchesFullRepaint_data() {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<bool>("seconds");
        QTest::addColumn<int>("extra");         // 1 the face, 2 the speaker button over the seconds
        QTest::addColumn<int>("widestRepaint"); // pixels of the label at most
        const struct {
            const char* name;
            QDateTime from, to;
            bool seconds;
            int extra, widest;
        } rows[] = {
            {"last digit", at(13, 44, 58), at(13, 44, 59), true, 0, 14},
            {"hour turns", at(13, 59, 59), at(14, 0, 0), true, 0, 96},
            {"text shortens", at(10, 0, 0), at(9, 59, 59), true, 0, 96},
            {"face and digit", at(13, 44, 58), at(13, 44, 59), true, 1, 14},
            {"button over the digit", at(13, 44, 58), at(13, 44, 59), true, 2, 24},
            {"minute, no seconds", at(13, 44, 59), at(13, 45, 0), false, 0, 14},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << r.from << r.to << r.seconds << r.extra << r.widest;
    }
    void tickMatchesFullRepaint() {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(bool, seconds);
        QFETCH(int, extra);
        QFETCH(int, widestRepaint);
        TestEnv env;
        env.clock.set(from);
        W_Time w;
        w.Open();
        QVERIFY2(w.Static_Time->text().contains(from.toString(u"H:mm")),
                 qPrintable(w.Static_Time->text()));
        env.edit([&](SettingsRecord& s) {
            s.ShowSeconds = seconds;
            s.ShowAnalog = extra == 1;
            s.ShowWeek = s.ShowAMPM = s.Show24Hour = true;
            s.TextColor = {250, 240, 200}, s.BackColor = {40, 90, 160};
        });
        w.Timer1_Action();
        if (extra == 2) w.BevelButton1->move(w.width() - 20, 1);
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
        if (extra == 2) return;

        // The text stands where QPainter::drawText puts it: right-aligned and centred top to
        // bottom in the label, not a pixel aside.
        const QRect place = w.Static_Time->geometry() & w.rect();
        QImage expected(place.size(), QImage::Format_RGB32);
        expected.fill(QColor(40, 90, 160));
        QPainter p(&expected);
        p.setFont(w.Static_Time->font());
        p.setPen(QColor(250, 240, 200));
        p.drawText(QRectF(w.Static_Time->geometry().translated(-place.topLeft())),
                   Qt::AlignRight | Qt::AlignVCenter, w.core().TimeText);
        p.end();
        QCOMPARE(full.copy(place), expected);
    }
};

int main(int argc, char** argv) {
    App app(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_windows.moc"
