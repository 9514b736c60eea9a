// The host-facing edit controller: registers the parameters, mirrors the processor's state,
// tells the processor about latency switches and owns the dancer window.
#pragma once

#include "DancerWindow.h"
#include "ParamSnapshot.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

class ZVController : public Steinberg::Vst::EditController {
 public:
  ZVController() = default;
  ~ZVController() override;

  static Steinberg::FUnknown* createInstance(void*);

  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
  Steinberg::tresult PLUGIN_API terminate() override;
  Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
  Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID tag,
                                                   Steinberg::Vst::ParamValue value) override;
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

  DancerWindow& dancerWindow() { return dancer; }
  // Every value as last set on the user-interface thread, for the threads that draw.
  const zv::ParamSnapshot& publishedParams() const { return published; }

 private:
  void sendLowLatency(bool on);

  DancerWindow dancer;
  zv::ParamSnapshot published;
};
