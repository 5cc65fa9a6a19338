#pragma once
// Puts prepared pieces of an X11 window's picture on the screen at given wall-clock seconds,
// so that the program's main thread can sleep through seconds in which nothing but a digit
// changes. The drawing is done by the small program chikutaku-ticker beside the executable
// (clock/ticker): a process that wakes each second costs in proportion to what it has mapped,
// and this one maps little. Each piece is drawn a millisecond after its second begins; a piece
// whose second has already passed stops the ticker and is reported instead.

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct xcb_connection_t;
class QSocketNotifier;

namespace taku {

class SecondsTicker final {
public:
    struct Patch final {
        qint64 dueMs = 0; // the start of the second it shows, ms since the epoch
        int image = -1;   // its picture among the images given to start; -1: nothing changes
        QPoint at;        // its place in the window
    };

    // program: the ticker program to start when first needed.
    explicit SecondsTicker(const QString& program);
    ~SecondsTicker();
    SecondsTicker(const SecondsTicker&) = delete;
    SecondsTicker& operator=(const SecondsTicker&) = delete;

    // Whether the window takes Format_RGB32 pixels as they are (a 24-bit TrueColor visual with
    // the server's byte order); asks the server.
    static bool suits(xcb_connection_t* connection, quint32 window);

    // Starts drawing the patches into the window in turn; `stopped` is called (from the event
    // loop) when the ticker stopped by itself: a patch's second had passed, or it ended.
    // images: the pictures (Format_RGB32) by number; the ticker keeps each it was once sent
    // until forgetImages. False when there is no ticker to be had.
    bool start(quint32 window, const std::vector<Patch>& patches, const QList<QImage>& images,
               std::function<void()> stopped);
    // The pictures' numbers will stand for other pictures from now on.
    void forgetImages() { sent_.clear(); }
    // Stops; nothing is drawn once it returns. Returns the index of the last patch drawn, -1
    // when none was; judged by the time when the ticker did not answer.
    int stop();

private:
    bool spawn();
    void end();
    void readMessages();
    int lastDueBefore(qint64 ms) const;

    // Reads what the ticker said; true when its answer to a stop came.
    bool takeMessages();

    QString program_;
    int pid_ = -1;
    int socket_ = -1; // both ways: the ticker's standard input and output
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> stopped_;
    bool running_ = false;
    int spawns_ = 0;
    int lastDrawn_ = -1;
    bool heard_ = false;       // the ticker has said which patch it drew last
    std::vector<qint64> dues_; // of the patches now drawn
    std::vector<bool> sent_;   // by number: the ticker has that picture
    QByteArray pending_;       // bytes read from the ticker, not yet a whole message
};

} // namespace taku
