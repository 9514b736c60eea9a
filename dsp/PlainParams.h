// The plain parameter values the voice engine works with, derived from the normalized values.
#pragma once

#include "ParamRanges.h"

namespace zv {

// Each field's range is its parameter's plain range (ParamRanges.h).
struct PlainParams {
  int key = 1;           // 0..11, C = 0
  int scale = 0;         // index into kScaleTable
  float speedMs = 0.0f;  // glide time constant, 0 = instant ("Robot")
  int shiftSteps = 0;    // -7..14 scale steps
  float formantSemitones = 0.0f;
  float a4Hz = 440.0f;
  float consonants = 1.0f;  // 0..1
  float mix = 1.0f;         // 0..1
  float outputDb = 0.0f;
  bool lowLatency = false;
  float harmony = 0.0f;          // 0..1
  int harmonySteps = 2;          // -7..7 scale steps
  int character = 0;             // 0..6
  int stutter = 0;               // 0..2
  int stutterRate = 3;           // 0..5
  float characterAmount = 0.5f;  // 0..1
};

// Every field clamped into its range, NaN taking the lower end: the engine takes records from
// tools as well as from the processor, and one NaN would otherwise reach grain lengths and loops.
PlainParams clampToRanges(const PlainParams& params);

}  // namespace zv
