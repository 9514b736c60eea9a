// One resynthesis voice (the corrected lead or the harmony): where its next grain goes, its glide
// state and the overlap-add accumulator it writes grains into.
#pragma once

#include "PitchTarget.h"
#include "SampleRing.h"

namespace zv {

struct ShiftVoice {
  double synthesisTime = -1.0;  // output position of the next grain centre; -1 = not started
  GlideState glide;
  int steps = 0;   // extra scale steps: 0 for the lead, Harmony Steps for the harmony
  SampleRing out;  // overlap-add accumulator, indexed by output position

  void reset() {
    synthesisTime = -1.0;
    const int64_t keptMark = glide.lastSourceMark;
    glide = GlideState();
    glide.lastSourceMark = keptMark;
    out.clear();
  }
};

}  // namespace zv
