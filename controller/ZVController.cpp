#include "ZVController.h"

#include <cmath>
#include <cstring>

#include "EditorViewFactory.h"
#include "ParamDefs.h"
#include "StateStream.h"
#include "ZVParam.h"
#include "pluginterfaces/vst/ivstmessage.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

ZVController::~ZVController() {
  dancer.close();
}

FUnknown* ZVController::createInstance(void*) {
  return static_cast<IEditController*>(new ZVController());
}

tresult PLUGIN_API ZVController::initialize(FUnknown* context) {
  const tresult result = EditController::initialize(context);
  if (result != kResultOk) return result;
  for (int32 id = 0; id < zv::kNumParams; ++id) {
    parameters.addParameter(new ZVParam(id));
    published.publish(id, getParamNormalized(static_cast<ParamID>(id)));
  }
  // The dancer thread reads what the controller published, never the parameter objects.
  dancer.readParam = [this](int id) { return published.read(id); };
  return result;
}

tresult PLUGIN_API ZVController::terminate() {
  dancer.close();
  return EditController::terminate();
}

tresult PLUGIN_API ZVController::setComponentState(IBStream* state) {
  // The processor's format and rule (StateStream.h): the values read are applied through
  // setParamNormalized, so a Low Latency switch is announced as for any other change.
  const zv::StateRead read = zv::readComponentState(state);
  for (int32 id = 0; id < read.count; ++id)
    setParamNormalized(static_cast<ParamID>(id), read.values[id]);
  return read.result;
}

tresult PLUGIN_API ZVController::setParamNormalized(ParamID tag, ParamValue value) {
  if (std::isnan(value)) value = 0.0;  // a NaN would survive the SDK's clamping
  const bool wasOn = getParamNormalized(zv::kLowLatency) > 0.5;
  const tresult result = EditController::setParamNormalized(tag, value);
  published.publish(static_cast<int>(tag), getParamNormalized(tag));
  if (tag != static_cast<ParamID>(zv::kLowLatency)) return result;
  const bool isOn = getParamNormalized(zv::kLowLatency) > 0.5;
  if (isOn == wasOn) return result;
  sendLowLatency(isOn);
  // The host must ask the processor for its new latency whether or not the message got through.
  if (componentHandler) componentHandler->restartComponent(kLatencyChanged);
  return result;
}

void ZVController::sendLowLatency(bool on) {
  IPtr<IMessage> message = owned(allocateMessage());
  if (!message) return;
  message->setMessageID("lowlat");
  if (IAttributeList* attributes = message->getAttributes()) attributes->setInt("on", on ? 1 : 0);
  sendMessage(message);
}

IPlugView* PLUGIN_API ZVController::createView(FIDString name) {
  if (!name || std::strcmp(name, "editor") != 0) return nullptr;
  return zv::createEditorView(this);
}
