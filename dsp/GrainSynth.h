// Pitch-synchronous overlap-add: two-period grains cut around the pitch marks, windowed,
// resampled by the formant ratio and laid at the spacing of the target period.
#pragma once

#include <cstdint>

#include "EngineConfig.h"
#include "PitchDetector.h"
#include "PitchMarker.h"
#include "PlainParams.h"
#include "SampleRing.h"
#include "ShiftVoice.h"

namespace zv {

// A source mark and the period at it (a 140 Hz substitute where the voice is unvoiced).
struct GrainSource {
  int64_t mark = -1;  // -1: none
  float period = 0.0f;
  bool voiced = false;
};

// Everything a voice reads to lay its grains for the current input sample.
struct GrainContext {
  const EngineConfig& config;
  const PlainParams& params;
  const SampleRing& input;
  const PitchDetector& detector;
  const PitchMarker::MarkQueue& marks;
  int64_t written;  // input samples so far
  int64_t readPos;  // the position the read-out takes this sample
  double formantRatio;
  // Low-latency mode: the newest mark with a complete period after it (newestCompleteSource).
  // It depends on nothing a voice changes, so both voices and all their grains share it.
  GrainSource newestSource;
};

// The newest pitch mark that has a whole grain's worth of input after it.
GrainSource newestCompleteSource(const EngineConfig& config, const PitchDetector& detector,
                                 const PitchMarker::MarkQueue& marks, int64_t written,
                                 double formantRatio);

// Adds one Hann-windowed grain centred at output position centre, read from the input around
// source at formantRatio samples per output sample. Both positions may fall between samples:
// the grain's waveform is laid exactly where it belongs, so the output period is the synthesis
// period to a fraction of a sample, not rounded to whole samples. Samples at or before readPos
// are not touched: they have been read out already.
void layGrain(SampleRing& out, const SampleRing& input, double source, double centre,
              float synthesisPeriod, double halfLength, double formantRatio, int64_t readPos);

// Normal mode: grains follow the output time base, each from the source mark nearest in time.
void synthesizeNormal(ShiftVoice& voice, const GrainContext& ctx);

// Low-latency mode: grains come from the newest complete period.
void synthesizeLowLatency(ShiftVoice& voice, const GrainContext& ctx);

// Lays the grains a voice can lay for the current input sample, in the engine's current mode.
inline void synthesize(ShiftVoice& voice, const GrainContext& ctx, bool lowLatency) {
  if (lowLatency)
    synthesizeLowLatency(voice, ctx);
  else
    synthesizeNormal(voice, ctx);
}

}  // namespace zv
