// chikutaku-ticker: puts prepared pieces of the clock strip on the screen at their seconds,
// so that the clock itself can sleep through seconds in which only a digit changes. It is a
// program of its own because a process that wakes every second pays for each wake-up in
// proportion to what it has mapped: this one maps little more than libc and libxcb.
//
// It reads plans and stops on its standard input (see TickerWire.h), answers on its standard
// output, draws through an X connection of its own and ends when its input closes.

#include "clock/ticker/TickerWire.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>

namespace {

using namespace taku::wire;

constexpr int64_t kAfterBoundaryMs = 1;

struct Image {
    uint16_t width = 0, height = 0;
    uint32_t* pixels = nullptr;
};

Image images[kMaxImages];
PatchHeader patches[kMaxPatches];
uint32_t count = 0;
uint32_t next = 0;
int32_t lastDrawn = -1;
bool active = false;
uint32_t window = 0;
xcb_gcontext_t gc = 0;
uint32_t gcWindow = 0;

int64_t wallMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool readAll(void* buffer, size_t size) {
    auto* at = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::read(0, at, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        at += got;
        size -= size_t(got);
    }
    return true;
}

bool answer(char kind, int32_t value) {
    char message[1 + sizeof value];
    message[0] = kind;
    __builtin_memcpy(message + 1, &value, sizeof value);
    return ::write(1, message, sizeof message) == ssize_t(sizeof message);
}

void dropPlan() {
    count = next = 0;
    active = false;
}

bool readImage() {
    ImageHeader header{};
    if (!readAll(&header, sizeof header) || header.number >= kMaxImages ||
        uint32_t(header.width) * header.height > kMaxImagePixels)
        return false;
    Image& image = images[header.number];
    std::free(image.pixels);
    image = Image{header.width, header.height, nullptr};
    const size_t bytes = size_t(header.width) * header.height * 4;
    if (bytes == 0) return true;
    image.pixels = static_cast<uint32_t*>(std::malloc(bytes));
    return image.pixels && readAll(image.pixels, bytes);
}

bool readPlan(xcb_connection_t* connection) {
    dropPlan();
    lastDrawn = -1;
    PlanHeader plan{};
    if (!readAll(&plan, sizeof plan) || plan.count > kMaxPatches ||
        !readAll(patches, plan.count * sizeof(PatchHeader)))
        return false;
    count = plan.count;
    window = plan.window;
    if (gcWindow != window) {
        if (gc) xcb_free_gc(connection, gc);
        gc = xcb_generate_id(connection);
        const uint32_t noExposures[] = {0};
        xcb_create_gc(connection, gc, window, XCB_GC_GRAPHICS_EXPOSURES, noExposures);
        gcWindow = window;
    }
    active = true;
    return true;
}

void draw(xcb_connection_t* connection, const PatchHeader& patch) {
    if (patch.image < 0 || uint32_t(patch.image) >= kMaxImages) return;
    const Image& image = images[patch.image];
    if (!image.pixels) return;
    xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, image.width, image.height,
                  patch.x, patch.y, 0, 24, uint32_t(image.width) * image.height * 4,
                  reinterpret_cast<const uint8_t*>(image.pixels));
    xcb_flush(connection);
}

} // namespace

int main() {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    signal(SIGPIPE, SIG_IGN);
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) return 1;
    for (;;) {
        int timeout = -1;
        if (active && next < count) {
            const int64_t wait = patches[next].dueMs + kAfterBoundaryMs - wallMs();
            timeout = wait < 0 ? 0 : wait > 60000 ? 60000 : int(wait);
        }
        pollfd input{0, POLLIN, 0};
        const int ready = ::poll(&input, 1, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (ready > 0) {
            char kind = 0;
            if (!readAll(&kind, 1)) return 0; // the clock has gone
            if (kind == 'S') {
                dropPlan();
                if (!answer('A', lastDrawn)) return 0;
            } else if (!(kind == 'P' ? readPlan(connection) : kind == 'I' && readImage())) {
                return 1;
            }
            continue;
        }
        if (!active || next >= count) continue;
        const int64_t due = patches[next].dueMs;
        const int64_t now = wallMs();
        if (now < due) continue;
        if (now >= due + 1000) {
            // The second has passed: the machine slept or the clock was set forward.
            dropPlan();
            if (!answer('L', lastDrawn)) return 0;
            continue;
        }
        draw(connection, patches[next]);
        lastDrawn = int32_t(next++);
    }
}
