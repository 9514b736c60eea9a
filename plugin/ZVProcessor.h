// The host-facing audio processor: reads parameter queues and the transport, hands plain values
// to the voice engine, fans its left/right pair out and reports the meters.
#pragma once

#include <atomic>
#include <vector>

#include "ParamDefs.h"
#include "PlainParams.h"
#include "VoiceEngine.h"
#include "sdk/vstaudioeffect.h"

class ZVProcessor : public Steinberg::Vst::AudioEffect {
 public:
  ZVProcessor();

  static Steinberg::FUnknown* createInstance(void*);

  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
  Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                   Steinberg::int32 numIns,
                                                   Steinberg::Vst::SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) override;
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
  Steinberg::uint32 PLUGIN_API getLatencySamples() override;
  Steinberg::uint32 PLUGIN_API getTailSamples() override;
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

  // Plain values from normalized ones; values outside 0..1 give the ends of each range.
  static zv::PlainParams deriveParams(const double* normalized);

 private:
  void applyParams(const zv::PlainParams& record);
  void applyNormalized();
  void readTransport(Steinberg::Vst::ProcessData& data);
  void writeMeters(Steinberg::Vst::ProcessData& data);

  // Written by the audio thread (parameter queues) and by setState on the main thread, read by
  // getState: atomics keep those reads well defined without a lock.
  std::atomic<double> normalized_[zv::kNumParams];
  // Set by setState while processing is active; process() applies the new values at its next block,
  // so the engine is never touched from two threads at once.
  std::atomic<bool> stateChanged_{false};
  std::atomic<bool> active_{false};
  std::atomic<bool> lowLatencyFlag_{false};
  bool lowLatencyParam_ = false;  // the Low Latency parameter as last applied

  zv::PlainParams plain_;
  zv::VoiceEngine engine_;

  double meterTempo_ = 120.0;
  double meterBeat_ = 0.0;
  bool meterPlaying_ = false;

  std::vector<float> monoBlock_;
  std::vector<float> leftBlock_;
  std::vector<float> rightBlock_;
};
