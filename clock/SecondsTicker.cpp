#include "clock/SecondsTicker.h"

#include "clock/ticker/TickerWire.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace taku {

namespace {
template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

constexpr int kMessageBytes = 1 + sizeof(int32_t);
constexpr int kAnswerWaitMs = 1000;

bool sendAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= sent;
    }
    return true;
}
} // namespace

bool SecondsTicker::suits(xcb_connection_t* connection, quint32 window) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (!setup || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    bool fourBytes = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == 24) fourBytes = it.data->bits_per_pixel == 32;
    if (!fourBytes) return false;
    const auto geometryCookie = xcb_get_geometry(connection, window);
    const auto attributesCookie = xcb_get_window_attributes(connection, window);
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, geometryCookie, nullptr), &std::free);
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, attributesCookie, nullptr), &std::free);
    if (!geometry || !attributes || geometry->depth != 24) return false;
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen)) {
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem;
             xcb_depth_next(&depth)) {
            if (depth.data->depth != 24) continue;
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem;
                 xcb_visualtype_next(&visual)) {
                const xcb_visualtype_t* v = visual.data;
                if (v->visual_id != attributes->visual) continue;
                return v->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v->red_mask == 0xff0000 &&
                       v->green_mask == 0xff00 && v->blue_mask == 0xff;
            }
        }
    }
    return false;
}

SecondsTicker::SecondsTicker(const QString& program) : program_(program) {}

SecondsTicker::~SecondsTicker() { end(); }

bool SecondsTicker::spawn() {
    // A ticker that keeps ending is not started again and again.
    if (spawns_ >= 3 || !QFileInfo(program_).isExecutable()) return false;
    ++spawns_;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
    const QByteArray path = QFile::encodeName(program_);
    char* argv[] = {const_cast<char*>(path.constData()), nullptr};
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (failed) {
        ::close(pair[0]);
        return false;
    }
    pid_ = pid;
    socket_ = pair[0];
    pending_.clear();
    sent_.clear();
    notifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readMessages(); });
    return true;
}

void SecondsTicker::end() {
    notifier_.reset();
    if (socket_ >= 0) ::close(socket_); // the ticker ends when its input closes
    socket_ = -1;
    if (pid_ > 0) {
        for (int i = 0; i < 50 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            ::usleep(2000);
        if (::kill(pid_, 0) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    pid_ = -1;
    running_ = false;
}

bool SecondsTicker::takeMessages() {
    bool answered = false;
    char buffer[256];
    for (;;) {
        const ssize_t got = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) { // the ticker ended
            const bool wasRunning = running_;
            end();
            if (wasRunning && stopped_) stopped_();
            return false;
        }
        if (got < 0) break;
        pending_.append(buffer, got);
    }
    while (pending_.size() >= kMessageBytes) {
        const char kind = pending_[0];
        int32_t value;
        std::memcpy(&value, pending_.constData() + 1, sizeof value);
        pending_.remove(0, kMessageBytes);
        lastDrawn_ = value;
        heard_ = true;
        if (kind == 'A') answered = true;
        if (kind == 'L' && running_) {
            running_ = false;
            if (stopped_) stopped_();
        }
    }
    return answered;
}

void SecondsTicker::readMessages() {
    if (socket_ >= 0) takeMessages();
}

int SecondsTicker::lastDueBefore(qint64 ms) const {
    int last = -1;
    for (size_t i = 0; i < dues_.size() && dues_[i] <= ms; ++i)
        last = static_cast<int>(i);
    return last;
}

bool SecondsTicker::start(quint32 window, const std::vector<Patch>& patches,
                          const QList<QImage>& images, std::function<void()> stopped) {
    stop();
    if (patches.size() > wire::kMaxPatches || images.size() > qsizetype(wire::kMaxImages))
        return false;
    if (socket_ < 0 && !spawn()) return false;
    QByteArray message;
    sent_.resize(wire::kMaxImages);
    for (const Patch& p : patches) {
        if (p.image < 0 || sent_[p.image]) continue;
        const QImage& image = images.at(p.image);
        if (image.format() != QImage::Format_RGB32 ||
            uint32_t(image.width() * image.height()) > wire::kMaxImagePixels)
            return false;
        const wire::ImageHeader h{uint32_t(p.image), uint16_t(image.width()),
                                  uint16_t(image.height())};
        message.append('I');
        message.append(reinterpret_cast<const char*>(&h), sizeof h);
        for (int y = 0; y < image.height(); ++y)
            message.append(reinterpret_cast<const char*>(image.constScanLine(y)),
                           image.width() * 4);
        sent_[p.image] = true;
    }
    message.append('P');
    const wire::PlanHeader header{window, static_cast<uint32_t>(patches.size())};
    message.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (const Patch& p : patches) {
        const wire::PatchHeader h{p.dueMs, static_cast<int16_t>(p.at.x()),
                                  static_cast<int16_t>(p.at.y()), p.image};
        message.append(reinterpret_cast<const char*>(&h), sizeof h);
    }
    if (!sendAll(socket_, message.constData(), message.size())) {
        end();
        return false;
    }
    dues_.clear();
    for (const Patch& p : patches)
        dues_.push_back(p.dueMs);
    lastDrawn_ = -1;
    heard_ = false;
    stopped_ = std::move(stopped);
    running_ = true;
    return true;
}

int SecondsTicker::stop() {
    if (!running_) {
        const int drawn = lastDrawn_;
        lastDrawn_ = -1;
        dues_.clear();
        return drawn;
    }
    running_ = false;
    int drawn = -1;
    if (QDateTime::currentMSecsSinceEpoch() >= dues_.back() + 1000) {
        // The plan is over: the ticker has drawn its last patch or said it came too late, and
        // draws nothing more, so it need not be woken to be asked.
        if (socket_ >= 0) takeMessages();
        drawn = heard_ ? lastDrawn_ : int(dues_.size()) - 1;
        lastDrawn_ = -1;
        dues_.clear();
        return drawn;
    }
    bool answered = sendAll(socket_, "S", 1);
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + kAnswerWaitMs;
    while (answered && !takeMessages()) {
        pollfd answer{socket_, POLLIN, 0};
        const qint64 left = deadline - QDateTime::currentMSecsSinceEpoch();
        if (socket_ < 0 || left <= 0 || (::poll(&answer, 1, int(left)) < 0 && errno != EINTR))
            answered = false;
    }
    if (answered) {
        drawn = lastDrawn_;
    } else {
        // No answer: the ticker is ended, and what it drew is judged by the time.
        end();
        drawn = lastDueBefore(QDateTime::currentMSecsSinceEpoch());
    }
    lastDrawn_ = -1;
    dues_.clear();
    return drawn;
}

} // namespace taku
