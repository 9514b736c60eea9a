// The component state, the one persistent format of the processor, which the controller reads as
// well: an int32 version and the normalized values of IDs 0 to 15 as doubles, little-endian.
#pragma once

#include "ParamDefs.h"
#include "pluginterfaces/base/ibstream.h"

namespace zv {

constexpr int32_t kStateVersion = 7;
// Versions count up by one per format change; a larger number is another writer's bytes or the
// wrong byte order (7 read big-endian is 117440512), and its body would load as nonsense.
constexpr int32_t kMaxStateVersion = 1000;

struct StateRead {
  // kResultOk only when every value the stream's version promises was read.
  Steinberg::tresult result = Steinberg::kResultFalse;
  int32_t count = 0;  // leading values read, each clamped to 0..1 with NaN as 0
  double values[kNumWritableParams] = {};
};

// The rule for every reader:
// - no version, or one below 1 or above kMaxStateVersion: nothing is read, kResultFalse;
// - versions 1 to 6 stored fewer parameters: whatever values follow (at most 16) are read and the
//   stream may end anywhere without failing;
// - version 7 and newer hold at least the 16 values (a newer build appends after them, and what
//   it appends is left unread): the values that are there are read, and a stream that ends before
//   the sixteenth gives kResultFalse.
StateRead readComponentState(Steinberg::IBStream* stream);

// False when the stream refuses a write.
bool writeComponentState(Steinberg::IBStream* stream, const double* values);

}  // namespace zv
