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

struct Patch {
    PatchHeader header;
    uint32_t* pixels; // null when nothing changes
};

Patch patches[kMaxPatches];
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
    for (uint32_t i = 0; i < count; ++i) {
        std::free(patches[i].pixels);
        patches[i].pixels = nullptr;
    }
    count = next = 0;
    active = false;
}

bool readPlan(xcb_connection_t* connection) {
    dropPlan();
    lastDrawn = -1;
    PlanHeader plan{};
    if (!readAll(&plan, sizeof plan) || plan.count > kMaxPatches) return false;
    for (uint32_t i = 0; i < plan.count; ++i) {
        if (!readAll(&patches[i].header, sizeof(PatchHeader))) return false;
        count = i + 1;
        const PatchHeader& h = patches[i].header;
        if (uint32_t(h.width) * h.height > kMaxPatchPixels) return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const PatchHeader& h = patches[i].header;
        const size_t bytes = size_t(h.width) * h.height * 4;
        if (bytes == 0) continue;
        patches[i].pixels = static_cast<uint32_t*>(std::malloc(bytes));
        if (!patches[i].pixels || !readAll(patches[i].pixels, bytes)) return false;
    }
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

void draw(xcb_connection_t* connection, const Patch& patch) {
    const PatchHeader& h = patch.header;
    xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, h.width, h.height, h.x, h.y, 0,
                  24, uint32_t(h.width) * h.height * 4,
                  reinterpret_cast<const uint8_t*>(patch.pixels));
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
            const int64_t wait = patches[next].header.dueMs + kAfterBoundaryMs - wallMs();
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
            } else if (kind != 'P' || !readPlan(connection)) {
                return 1;
            }
            continue;
        }
        if (!active || next >= count) continue;
        const int64_t due = patches[next].header.dueMs;
        const int64_t now = wallMs();
        if (now < due) continue;
        if (now >= due + 1000) {
            // The second has passed: the machine slept or the clock was set forward.
            dropPlan();
            if (!answer('L', lastDrawn)) return 0;
            continue;
        }
        if (patches[next].pixels) draw(connection, patches[next]);
        lastDrawn = int32_t(next++);
    }
}
