// Finds the pitch of the input voice: an anti-aliased, decimated copy of the input is analysed
// every hop with a cumulative-mean-normalised difference function (YIN family).
#pragma once

#include <cstdint>
#include <vector>

#include "BoundedQueue.h"
#include "DifferenceFunction.h"
#include "EngineConfig.h"
#include "PitchFrame.h"
#include "SampleRing.h"

namespace zv {

class PitchDetector {
 public:
  static constexpr int kMaxFrames = 64;
  using FrameQueue = BoundedQueue<PitchFrame, kMaxFrames>;

  void configure(const EngineConfig& config);  // allocates
  void reset();

  // Called once per input sample, after the sample at position written - 1 entered the ring:
  // decimates and, every hop with a full window, analyses.
  void push(const SampleRing& ring, int64_t written);
  // How many more pushes until the one that completes a hop (and may analyse); fewer pushes than
  // that only move the counters, which skipPushes does at once.
  int pushesUntilHop() const {
    return (config_.decimation - decimationCounter_) +
           config_.decimation * (config_.hop - 1 - hopCounter_);
  }
  void skipPushes(int count) {
    const int total = decimationCounter_ + count;
    hopCounter_ += total / config_.decimation;
    decimationCounter_ = total % config_.decimation;
  }

  // What the frame's own window said about the octave, beyond its note.
  enum class OctaveEvidence {
    none,            // nothing: the octave guard alone decides
    noLongerPeriod,  // the multiples of its lag repeat no better: a jump up is taken at once
    longerPeriod,    // a multiple of the first dip repeats clearly better: a jump down too
  };
  // Octave guard, append and gap bridging for a freshly measured frame.
  void admit(PitchFrame frame, OctaveEvidence evidence = OctaveEvidence::none);

  // The frame nearest to a position (ties go to the earlier frame); nullptr when there is none.
  const PitchFrame* frameAt(int64_t position) const;

  const FrameQueue& frames() const { return frames_; }
  // Counts the frames admitted since reset: anything worked out from the frames stays valid
  // while it does not move.
  int64_t framesAdmitted() const { return framesAdmitted_; }
  // The newest frame's note when it is voiced, else -1 (no pitch).
  float inputNote() const;
  // The normalised difference function of the last analysis, lags 0..maxLag.
  const std::vector<float>& difference() const { return difference_; }

 private:
  // One analysis, in its steps: the window and its running energies, the normalised difference
  // function, the lag search and its refinement, and the voicing judgement.
  void analyse(int64_t written);
  // Decimates the hop that just completed (hopCounter_ samples) into the history.
  void decimateHop(const SampleRing& ring, int64_t written);
  void loadWindow();
  void normalisedDifference(double olderHalfEnergy);
  int searchLag() const;  // the first clear dip, else the deepest; -1 when nothing repeats
  double refineLag(int lag) const;
  struct Voicing {
    bool voiced = false;
    float confidence = 0.0f;
  };
  Voicing judgeVoicing(int lag, double rms, double olderHalfEnergy) const;

  EngineConfig config_;
  std::vector<float> taps_;
  std::vector<float> history_;     // 4*N decimated samples, circular
  std::vector<float> hopSamples_;  // the hop's decimated samples, before they enter history_
  std::vector<double> window_;     // the N newest decimated samples of the running analysis
  std::vector<double> squares_;    // running sums of the window's squares, for its energies
  std::vector<float> difference_;
  std::vector<double> lagDiffs_;  // d(lag) and its running sum, before the normalisation
  std::vector<double> lagSums_;
  DifferenceFunction products_;  // r(lag), the lag products of the difference function
  int64_t decimatedCount_ = 0;
  int historyIndex_ = 0;
  int historyFill_ = 0;
  int decimationCounter_ = 0;
  int hopCounter_ = 0;
  int octaveJumps_ = 0;
  int64_t framesAdmitted_ = 0;
  FrameQueue frames_;
};

}  // namespace zv
