// The two class IDs. The first two words spell "ZoquaVo2"; hosts store these in their projects,
// so they never change.
#pragma once

#include "pluginterfaces/base/funknown.h"

namespace zv {

extern const Steinberg::FUID kProcessorUID;
extern const Steinberg::FUID kControllerUID;

constexpr const char* kVendor = "Zoqua";
constexpr const char* kVendorUrl = "https://zoqua.example";
constexpr const char* kVersion = "4.6.0";
constexpr const char* kSdkVersion = "VST 3.8.1";

}  // namespace zv
