#include "PlainParams.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {
int clampField(int v, FieldRange<int> range) {
  return std::clamp(v, range.lo, range.hi);
}

float clampField(float v, FieldRange<float> range) {
  return std::isnan(v) ? range.lo : std::clamp(v, range.lo, range.hi);
}
}  // namespace

PlainParams clampToRanges(const PlainParams& p) {
  PlainParams c = p;
  c.key = clampField(p.key, kKeyRange);
  c.scale = clampField(p.scale, kScaleRange);
  c.speedMs = clampField(p.speedMs, kSpeedMsRange);
  c.shiftSteps = clampField(p.shiftSteps, kShiftStepsRange);
  c.formantSemitones = clampField(p.formantSemitones, kFormantSemitonesRange);
  c.a4Hz = clampField(p.a4Hz, kA4HzRange);
  c.consonants = clampField(p.consonants, kFractionRange);
  c.mix = clampField(p.mix, kFractionRange);
  c.outputDb = clampField(p.outputDb, kOutputDbRange);
  c.harmony = clampField(p.harmony, kFractionRange);
  c.harmonySteps = clampField(p.harmonySteps, kHarmonyStepsRange);
  c.character = clampField(p.character, kCharacterRange);
  c.stutter = clampField(p.stutter, kStutterRange);
  c.stutterRate = clampField(p.stutterRate, kStutterRateRange);
  c.characterAmount = clampField(p.characterAmount, kFractionRange);
  return c;
}

}  // namespace zv
