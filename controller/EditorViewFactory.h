// Where the controller gets its editor view from. Windows and Linux (X11) builds make a real
// view; other platforms have no window to attach to and answer null.
#pragma once

#include "pluginterfaces/gui/iplugview.h"

class ZVController;

namespace zv {
Steinberg::IPlugView* createEditorView(ZVController* controller);
}
