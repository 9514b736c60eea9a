// AudioEffect: the SDK's processor base class, missing from the SDK copy we build against.
// Written against IAudioProcessor with the SDK's own behaviour for everything a subclass
// does not override.
#pragma once

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vstcomponent.h"

namespace Steinberg {
namespace Vst {

class AudioEffect : public Component, public IAudioProcessor, public IProcessContextRequirements {
 public:
  AudioEffect();

  AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                          int32 flags = BusInfo::kDefaultActive);
  AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                           int32 flags = BusInfo::kDefaultActive);
  AudioBus* getAudioInput(int32 index);
  AudioBus* getAudioOutput(int32 index);

  // IAudioProcessor
  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                        SpeakerArrangement* outputs, int32 numOuts) SMTG_OVERRIDE;
  tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index,
                                       SpeakerArrangement& arr) SMTG_OVERRIDE;
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) SMTG_OVERRIDE;
  uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE { return 0; }
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) SMTG_OVERRIDE;
  tresult PLUGIN_API setProcessing(TBool state) SMTG_OVERRIDE { return kNotImplemented; }
  tresult PLUGIN_API process(ProcessData& data) SMTG_OVERRIDE { return kNotImplemented; }
  uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE { return kNoTail; }

  // IProcessContextRequirements: the parts of the process context a host must fill in.
  uint32 PLUGIN_API getProcessContextRequirements() SMTG_OVERRIDE {
    return processContextRequirements;
  }

  OBJ_METHODS(AudioEffect, Component)
  DEFINE_INTERFACES
  DEF_INTERFACE(IAudioProcessor)
  DEF_INTERFACE(IProcessContextRequirements)
  END_DEFINE_INTERFACES(Component)
  REFCOUNT_METHODS(Component)

 protected:
  ProcessSetup processSetup;
  uint32 processContextRequirements = 0;  // IProcessContextRequirements::Flags
};

}  // namespace Vst
}  // namespace Steinberg
