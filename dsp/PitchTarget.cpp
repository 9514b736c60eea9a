#include "PitchTarget.h"

#include <algorithm>
#include <cmath>

#include "NoteFrequency.h"
#include "ScaleTable.h"

namespace zv {

namespace {
// The previous note stays unless a new one is closer by this much (semitones): no flutter
// between two neighbours when the voice sits between them.
constexpr float kHysteresisSemitones = 0.2f;
constexpr float kLongestGlideSemitones = 24.0f;
}  // namespace

float snapNote(GlideState& state, float note, const PlainParams& params, int voiceSteps) {
  const int key = params.key;
  const Scale& scale = kScaleTable[std::clamp(params.scale, 0, kNumScales - 1)];
  const float offset = params.a4Hz != 440.0f ? 12.0f * std::log2(params.a4Hz / 440.0f) : 0.0f;
  const float n = note - offset;
  const int octave = static_cast<int>(std::floor((n - key) / 12.0f));
  const int k = scale.degrees;

  int best = (octave - 1) * k;
  float bestDist = std::fabs(n - degreePitch(key, scale, best));
  for (int g = best + 1; g <= (octave + 2) * k - 1; ++g) {
    const float dist = std::fabs(n - degreePitch(key, scale, g));
    if (dist < bestDist) {  // strictly: a tie keeps the lower note
      bestDist = dist;
      best = g;
    }
  }
  if (state.noteIndex != kNoNoteIndex && best != state.noteIndex) {
    const float previousDist = std::fabs(n - degreePitch(key, scale, state.noteIndex));
    if (bestDist + kHysteresisSemitones > previousDist && previousDist < 1.0f)
      best = state.noteIndex;
  }
  state.noteIndex = best;
  return static_cast<float>(degreePitch(key, scale, best + params.shiftSteps + voiceSteps)) +
         offset;
}

float glideStep(float glideNote, float target, double stepSeconds, float speedMs) {
  const float d = target - glideNote;
  if (std::fabs(d) > kLongestGlideSemitones) return target;
  const float k = static_cast<float>(1.0 - std::exp(-stepSeconds / (speedMs * 0.001)));
  return glideNote + k * d;
}

float targetPeriod(GlideState& state, const PlainParams& params, int voiceSteps, int64_t sourceMark,
                   float note, float sourcePeriod, bool voiced, const EngineConfig& config) {
  if (!voiced) {
    // The next voiced grain starts afresh, without hysteresis and without glide.
    state.glideNote = -1.0f;
    state.noteIndex = kNoNoteIndex;
    return sourcePeriod;
  }
  state.lastSourceMark = sourceMark;
  const float target = snapNote(state, note, params, voiceSteps);
  if (state.glideNote >= 0.0f && params.speedMs > 0.5f)
    state.glideNote =
        glideStep(state.glideNote, target, sourcePeriod / config.sampleRate, params.speedMs);
  else
    state.glideNote = target;
  state.outNote = state.glideNote;
  // The grid moves with A4 inside snapNote; the conversion back to a period stays at 440 Hz.
  const double period = config.sampleRate / noteToHz(state.glideNote, 440.0);
  return static_cast<float>(std::clamp(period, 0.5 * config.samplesPerMs, 1.5 * config.maxPeriod));
}

}  // namespace zv
