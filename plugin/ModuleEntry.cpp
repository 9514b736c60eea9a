// The module's exported entry points and its one factory.
#include <cstring>

#include "ClassIds.h"
#include "EditorViewFactory.h"
#include "ZVController.h"
#include "ZVProcessor.h"
#include "sdk/pluginfactory.h"
#if defined(ZV_HAVE_EDITOR_WINDOW)
#include "ZVView.h"
#endif

using namespace Steinberg;

namespace {

int32 moduleRefCount = 0;

void copyString(char8* dst, const char* src, size_t capacity) {
  std::strncpy(dst, src, capacity - 1);
  dst[capacity - 1] = 0;
}

PClassInfo2 makeClassInfo(const FUID& cid, const char* category, const char* name,
                          uint32 classFlags, const char* subCategories) {
  TUID tuid;
  cid.toTUID(tuid);
  return PClassInfo2(tuid, PClassInfo::kManyInstances, category, name,
                     static_cast<int32>(classFlags), subCategories, "", zv::kVersion,
                     zv::kSdkVersion);
}

#if defined(ZV_HAVE_EDITOR_WINDOW)
IPlugView* makeEditorView(ZVController* controller) {
  return new ZVView(controller);
}
#endif

bool initModule() {
  // Module initialisation and termination hooks: this module registers none.
  if (++moduleRefCount == 1) {
  }
  return true;
}

bool deinitModule() {
  if (moduleRefCount <= 0) return false;  // more exits than inits
  --moduleRefCount;
  return true;
}

}  // namespace

extern "C" {

SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
  if (!gPluginFactory) {
#if defined(ZV_HAVE_EDITOR_WINDOW)
    // The controller asks for its editor through this hook, so it never links the window layer.
    zv::registerEditorView(&makeEditorView);
#endif
    PFactoryInfo info;
    copyString(info.vendor, zv::kVendor, PFactoryInfo::kNameSize);
    copyString(info.url, zv::kVendorUrl, PFactoryInfo::kURLSize);
    copyString(info.email, "", PFactoryInfo::kEmailSize);
    info.flags = PFactoryInfo::kUnicode;
    gPluginFactory = new CPluginFactory(info);

    const PClassInfo2 processor = makeClassInfo(zv::kProcessorUID, kVstAudioEffectClass,
                                                "ZoquaVoce", Vst::kDistributable, "Fx|Pitch Shift");
    const PClassInfo2 controller = makeClassInfo(zv::kControllerUID, kVstComponentControllerClass,
                                                 "ZoquaVoce Controller", 0, "");
    gPluginFactory->registerClass(&processor, ZVProcessor::createInstance);
    gPluginFactory->registerClass(&controller, ZVController::createInstance);
  } else {
    gPluginFactory->addRef();
  }
  return gPluginFactory;
}

#if defined(_WIN32)
SMTG_EXPORT_SYMBOL bool InitDll() {
  return initModule();
}
SMTG_EXPORT_SYMBOL bool ExitDll() {
  return deinitModule();
}
#else
SMTG_EXPORT_SYMBOL bool ModuleEntry(void*) {
  return initModule();
}
SMTG_EXPORT_SYMBOL bool ModuleExit() {
  return deinitModule();
}
#endif

}  // extern "C"

#if defined(_WIN32)
#include <windows.h>
// The standard entry point: nothing here depends on what it is told.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
#endif
