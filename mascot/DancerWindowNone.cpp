// Where there is no Win32 there is no dancer window: the mascot stays in the editor.
#include "DancerWindow.h"

struct DancerWindow::Impl {};

DancerWindow::DancerWindow() = default;
DancerWindow::~DancerWindow() = default;

void DancerWindow::open(void*) {}
void DancerWindow::close() {}
bool DancerWindow::isOpen() const {
  return false;
}
