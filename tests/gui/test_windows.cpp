// The windows offscreen against the recording fakes: what each control writes and shows, the
// preferences file, the strip's repaint, the about window, and Qt's own texts in Japanese.

#include "about/Window1.h"
#include "app/App.h"
#include "base/TextFile.h"
#include "base/Windows.h"
#include "clock/FaceCanvas.h"
#include "clock/StaticText.h"
#include "clock/W_Time.h"
#include "prefs/PrefsFile.h"
#include "prefs/W_Quiet.h"
#include "prefs/W_Set.h"
#include "support/Fakes.h"

#include <QtTest>
#include <QtWidgets>

using namespace taku;
using taku::test::TestEnv;

namespace {
QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 12, 24), QTime(h, m, s)); }
QImage rgb(const QPixmap& p) { return p.toImage().convertToFormat(QImage::Format_RGB32); }
} // namespace

class TestWindows final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The preferences file reaches the clock and places the strip; the settings window's
    // controls reach the clock; its save button, and quitting from any window, write the file.
    void settingsReachTheClockAndTheFile() {
        TestEnv env;
        PrefsValues values{{60, 70}, {}};
        applyFirstRunValues(values.settings);
        values.settings.IntervalIndex = 1;
        values.settings.AlarmMinute = 30;
        values.settings.AlarmRepeat = 0;
        env.write(QStringLiteral("Taku.Prefs"), joinLines(formatPrefs(values)));
        W_Time clock;
        clock.core().Timer1.setMode(TimerMode::Off);
        qobject_cast<App*>(qApp)->attachClock(&clock);
        clock.Open();
        QCOMPARE(Settings().AlarmMinute, 30);
        QCOMPARE(clock.core().IntervalMinutes, 30);
        QCOMPARE(clock.geometry().topLeft(), QPoint(70, 60));

        W_Set* window = showWindow<W_Set>();
        window->Popup_Time->setCurrentIndex(2);
        QCOMPARE(Settings().IntervalIndex, 2);
        QCOMPARE(clock.core().IntervalMinutes, 15);
        env.dialogs.colorAnswers.push_back(Rgb{10, 20, 30});
        QTest::mouseClick(window->Rect_Moji, Qt::LeftButton);
        QCOMPARE(Settings().TextColor, (Rgb{10, 20, 30}));
        QCOMPARE(clock.Static_Time->palette().color(QPalette::WindowText), QColor(10, 20, 30));
        window->UpDownArrows3_Down(); // the repeat count (0 here) stops at 1 going down
        window->UpDownArrows3_Up();
        window->UpDownArrows3_Down();
        QCOMPARE(Settings().AlarmRepeat, 1);
        window->PushButton4->click(); // try out the spoken time
        QCOMPARE(clock.core().Timer3.Mode(), TimerMode::Once);
        clock.prefs().setPosition(33, 44);
        window->PushButton2->click();
        const QList<QByteArray> saved = env.read(QStringLiteral("Taku.Prefs")).split('\n');
        QCOMPARE(saved.mid(0, 2), (QList<QByteArray>{"44", "33"}));
        QVERIFY(saved.contains("10\t20\t30"));

        settingsStore().set(&SettingsRecord::AlarmMinute, std::int32_t{42});
        clock.show();
        window->raise();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!clock.isVisible());
        settingsStore().replace(SettingsRecord{});
        clock.Set_Pref();
        QCOMPARE(Settings().AlarmMinute, 42);
        delete window;
        services().commands = nullptr;
    }

    // Each control of the settings window writes its own setting and nothing else.
    void eachControlWritesItsOwnSetting() {
        TestEnv env;
        W_Set w;
        using R = SettingsRecord;
        const std::pair<QCheckBox*, bool R::*> checks[] = {
            {w.Check_Sec, &R::ShowSeconds}, {w.Check_AMPM, &R::ShowAMPM},
            {w.Check_Week, &R::ShowWeek},   {w.Check_24, &R::Show24Hour},
            {w.Check_Cl, &R::ShowAnalog},   {w.Check_Sm, &R::SmallView},
            {w.Check_An, &R::AnnounceOn},   {w.Check_Sound, &R::SoundOn},
            {w.Check_Cus, &R::CustomSound}, {w.Check_Day, &R::SpeakDateAtStart},
            {w.Check_Al, &R::AlarmOn}};
        std::vector<std::pair<std::function<void()>, std::function<void(R&)>>> edits;
        for (const auto& [box, field] : checks)
            edits.push_back({[box] { box->click(); }, [field](R& r) { r.*field = !(r.*field); }});
        edits.insert(
            edits.end(),
            {{[&] { w.Popup_Sound->setCurrentIndex(3); }, [](R& r) { r.SoundIndex = 3; }},
             {[&] { w.Slider_Sound->setValue(50); }, [](R& r) { r.Volume = 50; }},
             {[&] { w.Edit_M->setText(QStringLiteral("7")); }, [](R& r) { r.AlarmMinute = 7; }},
             {[&] { w.Edit_N->setText(QStringLiteral("5")); }, [](R& r) { r.AlarmRepeat = 5; }},
             {[&] { w.UpDownArrows1_Up(); }, [](R& r) { ++r.AlarmHour; }},
             {[&] { w.UpDownArrows2_Down(); }, [](R& r) { --r.AlarmMinute; }},
             {[&] { QTest::mouseClick(w.Rect_Back, Qt::LeftButton); },
              [](R& r) {
                  r.BackColor = Rgb{1, 2, 3};
              }}});
        env.dialogs.colorAnswers.push_back(Rgb{1, 2, 3});
        for (const auto& [edit, change] : edits) {
            R expected = Settings();
            change(expected);
            edit();
            QVERIFY(Settings() == expected);
        }
        QCOMPARE(w.StaticText4->text(), QStringLiteral("音量：50"));
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

        // Each box of the quiet-time window writes its own choice and shows the store's.
        using Q = QuietSettings;
        const std::pair<QCheckBox*, bool Q::*> boxes[] = {
            {quiet.Check_Lock, &Q::whenLocked},
            {quiet.Check_Dnd, &Q::whenDnd},
            {quiet.Check_Call, &Q::inCall},
            {quiet.Check_FullScreen, &Q::whenFullScreen}};
        for (const auto& [box, choice] : boxes) {
            Q q = quietSettings(Settings());
            box->click();
            q.*choice = true;
            QCOMPARE(quietSettings(Settings()), q);
            box->click();
            q.*choice = false;
            QCOMPARE(quietSettings(Settings()), q);
            q = {true, 1320, 420, false, QStringLiteral("F9")};
            q.*choice = true;
            SettingsRecord r = Settings();
            setQuietSettings(r, q);
            settingsStore().replace(r);
            QCOMPARE(quiet.settings(), q);
        }
        // Following shows; it writes nothing back.
        QCOMPARE(Settings().Volume, 35);
        QVERIFY(Settings().ShowSeconds);
    }

    // Qt's colour dialog and key field speak Japanese (the test runs in the C locale). The
    // about window's link opens the author's page when the build names one, else nothing.
    void qtTextsAreJapaneseAndAboutLinksOnlyARealPage() {
        const QRegularExpression japanese(
            QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"));
        QColorDialog colours;
        W_Quiet quiet;
        quiet.Edit_Key->clear();
        for (const QString& text :
             {colours.windowTitle(),
              colours.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
              quiet.Edit_Key->findChild<QLineEdit*>()->placeholderText()})
            QVERIFY2(text.contains(japanese), qPrintable(text));

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

    // The face moves its seconds hand from one second to the next only when the seconds show.
    void faceShowsTheSecondsHandOnlyWithTheSeconds() {
        for (const bool seconds : {false, true}) {
            TestEnv env;
            W_Time w;
            w.Open();
            env.edit([&](SettingsRecord& s) { s.ShowAnalog = true, s.ShowSeconds = seconds; });
            QImage faces[2];
            for (int i = 0; i < 2; ++i) {
                env.clock.set(at(13, 44, 10 + 30 * i));
                w.Timer1_Action();
                w.Draw_Clock();
                faces[i] = w.Canvas1->grab().toImage();
            }
            QCOMPARE(faces[0] == faces[1], !seconds);
        }
    }

    void tickMatchesFullRepaint_data() {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<bool>("seconds");
        QTest::addColumn<int>("extra");         // 1 the face, 2 the speaker button over the seconds
        QTest::addColumn<int>("widestRepaint"); // pixels of the label at most
        QTest::newRow("last digit") << at(13, 44, 58) << at(13, 44, 59) << true << 0 << 14;
        QTest::newRow("hour turns") << at(13, 59, 59) << at(14, 0, 0) << true << 0 << 96;
        QTest::newRow("text shortens") << at(10, 0, 0) << at(9, 59, 59) << true << 0 << 96;
        QTest::newRow("face and digit") << at(13, 44, 58) << at(13, 44, 59) << true << 1 << 14;
        QTest::newRow("button over the digit")
            << at(13, 44, 58) << at(13, 44, 59) << true << 2 << 24;
        QTest::newRow("minute, no seconds") << at(13, 44, 59) << at(13, 45, 0) << false << 0 << 14;
    }
    void tickMatchesFullRepaint() {
        QFETCH(QDateTime, from);
        QFETCH(bool, seconds);
        QFETCH(int, extra);
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
        const QImage before = rgb(w.grab());

        const QColor unused(255, 0, 255);
        QBackingStore* store = w.backingStore();
        store->beginPaint(QRegion(w.rect()));
        QPainter(store->paintDevice()).fillRect(w.rect(), unused);
        store->endPaint();
        store->flush(QRegion(w.rect()), w.windowHandle());
        QFETCH(QDateTime, to);
        env.clock.set(to);
        w.Timer1_Action();
        QCoreApplication::processEvents();

        const QImage shown = rgb(w.screen()->grabWindow(w.winId()));
        const QImage full = rgb(w.grab());
        QCOMPARE(shown.size(), full.size());
        QRect label; // what was repainted within the label
        for (int y = 0; y < full.height(); ++y) {
            for (int x = 0; x < full.width(); ++x) {
                // Left alone: only right when the tick changed nothing there.
                QCOMPARE(shown.pixel(x, y) == unused.rgb() ? before.pixel(x, y) : shown.pixel(x, y),
                         full.pixel(x, y));
                if (shown.pixel(x, y) != unused.rgb() && w.Static_Time->geometry().contains(x, y))
                    label |= QRect(x, y, 1, 1);
            }
        }
        QFETCH(int, widestRepaint);
        QVERIFY(!label.isEmpty() && label.width() <= widestRepaint);
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
