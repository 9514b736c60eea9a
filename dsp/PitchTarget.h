// Decides the pitch each grain carries: snapping to the key and scale with hysteresis, the shift
// in scale steps, the glide at the set speed, and the synthesis period that results.
#pragma once

#include <cstdint>

#include "EngineConfig.h"
#include "PlainParams.h"

namespace zv {

constexpr int kNoNoteIndex = -100000;

// What a voice remembers between grains for snapping and gliding.
struct GlideState {
  float glideNote = -1.0f;           // current glided note, -1 when no glide runs
  int32_t noteIndex = kNoNoteIndex;  // degree index chosen for the previous voiced grain
  float outNote = -1.0f;             // note of the last voiced grain after the glide
  int64_t lastSourceMark = 0;        // source mark of the last voiced grain
};

// The snapped, shifted note for a detected note (fractional MIDI). Updates state.noteIndex.
float snapNote(GlideState& state, float note, const PlainParams& params, int voiceSteps);

// One glide step of a one-pole approach in the note domain over stepSeconds; jumps over 24
// semitones are taken at once.
float glideStep(float glideNote, float target, double stepSeconds, float speedMs);

// The synthesis period (input samples) for a grain from sourceMark with source period
// sourcePeriod. note is the detected note at the source mark (ignored when unvoiced).
float targetPeriod(GlideState& state, const PlainParams& params, int voiceSteps, int64_t sourceMark,
                   float note, float sourcePeriod, bool voiced, const EngineConfig& config);

}  // namespace zv
