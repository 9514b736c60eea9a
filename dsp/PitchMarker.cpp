#include "PitchMarker.h"

#include <algorithm>
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
  scores_.assign(static_cast<size_t>(2 * radius + 2), 0.0);
  reset();
}

void PitchMarker::reset() {
  marks_.clear();
  lastMark_ = -1;
  lastExact_ = -1.0;
  waitUntil_ = -1;
  waitFrames_ = -1;
}

void PitchMarker::append(double exactMark) {
  // The whole position follows the exact one, so the offset stays within half a sample instead
  // of drifting by the period's fraction with every mark.
  PitchMark mark;
  mark.position = static_cast<int64_t>(std::llround(exactMark));
  mark.offset = static_cast<float>(exactMark - static_cast<double>(mark.position));
  marks_.pushBack(mark);
  lastMark_ = mark.position;
  lastExact_ = exactMark;
}

// The first candidate in expected +- radius with the greatest correlation against the stretch
// around the last mark, every second sample over +- halfSpan.
int64_t PitchMarker::bestMatch(const SampleRing& ring, int64_t expected, int radius, int halfSpan,
                               double& subSample) const {
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

  // Candidates of one parity read the same run one sample apart: all their scores at once.
  double* evenScores = scores_.data();
  double* oddScores = scores_.data() + radius + 1;
  slidingDotProducts(ref, even, products, radius + 1, evenScores);
  slidingDotProducts(ref, odd, products, radius, oddScores);

  int64_t best = expected - radius;
  double bestScore = 0.0, beforeBest = 0.0, afterBest = 0.0, previous = 0.0;
  int bestOffset = 0;
  for (int offset = 0; offset <= 2 * radius; ++offset) {
    const double score = (offset & 1) ? oddScores[offset >> 1] : evenScores[offset >> 1];
    if (offset == 0 || score > bestScore) {  // the first of equal scores wins
      bestScore = score;
      best = expected - radius + offset;
      bestOffset = offset;
      beforeBest = previous;
    }
    if (offset == bestOffset + 1) afterBest = score;
    previous = score;
  }
  // A cosine through the best score and its neighbours places the peak between candidates. A
  // parabola is exact only for a peak much wider than a sample; its bias on the correlation of
  // a bright high note, repeated mark after mark, pulls the marks off the period by a fraction
  // of a cent. The cosine is exact for one partial and far closer for many.
  // The scores are taken against stretches whose energy moves with the candidate, which tilts
  // the peak toward the louder side; half the energy difference is taken off each, which leaves
  // the negated half squared difference, a measure that is symmetric about the true match.
  subSample = 0.0;
  if (bestOffset > 0 && bestOffset < 2 * radius) {
    auto stretch = [&](int offset) {
      return (offset & 1) ? odd + (offset >> 1) : even + (offset >> 1);
    };
    const double* xb = stretch(bestOffset - 1);
    const double* xm = stretch(bestOffset);
    const double* xa = stretch(bestOffset + 1);
    // Four energies, each summed in order, side by side.
    double refEnergy = 0.0, eb = 0.0, em = 0.0, ea = 0.0;
    for (int k = 0; k < products; ++k) {
      refEnergy += ref[k] * ref[k];
      eb += xb[k] * xb[k];
      em += xm[k] * xm[k];
      ea += xa[k] * xa[k];
    }
    beforeBest -= 0.5 * (eb - refEnergy);
    bestScore -= 0.5 * (em - refEnergy);
    afterBest -= 0.5 * (ea - refEnergy);
  }
  if (bestOffset > 0 && bestOffset < 2 * radius && bestScore > 0.0) {
    const double c = (beforeBest + afterBest) / (2.0 * bestScore);
    if (c > -1.0 && c < 1.0) {
      const double w = std::acos(c);
      subSample = std::atan2(afterBest - beforeBest, 2.0 * bestScore * std::sin(w)) / w;
      subSample = std::clamp(subSample, -0.5, 0.5);
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
      append(static_cast<double>(w - 2LL * config_.maxPeriod));
      continue;
    }
    const PitchFrame* frame = detector.frameAt(lastMark_);
    double next;
    if (!frame || !frame->voiced) {
      next = lastExact_ + unvoicedSpacing_;
      const int64_t whole = std::llround(next);
      if (w <= whole) return waitFor(whole);
    } else {
      const float period = frame->period;
      const int64_t expected = lastMark_ + std::lroundf(period);
      const int radius = static_cast<int>(0.2f * period);
      const int halfSpan = static_cast<int>(0.5f * period);
      if (w <= expected + radius || expected + radius + halfSpan >= w)
        return waitFor(expected + radius + halfSpan);
      double subSample = 0.0;
      const int64_t best = bestMatch(ring, expected, radius, halfSpan, subSample);
      // The match compares whole positions after the last mark's, so the exact mark lies as far
      // past the match as the last exact mark lies past its whole position.
      const double carried = lastExact_ - static_cast<double>(lastMark_);
      // Never closer than half a millisecond: a mark that close is a match on a higher harmonic.
      next = best > lastMark_ + config_.samplesPerMs / 2
                 ? static_cast<double>(best) + subSample + carried
                 : lastExact_ + period;
    }
    append(next);
  }
}

}  // namespace zv
