// Where the controller gets its editor view from. The module entry registers the platform's view
// (Win32 or X11) before the factory hands out any controller; the controller itself never names
// a window layer. With nothing registered (no window to attach to) hosts asking get none.
#pragma once

#include "pluginterfaces/gui/iplugview.h"

class ZVController;

namespace zv {

using EditorViewMaker = Steinberg::IPlugView* (*)(ZVController* controller);

void registerEditorView(EditorViewMaker maker);
// A new view for the controller, or null when no maker is registered.
Steinberg::IPlugView* createEditorView(ZVController* controller);

}  // namespace zv
