// Loads the built module once per test program, as a host would.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "ModuleHost.h"
#include "base/source/fstreamer.h"
#include "public.sdk/source/common/memorystream.h"

namespace zvtest {

inline zvhost::Module& module() {
  static std::unique_ptr<zvhost::Module> instance = [] {
    std::string error;
    auto m = zvhost::Module::load(ZV_MODULE_FILE, error);
    if (!m) fprintf(stderr, "%s\n", error.c_str()), std::abort();
    return m;
  }();
  return *instance;
}

inline std::unique_ptr<zvhost::PluginInstance> makeInstance() {
  auto factory = Steinberg::owned(module().getFactory());
  std::string error;
  auto inst = zvhost::PluginInstance::create(factory.get(), error);
  EXPECT_TRUE(inst) << error;
  return inst;
}

// The processor's state as it writes it: version 7 and the 16 values, little-endian doubles.
inline std::vector<double> readState(Steinberg::Vst::IComponent* component) {
  Steinberg::MemoryStream stream;
  EXPECT_EQ(component->getState(&stream), Steinberg::kResultOk);
  std::vector<char> bytes = zvhost::streamBytes(&stream);
  EXPECT_EQ(bytes.size(), 132u);
  bytes.resize(132);
  int32_t version = 0;
  std::vector<double> values(16);
  std::memcpy(&version, bytes.data(), 4);
  EXPECT_EQ(version, 7);
  std::memcpy(values.data(), bytes.data() + 4, 8 * values.size());
  return values;
}

// A state stream with a version, doubles and stray bytes, rewound for reading.
inline void writeState(Steinberg::MemoryStream& stream, const std::vector<double>& values,
                       int32_t version = 7, int strayBytes = 0) {
  Steinberg::IBStreamer streamer(&stream, kLittleEndian);
  streamer.writeInt32(version);
  for (double v : values) streamer.writeDouble(v);
  for (int i = 0; i < strayBytes; ++i) streamer.writeChar8(0x3f);
  stream.seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
}

}  // namespace zvtest
