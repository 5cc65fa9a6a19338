#pragma once
// The clock window: a narrow always-on-top strip showing the weekday, 午前/午後, the time and
// a tiny analog face, whose three timers drive everything the clock does over time.

#include "app/Services.h"
#include "app/Timer.h"

#include <QDateTime>
#include <QStringList>
#include <QWidget>
#include <memory>

class QToolButton;

namespace taku {

class FaceCanvas;
class StaticText;

class W_Time final : public QWidget {
    Q_OBJECT
public:
    explicit W_Time(QWidget* parent = nullptr);
    ~W_Time() override;
    W_Time(const W_Time&) = delete;
    W_Time& operator=(const W_Time&) = delete;

    // The one clock window of the run, or null before it exists.
    static W_Time* instance();

    // Runs once after the window is created: preferences, pronunciation table, the optional
    // date at start-up and today's events.
    void Open();

    // Timers: the tick, the chime and the speech hand-over.
    Timer Timer1{1, 2};
    Timer Timer2{100, 0};
    Timer Timer3{100, 0};

    // Controls.
    StaticText* Static_Time = nullptr;
    FaceCanvas* Canvas1 = nullptr;
    QToolButton* BevelButton1 = nullptr;

    // Run-time state.
    QDateTime Now;
    int LastDay = 0;
    QString TimeText;
    QString SpeechText;
    // Today's event messages found at opening while the start-up date waits for Timer3;
    // they are handed over right after the date.
    QStringList MessagesAfterSpeech;
    bool AnnounceReady = false;
    int IntervalMinutes = 0;
    int TickPeriod = 0;
    std::shared_ptr<SoundObject> EffectSound;
    int ChimeCount = 0;
    int ChimesLeft = 0;

    // Handlers.
    void BevelButton1_Action();
    void Timer1_Action();
    void Timer2_Action();
    void Timer3_Action();
    bool MouseDown(int x, int y);
    bool _Setting_Action();
    void Close();

    // Operations.
    void Set_Int_Time();
    void Draw_Clock();
    void Set_Pref();
    void Save_Pref();
    void Set_Voice();
    void Now_An(const QString& clockText);
    void Take_An(int minute);
    void Get_Day(int month, int day, int weekday);
    void Get_Sound(int kind, int count);
    void Take_Sound(int hour, int minute);
    void Set_Event();
    void SetWindowTransparency(QWidget* window, float opacity);

    // The settings window's sound buttons.
    void PreviewBuiltInSound(int kind);        // "確認" beside the sound list
    bool LoadCustomSound(const QString& path); // "読込" with the chosen file
    void PreviewCustomSound();                 // "確認" beside "読込"

    // Applies the current colours to the strip (text colour and background).
    void applyTextColor();
    void applyBackColor();

    // The width the strip was last given.
    int stripWidth() const { return width_; }

protected:
    void mousePressEvent(class QMouseEvent* event) override;
    void closeEvent(class QCloseEvent* event) override;
    void contextMenuEvent(class QContextMenuEvent* event) override;
    void paintEvent(class QPaintEvent* event) override;

private:
    void showTitle();
    void layoutControls();
    void keepOnScreen();

    int width_ = 0;
    bool closing_ = false;
    bool painted_ = false;
};

} // namespace taku
