#include "ModuleHost.h"

#include <cstring>

#include "StringWiden.h"
#include "public.sdk/source/common/memorystream.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace zvhost {

namespace {
using GetFactoryProc = IPluginFactory*(PLUGIN_API*)();
using InitProc = bool (*)();
using EntryProc = bool (*)(void*);

}  // namespace

std::string nativeModulePath(const std::string& path) {
#if defined(_WIN32)
  // Under Wine the build tree is reachable through drive Z:.
  if (!path.empty() && path[0] == '/') {
    std::string out = "Z:" + path;
    for (char& c : out)
      if (c == '/') c = '\\';
    return out;
  }
#endif
  return path;
}

std::unique_ptr<Module> Module::load(const std::string& path, std::string& error) {
  std::unique_ptr<Module> module(new Module());
#if defined(_WIN32)
  const std::string native = nativeModulePath(path);
  std::wstring wide(native.begin(), native.end());
  module->handle_ = reinterpret_cast<void*>(LoadLibraryW(wide.c_str()));
  if (!module->handle_) {
    error = "LoadLibraryW failed for " + native + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
#else
  module->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module->handle_) {
    const char* why = dlerror();
    error = std::string("cannot load ") + path + ": " + (why ? why : "unknown error");
    return nullptr;
  }
#endif
  if (!module->symbol("GetPluginFactory")) {
    error = path + " exports no GetPluginFactory";
    return nullptr;
  }
  if (!module->callInit()) {
    error = path + ": module initialisation failed";
    return nullptr;
  }
  return module;
}

Module::~Module() {
  while (initCalls_ > 0) callExit();
  if (!handle_) return;
#if defined(_WIN32)
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

void* Module::symbol(const char* name) const {
  if (!handle_) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

IPluginFactory* Module::getFactory() {
  auto proc = reinterpret_cast<GetFactoryProc>(symbol("GetPluginFactory"));
  return proc ? proc() : nullptr;
}

bool Module::callInit() {
  bool ok = false;
#if defined(_WIN32)
  if (auto proc = reinterpret_cast<InitProc>(symbol("InitDll"))) ok = proc();
#else
  if (auto proc = reinterpret_cast<EntryProc>(symbol("ModuleEntry"))) ok = proc(handle_);
#endif
  if (ok) ++initCalls_;
  return ok;
}

bool Module::callExit() {
  bool ok = false;
#if defined(_WIN32)
  if (auto proc = reinterpret_cast<InitProc>(symbol("ExitDll"))) ok = proc();
#else
  if (auto proc = reinterpret_cast<InitProc>(symbol("ModuleExit"))) ok = proc();
#endif
  --initCalls_;
  return ok;
}

// --- component handler ---------------------------------------------------------------------

tresult PLUGIN_API ComponentHandler::beginEdit(ParamID id) {
  records.push_back({EditRecord::kBegin, id, 0.0});
  return kResultOk;
}
tresult PLUGIN_API ComponentHandler::performEdit(ParamID id, ParamValue value) {
  records.push_back({EditRecord::kPerform, id, value});
  return kResultOk;
}
tresult PLUGIN_API ComponentHandler::endEdit(ParamID id) {
  records.push_back({EditRecord::kEnd, id, 0.0});
  return kResultOk;
}
tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags) {
  records.push_back({EditRecord::kRestart, 0, static_cast<double>(flags)});
  return kResultOk;
}
tresult PLUGIN_API ComponentHandler::queryInterface(const TUID iid, void** obj) {
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
  QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
  *obj = nullptr;
  return kNoInterface;
}
int ComponentHandler::count(EditRecord::Kind kind) const {
  int n = 0;
  for (const auto& r : records) n += r.kind == kind;
  return n;
}

// --- parameter changes -----------------------------------------------------------------------

IMPLEMENT_FUNKNOWN_METHODS(ParamValueQueue, IParamValueQueue, IParamValueQueue::iid)
IMPLEMENT_FUNKNOWN_METHODS(ParameterChanges, IParameterChanges, IParameterChanges::iid)

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
  if (index < 0 || index >= getPointCount()) return kResultFalse;
  sampleOffset = points_[index].first;
  value = points_[index].second;
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
  points_.emplace_back(sampleOffset, value);
  index = getPointCount() - 1;
  return kResultOk;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
  if (index < 0 || index >= getParameterCount()) return nullptr;
  return queues_[index].get();
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index) {
  for (size_t i = 0; i < queues_.size(); ++i) {
    if (queues_[i]->getParameterId() == id) {
      index = static_cast<int32>(i);
      return queues_[i].get();
    }
  }
  queues_.push_back(std::make_unique<ParamValueQueue>(id));
  index = getParameterCount() - 1;
  return queues_.back().get();
}

void ParameterChanges::add(ParamID id, ParamValue value, int32 sampleOffset) {
  int32 index = 0;
  int32 point = 0;
  addParameterData(id, index)->addPoint(sampleOffset, value, point);
}

bool ParameterChanges::last(ParamID id, ParamValue& value) const {
  for (const auto& q : queues_) {
    if (q->getParameterId() != id || q->getPointCount() == 0) continue;
    int32 offset = 0;
    return q->getPoint(q->getPointCount() - 1, offset, value) == kResultOk;
  }
  return false;
}

// --- plug-in instance --------------------------------------------------------------------------

std::unique_ptr<PluginInstance> PluginInstance::create(IPluginFactory* factory,
                                                       std::string& error) {
  if (!factory) {
    error = "no factory";
    return nullptr;
  }
  std::unique_ptr<PluginInstance> inst(new PluginInstance());
  inst->host_ = std::make_unique<HostApplication>();

  PClassInfo info;
  TUID processorCid{};
  bool found = false;
  for (int32 i = 0; i < factory->countClasses(); ++i) {
    if (factory->getClassInfo(i, &info) == kResultOk &&
        std::strcmp(info.category, kVstAudioEffectClass) == 0) {
      std::memcpy(processorCid, info.cid, sizeof(TUID));
      found = true;
      break;
    }
  }
  if (!found) {
    error = "the factory offers no audio effect class";
    return nullptr;
  }
  if (factory->createInstance(processorCid, IComponent::iid,
                              reinterpret_cast<void**>(&inst->component_)) != kResultOk ||
      !inst->component_) {
    error = "cannot create the processor";
    return nullptr;
  }
  if (inst->component_->initialize(inst->host_.get()) != kResultOk) {
    error = "the processor refused to initialise";
    return nullptr;
  }
  inst->component_->queryInterface(IAudioProcessor::iid,
                                   reinterpret_cast<void**>(&inst->processor_));

  // Single-component effects answer IEditController themselves; ours names a separate class.
  if (inst->component_->queryInterface(IEditController::iid,
                                       reinterpret_cast<void**>(&inst->controller_)) != kResultOk) {
    TUID controllerCid;
    if (inst->component_->getControllerClassId(controllerCid) == kResultOk &&
        factory->createInstance(controllerCid, IEditController::iid,
                                reinterpret_cast<void**>(&inst->controller_)) == kResultOk &&
        inst->controller_) {
      inst->separateController_ = true;
      if (inst->controller_->initialize(inst->host_.get()) != kResultOk) {
        error = "the controller refused to initialise";
        return nullptr;
      }
    }
  }
  if (!inst->controller_ || !inst->processor_) {
    error = "the module offers no usable processor/controller pair";
    return nullptr;
  }
  inst->controller_->setComponentHandler(&inst->handler_);

  inst->component_->queryInterface(IConnectionPoint::iid,
                                   reinterpret_cast<void**>(&inst->processorCp_));
  inst->controller_->queryInterface(IConnectionPoint::iid,
                                    reinterpret_cast<void**>(&inst->controllerCp_));
  if (inst->processorCp_ && inst->controllerCp_) {
    inst->processorCp_->connect(inst->controllerCp_);
    inst->controllerCp_->connect(inst->processorCp_);
  }
  inst->syncControllerFromProcessor();
  return inst;
}

PluginInstance::~PluginInstance() {
  stop();
  if (processorCp_ && controllerCp_) {
    processorCp_->disconnect(controllerCp_);
    controllerCp_->disconnect(processorCp_);
  }
  if (controllerCp_) controllerCp_->release();
  if (processorCp_) processorCp_->release();
  if (controller_) {
    controller_->setComponentHandler(nullptr);
    if (separateController_) controller_->terminate();
    controller_->release();
  }
  if (processor_) processor_->release();
  if (component_) {
    component_->terminate();
    component_->release();
  }
}

bool PluginInstance::syncControllerFromProcessor() {
  MemoryStream stream;
  if (component_->getState(&stream) != kResultOk) return false;
  int64 pos = 0;
  stream.seek(0, IBStream::kIBSeekSet, &pos);
  return controller_->setComponentState(&stream) == kResultOk;
}

bool PluginInstance::start(double sampleRate, int32 maxBlock, int inChannels, int outChannels) {
  SpeakerArrangement in = inChannels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
  SpeakerArrangement out = outChannels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
  processor_->setBusArrangements(&in, 1, &out, 1);
  ProcessSetup setup{kRealtime, kSample32, maxBlock, sampleRate};
  if (processor_->setupProcessing(setup) != kResultOk) return false;
  component_->activateBus(kAudio, kInput, 0, true);
  component_->activateBus(kAudio, kOutput, 0, true);
  if (component_->setActive(true) != kResultOk) return false;
  processor_->setProcessing(true);
  active_ = true;
  return true;
}

void PluginInstance::stop() {
  if (!active_) return;
  processor_->setProcessing(false);
  component_->setActive(false);
  active_ = false;
}

tresult PluginInstance::process(std::vector<std::vector<float>>& in,
                                std::vector<std::vector<float>>& out, int32 numSamples,
                                ProcessContext* context) {
  std::vector<float*> inPtrs;
  std::vector<float*> outPtrs;
  for (auto& ch : in) inPtrs.push_back(ch.data());
  for (auto& ch : out) outPtrs.push_back(ch.data());
  AudioBusBuffers inBus{};
  inBus.numChannels = static_cast<int32>(inPtrs.size());
  inBus.channelBuffers32 = inPtrs.data();
  AudioBusBuffers outBus{};
  outBus.numChannels = static_cast<int32>(outPtrs.size());
  outBus.channelBuffers32 = outPtrs.data();

  ProcessData data;
  data.processMode = kRealtime;
  data.symbolicSampleSize = kSample32;
  data.numSamples = numSamples;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = &inChanges_;
  outChanges_.clear();
  data.outputParameterChanges = &outChanges_;
  data.processContext = context;
  const tresult result = processor_->process(data);
  inChanges_.clear();
  return result;
}

void PluginInstance::forwardMeters() {
  for (int32 i = 0; i < outChanges_.getParameterCount(); ++i) {
    IParamValueQueue* q = outChanges_.getParameterData(i);
    int32 offset = 0;
    ParamValue value = 0;
    if (q && q->getPointCount() > 0 &&
        q->getPoint(q->getPointCount() - 1, offset, value) == kResultOk)
      controller_->setParamNormalized(q->getParameterId(), value);
  }
}

bool PluginInstance::findParam(const std::string& title, ParamID& id) {
  const int32 count = controller_->getParameterCount();
  for (int32 i = 0; i < count; ++i) {
    ParameterInfo info{};
    if (controller_->getParameterInfo(i, info) != kResultOk) continue;
    std::string name = zv::narrow(info.title, 128);
    if (name.size() == title.size() &&
        std::equal(name.begin(), name.end(), title.begin(),
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      id = info.id;
      return true;
    }
  }
  return false;
}

bool PluginInstance::setByText(const std::string& title, const std::string& text,
                               std::string& error) {
  ParamID id = 0;
  if (!findParam(title, id)) {
    error = "unknown parameter \"" + title + "\"";
    return false;
  }
  ParameterInfo info{};
  for (int32 i = 0; i < controller_->getParameterCount(); ++i)
    if (controller_->getParameterInfo(i, info) == kResultOk && info.id == id) break;
  if (info.flags & ParameterInfo::kIsReadOnly) {
    error = "parameter \"" + title + "\" is read-only";
    return false;
  }
  String128 wide{};
  for (size_t i = 0; i < text.size() && i < 127; ++i)
    wide[i] = static_cast<TChar>(static_cast<unsigned char>(text[i]));
  ParamValue value = 0;
  if (controller_->getParamValueByString(id, wide, value) != kResultOk) {
    error = "\"" + text + "\" is not a value of " + title;
    return false;
  }
  controller_->setParamNormalized(id, value);
  inChanges_.add(id, value);
  return true;
}

std::vector<char> streamBytes(IBStream* stream) {
  std::vector<char> bytes;
  int64 pos = 0;
  stream->seek(0, IBStream::kIBSeekSet, &pos);
  char buffer[256];
  int32 read = 0;
  while (stream->read(buffer, sizeof(buffer), &read) == kResultOk && read > 0)
    bytes.insert(bytes.end(), buffer, buffer + read);
  return bytes;
}

}  // namespace zvhost
