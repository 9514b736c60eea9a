// Places pitch marks (one per period) on the full-rate input: each mark lands where the waveform
// best matches the previous mark, about one detected period later.
#pragma once

#include <cstdint>
#include <vector>

#include "BoundedQueue.h"
#include "EngineConfig.h"
#include "PitchDetector.h"
#include "SampleRing.h"

namespace zv {

// One pitch mark: a whole input position and the sub-sample offset from it to where the period
// actually starts, so that grains cut at it can be laid with their waveform exactly in place.
struct PitchMark {
  int64_t position = 0;
  float offset = 0.0f;  // -0.5..0.5 input samples
  double exact() const { return static_cast<double>(position) + offset; }
};

class PitchMarker {
 public:
  static constexpr int kMaxMarks = 256;
  using MarkQueue = BoundedQueue<PitchMark, kMaxMarks>;

  void configure(const EngineConfig& config);  // allocates
  void reset();

  // Extends the marks as far as the input written so far allows.
  void placeMarks(const SampleRing& ring, int64_t written, const PitchDetector& detector);

  const MarkQueue& marks() const { return marks_; }
  // placeMarks returns at once for every written count up to this, while the detector admits no
  // frame (-1: it has to look).
  int64_t idleThrough(const PitchDetector& detector) const {
    return detector.framesAdmitted() == waitFrames_ ? waitUntil_ : -1;
  }
  int64_t lastMark() const { return lastMark_; }

 private:
  // The candidate that best matches the stretch around the last mark, and (through subSample)
  // how far between candidates the match peaks.
  int64_t bestMatch(const SampleRing& ring, int64_t expected, int radius, int halfSpan,
                    double& subSample) const;
  void append(double exactMark);

  EngineConfig config_;
  int unvoicedSpacing_ = 315;  // a substitute period of 140 Hz
  MarkQueue marks_;
  int64_t lastMark_ = -1;
  double lastExact_ = -1.0;
  // While no new frame arrives, the next mark cannot be placed before the input passes
  // waitUntil_: placeMarks returns at once until then.
  int64_t waitUntil_ = -1;
  int64_t waitFrames_ = -1;
  // Working copies of the compared stretches, sized for the longest period.
  mutable std::vector<double> reference_;
  mutable std::vector<double> region_;
  mutable std::vector<double> scores_;  // every candidate's correlation, even then odd
};

}  // namespace zv
