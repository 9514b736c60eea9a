#pragma once

namespace zv {

// What the host told the processor about its transport for the current block.
struct HostTransport {
  double positionQuarters = 0.0;  // project position in quarter notes
  double tempoBpm = 120.0;
  bool playing = false;
  bool positionValid = false;
};

}  // namespace zv
