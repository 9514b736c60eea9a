// How the read-only meters carry their readings in 0..1: the engine and the processor write them,
// the editor, the parameter display and the render tool read them back.
#pragma once

#include <algorithm>
#include <cmath>

namespace zv {

// The pitch meters carry a MIDI note of 24..108 over 0.02..1; under kNoPitchBelow there is no
// pitch. The processor sends floats, so the encoding is written for either width.
constexpr double kMeterLowestNote = 24.0;
constexpr double kMeterNoteSpan = 84.0;
constexpr double kMeterPitchFloor = 0.02;
constexpr double kMeterPitchSpan = 0.98;  // the rest of the travel, 1 - kMeterPitchFloor
constexpr double kNoPitchBelow = 0.01;
template <typename Real>
Real pitchMeterFromNote(Real note) {
  return (note - Real(kMeterLowestNote)) / Real(kMeterNoteSpan) * Real(kMeterPitchSpan) +
         Real(kMeterPitchFloor);
}
// The note a pitch meter shows, or -1 when it shows none.
inline double noteFromPitchMeter(double meter) {
  if (!(meter >= kNoPitchBelow)) return -1.0;
  return (meter - kMeterPitchFloor) / kMeterPitchSpan * kMeterNoteSpan + kMeterLowestNote;
}

// The tempo meter carries 20..400 beats per minute over 0..1.
constexpr double kMeterLowestBpm = 20.0;
constexpr double kMeterBpmSpan = 380.0;
// Clamped to 0..1, NaN reading as 0.
inline double tempoMeterFromBpm(double bpm) {
  const double meter = (bpm - kMeterLowestBpm) / kMeterBpmSpan;
  return std::isnan(meter) ? 0.0 : std::clamp(meter, 0.0, 1.0);
}
inline double bpmFromTempoMeter(double meter) {
  return kMeterLowestBpm + kMeterBpmSpan * meter;
}

// The input level meter carries -60..0 dBFS over 0..1; the writer clamps.
constexpr double kMeterLevelSpanDb = 60.0;
inline double levelMeterFromDb(double db) {
  return (db + kMeterLevelSpanDb) / kMeterLevelSpanDb;
}
inline double dbFromLevelMeter(double meter) {
  return meter * kMeterLevelSpanDb - kMeterLevelSpanDb;
}

}  // namespace zv
