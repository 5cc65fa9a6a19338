#pragma once
// The settings window "設定". Every control writes its own field of the Settings record the
// moment it is operated; there is no OK, Cancel or undo. The window also tries out the spoken
// time, the sounds and the spoken date, opens the editors and the about window, and saves
// the preferences.

#include "base/Settings.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace taku {

// A filled rectangle with a one-pixel border that reports a press of the mouse.
class ColorRect final : public QWidget {
    Q_OBJECT
public:
    explicit ColorRect(QWidget* parent = nullptr);
    const Rgb& fill() const { return fill_; }
    void setFill(const Rgb& colour);

Q_SIGNALS:
    void mouseDown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Rgb fill_;
};

// A pair of small arrows, one above the other; each press of one reports one step.
class UpDownArrows final : public QWidget {
    Q_OBJECT
public:
    explicit UpDownArrows(QWidget* parent = nullptr);

Q_SIGNALS:
    void up();
    void down();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int pressed_ = 0; // 1 up, -1 down, 0 none: drawn sunken while held
};

class W_Set final : public QWidget {
    Q_OBJECT
public:
    explicit W_Set(QWidget* parent = nullptr);

    // Controls, in reading order.
    QCheckBox* Check_Sec = nullptr;
    QPushButton* PushButton1 = nullptr;
    QCheckBox* Check_AMPM = nullptr;
    QPushButton* PushButton5 = nullptr;
    QCheckBox* Check_Week = nullptr;
    QCheckBox* Check_24 = nullptr;
    QLabel* Canvas1 = nullptr;
    QCheckBox* Check_Cl = nullptr;
    QCheckBox* Check_Sm = nullptr;
    QComboBox* Popup_Time = nullptr;
    QCheckBox* Check_An = nullptr;
    QPushButton* PushButton4 = nullptr;
    QCheckBox* Check_Sound = nullptr;
    QComboBox* Popup_Sound = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QCheckBox* Check_Cus = nullptr;
    QPushButton* PushButton8 = nullptr;
    QPushButton* PushButton9 = nullptr;
    QCheckBox* Check_Day = nullptr;
    UpDownArrows* UpDownArrows1 = nullptr;
    QCheckBox* Check_Al = nullptr;
    QLineEdit* Edit_H = nullptr;
    QLabel* StaticText5 = nullptr;
    UpDownArrows* UpDownArrows2 = nullptr;
    QLineEdit* Edit_M = nullptr;
    QLabel* StaticText6 = nullptr;
    UpDownArrows* UpDownArrows3 = nullptr;
    QLineEdit* Edit_N = nullptr;
    QLabel* StaticText7 = nullptr;
    QLabel* StaticText4 = nullptr;
    QSlider* Slider_Sound = nullptr;
    QLabel* StaticText1 = nullptr;
    QSlider* Slider1 = nullptr;
    QLabel* StaticText2 = nullptr;
    ColorRect* Rect_Moji = nullptr;
    QLabel* StaticText3 = nullptr;
    ColorRect* Rect_Back = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton10 = nullptr;

    // Copies the record into the controls (when the window is made; afterwards the window
    // follows the settings store's changes).
    void Open();
    void Slider1_Open();
    void StaticText1_Open();

    // Check boxes: each sets its own field to the box's state.
    void Check_Sec_Action();
    void Check_AMPM_Action();
    void Check_Week_Action();
    void Check_24_Action();
    void Check_Cl_Action();
    void Check_Sm_Action();
    void Check_An_Action();
    void Check_Sound_Action();
    void Check_Cus_Action();
    void Check_Day_Action();
    void Check_Al_Action();

    void Popup_Time_Change();
    void Popup_Sound_Change();
    void Slider_Sound_ValueChanged();
    void Slider1_ValueChanged();
    bool Rect_Moji_MouseDown();
    bool Rect_Back_MouseDown();

    // The alarm fields: the value of the text, on every change of its text or selection.
    void Edit_H_SelChange();
    void Edit_M_SelChange();
    void Edit_N_SelChange();

    // One step inside the bounds; a value already outside is only moved towards them.
    void UpDownArrows1_Up();
    void UpDownArrows1_Down();
    void UpDownArrows2_Up();
    void UpDownArrows2_Down();
    void UpDownArrows3_Up();
    void UpDownArrows3_Down();

    void PushButton1_Action(); // "発音表"
    void PushButton2_Action(); // "設定保存"
    void PushButton3_Action(); // "閉じる"
    void PushButton4_Action(); // "確認": the spoken time
    void PushButton5_Action(); // "イベント"
    void PushButton6_Action(); // "確認": the built-in sound
    void PushButton7_Action(); // "読込"
    void PushButton8_Action(); // "確認": the user's own sound
    void PushButton9_Action(); // "確認": the spoken date
    bool Canvas1_MouseDown(int x, int y);

    // "静かな時間": quiet time, the lock and the speak-now key.
    void PushButton10_Action();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCheckBox* makeCheck(const QString& name, const QString& caption, QRect geometry,
                         void (W_Set::*handler)());
    QLabel* makeLabel(const QString& name, const QString& text, QRect geometry);
    QLineEdit* makeAlarmField(const QString& name, QRect geometry, void (W_Set::*handler)());
    UpDownArrows* makeArrows(const QString& name, QRect geometry, void (W_Set::*up)(),
                             void (W_Set::*down)());
    QSlider* makeSlider(const QString& name, QRect geometry, int minimum, int maximum,
                        void (W_Set::*handler)());
    // Shows the record's values; with before, only those that differ from it.
    void fill(const SettingsRecord& record, const SettingsRecord* before);
};

} // namespace taku
