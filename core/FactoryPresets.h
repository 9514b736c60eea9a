// The 23 presets that ship with the plug-in, and the twelve parameters every preset covers.
#pragma once

#include <array>
#include <cstdint>

namespace zv {

constexpr int32_t kNumPresetParams = 12;
constexpr int32_t kNumFactoryPresets = 23;

// Key, Scale, Low Latency and Detune are left out on purpose: stepping through presets keeps the
// singer's key, scale, latency mode and tuning reference.
extern const int32_t kPresetParamIds[kNumPresetParams];

struct FactoryPreset {
  const char* name;
  float values[kNumPresetParams];  // plain units, in the column order of kPresetParamIds
};

extern const FactoryPreset kFactoryPresets[kNumFactoryPresets];

using PresetValues = std::array<double, kNumPresetParams>;  // normalized, kPresetParamIds order

// The row's plain values as normalized values (clamped to each range, Speed by its square law).
PresetValues factoryPresetValues(int32_t index);

// Index of the factory preset called `name`, or -1.
int32_t findFactoryPreset(const char* name);

}  // namespace zv
