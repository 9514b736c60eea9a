// The whole per-sample voice path: analysis, correction, resynthesis, character and stutter.
// Plain C++: configure() allocates, process() never does.
#pragma once

#include <vector>

#include "HostTransport.h"
#include "PlainParams.h"

namespace zv {

class VoiceEngine {
public:
  // Sizes everything for the rate and ends with reset().
  void configure(double sampleRate);
  void reset();

  // The record is copied whole; the low-latency mode is switched separately (setLowLatency).
  void setParams(const PlainParams& params) { params_ = params; }
  const PlainParams& params() const { return params_; }

  bool lowLatency() const { return lowLatency_; }
  // Stores the mode and selects its latency; once configured, a change drops all buffered audio.
  void setLowLatency(bool on);
  void setHarmonySteps(int steps) { harmonySteps_ = steps; }

  bool isConfigured() const { return ringSize_ > 0; }
  int latencySamples() const { return latency_; }
  int normalLatencySamples() const { return normalLatency_; }
  int lowLatencySamples() const { return lowLatencyFigure_; }
  double sampleRate() const { return sampleRate_; }

  HostTransport& transport() { return transport_; }
  double freeBeatClock() const { return freeBeats_; }

  void process(const float* mono, float* left, float* right, int numSamples);

  // Meters after the last block: notes are fractional MIDI numbers, -1 when there is no pitch.
  float inputNote() const { return inputNote_; }
  float outputNote() const { return outputNote_; }
  float inputLevel() const { return inputLevel_; }

private:
  PlainParams params_;
  HostTransport transport_;
  double sampleRate_ = 0.0;
  bool lowLatency_ = false;
  int harmonySteps_ = 2;
  int ringSize_ = 0;
  int latency_ = 0;
  int normalLatency_ = 0;
  int lowLatencyFigure_ = 0;
  double freeBeats_ = 0.0;
  float inputNote_ = -1.0f;
  float outputNote_ = -1.0f;
  float inputLevel_ = 0.0f;

  // Until the resynthesis path exists the engine is a pure delay of the reported latency.
  std::vector<float> ring_;
  int writePos_ = 0;
};

}  // namespace zv
