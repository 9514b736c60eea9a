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

void VoiceReadOut::matchLoudness(const ReadOutInput& in) {
  voicing_ = smooth(voicing_, in.voiced ? 1.0f : 0.0f, voicingCoef_);

  if (voicing_ > 0.5f) {
    dryPower_ = smooth(dryPower_, in.dry * in.dry, powerCoef_);
    mainPower_ = smooth(mainPower_, in.main * in.main, powerCoef_);
    if (dryPower_ > kMinPower && mainPower_ > kMinPower) {
      const float g = std::clamp(std::sqrt(dryPower_ / mainPower_), kMinGain, kMaxGain);
      voiceGain_ = smooth(voiceGain_, g, gainCoef_);
    }
  }
}

StereoSample VoiceReadOut::mixVoice(const ReadOutInput& in, const SampleRing& input,
                                    int64_t readPos, const PlainParams& params, double formantRatio,
                                    bool lowLatency) {
  const float main = in.main * voiceGain_;
  const float harm = in.harmony * voiceGain_;

  const bool formantOn = std::fabs(params.formantSemitones) > 0.05f;
  formantActivity_ = smooth(formantActivity_, formantOn ? 1.0f : 0.0f, formantCoef_);
  float dry = in.dry;
  if (in.started && formantActivity_ > 0.001f) {
    const double centre = static_cast<double>(readPos) + (lowLatency ? 0.0 : formantWindow_ / 2.0);
    const float shifted = consonantShifter_.process(input, centre, formantRatio);
    dry += (shifted - dry) * formantActivity_;
  }
  const float consonant = dry * params.consonants;
  const float voice = main * voicing_ + consonant * (1.0f - voicing_);

  harmonyLevel_ = smooth(harmonyLevel_, params.harmony, harmonyCoef_);
  const float h = voicing_ * harm * harmonyLevel_;
  harmonyLine_[static_cast<size_t>(harmonyCounter_ & harmonyMask_)] = h;
  const float delayed =
      harmonyLine_[static_cast<size_t>((harmonyCounter_ - harmonyDelay_) & harmonyMask_)];
  ++harmonyCounter_;
  return {voice + kHarmonyGain * h, voice + kHarmonyGain * delayed};
}

}  // namespace zv
