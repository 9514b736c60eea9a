// The whole per-sample voice path: analysis, correction, resynthesis, character and stutter.
// Plain C++: configure() allocates, process() never does.
#pragma once

#include <array>
#include <cstdint>

#include "CharacterUnit.h"
#include "EngineConfig.h"
#include "GlitchState.h"
#include "GrainSynth.h"
#include "HostTransport.h"
#include "PitchDetector.h"
#include "PitchMarker.h"
#include "PlainParams.h"
#include "SampleRing.h"
#include "ShiftVoice.h"
#include "StutterUnit.h"
#include "VoiceReadOut.h"

namespace zv {

class VoiceEngine {
 public:
  VoiceEngine() { harmony_.steps = params_.harmonySteps; }

  // Sizes everything for the rate and ends with reset().
  void configure(double sampleRate);
  void reset();

  // The record is copied whole, clamped into its ranges; the low-latency mode is switched
  // separately (setLowLatency).
  void setParams(const PlainParams& params) { params_ = clampToRanges(params); }
  const PlainParams& params() const { return params_; }

  bool lowLatency() const { return lowLatency_; }
  // Stores the mode and selects its latency; once configured, a change drops all buffered audio.
  void setLowLatency(bool on);
  void setHarmonySteps(int steps) { harmony_.steps = steps < -7 ? -7 : (steps > 7 ? 7 : steps); }

  bool isConfigured() const { return configured_; }
  int latencySamples() const { return latency_; }
  int normalLatencySamples() const { return config_.normalLatency; }
  int lowLatencySamples() const { return config_.lowLatency; }
  double sampleRate() const { return config_.sampleRate; }
  const EngineConfig& config() const { return config_; }

  HostTransport& transport() { return transport_; }
  double freeBeatClock() const { return freeBeats_; }

  void process(const float* mono, float* left, float* right, int numSamples);

  // Meters after the last block: notes are fractional MIDI numbers, -1 when there is no pitch.
  float inputNote() const { return inputNote_; }
  float outputNote() const { return outputNote_; }
  float inputLevel() const { return inputLevel_; }

  // Inside views for tests and tools.
  const PitchDetector& detector() const { return detector_; }
  const PitchMarker& marker() const { return marker_; }
  const ShiftVoice& mainVoice() const { return main_; }
  const ShiftVoice& harmonyVoice() const { return harmony_; }
  const VoiceReadOut& readOut() const { return readOut_; }
  int64_t samplesWritten() const { return written_; }

 private:
  // Step 6: colour the wet pair; step 8: chop the output pair on the beat grid.
  void applyCharacter(float& left, float& right);
  void applyStutter(float& left, float& right, int sampleIndex);
  // Steps 1 to 4 for one input sample: returns what the read-out takes at its read position.
  ReadOutInput analyseAndLay(float x, double formantRatio, bool harmonyOn);
  // Steps 6 to 9 for a run whose wet pairs are in wet_: character, mix and output gain, stutter.
  void finishRun(int runStart, int run, float mix, float outputGain, float* left, float* right);
  // The written count through which the samples after the current one are quiet: no analysis,
  // no mark, no grain and the same voicing, as long as the input only grows (normal mode).
  int64_t quietUntil(double formantRatio, bool harmonyOn) const;
  // What the read-out takes at the read position, the voicing aside: the dry sample and what both
  // voices laid there, their cells cleared for the grains still to come. Nothing (not started)
  // before the stream reaches the read position.
  ReadOutInput takeAt(int64_t readPos);
  // Steps 1 to 4 for quiet samples: the input written, the read-out's cells taken; returns the
  // input's energy.
  double takeQuiet(const float* mono, int count, ReadOutInput* taken);
  // Whether the frame nearest the read position is voiced.
  bool voicedAt(int64_t readPos);

  // Samples are handled in runs: analysis and grains first for the whole run, then the read-out
  // and the effects. A grain laid for a later sample only touches positions after that sample's
  // read position, so the read-out of every sample in the run sees exactly what it saw when the
  // steps ran one sample at a time.
  static constexpr int kRunSamples = 64;
  std::array<ReadOutInput, kRunSamples> taken_{};
  std::array<float, kRunSamples> voicing_{};
  std::array<float, kRunSamples> voiceGain_{};
  std::array<StereoSample, kRunSamples> wet_{};

  // frameAt(readPos) only changes when a frame is admitted or the read position passes the
  // midpoint to the next frame: the voicing is looked up again only then.
  int64_t voicedFrames_ = -1;
  int64_t voicedUntil_ = -1;
  bool voicedCached_ = false;
  int64_t quietThrough_ = -1;  // see quietUntil

  PlainParams params_;
  HostTransport transport_;
  EngineConfig config_;
  bool configured_ = false;
  bool lowLatency_ = false;
  int latency_ = 2213;
  double freeBeats_ = 0.0;
  float inputNote_ = -1.0f;
  float outputNote_ = -1.0f;
  float inputLevel_ = 0.0f;

  SampleRing input_;
  int64_t written_ = 0;
  PitchDetector detector_;
  PitchMarker marker_;
  NewestSourceCache newestSource_;  // low-latency mode's grain source
  ShiftVoice main_;
  ShiftVoice harmony_;
  VoiceReadOut readOut_;
  CharacterUnit characterLeft_;
  CharacterUnit characterRight_;
  GlitchState glitch_;
  StutterUnit stutter_;
};

}  // namespace zv
