#include "VoiceReadOut.h"

#include <algorithm>
#include <cmath>

#include "OnePole.h"

namespace zv {

namespace {
constexpr float kHarmonyGain = 0.8f;
constexpr float kMinGain = 0.5f;  // the loudness match never more than halves the voice...
constexpr float kMaxGain = 4.0f;  // ...nor raises it by more than 12 dB
constexpr float kMinPower = 1e-9f;
}  // namespace

void VoiceReadOut::configure(const EngineConfig& config) {
  const double sr = config.sampleRate;
  voicingCoef_ = onePoleCoefficient(0.008, sr);
  powerCoef_ = onePoleCoefficient(0.150, sr);
  gainCoef_ = onePoleCoefficient(0.050, sr);
  harmonyCoef_ = onePoleCoefficient(0.030, sr);
  formantCoef_ = onePoleCoefficient(0.020, sr);
  formantWindow_ = config.formantWindow;
  consonantShifter_.configure(config.formantWindow);
  harmonyDelay_ = static_cast<int>(0.013 * sr);
  // 8192 cells hold 13 ms up to 630 kHz; a longer line only for rates beyond that.
  const int lineSize = nextPowerOfTwo(std::max(8192, harmonyDelay_ + 1));
  harmonyLine_.assign(static_cast<size_t>(lineSize), 0.0f);
  harmonyMask_ = lineSize - 1;
  reset();
}

void VoiceReadOut::reset() {
  voicing_ = 0.0f;
  dryPower_ = 0.0f;
  mainPower_ = 0.0f;
  voiceGain_ = 1.0f;
  formantActivity_ = 0.0f;
  harmonyLevel_ = 0.0f;
  consonantShifter_.reset();
  std::fill(harmonyLine_.begin(), harmonyLine_.end(), 0.0f);
  harmonyCounter_ = 0;
}

void VoiceReadOut::matchLoudness(const ReadOutInput* in, int count, float* voicing, float* gain) {
  // Locals, not members: the smoothers are serial chains, and a chain through memory adds a
  // store-to-load round trip to every sample.
  float v = voicing_, dryPower = dryPower_, mainPower = mainPower_, g = voiceGain_;
  const float cV = voicingCoef_, cP = powerCoef_, cG = gainCoef_;
  for (int i = 0; i < count; ++i) {
    v = smooth(v, in[i].voiced ? 1.0f : 0.0f, cV);
    if (v > 0.5f) {
      dryPower = smooth(dryPower, in[i].dry * in[i].dry, cP);
      mainPower = smooth(mainPower, in[i].main * in[i].main, cP);
      if (dryPower > kMinPower && mainPower > kMinPower) {
        const float target = std::clamp(std::sqrt(dryPower / mainPower), kMinGain, kMaxGain);
        g = smooth(g, target, cG);
      }
    }
    voicing[i] = v;
    gain[i] = g;
  }
  voicing_ = v;
  dryPower_ = dryPower;
  mainPower_ = mainPower;
  voiceGain_ = g;
}

void VoiceReadOut::mixVoice(const ReadOutInput* in, const float* voicing, const float* gain,
                            int count, const SampleRing& input, int64_t firstReadPos,
                            const PlainParams& params, double formantRatio, bool lowLatency,
                            StereoSample* wet) {
  const bool formantOn = std::fabs(params.formantSemitones) > 0.05f;
  const float formantTarget = formantOn ? 1.0f : 0.0f;
  const float harmonyTarget = params.harmony;
  const float consonants = params.consonants;
  // Locals, not members: a chain through memory adds a store-to-load round trip per sample.
  float activity = formantActivity_, level = harmonyLevel_;
  const bool activitySteady = smooth(activity, formantTarget, formantCoef_) == activity;
  const bool levelSteady = smooth(level, harmonyTarget, harmonyCoef_) == level;
  const double centreOffset = lowLatency ? 0.0 : formantWindow_ / 2.0;
  float* line = harmonyLine_.data();
  int64_t counter = harmonyCounter_;
  for (int i = 0; i < count; ++i) {
    const float main = in[i].main * gain[i];
    const float harm = in[i].harmony * gain[i];
    if (!activitySteady) activity = smooth(activity, formantTarget, formantCoef_);
    float dry = in[i].dry;
    if (in[i].started && activity > 0.001f) {
      const double centre = static_cast<double>(firstReadPos + i) + centreOffset;
      const float shifted = consonantShifter_.process(input, centre, formantRatio);
      dry += (shifted - dry) * activity;
    }
    const float consonant = dry * consonants;
    const float v = voicing[i];
    const float voice = main * v + consonant * (1.0f - v);

    if (!levelSteady) level = smooth(level, harmonyTarget, harmonyCoef_);
    const float h = v * harm * level;
    line[static_cast<size_t>(counter & harmonyMask_)] = h;
    const float delayed = line[static_cast<size_t>((counter - harmonyDelay_) & harmonyMask_)];
    ++counter;
    wet[i] = {voice + kHarmonyGain * h, voice + kHarmonyGain * delayed};
  }
  formantActivity_ = activity;
  harmonyLevel_ = level;
  harmonyCounter_ = counter;
}

}  // namespace zv
