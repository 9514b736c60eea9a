#include "EditorViewFactory.h"

namespace zv {
Steinberg::IPlugView* createEditorView(ZVController*) { return nullptr; }
}  // namespace zv
