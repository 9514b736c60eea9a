// Measures the pitch of any signal with the engine's own detector, one note per hop (negative
// where unvoiced): used to check what pitch actually comes out of the engine.
#pragma once

#include <vector>

#include "PitchDetector.h"
#include "SampleRing.h"

namespace zvtest {

struct PitchTrack {
  std::vector<float> notes;        // per analysis
  std::vector<int64_t> positions;  // the input sample each note stands for
};

inline PitchTrack measurePitch(const std::vector<float>& x, double sr) {
  const zv::EngineConfig config = zv::makeEngineConfig(sr);
  zv::SampleRing ring;
  ring.allocate(config.ringSize);
  zv::PitchDetector detector;
  detector.configure(config);
  PitchTrack track;
  int frames = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    ring.cell(static_cast<int64_t>(i)) = x[i];
    detector.push(ring, static_cast<int64_t>(i) + 1);
    const auto& q = detector.frames();
    // A new analysis appends one frame; the queue may be full, so watch the newest position.
    if (!q.empty() && (frames == 0 || q.back().position != track.positions.back())) {
      ++frames;
      track.positions.push_back(q.back().position);
      track.notes.push_back(q.back().voiced ? q.back().note : -1.0f);
    }
  }
  return track;
}

}  // namespace zvtest
