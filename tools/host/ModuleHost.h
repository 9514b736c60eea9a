// A small VST 3 host: loads a module through its exported entry points only, creates and
// connects processor and controller the way a DAW does, and drives them. Used by the tests and
// by the command-line tools, so both exercise exactly what a host exercises.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace zvhost {

using namespace Steinberg;
using namespace Steinberg::Vst;

// The loaded module file. Unloading calls the exit entry point; the factory must be released first.
class Module {
 public:
  static std::unique_ptr<Module> load(const std::string& path, std::string& error);
  ~Module();

  // A new reference from GetPluginFactory; the caller releases it.
  IPluginFactory* getFactory();
  bool callInit();  // InitDll on Windows, ModuleEntry elsewhere
  bool callExit();  // ExitDll on Windows, ModuleExit elsewhere
  void* symbol(const char* name) const;

 private:
  Module() = default;
  void* handle_ = nullptr;
  int initCalls_ = 0;
};

// The path of the built module as a host would be given it (Windows form under Wine).
std::string nativeModulePath(const std::string& path);

struct EditRecord {
  enum Kind { kBegin, kPerform, kEnd, kRestart } kind;
  ParamID id;
  double value;  // performEdit's value, or restartComponent's flags
};

class ComponentHandler : public IComponentHandler {
 public:
  tresult PLUGIN_API beginEdit(ParamID id) override;
  tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override;
  tresult PLUGIN_API endEdit(ParamID id) override;
  tresult PLUGIN_API restartComponent(int32 flags) override;
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }

  std::vector<EditRecord> records;
  int count(EditRecord::Kind kind) const;
};

class ParamValueQueue : public IParamValueQueue {
 public:
  explicit ParamValueQueue(ParamID id) : id_(id) {}
  ParamID PLUGIN_API getParameterId() override { return id_; }
  int32 PLUGIN_API getPointCount() override { return static_cast<int32>(points_.size()); }
  tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) override;
  tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) override;
  DECLARE_FUNKNOWN_METHODS
  virtual ~ParamValueQueue() = default;

 private:
  ParamID id_;
  std::vector<std::pair<int32, ParamValue>> points_;
};

class ParameterChanges : public IParameterChanges {
 public:
  ParameterChanges() { FUNKNOWN_CTOR }
  virtual ~ParameterChanges(){FUNKNOWN_DTOR} int32 PLUGIN_API getParameterCount() override {
    return static_cast<int32>(queues_.size());
  }
  IParamValueQueue* PLUGIN_API getParameterData(int32 index) override;
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override;
  DECLARE_FUNKNOWN_METHODS

  void clear() { queues_.clear(); }
  void add(ParamID id, ParamValue value, int32 sampleOffset = 0);
  // The last point written for id, or false when there is none.
  bool last(ParamID id, ParamValue& value) const;

 private:
  std::vector<std::unique_ptr<ParamValueQueue>> queues_;
};

// One plug-in instance: processor and controller created from the factory and connected.
class PluginInstance {
 public:
  // Creates, initialises and connects both halves, and hands the processor state to the controller.
  static std::unique_ptr<PluginInstance> create(IPluginFactory* factory, std::string& error);
  ~PluginInstance();  // tears everything down in the reverse order

  IComponent* component() { return component_; }
  IAudioProcessor* processor() { return processor_; }
  IEditController* controller() { return controller_; }
  IConnectionPoint* processorConnection() { return processorCp_; }
  ComponentHandler& handler() { return handler_; }
  HostApplication& hostContext() { return *host_; }

  // setBusArrangements + setupProcessing + setActive(true) + setProcessing(true).
  bool start(double sampleRate, int32 maxBlock, int inChannels = 2, int outChannels = 2);
  void stop();

  // Runs one block. Input channels are read from `in`, output channels written to `out`.
  tresult process(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                  int32 numSamples, ProcessContext* context = nullptr);

  ParameterChanges& inputChanges() { return inChanges_; }
  ParameterChanges& outputChanges() { return outChanges_; }

  // Hands the meters written by the last block to the controller, as a host does.
  void forwardMeters();

  // Copies the processor's state into the controller (getState -> setComponentState).
  bool syncControllerFromProcessor();

  // Sets a parameter by its title and display text through the controller's parsing, and queues
  // it for the processor's next block. Returns false with a reason when either is unknown.
  bool setByText(const std::string& title, const std::string& text, std::string& error);
  bool findParam(const std::string& title, ParamID& id);

 private:
  PluginInstance() = default;

  // The SDK's host application does not count references; it lives exactly as long as this.
  std::unique_ptr<HostApplication> host_;
  ComponentHandler handler_;
  IComponent* component_ = nullptr;
  IAudioProcessor* processor_ = nullptr;
  IEditController* controller_ = nullptr;
  IConnectionPoint* processorCp_ = nullptr;
  IConnectionPoint* controllerCp_ = nullptr;
  bool separateController_ = false;
  bool active_ = false;
  ParameterChanges inChanges_;
  ParameterChanges outChanges_;
};

// Reads the whole content of a memory stream the SDK gives back.
std::vector<char> streamBytes(IBStream* stream);

}  // namespace zvhost
