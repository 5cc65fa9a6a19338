#pragma once
// The window for quiet hours, silence while the screen is locked, notifications are muted, a
// call is on or a full-screen window has the focus, the speak-now key, and starting at login.
// It shows and edits a QuietSettings; opened by the settings window, it shows the settings
// store's values and writes every edit back to the store.

#include "prefs/Quiet.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QKeySequenceEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace taku {

class W_Quiet final : public QWidget {
    Q_OBJECT
public:
    explicit W_Quiet(QWidget* parent = nullptr);

    // Shows the values without reporting them as changed.
    void Open(const QuietSettings& settings);
    // The values as the controls show them.
    QuietSettings settings() const;
    // The line under the key saying why the key doesn't work here; empty hides it.
    void setShortcutProblem(const QString& text);

    // Follows the settings store: shows its values now and writes each edit back.
    void followStore();
    // Where the desktop session answers why a key (portable text) can't be had here.
    static void setShortcutCheck(std::function<QString(const QString&)> check);
    // Where starting at login is read and written (the desktop's autostart entry, which is
    // itself the setting); without it the box is hidden.
    struct Autostart {
        std::function<bool()> enabled;
        std::function<bool(bool on)> setEnabled; // false when it could not be written
    };
    static void setAutostart(Autostart autostart);

    QCheckBox* Check_Quiet = nullptr;
    QTimeEdit* Edit_Start = nullptr;
    QTimeEdit* Edit_End = nullptr;
    QCheckBox* Check_Lock = nullptr;
    QCheckBox* Check_Dnd = nullptr;
    QCheckBox* Check_Call = nullptr;
    QCheckBox* Check_FullScreen = nullptr;
    QKeySequenceEdit* Edit_Key = nullptr;
    QPushButton* Button_Clear = nullptr;
    QCheckBox* Check_Login = nullptr;
    QLabel* Label_KeyProblem = nullptr;
    QPushButton* Button_Close = nullptr;

Q_SIGNALS:
    // Every edit, with all the values.
    void changed(const taku::QuietSettings& settings);

protected:
    void showEvent(class QShowEvent* event) override;

private:
    void edited();
    void checkShortcut();
    void enableTimes();
    void showAutostart();
    bool filling_ = false;
    bool following_ = false;
};

} // namespace taku
