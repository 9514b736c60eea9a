// The halo the knob pulse blends around a knob: a colour fading as (1 - t)^2 from the inner
// radius (t = 0) to the outer one (t = 1), measured from integer pixel coordinates.
#pragma once

#include <cstdint>

#include "RGB.h"

namespace zv {

// Pixels from..to (inclusive) of one row, dy = row - cy, all in pixels; `strength` is the alpha at
// the inner radius. Four pixels at a time where the processor allows.
void pulseHaloRow(std::uint32_t* row, int from, int to, float dy, float cx, float innerPx,
                  float outerPx, float strength, const RGB& colour);
// The same pixels one at a time: the reference the fast path must equal.
void pulseHaloRowPlain(std::uint32_t* row, int from, int to, float dy, float cx, float innerPx,
                       float outerPx, float strength, const RGB& colour);

}  // namespace zv
