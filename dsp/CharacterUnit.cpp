#include "CharacterUnit.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "MathConstants.h"

namespace zv {

namespace {
constexpr double kTwoPi = 2.0 * kPi;

// 96 dB above full scale: far beyond any real signal, yet small enough that the squared
// powers, the comb's feedback sum and the filter states all stay finite in single precision.
constexpr float kInputLimit = 65536.0f;
}  // namespace

void CharacterUnit::configure(double sampleRate) {
  sampleRate_ = sampleRate > 0.0 ? sampleRate : 44100.0;
  const double sr = sampleRate_;
  radio1_.setHighPass(450.0, 1.414, sr);
  radio2_.setHighPass(450.0, 1.414, sr);
  radio3_.setLowPass(3000.0, 1.414, sr);
  radio4_.setLowPass(3000.0, 1.414, sr);
  driveTone_.setLowPass(std::min(0.45 * sr, 9500.0), 1.2, sr);
  lofiLowCut_.setHighPass(160.0, 1.4, sr);
  // Designed for real on the first Lo-Fi sample, since the last amount is unknown.
  lofiTone_.setLowPass(9000.0, 1.3, sr);
  lofiLastAmount_ = -1.0f;

  comb_.assign(static_cast<size_t>(static_cast<int>(0.01 * sr) + 4), 0.0f);
  // The line always holds the delay plus the sample being written.
  combDelaySamples_ =
      std::min(std::max(8, static_cast<int>(0.0021 * sr)), static_cast<int>(comb_.size()) - 1);
  lofiLine_.assign(static_cast<size_t>(static_cast<int>(0.04 * sr) + 4), 0.0f);

  powerCoeff_ = static_cast<float>(std::exp(-1.0 / (0.12 * sr)));  // 120 ms power average
  gainCoeff_ = static_cast<float>(std::exp(-1.0 / (0.04 * sr)));   // 40 ms gain glide
  reset();
}

void CharacterUnit::reset() {
  for (Biquad* b : {&radio1_, &radio2_, &radio3_, &radio4_, &driveTone_, &lofiTone_, &lofiLowCut_})
    b->clear();
  crushHeld_ = 0.0f;
  crushCounter_ = 0.0;
  downHeld_ = 0.0f;
  downCounter_ = 0.0;
  std::fill(comb_.begin(), comb_.end(), 0.0f);
  combIndex_ = 0;
  std::fill(lofiLine_.begin(), lofiLine_.end(), 0.0f);
  lofiWrite_ = 0;
  wowPhase_ = 0.0;
  flutterPhase_ = 0.0;
  lofiDelaySamples_ = 0.0;
  inPow_ = 0.0f;
  fxPow_ = 0.0f;
  gain_ = 1.0f;
}

float CharacterUnit::process(float x, int character, float amount) {
  if (character == kCharacterOff || character == kCharacterGlitch ||
      !(amount > kCharacterMinAmount))
    return x;
  if (character < kCharacterOff || character > kCharacterLoFi || comb_.empty()) return x;
  const float a = std::min(amount, 1.0f);
  // A non-finite sample would stay in the filter states and lines for good.
  x = std::isfinite(x) ? std::clamp(x, -kInputLimit, kInputLimit) : 0.0f;

  float y = x;
  switch (character) {
    case kCharacterDrive:
      y = drive(x, a);
      break;
    case kCharacterRadio:
      y = radio(x, a);
      break;
    case kCharacterCrush:
      y = crush(x, a);
      break;
    case kCharacterDownsample:
      y = downsample(x, a);
      break;
    case kCharacterLoFi:
      y = lofi(x, a);
      break;
    default:
      break;
  }

  // Loudness match: bring the effect to the input's power over about 120 ms; the bounds keep
  // silence or an effect that nearly mutes its input from driving the gain to extremes.
  const float x2 = x * x;
  const float y2 = y * y;
  inPow_ = (inPow_ - x2) * powerCoeff_ + x2;
  fxPow_ = (fxPow_ - y2) * powerCoeff_ + y2;
  if (inPow_ > 1e-10f && fxPow_ > 1e-10f) {
    const float g = std::fmin(std::fmax(std::sqrt(inPow_ / fxPow_), 0.25f), 8.0f);
    gain_ = (gain_ - g) * gainCoeff_ + g;
  }
  // The amount drives the effect and blends it in: from 0.5 on the output is all effect.
  return x + (y * gain_ - x) * std::min(2.0f * a, 1.0f);
}

float CharacterUnit::drive(float x, float a) {
  const float k = 18.0f * a + 1.0f;
  return driveTone_.process(std::tanh(x * k) / k);
}

float CharacterUnit::radio(float x, float a) {
  const float band = radio4_.process(radio3_.process(radio2_.process(radio1_.process(x))));
  const float k = 6.0f * a + 1.0f;
  return std::tanh(band * k) / k;
}

float CharacterUnit::crush(float x, float a) {
  // Hold period 1..15 samples and resolution 15..3 bits as the amount rises.
  const double period = 14.0 * a + 1.0;
  crushCounter_ += 1.0;
  if (crushCounter_ >= period) {
    crushCounter_ -= period;
    crushHeld_ = x;
  }
  const float steps = std::exp2(15.0f - 12.0f * a);
  return std::round(crushHeld_ * steps) / steps;
}

float CharacterUnit::downsample(float x, float a) {
  // A fractional hold period (1.37..23.37 samples) aliases without locking to a sub-multiple
  // of the rate; the short comb behind it adds the metallic ring.
  const double period = 22.0 * a * a + 1.37;
  downCounter_ += 1.0;
  float s = downHeld_;
  if (downCounter_ >= period) {
    downCounter_ -= period;
    downHeld_ = x;
    s = x;
  }
  const int size = static_cast<int>(comb_.size());
  const float feedback = 0.3f * a + 0.35f;
  int readIndex = combIndex_ - combDelaySamples_;
  if (readIndex < 0) readIndex += size;
  const float v = feedback * comb_[static_cast<size_t>(readIndex)] + s;
  comb_[static_cast<size_t>(combIndex_)] = v;
  if (++combIndex_ == size) combIndex_ = 0;
  return 0.7f * v;
}

float CharacterUnit::lofi(float x, float a) {
  const double sr = sampleRate_;
  if (std::fabs(a - lofiLastAmount_) > 0.01f) {
    lofiLastAmount_ = a;
    lofiTone_.setLowPass(9000.0 * (1.0 - a) + 2300.0 * a, 1.3, sr);
  }
  const int size = static_cast<int>(lofiLine_.size());
  lofiLine_[static_cast<size_t>(lofiWrite_)] = x;

  // Wow at 0.8 Hz and flutter at 7 Hz modulate the delay around 9 ms.
  wowPhase_ += kTwoPi * 0.8 / sr;
  flutterPhase_ += kTwoPi * 7.0 / sr;
  if (wowPhase_ > kTwoPi) wowPhase_ -= kTwoPi;
  if (flutterPhase_ > kTwoPi) flutterPhase_ -= kTwoPi;
  const double delay =
      (0.009 + 0.0055 * a * std::sin(wowPhase_) + 0.0008 * a * std::sin(flutterPhase_)) * sr;
  lofiDelaySamples_ = delay;
  double r = lofiWrite_ - delay;
  while (r < 0.0) r += size;
  int i = static_cast<int>(r);
  const float frac = static_cast<float>(r - i);
  if (i >= size) i -= size;  // a read just below 0 can round up to the line size itself
  const int next = i + 1 == size ? 0 : i + 1;
  const float v0 = lofiLine_[static_cast<size_t>(i)];
  const float v1 = lofiLine_[static_cast<size_t>(next)];
  const float v = v0 + frac * (v1 - v0);
  if (++lofiWrite_ == size) lofiWrite_ = 0;

  // Normalised by tanh(k) so full scale stays full scale; k changes only with the amount.
  if (a != lofiDriveAmount_) {
    lofiDriveAmount_ = a;
    lofiDriveNorm_ = std::tanh(4.0f * a + 1.0f);
  }
  const float k = 4.0f * a + 1.0f;
  return std::tanh(lofiLowCut_.process(lofiTone_.process(v)) * k) / lofiDriveNorm_;
}

}  // namespace zv
