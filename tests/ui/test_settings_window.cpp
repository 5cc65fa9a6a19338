// The settings window driven through its widgets: what it shows after a first run, which
// field each control writes, the alarm fields and their arrows, the colour pickers, the
// try-out buttons and the buttons that open or save.

#include "about/Window1.h"
#include "app/Settings.h"
#include "app/Windows.h"
#include "clock/ClockText.h"
#include "clock/StaticText.h"
#include "clock/W_Time.h"
#include "events/W_Event.h"
#include "prefs/W_Set.h"
#include "speech/Announcement.h"
#include "speech/VoiceTable.h"
#include "speech/W_Voice.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

using BoolField = bool SettingsRecord::*;

// Every row of the table gets a text of its own, so a composed announcement tells which rows
// (which month, day and weekday) it was made of.
void fillDistinctTable() {
    VoiceTableData& t = VoiceTable();
    for (int row = 0; row < VoiceTableData::kRows; ++row)
        t.setRow(row, QStringLiteral("d%1").arg(row), QStringLiteral("s%1 ").arg(row));
}

void clickUpper(QWidget* arrows) { QTest::mouseClick(arrows, Qt::LeftButton, {}, QPoint(6, 4)); }
void clickLower(QWidget* arrows) { QTest::mouseClick(arrows, Qt::LeftButton, {}, QPoint(6, 19)); }

// Replaces a field's text the way a user does: select everything, then type.
void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    if (!text.isEmpty()) QTest::keyClicks(field, text);
}

} // namespace

class TestSettingsWindow final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<W_Time> clock;

    W_Set* open() {
        W_Set* w = showWindow<W_Set>();
        if (!QTest::qWaitForWindowExposed(w)) qWarning("settings window not exposed");
        return w;
    }

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        Settings().applyFirstRunValues();
        VoiceTable() = VoiceTableData{};
        clock = std::make_unique<W_Time>();
        clock->Timer1.setMode(0); // the tests step the clock themselves
        clock->TickPeriod = 1000;
        clock->AnnounceReady = true;
    }

    void cleanup() {
        delete openWindow<W_Set>();
        delete openWindow<Window1>();
        delete openWindow<W_Voice>();
        delete openWindow<W_Event>();
        clock.reset();
        VoiceTable() = VoiceTableData{};
        env.reset();
    }

    void firstRunContents() {
        W_Set* w = open();
        QCOMPARE(w->windowTitle(), QStringLiteral("設定"));
        QCOMPARE(w->size(), QSize(339, 470));
        QVERIFY(w->Check_Sec->isChecked());
        QVERIFY(w->Check_AMPM->isChecked());
        QVERIFY(w->Check_Week->isChecked());
        QVERIFY(w->Check_24->isChecked());
        for (QCheckBox* box : {w->Check_Cl, w->Check_Sm, w->Check_An, w->Check_Sound,
                               w->Check_Cus, w->Check_Day, w->Check_Al})
            QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        QCOMPARE(w->Popup_Time->currentText(), QStringLiteral("1時間"));
        QCOMPARE(w->Popup_Sound->currentText(), QStringLiteral("教会"));
        QCOMPARE(w->Slider_Sound->value(), 100);
        QCOMPARE(w->StaticText4->text(), QStringLiteral("音量：100"));
        QCOMPARE(w->Edit_H->text(), QStringLiteral("0"));
        QCOMPARE(w->Edit_M->text(), QStringLiteral("0"));
        QCOMPARE(w->Edit_N->text(), QStringLiteral("0"));
        QCOMPARE(w->Rect_Moji->fill(), (Rgb{0, 0, 0}));
        QCOMPARE(w->Rect_Back->fill(), (Rgb{255, 255, 255}));
        // The opacity slider and its label exist but are never shown.
        QVERIFY(w->Slider1 && w->StaticText1);
        QVERIFY(!w->Slider1->isVisible());
        QVERIFY(!w->StaticText1->isVisible());
        QCOMPARE(w->Slider1->value(), 100);
        // The try-out buttons stand in one column at the right.
        for (QPushButton* b : {w->PushButton4, w->PushButton6, w->PushButton8, w->PushButton9}) {
            QCOMPARE(b->text(), QStringLiteral("確認"));
            QCOMPARE(b->x(), 267);
        }
        // Showing the controls wrote nothing back.
        SettingsRecord firstRun;
        firstRun.applyFirstRunValues();
        QCOMPARE(Settings(), firstRun);
    }

    void openShowsRecordWithoutWritingBack() {
        SettingsRecord& s = Settings();
        s.ShowSeconds = false;
        s.ShowAnalog = true;
        s.AlarmOn = true;
        s.AlarmHour = 99; // typed earlier, kept as typed
        s.AlarmMinute = 5;
        s.AlarmRepeat = -3;
        s.SoundIndex = 4;
        s.IntervalIndex = 9; // no such entry: read from a hand-edited file
        s.Volume = 5;        // below the slider's minimum
        s.TextColor = {10, 20, 30};
        s.BackColor = {40, 50, 60};
        const SettingsRecord before = s;

        W_Set* w = open();
        QVERIFY(!w->Check_Sec->isChecked());
        QVERIFY(w->Check_Cl->isChecked());
        QVERIFY(w->Check_Al->isChecked());
        QCOMPARE(w->Edit_H->text(), QStringLiteral("99"));
        QCOMPARE(w->Edit_M->text(), QStringLiteral("5"));
        QCOMPARE(w->Edit_N->text(), QStringLiteral("-3"));
        QCOMPARE(w->Popup_Sound->currentText(), QStringLiteral("猫"));
        QCOMPARE(w->Rect_Moji->fill(), (Rgb{10, 20, 30}));
        QCOMPARE(w->Rect_Back->fill(), (Rgb{40, 50, 60}));
        QCOMPARE(Settings(), before);
    }

    void checkBoxWritesItsField_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<BoolField>("field");
        QTest::newRow("seconds") << "Check_Sec" << &SettingsRecord::ShowSeconds;
        QTest::newRow("AM/PM") << "Check_AMPM" << &SettingsRecord::ShowAMPM;
        QTest::newRow("weekday") << "Check_Week" << &SettingsRecord::ShowWeek;
        QTest::newRow("24 hours") << "Check_24" << &SettingsRecord::Show24Hour;
        QTest::newRow("analog") << "Check_Cl" << &SettingsRecord::ShowAnalog;
        QTest::newRow("small") << "Check_Sm" << &SettingsRecord::SmallView;
        QTest::newRow("announce") << "Check_An" << &SettingsRecord::AnnounceOn;
        QTest::newRow("sound") << "Check_Sound" << &SettingsRecord::SoundOn;
        QTest::newRow("custom sound") << "Check_Cus" << &SettingsRecord::CustomSound;
        QTest::newRow("date at start") << "Check_Day" << &SettingsRecord::SpeakDateAtStart;
        QTest::newRow("alarm") << "Check_Al" << &SettingsRecord::AlarmOn;
    }
    void checkBoxWritesItsField() {
        QFETCH(QString, box);
        QFETCH(BoolField, field);
        W_Set* w = open();
        auto* check = w->findChild<QCheckBox*>(box);
        QVERIFY(check);
        SettingsRecord expected = Settings();

        QTest::mouseClick(check, Qt::LeftButton);
        expected.*field = !(expected.*field);
        QCOMPARE(check->isChecked(), expected.*field);
        QCOMPARE(Settings(), expected); // its own field and nothing else

        QTest::mouseClick(check, Qt::LeftButton);
        expected.*field = !(expected.*field);
        QCOMPARE(Settings(), expected);
        // The custom-sound box only records the choice; it loads nothing.
        QVERIFY(env->sound.opened.isEmpty());
        QVERIFY(env->dialogs.openFilters.isEmpty());
    }

    void popupsWriteTheirPositions() {
        W_Set* w = open();
        w->Popup_Time->setFocus();
        QTest::keyClick(w->Popup_Time, Qt::Key_Down); // 30分
        QTest::keyClick(w->Popup_Time, Qt::Key_Down); // 15分
        QTest::keyClick(w->Popup_Time, Qt::Key_Down); // 10分
        QCOMPARE(Settings().IntervalIndex, 3);
        QCOMPARE(clock->IntervalMinutes, 10);
        w->Popup_Time->setCurrentIndex(5);
        QCOMPARE(Settings().IntervalIndex, 5);
        QCOMPARE(clock->IntervalMinutes, 1);

        w->Popup_Sound->setFocus();
        QTest::keyClick(w->Popup_Sound, Qt::Key_End); // 猫
        QCOMPARE(Settings().SoundIndex, 4);
        QTest::keyClick(w->Popup_Sound, Qt::Key_Up); // 犬
        QCOMPARE(Settings().SoundIndex, 3);
    }

    void volumeSliderReportsWhenLetGo() {
        W_Set* w = open();
        QSlider* slider = w->Slider_Sound;
        // While the knob is held nothing is written.
        slider->setSliderDown(true);
        slider->setSliderPosition(30);
        QCOMPARE(Settings().Volume, 100);
        QCOMPARE(w->StaticText4->text(), QStringLiteral("音量：100"));
        slider->setSliderDown(false);
        QCOMPARE(Settings().Volume, 30);
        QCOMPARE(w->StaticText4->text(), QStringLiteral("音量：30"));

        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(Settings().Volume, 10);
        QCOMPARE(w->StaticText4->text(), QStringLiteral("音量：10"));
        QTest::keyClick(slider, Qt::Key_PageUp);
        QCOMPARE(Settings().Volume, 30);
    }

    void aChangeShowsAtTheNextTick() {
        W_Set* w = open();
        clock->Timer1_Action();
        const QDateTime now = env->clock.now();
        QCOMPARE(clock->TimeText, composeClock(now, {true, true, true, true, false, false}).text);
        QTest::mouseClick(w->Check_Sec, Qt::LeftButton);
        QTest::mouseClick(w->Check_Week, Qt::LeftButton);
        clock->Timer1_Action();
        QCOMPARE(clock->TimeText, composeClock(now, {false, true, true, false, false, false}).text);
        QCOMPARE(clock->Static_Time->text(), clock->TimeText);
    }

    void opacitySliderAppliesToTheClock() {
        W_Set* w = open();
        w->Slider1->setValue(70);
        QCOMPARE(Settings().Transparency, 70);
        QCOMPARE(w->StaticText1->text(), QStringLiteral("透明度：70"));
        QVERIFY(qAbs(clock->windowOpacity() - 0.7) < 0.01);
        QVERIFY(!w->Slider1->isVisible());
    }

    void typedAlarmValuesAreStoredAsTyped_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("minute 7") << "Edit_M" << "7" << 7;
        QTest::newRow("hour beyond the dial") << "Edit_H" << "99" << 99;
        QTest::newRow("negative hour") << "Edit_H" << "-5" << -5;
        QTest::newRow("repeat with junk after") << "Edit_N" << "3x" << 3;
        QTest::newRow("not a number") << "Edit_M" << "abc" << 0;
        QTest::newRow("emptied") << "Edit_N" << "" << 0;
    }
    void typedAlarmValuesAreStoredAsTyped() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, stored);
        Settings().AlarmHour = 12;
        Settings().AlarmMinute = 34;
        Settings().AlarmRepeat = 5;
        W_Set* w = open();
        auto* edit = w->findChild<QLineEdit*>(field);
        QVERIFY(edit);
        retype(edit, typed);
        // Stored at once, without leaving the field; the text is not corrected.
        QVERIFY(edit->hasFocus());
        QCOMPARE(edit->text(), typed);
        const SettingsRecord& s = Settings();
        const int value = field == u"Edit_H" ? s.AlarmHour
                          : field == u"Edit_M" ? s.AlarmMinute
                                               : s.AlarmRepeat;
        QCOMPARE(value, stored);
    }

    void typingSevenSetsTheMinuteAtOnce() {
        W_Set* w = open();
        w->Edit_M->setFocus();
        w->Edit_M->selectAll();
        QTest::keyClick(w->Edit_M, Qt::Key_7);
        QCOMPARE(w->Edit_M->text(), QStringLiteral("7"));
        QCOMPARE(Settings().AlarmMinute, 7);
    }

    void arrowsStepInsideTheirBounds_data() {
        QTest::addColumn<int>("arrows"); // 1 hour, 2 minute, 3 repeat
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("expected");
        QTest::newRow("hour up at 23 stays") << 1 << 23 << true << 23;
        QTest::newRow("hour down at 0 stays") << 1 << 0 << false << 0;
        QTest::newRow("hour up") << 1 << 22 << true << 23;
        QTest::newRow("hour down") << 1 << 1 << false << 0;
        QTest::newRow("minute up at 59 stays") << 2 << 59 << true << 59;
        QTest::newRow("minute up") << 2 << 58 << true << 59;
        QTest::newRow("minute down at 0 stays") << 2 << 0 << false << 0;
        QTest::newRow("repeat down at 1 stays") << 3 << 1 << false << 1;
        QTest::newRow("repeat up at 12 stays") << 3 << 12 << true << 12;
        QTest::newRow("repeat up from first-run 0") << 3 << 0 << true << 1;
        QTest::newRow("repeat down from first-run 0") << 3 << 0 << false << 0;
        QTest::newRow("typed 99: down moves in") << 1 << 99 << false << 98;
        QTest::newRow("typed 99: up does nothing") << 1 << 99 << true << 99;
        QTest::newRow("typed -5: up moves in") << 1 << -5 << true << -4;
        QTest::newRow("typed -5: down does nothing") << 1 << -5 << false << -5;
        QTest::newRow("typed 40 repeats: down") << 3 << 40 << false << 39;
    }
    void arrowsStepInsideTheirBounds() {
        QFETCH(int, arrows);
        QFETCH(int, start);
        QFETCH(bool, up);
        QFETCH(int, expected);
        W_Set* w = open();
        QLineEdit* edits[] = {w->Edit_H, w->Edit_M, w->Edit_N};
        UpDownArrows* arrowControls[] = {w->UpDownArrows1, w->UpDownArrows2, w->UpDownArrows3};
        QLineEdit* edit = edits[arrows - 1];
        // The start value is typed, as a user would.
        retype(edit, QString::number(start));
        if (up)
            clickUpper(arrowControls[arrows - 1]);
        else
            clickLower(arrowControls[arrows - 1]);
        const SettingsRecord& s = Settings();
        const int value = arrows == 1 ? s.AlarmHour : arrows == 2 ? s.AlarmMinute : s.AlarmRepeat;
        QCOMPARE(value, expected);
        QCOMPARE(edit->text(), QString::number(expected));
    }

    void arrowsDoNotWrap() {
        W_Set* w = open();
        for (int i = 0; i < 30; ++i) clickUpper(w->UpDownArrows1);
        QCOMPARE(Settings().AlarmHour, 23);
        QCOMPARE(w->Edit_H->text(), QStringLiteral("23"));
        for (int i = 0; i < 30; ++i) clickLower(w->UpDownArrows1);
        QCOMPARE(Settings().AlarmHour, 0);
        QCOMPARE(w->Edit_H->text(), QStringLiteral("0"));
    }

    void textColourPickedAndCancelled() {
        W_Set* w = open();
        env->dialogs.colorAnswers = {Rgb{200, 30, 40}, std::nullopt};

        QTest::mouseClick(w->Rect_Moji, Qt::LeftButton);
        QCOMPARE(env->dialogs.colorRequests.size(), 1);
        QCOMPARE(env->dialogs.colorRequests[0].first, (Rgb{0, 0, 0})); // starts from the fill
        QCOMPARE(w->Rect_Moji->fill(), (Rgb{200, 30, 40}));
        QCOMPARE(Settings().TextColor, (Rgb{200, 30, 40}));
        QCOMPARE(clock->Static_Time->palette().color(QPalette::WindowText), QColor(200, 30, 40));

        // Cancel: the picker starts from the new fill and nothing changes.
        const SettingsRecord before = Settings();
        QTest::mouseClick(w->Rect_Moji, Qt::LeftButton);
        QCOMPARE(env->dialogs.colorRequests.size(), 2);
        QCOMPARE(env->dialogs.colorRequests[1].first, (Rgb{200, 30, 40}));
        QCOMPARE(w->Rect_Moji->fill(), (Rgb{200, 30, 40}));
        QCOMPARE(Settings(), before);
        QCOMPARE(clock->Static_Time->palette().color(QPalette::WindowText), QColor(200, 30, 40));
    }

    void backgroundColourPickedAndCancelled() {
        W_Set* w = open();
        env->dialogs.colorAnswers = {std::nullopt, Rgb{0, 0, 0}};

        const SettingsRecord before = Settings();
        QTest::mouseClick(w->Rect_Back, Qt::LeftButton);
        QCOMPARE(env->dialogs.colorRequests.size(), 1);
        QCOMPARE(env->dialogs.colorRequests[0].first, (Rgb{255, 255, 255}));
        QCOMPARE(env->dialogs.colorRequests[0].second, QStringLiteral("背景色を選んでください。"));
        QCOMPARE(Settings(), before);
        QCOMPARE(w->Rect_Back->fill(), (Rgb{255, 255, 255}));

        // Black on black is accepted here; only the next start-up inverts the background.
        QTest::mouseClick(w->Rect_Back, Qt::LeftButton);
        QCOMPARE(Settings().BackColor, (Rgb{0, 0, 0}));
        QCOMPARE(Settings().TextColor, (Rgb{0, 0, 0}));
        QCOMPARE(w->Rect_Back->fill(), (Rgb{0, 0, 0}));
        QCOMPARE(clock->palette().color(QPalette::Window), QColor(0, 0, 0));
    }

    void spokenTimeTryOut() {
        fillDistinctTable();
        W_Set* w = open();
        clock->TimeText = QStringLiteral("木 午後1:44:58");
        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QCOMPARE(clock->SpeechText, ComposeTime(QStringLiteral("木 午後1:44:58"), VoiceTable()));
        QCOMPARE(clock->Timer3.Mode(), 1);
        QVERIFY(!clock->AnnounceReady);
        clock->Timer3.fire();
        QCOMPARE(env->speech.spoken, QStringList{clock->SpeechText});
        QVERIFY(clock->AnnounceReady);
    }

    void spokenDateTryOutUsesToday() {
        fillDistinctTable();
        // 2026-12-24 is a Thursday: weekday 5 with Sunday as 1.
        env->clock.set(QDateTime(QDate(2026, 12, 24), QTime(9, 0, 0)));
        W_Set* w = open();
        QTest::mouseClick(w->PushButton9, Qt::LeftButton);
        QCOMPARE(clock->SpeechText, ComposeDate(12, 24, 5, VoiceTable()));
        QVERIFY(clock->SpeechText != ComposeDate(12, 24, 4, VoiceTable()));
        QCOMPARE(clock->Timer3.Mode(), 1);

        env->clock.set(QDateTime(QDate(2027, 1, 3), QTime(9, 0, 0))); // a Sunday
        QTest::mouseClick(w->PushButton9, Qt::LeftButton);
        QCOMPARE(clock->SpeechText, ComposeDate(1, 3, 1, VoiceTable()));
    }

    void builtInSoundTryOut() {
        Settings().CustomSound = true;
        Settings().Volume = 60;
        W_Set* w = open();
        w->Popup_Sound->setCurrentIndex(3); // 犬
        QTest::mouseClick(w->PushButton6, Qt::LeftButton);
        // The listed sound, not the user's own, and the custom choice is kept.
        QVERIFY(Settings().CustomSound);
        QCOMPARE(Settings().SoundIndex, 3);
        QVERIFY(clock->EffectSound);
        QCOMPARE(clock->EffectSound->name(), QStringLiteral("dog"));
        QCOMPARE(clock->Timer2.Mode(), 2);
    }

    void loadingTheUsersSound() {
        W_Set* w = open();
        // Cancelled: nothing is opened and nothing is stored.
        QTest::mouseClick(w->PushButton7, Qt::LeftButton);
        QCOMPARE(env->dialogs.openFilters, QStringList{QString()}); // any file may be chosen
        QVERIFY(env->sound.opened.isEmpty());
        QVERIFY(!QFile::exists(env->file(QStringLiteral("MySound.wav"))));

        // A chosen file is handed to the clock window, which opens and keeps it.
        const QString chosen = QDir(env->dataPath()).filePath(QStringLiteral("../bell.wav"));
        QFile f(chosen);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("RIFF....WAVE");
        f.close();
        env->dialogs.openAnswers = {chosen};
        QTest::mouseClick(w->PushButton7, Qt::LeftButton);
        QCOMPARE(env->sound.opened, QStringList{chosen});
        QVERIFY(clock->EffectSound);
        QCOMPARE(clock->EffectSound->name(), QStringLiteral("custom"));
        QVERIFY(QFile::exists(env->file(QStringLiteral("MySound.wav"))));
        QVERIFY(!Settings().CustomSound);
    }

    void usersSoundTryOut() {
        env->write(QStringLiteral("MySound.wav"), "RIFF....WAVE");
        W_Set* w = open();
        QTest::mouseClick(w->PushButton8, Qt::LeftButton);
        QCOMPARE(env->sound.opened, QStringList{env->file(QStringLiteral("MySound.wav"))});
        QCOMPARE(env->sound.strikes.size(), 1);
        QVERIFY(!clock->EffectSound); // the chime's sound is not changed
    }

    void saveWritesThePreferencesFile() {
        W_Set* w = open();
        QTest::mouseClick(w->Check_Al, Qt::LeftButton);
        retype(w->Edit_H, QStringLiteral("7"));
        QVERIFY(!QFile::exists(env->file(QStringLiteral("Taku.Prefs"))));
        QTest::mouseClick(w->PushButton2, Qt::LeftButton);
        const QByteArray saved = env->read(QStringLiteral("Taku.Prefs"));
        QVERIFY(!saved.isEmpty());

        // Read back, the file gives the record the window made.
        const SettingsRecord made = Settings();
        Settings() = SettingsRecord{};
        clock->Set_Pref();
        QCOMPARE(Settings(), made);
        QVERIFY(Settings().AlarmOn);
        QCOMPARE(Settings().AlarmHour, 7);
    }

    void closeHidesAndKeepsTheWindow() {
        W_Set* w = open();
        retype(w->Edit_M, QStringLiteral("15"));
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(openWindow<W_Set>(), w);
        // Shown again: the same window, its controls as they were left.
        Settings().AlarmMinute = 40; // not copied in again: Open ran once
        QCOMPARE(showWindow<W_Set>(), w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->Edit_M->text(), QStringLiteral("15"));
    }

    void buttonsOpenTheOtherWindows() {
        W_Set* w = open();
        QTest::mouseClick(w->PushButton1, Qt::LeftButton);
        QVERIFY(openWindow<W_Voice>() && openWindow<W_Voice>()->isVisible());
        QTest::mouseClick(w->PushButton5, Qt::LeftButton);
        QVERIFY(openWindow<W_Event>() && openWindow<W_Event>()->isVisible());

        QCOMPARE(w->Canvas1->toolTip(), QStringLiteral("Click me! And show you about me."));
        QTest::mouseClick(w->Canvas1, Qt::LeftButton);
        Window1* about = openWindow<Window1>();
        QVERIFY(about && about->isVisible());
        QTest::mouseClick(w->Canvas1, Qt::LeftButton);
        QCOMPARE(openWindow<Window1>(), about);
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("Programmed by ChikuTaku")});
    }

    void clickOnTheClockOpensOneSettingsWindow() {
        clock->show();
        QVERIFY(QTest::qWaitForWindowExposed(clock.get()));
        QTest::mouseClick(clock.get(), Qt::LeftButton, {}, QPoint(5, 5));
        W_Set* w = openWindow<W_Set>();
        QVERIFY(w && w->isVisible());
        QTest::mouseClick(clock.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(openWindow<W_Set>(), w);
        int settingsWindows = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            settingsWindows += qobject_cast<W_Set*>(top) != nullptr;
        QCOMPARE(settingsWindows, 1);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "test_settings_window.moc"
