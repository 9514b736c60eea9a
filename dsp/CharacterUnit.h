// The per-channel character colourings of the wet voice ("Drive", "Radio", "Crush",
// "Downsample", "Lo-Fi"), each followed by a loudness match so that switching colour does not
// jump in level. "Glitch" works on the channel pair and lives in GlitchState.
#pragma once

#include <vector>

#include "Biquad.h"

namespace zv {

// Character indices in the order the "Character" parameter lists them.
enum CharacterIndex : int {
  kCharacterOff = 0,
  kCharacterDrive = 1,
  kCharacterRadio = 2,
  kCharacterCrush = 3,
  kCharacterGlitch = 4,
  kCharacterDownsample = 5,
  kCharacterLoFi = 6,
};

// Below this "Character Amount" every character leaves the signal and its own state alone.
constexpr float kCharacterMinAmount = 0.001f;

class CharacterUnit {
 public:
  // Designs the filters and sizes the lines for the rate (non-positive rates count as 44100),
  // then clears the state.
  void configure(double sampleRate);
  void reset();

  // One sample of one channel; characters 0 and 4 (and amounts up to 0.001) pass x through.
  float process(float x, int character, float amount);

  float loudnessGain() const { return gain_; }
  int combLineSize() const { return static_cast<int>(comb_.size()); }
  int lofiLineSize() const { return static_cast<int>(lofiLine_.size()); }
  // The Lo-Fi delay of the last sample, in samples (for checking the modulation range).
  double lofiDelaySamples() const { return lofiDelaySamples_; }

 private:
  float drive(float x, float amount);
  float radio(float x, float amount);
  float crush(float x, float amount);
  float downsample(float x, float amount);
  float lofi(float x, float amount);

  double sampleRate_ = 44100.0;

  Biquad radio1_, radio2_, radio3_, radio4_;
  Biquad driveTone_, lofiTone_, lofiLowCut_;

  float crushHeld_ = 0.0f;
  double crushCounter_ = 0.0;

  float downHeld_ = 0.0f;
  double downCounter_ = 0.0;
  std::vector<float> comb_;
  int combIndex_ = 0;
  int combDelaySamples_ = 8;

  std::vector<float> lofiLine_;
  int lofiWrite_ = 0;
  double wowPhase_ = 0.0;
  double flutterPhase_ = 0.0;
  float lofiLastAmount_ = -1.0f;
  double lofiDelaySamples_ = 0.0;
  float lofiDriveAmount_ = -1.0f;
  float lofiDriveNorm_ = 1.0f;

  float inPow_ = 0.0f;
  float fxPow_ = 0.0f;
  float gain_ = 1.0f;
  float powerCoeff_ = 0.0f;
  float gainCoeff_ = 0.0f;
};

}  // namespace zv
