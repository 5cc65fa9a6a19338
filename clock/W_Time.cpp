#include "clock/W_Time.h"

#include "base/Logging.h"
#include "clock/FaceCanvas.h"
#include "clock/StaticText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QToolButton>

#include <utility>

namespace taku {

namespace {
constexpr int kHeight = 22;
constexpr int kLabelWidth = 96;
constexpr int kLabelRightGap = 4;

QColor toQColor(const Rgb& c) {
    return QColor(std::clamp(c.r, 0, 255), std::clamp(c.g, 0, 255), std::clamp(c.b, 0, 255));
}
} // namespace

W_Time::W_Time(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint) {
    setObjectName(QStringLiteral("W_Time"));
    setWindowTitle(QStringLiteral("2006年12月24日"));
    setAutoFillBackground(true);

    Canvas1 = new FaceCanvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->move(1, 1);
    Canvas1->hide();

    Static_Time = new StaticText(QStringLiteral("月 午後23:59:59"), this);
    Static_Time->setObjectName(QStringLiteral("Static_Time"));
    QFont font(QStringLiteral("OSAKA"));
    font.setFamilies({QStringLiteral("OSAKA"), QStringLiteral("IPAGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    Static_Time->setFont(font);
    Static_Time->setAttribute(Qt::WA_TransparentForMouseEvents);
    Static_Time->resize(kLabelWidth, 19);

    // Laid out below the strip's 22 pixels, so the strip as shown does not show it.
    BevelButton1 = new QToolButton(this);
    BevelButton1->setObjectName(QStringLiteral("BevelButton1"));
    BevelButton1->setIcon(QIcon(Speaker()));
    BevelButton1->setGeometry(70, 61, 20, 20);
    connect(BevelButton1, &QToolButton::clicked, this, [this] { BevelButton1_Action(); });

    connect(&core_, &ClockCore::textShown, this, &W_Time::showText);
    connect(&core_, &ClockCore::faceShown, this, &W_Time::showFace);
    connect(&core_, &ClockCore::widthChanged, this, &W_Time::setStripWidth);
    connect(&core_, &ClockCore::titleChanged, this, &QWidget::setWindowTitle);
    connect(&core_, &ClockCore::colorsChanged, this, &W_Time::setColors);
    connect(&core_, &ClockCore::opacityChanged, this,
            [this](double opacity) { SetWindowTransparency(this, static_cast<float>(opacity)); });
    connect(&prefs_, &PreferencesFile::positionLoaded, this, [this](int left, int top) {
        placeAt({left, top});
        keepOnScreen();
    });

    setFixedSize(width_, kHeight);
    layoutControls();
}

void W_Time::layoutControls() {
    // The label keeps its width and its distance from the right edge.
    Static_Time->move(width_ - kLabelRightGap - kLabelWidth, 1);
}

void W_Time::Open() {
    setFixedHeight(kHeight);
    notePosition();
    prefs_.load();
    core_.open();
    core_.wake(); // the strip shows the time from its first paint on
}

void W_Time::showText(const QString& text, bool visible) {
    if (Static_Time->isHidden() == visible) Static_Time->setVisible(visible);
    if (visible) Static_Time->setText(text);
}

void W_Time::showFace(bool visible) {
    if (Canvas1->isHidden() == visible) Canvas1->setVisible(visible);
    if (visible) Draw_Clock();
}

void W_Time::setStripWidth(int width) {
    if (width == width_) return;
    width_ = width;
    setFixedWidth(width_);
    layoutControls();
}

void W_Time::Draw_Clock() {
    const QTime t = core_.Now.time();
    Canvas1->setTime(t.hour(), t.minute(), t.second(), Settings().ShowSeconds);
}

void W_Time::BevelButton1_Action() { Now_An(Static_Time->text()); }

bool W_Time::MouseDown(int, int) {
    Q_EMIT settingsRequested();
    return false;
}

bool W_Time::_Setting_Action() {
    Q_EMIT settingsRequested();
    return false;
}

void W_Time::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        MouseDown(p.x(), p.y());
    }
    QWidget::mousePressEvent(event);
}

void W_Time::contextMenuEvent(QContextMenuEvent* event) {
    Q_EMIT menuRequested(event->globalPos());
}

void W_Time::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!painted_) {
        painted_ = true;
        qCDebug(lcStartup).noquote()
            << "first paint" << taku::Now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    }
}

// The strip's position, kept, saved and restored, is that of its own area, without the title
// bar and border a window manager puts around it: saving the frame's corner and placing the
// strip's area there would move it by the frame's size at every start.
void W_Time::placeAt(const QPoint& topLeft) { setGeometry(QRect(topLeft, size())); }

void W_Time::notePosition() {
    const QPoint at = geometry().topLeft();
    prefs_.setPosition(at.x(), at.y());
}

void W_Time::moveEvent(QMoveEvent* event) {
    notePosition();
    QWidget::moveEvent(event);
}

void W_Time::Set_Pref() {
    prefs_.load();
    core_.preferencesLoaded();
}

void W_Time::Save_Pref() {
    notePosition();
    prefs_.save();
}

void W_Time::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        Save_Pref();
        core_.stop();
    }
    event->accept();
    QCoreApplication::quit();
}

void W_Time::setColors(const Rgb& text, const Rgb& back) {
    QPalette label = Static_Time->palette();
    label.setColor(QPalette::WindowText, toQColor(text));
    Static_Time->setPalette(label);
    QPalette strip = palette();
    strip.setColor(QPalette::Window, toQColor(back));
    setPalette(strip);
}

void W_Time::SetWindowTransparency(QWidget* window, float opacity) {
    if (!window) return;
    // Below half the strip is too faint to find again; the setting itself keeps its value.
    window->setWindowOpacity(std::clamp(static_cast<double>(opacity), 0.5, 1.0));
}

void W_Time::keepOnScreen() {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(geometry())) return;
    }
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect avail = primary->availableGeometry();
        placeAt({avail.left() + std::max(0, (avail.width() - width()) / 2), avail.top() + 40});
    }
}

} // namespace taku
