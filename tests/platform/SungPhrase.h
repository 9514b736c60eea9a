// The meters of a voice singing a phrase into the plug-in, as the processor sends them once per
// audio block: pitch gliding with vibrato, a pulsing level, the transport playing at 120 BPM.
#pragma once

#include <cmath>

#include "ParamDefs.h"

namespace zv::test {

// Calls set(id, normalized) for each meter at `t` seconds into the phrase.
template <typename Set>
void singMeters(double t, Set&& set) {
  const double note = 60.0 + 5.0 * std::sin(t * 1.3) + 0.3 * std::sin(t * 34.0);
  set(kPitchIn, pitchMeterFromNote(note));
  set(kPitchOut, pitchMeterFromNote(std::round(note)));
  set(kLevel, 0.55 + 0.25 * std::sin(t * 7.0));
  set(kTempo, tempoMeterFromBpm(120.0));
  set(kBeat, std::fmod(t * 2.0, 1.0));
  set(kPlaying, 1.0);
}

}  // namespace zv::test
