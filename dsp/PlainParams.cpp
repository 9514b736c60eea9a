#include "PlainParams.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {
float clampField(float v, float lo, float hi) {
  return std::isnan(v) ? lo : std::clamp(v, lo, hi);
}
}  // namespace

PlainParams clampToRanges(const PlainParams& p) {
  PlainParams c = p;
  c.key = std::clamp(p.key, 0, 11);
  c.scale = std::clamp(p.scale, 0, 9);
  c.speedMs = clampField(p.speedMs, 0.0f, 400.0f);
  c.shiftSteps = std::clamp(p.shiftSteps, -7, 14);
  c.formantSemitones = clampField(p.formantSemitones, -12.0f, 12.0f);
  c.a4Hz = clampField(p.a4Hz, 415.0f, 466.0f);
  c.consonants = clampField(p.consonants, 0.0f, 1.0f);
  c.mix = clampField(p.mix, 0.0f, 1.0f);
  c.outputDb = clampField(p.outputDb, -24.0f, 12.0f);
  c.harmony = clampField(p.harmony, 0.0f, 1.0f);
  c.harmonySteps = std::clamp(p.harmonySteps, -7, 7);
  c.character = std::clamp(p.character, 0, 6);
  c.stutter = std::clamp(p.stutter, 0, 2);
  c.stutterRate = std::clamp(p.stutterRate, 0, 5);
  c.characterAmount = clampField(p.characterAmount, 0.0f, 1.0f);
  return c;
}

}  // namespace zv
