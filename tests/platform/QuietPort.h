// A window and host for a view core that take every edit and repaint and say nothing back: for
// driving the core on its own.
#pragma once

#include "ViewCore.h"

namespace zv::test {

class QuietPort : public ViewPort {
 public:
  const ParamSnapshot& params() const override { return values; }
  void beginEdit(int) override {}
  void performEdit(int, double) override {}
  void endEdit(int) override {}
  void invalidateAll() override {}
  void invalidateRect(int, int, int, int) override {}
  ParamSnapshot values;
};

}  // namespace zv::test
