// The parameters' normalized values as the user-interface thread last set them, for the threads
// that draw (the editor's render thread, the dancer's): they read these instead of the
// controller's own values, which the host changes on the user-interface thread at any moment.
#pragma once

#include <atomic>

#include "ParamDefs.h"

namespace zv {

class ParamSnapshot {
 public:
  ParamSnapshot() {
    for (auto& value : values_) value.store(0.0, std::memory_order_relaxed);
  }
  ParamSnapshot(const ParamSnapshot&) = delete;
  ParamSnapshot& operator=(const ParamSnapshot&) = delete;

  // Each value stands alone, as in the controller: a reader may see one parameter's new value
  // beside another's old one, never a torn double. Unknown IDs are ignored and read as 0.
  void publish(int id, double normalized) {
    if (id >= 0 && id < kNumParams) values_[id].store(normalized, std::memory_order_relaxed);
  }
  double read(int id) const {
    return id >= 0 && id < kNumParams ? values_[id].load(std::memory_order_relaxed) : 0.0;
  }

 private:
  std::atomic<double> values_[kNumParams];
};

}  // namespace zv
