// The about window: what it says when it opens, on clicks, when the pointer reaches and
// leaves the link, and when its button closes it; one window at most.

#include "about/My_ICON.h"
#include "about/Window1.h"
#include "base/Windows.h"
#include "support/TestEnv.h"

#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

void enter(QWidget* w) {
    QEnterEvent event(QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), w->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(w, &event);
}

void leave(QWidget* w) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(w, &event);
}

bool looksHovered(const QLabel* link) {
    return link->palette().color(QPalette::WindowText) == QColor(0, 0, 255) &&
           link->font().underline();
}

bool looksNormal(const QLabel* link) {
    return link->palette().color(QPalette::WindowText) == QColor(0, 0, 0) &&
           !link->font().underline();
}

} // namespace

class TestAboutWindow final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    Window1* open() {
        Window1* w = showWindow<Window1>();
        if (!QTest::qWaitForWindowExposed(w)) qWarning("about window not exposed");
        return w;
    }

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() {
        delete openWindow<Window1>();
        env.reset();
    }

    void opensOnceWithItsGreeting() {
        Window1* w = open();
        QCOMPARE(w->windowTitle(), QStringLiteral("ちくたく時計について"));
        QCOMPARE(w->size(), QSize(305, 113));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(218, 163, 255));
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("Programmed by ChikuTaku")});
        QCOMPARE(env->speech.interrupts, QList<bool>{false});
        // Shown again while open: the same window, brought forward, no second greeting.
        QCOMPARE(showWindow<Window1>(), w);
        QCOMPARE(env->speech.spoken.size(), 1);
        int aboutWindows = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            aboutWindows += qobject_cast<Window1*>(top) != nullptr;
        QCOMPARE(aboutWindows, 1);
    }

    void showsNameVersionIconAndAddress() {
        Window1* w = open();
        QCOMPARE(w->StaticText1->text(), QStringLiteral("ちくたく時計" TAKU_VERSION));
        QCOMPARE(w->StaticText2->text(), QStringLiteral(TAKU_AUTHOR_URL));
        QVERIFY(!w->StaticText2->text().startsWith(QStringLiteral("http")));
        QVERIFY(looksNormal(w->StaticText2));
        QCOMPARE(w->Canvas1->pixmap().size(), QSize(32, 32));
        QVERIFY(!w->PushButton1->isDefault());
    }

    void answersClicks() {
        Window1* w = open();
        env->speech.spoken.clear();
        QTest::mouseClick(w->Canvas1, Qt::LeftButton);
        QTest::mouseClick(w->StaticText1, Qt::LeftButton);
        QCOMPARE(env->speech.spoken, (QStringList{QStringLiteral("Programmed by ChikuTaku"),
                                                 QStringLiteral("chikutaku toe k dah yo!")}));
    }

    void linkLooksAndSpeaksOnEveryEntry() {
        Window1* w = open();
        env->speech.spoken.clear();
        enter(w->StaticText2);
        QVERIFY(looksHovered(w->StaticText2));
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("Welcom to my site!")});
        leave(w->StaticText2);
        QVERIFY(looksNormal(w->StaticText2));
        QCOMPARE(env->speech.spoken.size(), 1);
        enter(w->StaticText2);
        QCOMPARE(env->speech.spoken.size(), 2);
        QCOMPARE(env->speech.spoken.last(), QStringLiteral("Welcom to my site!"));
    }

    void linkOpensTheAuthorsPage() {
        Window1* w = open();
        QTest::mouseClick(w->StaticText2, Qt::LeftButton);
        QCOMPARE(env->browser.urls, QStringList{QStringLiteral("http://" TAKU_AUTHOR_URL)});
    }

    void closeButtonSaysGoodbye() {
        Window1* w = open();
        QSignalSpy destroyed(w, &QObject::destroyed);
        QTest::mouseClick(w->PushButton1, Qt::LeftButton);
        QCOMPARE(env->speech.spoken.last(), QStringLiteral("See you again!"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(destroyed.count(), 1);
        QVERIFY(!openWindow<Window1>());

        // A new request makes a new window, which greets again.
        open();
        QCOMPARE(env->speech.spoken.last(), QStringLiteral("Programmed by ChikuTaku"));
        QCOMPARE(env->speech.spoken.size(), 3);
    }

    void closedOtherwiseWithoutGoodbye() {
        Window1* w = open();
        w->close();
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("Programmed by ChikuTaku")});
    }

    void iconIsDrawnAtEverySize() {
        for (int size : {16, 32, 128}) {
            const QImage image = drawMyIcon(size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            // Transparent in the corners, opaque in the middle of the face.
            QCOMPARE(qAlpha(image.pixel(0, size - 1)), 0);
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2 + size / 8)), 255);
        }
        QVERIFY(!applicationIcon().isNull());
    }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
