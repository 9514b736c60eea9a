// The host's side of an editor view, for the tests that open it in a real window: a component
// handler that records the edits and context menus the view asks for, a frame that records (and
// may refuse) the sizes the view asks for, and the plug-in made from the built module.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ModuleHost.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace zv::test {

using namespace Steinberg;
using namespace Steinberg::Vst;

// A host object that lives as long as the test: it counts no references.
template <class Interface>
class HostObject : public Interface {
 public:
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, Interface)
    QUERY_INTERFACE(iid, obj, Interface::iid, Interface)
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
};

// The host's component handler, and its context menu, which records where it popped up.
class Handler : public IComponentHandler, public IComponentHandler3, public IContextMenu {
 public:
  tresult PLUGIN_API beginEdit(ParamID id) override { return record('b', id, 0); }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue v) override { return record('p', id, v); }
  tresult PLUGIN_API endEdit(ParamID id) override { return record('e', id, 0); }
  tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
  IContextMenu* PLUGIN_API createContextMenu(IPlugView*, const ParamID* id) override {
    menuParams.push_back(id ? static_cast<int>(*id) : -1);
    return this;
  }
  int32 PLUGIN_API getItemCount() override { return 0; }
  tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override { return kResultFalse; }
  tresult PLUGIN_API addItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API popup(UCoord x, UCoord y) override {
    popups.push_back({x, y});
    return kResultOk;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
    QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
    QUERY_INTERFACE(iid, obj, IComponentHandler3::iid, IComponentHandler3)
    QUERY_INTERFACE(iid, obj, IContextMenu::iid, IContextMenu)
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }

  tresult record(char kind, ParamID id, double v) {
    edits.push_back({kind, static_cast<int>(id), v});
    if (during) during(kind, static_cast<int>(id));
    return kResultOk;
  }
  struct Edit {
    char kind;
    int id;
    double value;
  };
  std::vector<Edit> editsFor(int id) const {
    std::vector<Edit> out;
    for (const auto& e : edits)
      if (e.id == id) out.push_back(e);
    return out;
  }
  std::function<void(char, int)> during;  // the host calling back into the view from an edit
  std::vector<Edit> edits;
  std::vector<int> menuParams;
  std::vector<std::pair<int, int>> popups;
};

// The host's frame: resizes its window when asked, as hosts do, unless told to refuse.
class RecordingFrame : public HostObject<IPlugFrame> {
 public:
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* r) override {
    resizes.push_back(*r);
    if (refuse) return kResultFalse;
    view->onSize(r);
    return kResultOk;
  }
  std::vector<ViewRect> resizes;
  bool refuse = false;
};

// The module opened through its entry points, one plug-in made from it reporting to `handler`,
// and its editor view in `frame`: what a host holds while it shows the editor.
class HostedPlugin {
 public:
  // What failed, or nothing when the view is ready.
  std::string open(const std::string& moduleFile, RecordingFrame* hostFrame) {
    std::string error;
    module_ = zvhost::Module::load(moduleFile, error);
    if (!module_) return error;
    factory_ = module_->getFactory();
    instance_ = zvhost::PluginInstance::create(factory_, error);
    if (!instance_) return error;
    controller()->setComponentHandler(&handler);
    frame = hostFrame;
    return createView() ? "" : "no editor view";
  }
  bool createView() {
    view = controller()->createView("editor");
    if (view) view->setFrame(frame);
    return view != nullptr;
  }
  void closeView() {
    if (!view) return;
    if (attachedNow) view->removed();
    attachedNow = false;
    view->setFrame(nullptr);
    view->release();
    view = nullptr;
  }
  ~HostedPlugin() {
    closeView();
    instance_.reset();
    if (factory_) factory_->release();
  }
  IEditController* controller() { return instance_->controller(); }

  Handler handler;  // outlives the plug-in
  RecordingFrame* frame = nullptr;
  IPlugView* view = nullptr;
  bool attachedNow = false;

 private:
  std::unique_ptr<zvhost::Module> module_;
  IPluginFactory* factory_ = nullptr;
  std::unique_ptr<zvhost::PluginInstance> instance_;
};

}  // namespace zv::test
