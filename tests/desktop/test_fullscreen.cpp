// A full-screen window with the focus, under a real window manager (openbox) in Xvfb: the
// test's own X client makes windows and asks the window manager, as a pager or wmctrl would,
// to activate them and to put them in and out of full screen.

#include "desktop/FullScreen.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

using namespace taku;

class TestFullScreen final : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QProcess xvfb_;
    QProcess wm_;
    QString display_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    // A client message to the root, as EWMH asks of pagers and tools.
    void askWindowManager(xcb_window_t window, const char* type, std::initializer_list<quint32> data) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = window;
        e.type = atom(type);
        int i = 0;
        for (quint32 d : data) e.data.data32[i++] = d;
        xcb_send_event(c_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(c_);
    }
    xcb_window_t activeWindow() {
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        xcb_window_t w = 0;
        if (r && xcb_get_property_value_length(r) == 4)
            w = *static_cast<xcb_window_t*>(xcb_get_property_value(r));
        std::free(r);
        return w;
    }
    xcb_window_t makeWindow() {
        const xcb_window_t w = xcb_generate_id(c_);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 50, 50, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(c_, w);
        xcb_flush(c_);
        return w;
    }
    void activate(xcb_window_t w) {
        askWindowManager(w, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0}); // 2: a pager
    }
    void fullScreen(xcb_window_t w, bool on) {
        askWindowManager(w, "_NET_WM_STATE", {on ? 1u : 0u, atom("_NET_WM_STATE_FULLSCREEN"), 0, 1});
    }

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            QSKIP("Xvfb or openbox is not installed");
        xvfb_.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp")});
        QVERIFY(xvfb_.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(xvfb_.canReadLine(), 20000);
        display_ = u':' + QString::fromLatin1(xvfb_.readLine()).trimmed();
        c_ = xcb_connect(display_.toLatin1().constData(), nullptr);
        QVERIFY(!xcb_connection_has_error(c_));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const QString ready = dir_.filePath(QStringLiteral("wm-ready"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path());
        wm_.setProcessEnvironment(env);
        wm_.setStandardOutputFile(QProcess::nullDevice());
        wm_.setStandardErrorFile(QProcess::nullDevice());
        wm_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable"),
                                              QStringLiteral("--startup"),
                                              QStringLiteral("touch ") + ready});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), 20000);
    }
    void cleanupTestCase() {
        if (c_) xcb_disconnect(c_);
        for (QProcess* p : {&wm_, &xvfb_}) {
            p->kill();
            p->waitForFinished();
        }
    }

    // Full screen counts only while that window has the focus, and only while it is full.
    void followsTheActiveWindowsState() {
        const xcb_window_t film = makeWindow();
        QTRY_COMPARE(activeWindow(), film);
        FullScreen busy(display_);
        QVERIFY(busy.connected());
        QVERIFY(!busy.active());
        QSignalSpy changed(&busy, &BusyState::changed);

        fullScreen(film, true);
        QTRY_VERIFY(busy.active());
        QCOMPARE(changed.size(), 1);

        const xcb_window_t editor = makeWindow(); // takes the focus
        QTRY_COMPARE(activeWindow(), editor);
        QTRY_VERIFY(!busy.active());

        activate(film);
        QTRY_VERIFY(busy.active());
        fullScreen(film, false);
        QTRY_VERIFY(!busy.active());
        fullScreen(film, true);
        QTRY_VERIFY(busy.active());

        // A watcher made while a full-screen window has the focus knows it at once.
        FullScreen later(display_);
        QVERIFY(later.active());

        // The full-screen window closing gives the focus back to a window that is not.
        xcb_destroy_window(c_, film);
        xcb_flush(c_);
        QTRY_VERIFY(!busy.active());
        QCOMPARE(changed.size(), 6);
        QVERIFY(!later.active());
        xcb_destroy_window(c_, editor);
        xcb_flush(c_);
    }

    void withoutAnXServer() {
        FullScreen busy(QStringLiteral(":9999"));
        QVERIFY(!busy.connected());
        QVERIFY(!busy.active());
    }
};

QTEST_MAIN(TestFullScreen)
#include "test_fullscreen.moc"
