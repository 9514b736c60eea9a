// Tempo-locked stutter on the final output pair: "Gate" chops every step, "Repeat" captures the
// first step of each beat and plays it again until the beat ends.
#pragma once

#include <cstdint>

#include "StereoCapture.h"

namespace zv {

enum StutterMode : int {
  kStutterOff = 0,
  kStutterGate = 1,
  kStutterRepeat = 2,
};

// Step length in quarter notes for "1/4", "1/8", "1/8T", "1/16", "1/16T", "1/32".
constexpr double kStutterRateBeats[6] = {1.0,       1.0 / 2.0, 1.0 / 3.0,
                                         1.0 / 4.0, 1.0 / 6.0, 1.0 / 8.0};

// Samples per beat at the tempo; tempos of 20 bpm and below (and nonsense) count as 20.
double samplesPerBeat(double sampleRate, double tempoBpm);

class StutterUnit {
 public:
  // Sizes the capture lines (captureLength should cover 2.5 s; it is rounded up to a power of two)
  // and clears.
  void configure(double sampleRate, int captureLength);
  void reset();

  // One sample of the pair, changed in place. beatPos is in quarter notes at this sample's
  // output, samplesPerBeat the length of one quarter note in samples.
  void process(float& left, float& right, int mode, int rateIndex, double beatPos,
               double samplesPerBeat);

  float gateEnvelope() const { return gateEnvelope_; }
  double currentBeat() const { return currentBeat_; }
  int64_t counter() const { return counter_; }
  int writeIndex() const { return capture_.writeIndex(); }

 private:
  void gate(float& left, float& right, double beats, double beatPos);
  void repeat(float& left, float& right, double beats, double beatPos, double spb);

  double sampleRate_ = 44100.0;
  StereoCapture capture_;
  double currentBeat_ = -1.0;
  int captureStart_ = 0;
  bool cycleStarted_ = false;
  int64_t counter_ = 0;
  float gateEnvelope_ = 1.0f;
  float gateCoeff_ = 0.0f;
  int fadeSamples_ = 1;
};

}  // namespace zv
