// The editor's preset actions over its parameter copy: which preset is current, stepping through
// factory and user presets, proposing a name, saving and deleting. The editor owns the state and
// the callbacks and only wires these in.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FactoryPresets.h"
#include "ParamDefs.h"
#include "UserPresets.h"

namespace zv {

using ParamValues = std::array<double, kNumParams>;  // the editor's normalized copy of every one

// Index below kFirstUserPreset: factory preset; kFirstUserPreset + k: user preset k; -1: none.
constexpr int32_t kNoPreset = -1;
constexpr int32_t kFirstUserPreset = kNumFactoryPresets;
constexpr double kPresetMatchTolerance = 0.004;
constexpr float kDeleteConfirmSeconds = 3.0f;

// The editor's route to the host (controller beginEdit, setParamNormalized + performEdit,
// endEdit). A callback that is not set is skipped.
struct HostEdits {
  std::function<void(int32_t id)> begin;
  std::function<void(int32_t id, double normalized)> perform;
  std::function<void(int32_t id)> end;
};

using SavePresetFn = std::function<bool(const UserPreset&)>;
using DeletePresetFn = std::function<bool(const std::string& name)>;

int32_t currentPresetIndex(const ParamValues& values, const std::vector<UserPreset>& userPresets);

// The twelve columns of the parameter copy, as a user preset would store them (unquantised).
PresetValues presetColumns(const ParamValues& values);

// Twelve separate begin/perform/end gestures in column order, each value clamped and put on its
// step so list and step parameters land exactly on an entry.
void applyPresetValues(const PresetValues& preset, ParamValues& values, const HostEdits& host);

// Applies the next (+1) or previous (-1) preset of the combined list, wrapping around; from no
// preset, +1 gives "Default" and -1 the last entry. Returns the index applied. The caller cancels
// its pending delete confirmation afterwards.
int32_t stepPreset(int32_t direction, ParamValues& values,
                   const std::vector<UserPreset>& userPresets, const HostEdits& host);

// The current user preset's name (so saving again overwrites it), else "My Preset n" with the
// smallest n >= 1 that no user preset is called.
std::string proposePresetName(const ParamValues& values,
                              const std::vector<UserPreset>& userPresets);

// Trims spaces from both ends of the typed name and saves the current columns under it. Only
// when `save` succeeds does the list change (entries of that name take the values, or the preset
// is appended, then the list is sorted). False when nothing was saved.
bool commitPresetSave(const std::string& typedName, const ParamValues& values,
                      std::vector<UserPreset>& userPresets, const SavePresetFn& save);

// A press of the delete button. With a user preset current: the first press arms the editor's
// confirmation timer; a press while it runs deletes that preset's file and, once the file is
// gone, its list entry, and disarms. Otherwise nothing happens. True when an entry was removed.
bool pressPresetDelete(float& confirmSeconds, const ParamValues& values,
                       std::vector<UserPreset>& userPresets, const DeletePresetFn& remove);

// The confirmation timer after one frame of `elapsedSeconds` (at most 0.1 s counts per frame).
float advanceDeleteConfirmation(float confirmSeconds, float elapsedSeconds);

}  // namespace zv
