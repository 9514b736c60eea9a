// One resynthesis voice (the corrected lead or the harmony): where its next grain goes, its glide
// state and the overlap-add accumulator it writes grains into.
#pragma once

#include <cstdint>

#include "PitchTarget.h"
#include "SampleRing.h"

namespace zv {

struct ShiftVoice {
  double synthesisTime = -1.0;  // output position of the next grain centre; -1 = not started
  GlideState glide;
  int steps = 0;   // extra scale steps: 0 for the lead, Harmony Steps for the harmony
  SampleRing out;  // overlap-add accumulator, indexed by output position

  // Normal mode: a grain that lacks marks or input cannot be laid before the input passes
  // wait.until, as long as the marks (newest wait.mark), the frames (wait.frames admitted), the
  // synthesis time and the formant ratio stay as they were when it stopped.
  struct Wait {
    int64_t until = -1;
    int64_t frames = -1;
    int64_t mark = -1;
    double time = -1.0;
    double ratio = 0.0;
  } wait;

  void reset() {
    synthesisTime = -1.0;
    wait = Wait();
    const int64_t keptMark = glide.lastSourceMark;
    glide = GlideState();
    glide.lastSourceMark = keptMark;
    out.clear();
  }
};

}  // namespace zv
