#pragma once
// The about window "ちくたく時計について": the clock's name and version, its icon and, when
// the build names one (TAKU_AUTHOR_URL), a link to the author's web page. It talks: a greeting
// on opening, answers to clicks, a welcome when the pointer reaches the link and a goodbye
// from its button.

#include <QWidget>

class QLabel;
class QPushButton;

namespace taku {

class Window1 final : public QWidget {
    Q_OBJECT
public:
    explicit Window1(QWidget* parent = nullptr);

    QLabel* Canvas1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText2 = nullptr;
    QPushButton* PushButton1 = nullptr;

    // Handlers.
    void Open();
    void StaticText1_Open();
    bool Canvas1_MouseDown(int x, int y);
    bool StaticText1_MouseDown(int x, int y);
    void StaticText2_MouseEnter();
    void StaticText2_MouseExit();
    bool StaticText2_MouseDown(int x, int y);
    void PushButton1_Action();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setLinkLook(bool hovered);
    bool opened_ = false;
};

} // namespace taku
