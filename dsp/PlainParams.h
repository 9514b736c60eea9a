// The plain parameter values the voice engine works with, derived from the normalized values.
#pragma once

namespace zv {

template <typename T>
struct FieldRange {
  T lo;
  T hi;
};

// The range of each field, which is also its parameter's plain range; the percentages
// (consonants, mix, harmony, character amount) reach the engine as fractions, 0..1.
constexpr FieldRange<int> kKeyRange{0, 11};
constexpr FieldRange<int> kScaleRange{0, 9};
constexpr FieldRange<float> kSpeedMsRange{0.0f, 400.0f};
constexpr FieldRange<int> kShiftStepsRange{-7, 14};
constexpr FieldRange<float> kFormantSemitonesRange{-12.0f, 12.0f};
constexpr FieldRange<float> kA4HzRange{415.0f, 466.0f};
constexpr FieldRange<float> kOutputDbRange{-24.0f, 12.0f};
constexpr FieldRange<int> kHarmonyStepsRange{-7, 7};
constexpr FieldRange<int> kCharacterRange{0, 6};
constexpr FieldRange<int> kStutterRange{0, 2};
constexpr FieldRange<int> kStutterRateRange{0, 5};
constexpr FieldRange<float> kFractionRange{0.0f, 1.0f};

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
