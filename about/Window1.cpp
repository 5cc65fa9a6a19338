#include "about/Window1.h"

#include "about/My_ICON.h"
#include "base/Services.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace taku {

namespace {
const QColor kBackground(218, 163, 255);
const QColor kLinkNormal(0, 0, 0);
const QColor kLinkHovered(0, 0, 255);

QString shortVersion() {
    const QString v = QCoreApplication::applicationVersion();
    return v.isEmpty() ? QStringLiteral(TAKU_VERSION) : v;
}
} // namespace

Window1::Window1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint) {
    setObjectName(QStringLiteral("Window1"));
    // Closing ends this instance; the next request makes a new one, which greets again.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Untitled"));
    setFixedSize(305, 113);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    Canvas1 = new QLabel(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setGeometry(14, 14, 32, 32);
    Canvas1->setPixmap(My_ICON());

    StaticText1 = new QLabel(this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(66, 13, 203, 32);
    QFont nameFont(QStringLiteral("OSAKA"));
    nameFont.setFamilies({QStringLiteral("OSAKA"), QStringLiteral("IPAGothic"),
                          QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    nameFont.setPixelSize(24);
    StaticText1->setFont(nameFont);
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StaticText1_Open();

    StaticText2 = new QLabel(QStringLiteral(TAKU_AUTHOR_URL), this);
    StaticText2->setObjectName(QStringLiteral("StaticText2"));
    StaticText2->setGeometry(43, 51, 234, 24);
    StaticText2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StaticText2->setCursor(Qt::PointingHandCursor);
    // A build without a web page of its own shows no link: nothing that leads nowhere.
    StaticText2->setVisible(!StaticText2->text().isEmpty());
    setLinkLook(false);

    PushButton1 = new QPushButton(QStringLiteral("閉じる"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setGeometry(212, 74, 80, 20);
    PushButton1->setAutoDefault(false);
    PushButton1->setDefault(false);
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Action(); });

    for (QLabel* label : {Canvas1, StaticText1, StaticText2}) label->installEventFilter(this);
}

void Window1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!opened_) {
        opened_ = true;
        Open();
    }
}

void Window1::Open() {
    setWindowTitle(QStringLiteral("ちくたく時計について"));
    Speak(QStringLiteral("Programmed by ChikuTaku"), false);
}

void Window1::StaticText1_Open() {
    StaticText1->setText(QStringLiteral("ちくたく時計") + shortVersion());
}

bool Window1::Canvas1_MouseDown(int, int) {
    Speak(QStringLiteral("Programmed by ChikuTaku"), false);
    return false;
}

bool Window1::StaticText1_MouseDown(int, int) {
    Speak(QStringLiteral("chikutaku toe k dah yo!"), false);
    return false;
}

void Window1::StaticText2_MouseEnter() {
    setLinkLook(true);
    Speak(QStringLiteral("Welcom to my site!"), false);
}

void Window1::StaticText2_MouseExit() { setLinkLook(false); }

bool Window1::StaticText2_MouseDown(int, int) {
    if (Browser* browser = services().browser)
        browser->ShowURL(QStringLiteral("http://") + StaticText2->text());
    return false;
}

void Window1::PushButton1_Action() {
    Speak(QStringLiteral("See you again!"), false);
    close();
}

void Window1::setLinkLook(bool hovered) {
    QPalette pal = StaticText2->palette();
    pal.setColor(QPalette::WindowText, hovered ? kLinkHovered : kLinkNormal);
    StaticText2->setPalette(pal);
    QFont font = StaticText2->font();
    font.setUnderline(hovered);
    StaticText2->setFont(font);
}

bool Window1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (watched == Canvas1) return Canvas1_MouseDown(p.x(), p.y());
        if (watched == StaticText1) return StaticText1_MouseDown(p.x(), p.y());
        if (watched == StaticText2) return StaticText2_MouseDown(p.x(), p.y());
        break;
    }
    case QEvent::Enter:
        if (watched == StaticText2) StaticText2_MouseEnter();
        break;
    case QEvent::Leave:
        if (watched == StaticText2) StaticText2_MouseExit();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace taku
