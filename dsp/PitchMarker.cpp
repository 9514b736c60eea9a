#include "PitchMarker.h"

#include <cmath>

#include "DifferenceFunction.h"

namespace zv {

void PitchMarker::configure(const EngineConfig& config) {
  config_ = config;
  unvoicedSpacing_ = static_cast<int>(std::lroundf(static_cast<float>(config.sampleRate / 140.0)));
  const int half = config.maxPeriod / 2 + 1;
  const int radius = config.maxPeriod / 5 + 1;
  reference_.assign(static_cast<size_t>(half + 2), 0.0);
  region_.assign(static_cast<size_t>(2 * radius + 2 * half + 6), 0.0);
  reset();
}

void PitchMarker::reset() {
  marks_.clear();
  lastMark_ = -1;
  waitUntil_ = -1;
  waitFrames_ = -1;
}

void PitchMarker::append(int64_t mark) {
  marks_.pushBack(mark);
  lastMark_ = mark;
}

// The first candidate in expected +- radius with the greatest correlation against the stretch
// around the last mark, every second sample over +- halfSpan.
int64_t PitchMarker::bestMatch(const SampleRing& ring, int64_t expected, int radius,
                               int halfSpan) const {
  const int products = halfSpan + 1;
  double* ref = reference_.data();
  for (int k = 0; k < products; ++k) ref[k] = ring.at(lastMark_ - halfSpan + 2 * k);
  // The region around the expected mark, split into its even and odd samples so that every
  // candidate's every-second-sample products read one contiguous run.
  const int64_t regionStart = expected - radius - halfSpan;
  const int regionLength = 2 * radius + 2 * halfSpan + 1;
  const int oddOffset = (regionLength + 1) / 2;
  double* even = region_.data();
  double* odd = region_.data() + oddOffset;
  for (int i = 0; i < regionLength; ++i) {
    const double v = ring.at(regionStart + i);
    if (i & 1)
      odd[i >> 1] = v;
    else
      even[i >> 1] = v;
  }

  int64_t best = expected - radius;
  double bestScore = 0.0;
  for (int offset = 0; offset <= 2 * radius; ++offset) {
    const double* x = (offset & 1) ? odd + (offset >> 1) : even + (offset >> 1);
    const double score = dotProduct(ref, x, products);
    if (offset == 0 || score > bestScore) {  // the first of equal scores wins
      bestScore = score;
      best = expected - radius + offset;
    }
  }
  return best;
}

void PitchMarker::placeMarks(const SampleRing& ring, int64_t written,
                             const PitchDetector& detector) {
  const int64_t w = written;
  // Each stop below depends on the last mark, the frames and w only.
  if (w <= waitUntil_ && detector.framesAdmitted() == waitFrames_) return;
  auto waitFor = [&](int64_t lastBlocked) {
    waitUntil_ = lastBlocked;
    waitFrames_ = detector.framesAdmitted();
  };
  for (;;) {
    if (lastMark_ < 0) {
      if (w < 2LL * config_.maxPeriod) return waitFor(2LL * config_.maxPeriod - 1);
      append(w - 2LL * config_.maxPeriod);
      continue;
    }
    const PitchFrame* frame = detector.frameAt(lastMark_);
    int64_t next;
    if (!frame || !frame->voiced) {
      next = lastMark_ + unvoicedSpacing_;
      if (w <= next) return waitFor(next);
    } else {
      const float period = frame->period;
      const int64_t expected = lastMark_ + std::lroundf(period);
      const int radius = static_cast<int>(0.2f * period);
      const int halfSpan = static_cast<int>(0.5f * period);
      if (w <= expected + radius || expected + radius + halfSpan >= w)
        return waitFor(expected + radius + halfSpan);
      const int64_t best = bestMatch(ring, expected, radius, halfSpan);
      // Never closer than half a millisecond: a mark that close is a match on a higher harmonic.
      next = best > lastMark_ + config_.samplesPerMs / 2 ? best : expected;
    }
    append(next);
  }
}

}  // namespace zv
