#include "StateStream.h"

#include <cmath>

#include "base/source/fstreamer.h"

using namespace Steinberg;

namespace zv {

StateRead readComponentState(IBStream* stream) {
  StateRead read;
  if (!stream) return read;
  IBStreamer streamer(stream, kLittleEndian);
  int32 version = 0;
  if (!streamer.readInt32(version) || version < 1 || version > kMaxStateVersion) return read;
  double value = 0.0;
  while (read.count < kNumWritableParams && streamer.readDouble(value)) {
    if (std::isnan(value)) value = 0.0;
    read.values[read.count++] = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
  }
  const bool complete = version < kStateVersion || read.count == kNumWritableParams;
  read.result = complete ? kResultOk : kResultFalse;
  return read;
}

bool writeComponentState(IBStream* stream, const double* values) {
  if (!stream) return false;
  IBStreamer streamer(stream, kLittleEndian);
  if (!streamer.writeInt32(kStateVersion)) return false;
  for (int32_t id = 0; id < kNumWritableParams; ++id)
    if (!streamer.writeDouble(values[id])) return false;
  return true;
}

}  // namespace zv
