#include "EditorViewFactory.h"

// Windows builds get their view from the window layer; elsewhere there is no window to attach
// to, and hosts asking for an editor get none.
#if !defined(ZV_HAVE_EDITOR_WINDOW)
namespace zv {
Steinberg::IPlugView* createEditorView(ZVController*) { return nullptr; }
}  // namespace zv
#endif
