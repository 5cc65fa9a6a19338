// A full-screen window with the focus, under a real window manager (openbox) in Xvfb: the test's
// own X client makes windows and asks the window manager, as a pager or wmctrl would, to activate
// them and to put them in and out of full screen.

#include "desktop/FullScreen.h"

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
        auto* r = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    // A client message to the root, as EWMH asks of pagers and tools.
    void askWindowManager(xcb_window_t window, const char* type,
                          std::initializer_list<quint32> data) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = window;
        e.type = atom(type);
        std::copy(data.begin(), data.end(), e.data.data32);
        xcb_send_event(c_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(c_);
    }
    void activate(xcb_window_t w) {
        askWindowManager(w, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME});
    }
    void fullScreen(xcb_window_t w, bool on) {
        askWindowManager(w, "_NET_WM_STATE",
                         {on ? 1u : 0u, atom("_NET_WM_STATE_FULLSCREEN"), 0, 1});
    }
    xcb_window_t makeWindow() {
        const xcb_window_t w = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 50, 50, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c_, w);
        xcb_flush(c_);
        return w;
    }

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("openbox").isEmpty())
            QSKIP("Xvfb or openbox is not installed");
        xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        QTRY_VERIFY_WITH_TIMEOUT(xvfb_.canReadLine(), 20000);
        display_ = u':' + QString::fromLatin1(xvfb_.readLine()).trimmed();
        c_ = xcb_connect(display_.toLatin1().constData(), nullptr);
        QVERIFY(!xcb_connection_has_error(c_));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("HOME", dir_.path());
        env.insert("XDG_CONFIG_HOME", dir_.path());
        wm_.setProcessEnvironment(env);
        wm_.setStandardOutputFile(QProcess::nullDevice());
        wm_.setStandardErrorFile(QProcess::nullDevice());
        const QString ready = dir_.filePath("wm-ready");
        wm_.start("openbox", {"--sm-disable", "--startup", "touch " + ready});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), 20000);
    }
    void cleanupTestCase() {
        if (c_) xcb_disconnect(c_);
        for (QProcess* p : {&wm_, &xvfb_})
            p->kill(), p->waitForFinished();
    }

    // Full screen counts only while that window has the focus, and only while it is full.
    void followsTheActiveWindowsState() {
        const xcb_window_t film = makeWindow(); // takes the focus
        FullScreen busy(display_);
        QVERIFY(busy.connected());
        QVERIFY(!busy.active());
        QSignalSpy changed(&busy, &BusyState::changed);
        fullScreen(film, true);
        QTRY_VERIFY(busy.active());
        QCOMPARE(changed.size(), 1);
        makeWindow();
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

        FullScreen noServer(":9999");
        QVERIFY(!noServer.connected() && !noServer.active());
    }
};

QTEST_MAIN(TestFullScreen)
#include "test_fullscreen.moc"
