#include "EditorViewFactory.h"

// Windows and X11 builds get their view from the window layer; elsewhere (or on Linux without
// the X11 headers) there is no window to attach to, and hosts asking for an editor get none.
#if !defined(ZV_HAVE_EDITOR_WINDOW)
namespace zv {
Steinberg::IPlugView* createEditorView(ZVController*) {
  return nullptr;
}
}  // namespace zv
#endif
