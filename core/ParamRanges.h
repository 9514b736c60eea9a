// The plain range of every parameter that has one: the parameter table's limits, and the
// limits the engine clamps its records to, so a value the host can set is one the engine takes.
#pragma once

namespace zv {

template <typename T>
struct FieldRange {
  T lo;
  T hi;
};

// The percentages (consonants, mix, harmony, character amount) reach the engine as fractions,
// 0..1.
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

}  // namespace zv
