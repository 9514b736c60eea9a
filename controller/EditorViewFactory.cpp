#include "EditorViewFactory.h"

#include <atomic>

namespace zv {

namespace {
// Set once by the module entry on the host's thread; atomic as hosts may create controllers on
// more than one thread.
std::atomic<EditorViewMaker> registeredMaker{nullptr};
}  // namespace

void registerEditorView(EditorViewMaker maker) {
  registeredMaker.store(maker);
}

Steinberg::IPlugView* createEditorView(ZVController* controller) {
  const EditorViewMaker maker = registeredMaker.load();
  return maker ? maker(controller) : nullptr;
}

}  // namespace zv
