#pragma once
// The clock window: a narrow always-on-top strip showing the weekday, 午前/午後, the time and
// a tiny analog face. It draws what its ClockCore announces and forwards the user's clicks.
//
// Names fixed by the design, kept as entry points: W_Time, Open, Timer1_Action, Timer2_Action,
// Timer3_Action, Get_Sound, Take_Sound, Now_An, Take_An, Get_Day, Set_Event, Set_Pref,
// Save_Pref, Set_Voice, Set_Int_Time, Draw_Clock, BevelButton1_Action, MouseDown,
// _Setting_Action, Close, SetWindowTransparency, and the controls Static_Time, Canvas1 and
// BevelButton1. Everything beneath them has plain names.

#include "clock/ClockCore.h"
#include "prefs/PrefsFile.h"

#include <QWidget>

class QToolButton;

namespace taku {

class FaceCanvas;
class StaticText;

class W_Time final : public QWidget {
    Q_OBJECT
public:
    explicit W_Time(QWidget* parent = nullptr);

    ClockCore& core() { return core_; }
    PreferencesFile& prefs() { return prefs_; }

    // Reads the preferences and the pronunciation table, speaks the date at start-up if asked
    // and today's events.
    void Open();
    // Shows the time of the current second and decides what second 0 strikes or speaks.
    void Timer1_Action() { core_.tick(); }
    // Strikes the next stroke of the chime once the last one has finished.
    void Timer2_Action() { core_.strike(); }
    // Hands the composed text (and waiting event messages) to the synthesizer.
    void Timer3_Action() { core_.handOverSpeech(); }
    // Starts a chime of a built-in kind with count strokes on the 12-hour dial.
    void Get_Sound(int kind, int count) { core_.startChime(kind, count, Settings().CustomSound); }
    // Starts the chime for a time: the hour's strokes on the hour, one stroke otherwise.
    void Take_Sound(int hour, int minute) { core_.chimeForTime(hour, minute); }
    // Speaks a strip text such as "日 午後11:59:59".
    void Now_An(const QString& clockText) { core_.announce(clockText); }
    // Speaks the time the strip shows.
    void Take_An(int) { core_.announceTime(); }
    // Speaks a date.
    void Get_Day(int month, int day, int weekday) { core_.announceDate(month, day, weekday); }
    // Speaks today's events from the event table.
    void Set_Event() { core_.speakTodaysEvents(); }
    // Reads the preferences file (or takes the first-run values) and applies it.
    void Set_Pref();
    // Writes the preferences file with the strip's position.
    void Save_Pref();
    // Loads the pronunciation table.
    void Set_Voice() { core_.loadPronunciations(); }
    // Takes the announcement interval from the settings.
    void Set_Int_Time() { core_.updateInterval(); }
    // Draws the analog face at the current time.
    void Draw_Clock();
    // The speaker button: speaks the time shown.
    void BevelButton1_Action();
    // A click on the strip asks for the settings window.
    bool MouseDown(int x, int y);
    // The settings command asks for the settings window.
    bool _Setting_Action();
    // Closes the strip, which saves the preferences and ends the program.
    void Close() { close(); }
    // Sets a window's opacity, never below half.
    void SetWindowTransparency(QWidget* window, float opacity);

    StaticText* Static_Time = nullptr;
    FaceCanvas* Canvas1 = nullptr;
    QToolButton* BevelButton1 = nullptr;

Q_SIGNALS:
    void settingsRequested();
    void menuRequested(const QPoint& globalPos);

protected:
    void mousePressEvent(class QMouseEvent* event) override;
    void moveEvent(class QMoveEvent* event) override;
    void closeEvent(class QCloseEvent* event) override;
    void contextMenuEvent(class QContextMenuEvent* event) override;
    void paintEvent(class QPaintEvent* event) override;

private:
    void showText(const QString& text, bool visible);
    void showFace(bool visible);
    void setStripWidth(int width);
    void setColors(const Rgb& text, const Rgb& back);
    void layoutControls();
    void keepOnScreen();
    // Places the strip's own area, not its frame, at a point of the screen.
    void placeAt(const QPoint& topLeft);
    // Tells the core where the strip's own area is now.
    void notePosition();

    PreferencesFile prefs_; // the preferences file, which also keeps the strip's place
    ClockCore core_;
    int width_ = 102;
    bool closing_ = false;
    bool painted_ = false;
};

} // namespace taku
