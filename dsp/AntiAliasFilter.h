// The low-pass in front of the pitch detector's decimation.
#pragma once

#include <vector>

#include "SampleRing.h"

namespace zv {

// Hann-windowed sinc with 8*D + 1 taps, cut-off 0.45 / D cycles per input sample, normalised to
// unity gain at DC so the detector's level thresholds see the input's true level.
std::vector<float> designAntiAliasTaps(int decimation);

// One decimated sample from the input ring: the newest sample (position newest) meets taps[0].
float decimateAt(const SampleRing& ring, int64_t newest, const std::vector<float>& taps);

// count decimated samples, oldest first, the newest at position newest and the others stride
// positions apart: out[i] = decimateAt(ring, newest - stride * (count - 1 - i), taps), the same
// bits, several samples side by side.
void decimateRun(const SampleRing& ring, int64_t newest, int stride, int count,
                 const std::vector<float>& taps, float* out);

}  // namespace zv
