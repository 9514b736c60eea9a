#include "PluginViewBase.h"

#include <cmath>

#include "SettingsFile.h"
#include "UserPresets.h"
#include "ZVController.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"

using namespace Steinberg;

namespace {

// The host's virtual key codes we translate (VirtualKeyCodes; our SDK copy lacks keycodes.h).
enum HostKey : int16 { kKeyBack = 1, kKeyReturn = 4, kKeyEscape = 6, kKeyEnter = 19 };

}  // namespace

PluginViewBase::PluginViewBase(ZVController* controller, float contentScale, bool popOutAvailable)
    : CPluginView(nullptr), controller_(controller), contentScale_(contentScale) {
  controller_->addRef();
  core_ = std::make_unique<zv::ViewCore>(*this);
  zv::Editor& editor = core_->editor();

  sizeFactor_ = zv::readSizeFactor();
  editor.sizeChoice = sizeFactor_;
  editor.onSizeChange = [this](float factor) { pendingSize_ = factor; };
  core_->resizeForScale(sizeFactor_ * contentScale_);
  rect = ViewRect(0, 0, core_->widthPx(), core_->heightPx());

  editor.loadPresets = [](std::vector<zv::UserPreset>& list) { zv::loadUserPresets(list); };
  editor.savePreset = [](const zv::UserPreset& preset) { return zv::saveUserPreset(preset); };
  editor.deletePreset = [](const std::string& name) { return zv::deleteUserPreset(name); };
  // Opening a top-level window from inside the press would do it under the state lock and the
  // mouse capture: the core records the wish and applyPendingDancer() carries it out.
  DancerWindow& dancer = controller_->dancerWindow();
  editor.poppedOut = dancer.isOpen();
  core_->publishDancerOpen(editor.poppedOut);
  // However the window closes (its own button, the system, the controller), the stage hears.
  dancerListener_ = dancer.addOpenListener([this](bool open) { core_->publishDancerOpen(open); });
  if (!popOutAvailable) {
    editor.popOutAvailable = false;
    editor.rebuildHitRegions();
  }

  editor.userPresets.clear();
  editor.loadPresets(editor.userPresets);
  zv::sortUserPresets(editor.userPresets);
  core_->pullAllParams();
}

PluginViewBase::~PluginViewBase() {
  controller_->dancerWindow().removeOpenListener(dancerListener_);
  core_.reset();
  controller_->release();
}

tresult PLUGIN_API PluginViewBase::queryInterface(const TUID iid, void** obj) {
  QUERY_INTERFACE(iid, obj, IPlugViewContentScaleSupport::iid, IPlugViewContentScaleSupport)
  return CPluginView::queryInterface(iid, obj);
}

void PluginViewBase::removedFromParent() {
  core_->stopRender();
  if (!windowOpen()) return;
  // A drag cut short by closing the editor still ends its gesture, so the host never waits
  // for an endEdit that will not come.
  core_->captureLost();
  closeWindow();
}

tresult PLUGIN_API PluginViewBase::onKeyDown(char16 key, int16 keyCode, int16 /*modifiers*/) {
  uint32_t ch = 0;
  switch (keyCode) {
    case kKeyBack:
      ch = 8;
      break;
    case kKeyReturn:
    case kKeyEnter:
      ch = 13;
      break;
    case kKeyEscape:
      ch = 27;
      break;
    default:
      ch = static_cast<uint32_t>(key);
  }
  if (ch == 0) return kResultFalse;
  // No state lock held here: a typed value that commits reaches the host from inside character(),
  // which is why the view is kept alive around it.
  addRef();
  const bool taken = core_->character(ch);
  if (taken) {
    lastKeyChar_ = ch;
    lastKeyTime_ = std::chrono::steady_clock::now();
  }
  release();
  return taken ? kResultOk : kResultFalse;
}

bool PluginViewBase::typedThroughHost(uint32_t ch) const {
  using namespace std::chrono;
  return ch == lastKeyChar_ &&
         duration_cast<milliseconds>(steady_clock::now() - lastKeyTime_).count() <= 59;
}

tresult PLUGIN_API PluginViewBase::setContentScaleFactor(ScaleFactor factor) {
  if (!(factor >= 0.75f && factor <= 4.0f)) return kResultFalse;
  const float scale = factor * sizeFactor_;
  if (std::fabs(scale - core_->effectiveScale()) >= 0.01f && !applyScale(scale))
    return kResultFalse;
  contentScale_ = factor;
  return kResultOk;
}

bool PluginViewBase::applyScale(float scale) {
  const int width = zv::ViewCore::pixelsFor(zv::ViewCore::kBaseWidth, scale);
  const int height = zv::ViewCore::pixelsFor(zv::ViewCore::kBaseHeight, scale);
  ViewRect newRect(0, 0, width, height);
  // The host is asked before anything changes: a host that refuses keeps the window, the
  // canvases and the scale exactly as they were.
  if (plugFrame && plugFrame->resizeView(this, &newRect) != kResultOk) return false;
  core_->resizeForScale(scale);
  rect = newRect;
  resizeWindow(width, height);
  return true;
}

void PluginViewBase::applyPendingSize() {
  if (pendingSize_ <= 0.0f) return;
  const float factor = pendingSize_;
  pendingSize_ = 0.0f;
  if (!applyScale(contentScale_ * factor)) {
    // Refused: the pill goes back to the size the window still has, the settings stay.
    std::lock_guard<std::mutex> lock(core_->stateLock());
    core_->editor().sizeChoice = sizeFactor_;
    core_->markDirty();
    return;
  }
  sizeFactor_ = factor;
  zv::writeSizeFactor(sizeFactor_);
}

void PluginViewBase::showContextMenu(int paramId, int x, int y) {
  Vst::IComponentHandler* handler = controller_->getComponentHandler();
  if (!handler) return;
  Vst::IComponentHandler3* handler3 = nullptr;
  if (handler->queryInterface(Vst::IComponentHandler3::iid, reinterpret_cast<void**>(&handler3)) !=
          kResultOk ||
      !handler3)
    return;
  const Vst::ParamID id = static_cast<Vst::ParamID>(paramId);
  // The state lock is not held here, so the editor keeps animating while the menu is open.
  if (Vst::IContextMenu* menu = handler3->createContextMenu(this, &id)) {
    menu->popup(x, y);
    menu->release();
  }
  handler3->release();
}

const zv::ParamSnapshot& PluginViewBase::params() const {
  return controller_->publishedParams();
}

void PluginViewBase::beginEdit(int id) {
  controller_->beginEdit(static_cast<Vst::ParamID>(id));
}

void PluginViewBase::performEdit(int id, double normalized) {
  controller_->setParamNormalized(static_cast<Vst::ParamID>(id), normalized);
  controller_->performEdit(static_cast<Vst::ParamID>(id), normalized);
}

void PluginViewBase::endEdit(int id) {
  controller_->endEdit(static_cast<Vst::ParamID>(id));
}

void PluginViewBase::applyPendingDancer() {
  const int request = core_->takeDancerRequest();
  if (request == 0) return;
  DancerWindow& dancer = controller_->dancerWindow();
  if (request == zv::ViewCore::kDancerOpen)
    dancer.open();
  else
    dancer.close();
  core_->publishDancerOpen(dancer.isOpen());
}
