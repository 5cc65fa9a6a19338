#pragma once
// What the clock and its seconds ticker (a small program of its own, see SecondsTicker.h) say
// to each other through two pipes. Both ends are built from this file on one machine, so the
// records go in the machine's own byte order.
//
// clock -> ticker:  'I' ImageHeader, then width x height 32-bit pixels, rows top to bottom:
//                   keep this picture under its number (replacing one kept before)
//                   'P' PlanHeader, count x PatchHeader: draw the pictures at their seconds
//                   'S': stop, and answer 'A' with the index of the last patch drawn
// ticker -> clock:  'A' int32: the answer to 'S'
//                   'L' int32: stopped because a patch's second had passed; the last drawn

#include <cstdint>

namespace taku::wire {

struct PlanHeader {
    uint32_t window; // the X window to draw into
    uint32_t count;  // patches that follow
};

struct ImageHeader {
    uint32_t number; // below kMaxImages
    uint16_t width;
    uint16_t height;
};

struct PatchHeader {
    int64_t dueMs; // the start of its second, ms since the epoch
    int16_t x, y;  // its place in the window
    int32_t image; // the number of the picture; -1: nothing changes at that second
};

// At most this many pixels in one picture, pictures kept, and patches in a plan.
inline constexpr uint32_t kMaxImagePixels = 64 * 64;
inline constexpr uint32_t kMaxImages = 256;
inline constexpr uint32_t kMaxPatches = 60;

} // namespace taku::wire
