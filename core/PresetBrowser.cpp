#include "PresetBrowser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zv {

namespace {

// "Off" as the editor shows it: negative, or the nearest list entry is the first one. A value
// above 1 is never off.
bool listIsOff(double normalized, int32_t stepCount) {
  return normalized < 0.0 || roundHalfAway(normalized * stepCount) == 0.0;
}

bool harmonyIsOff(double normalized) {
  return normalized < 0.0 || normalized * 100.0 < 0.5;
}

// Columns of a factory row whose setting can silence another column.
constexpr int32_t kHarmonyColumn = 6;
constexpr int32_t kCharacterColumn = 8;
constexpr int32_t kStutterColumn = 10;

bool near(double a, double b) {
  return std::fabs(a - b) <= kPresetMatchTolerance;
}

bool matchesFactory(const ParamValues& values, int32_t index) {
  const FactoryPreset& preset = kFactoryPresets[index];
  const PresetValues normalized = factoryPresetValues(index);
  for (int32_t j = 0; j < kNumPresetParams; ++j) {
    const int32_t id = kPresetParamIds[j];
    // A column whose effect is switched off both now and in the preset cannot be heard.
    if (id == kCharacterAmount && listIsOff(values[kCharacter], kParamDefs[kCharacter].stepCount) &&
        preset.values[kCharacterColumn] < 0.5f)
      continue;
    if (id == kStutterRate && listIsOff(values[kStutter], kParamDefs[kStutter].stepCount) &&
        preset.values[kStutterColumn] < 0.5f)
      continue;
    if (id == kHarmonySteps && harmonyIsOff(values[kHarmony]) &&
        preset.values[kHarmonyColumn] < 0.5f)
      continue;
    if (!near(values[id], normalized[j])) return false;
  }
  return true;
}

bool matchesUser(const ParamValues& values, const UserPreset& preset) {
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    if (!near(values[kPresetParamIds[j]], preset.values[j])) return false;
  return true;
}

const UserPreset* currentUserPreset(const ParamValues& values,
                                    const std::vector<UserPreset>& list) {
  const int32_t index = currentPresetIndex(values, list);
  return index >= kFirstUserPreset ? &list[static_cast<std::size_t>(index - kFirstUserPreset)]
                                   : nullptr;
}

}  // namespace

int32_t currentPresetIndex(const ParamValues& values, const std::vector<UserPreset>& userPresets) {
  for (int32_t p = 0; p < kNumFactoryPresets; ++p)
    if (matchesFactory(values, p)) return p;
  for (std::size_t k = 0; k < userPresets.size(); ++k)
    if (matchesUser(values, userPresets[k])) return kFirstUserPreset + static_cast<int32_t>(k);
  return kNoPreset;
}

PresetValues presetColumns(const ParamValues& values) {
  PresetValues columns{};
  for (int32_t j = 0; j < kNumPresetParams; ++j) columns[j] = values[kPresetParamIds[j]];
  return columns;
}

void applyPresetValues(const PresetValues& preset, ParamValues& values, const HostEdits& host) {
  for (int32_t j = 0; j < kNumPresetParams; ++j) {
    const int32_t id = kPresetParamIds[j];
    double v = std::clamp(preset[j], 0.0, 1.0);
    if (std::isnan(v)) v = 0.0;
    const int32_t steps = kParamDefs[id].stepCount;
    if (steps > 0) v = roundHalfAway(v * steps) / steps;
    if (host.begin) host.begin(id);
    values[id] = v;
    if (host.perform) host.perform(id, v);
    if (host.end) host.end(id);
  }
}

int32_t stepPreset(int32_t direction, ParamValues& values,
                   const std::vector<UserPreset>& userPresets, const HostEdits& host) {
  const int32_t count = kNumFactoryPresets + static_cast<int32_t>(userPresets.size());
  const int32_t current = currentPresetIndex(values, userPresets);
  const int32_t step = direction < 0 ? -1 : 1;
  int32_t target;
  if (current == kNoPreset)
    target = step > 0 ? 0 : count - 1;
  else
    target = ((current + step) % count + count) % count;
  applyPresetValues(target < kFirstUserPreset
                        ? factoryPresetValues(target)
                        : userPresets[static_cast<std::size_t>(target - kFirstUserPreset)].values,
                    values, host);
  return target;
}

std::string proposePresetName(const ParamValues& values,
                              const std::vector<UserPreset>& userPresets) {
  if (const UserPreset* current = currentUserPreset(values, userPresets)) return current->name;
  // n runs past the list's size at most once, so this always ends.
  for (int n = 1;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "My Preset %d", n);
    const bool taken = std::any_of(userPresets.begin(), userPresets.end(),
                                   [&](const UserPreset& p) { return p.name == name; });
    if (!taken) return name;
  }
}

bool commitPresetSave(const std::string& typedName, const ParamValues& values,
                      std::vector<UserPreset>& userPresets, const SavePresetFn& save) {
  const std::size_t first = typedName.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  const std::size_t last = typedName.find_last_not_of(' ');
  UserPreset preset{typedName.substr(first, last - first + 1), presetColumns(values)};
  if (!isValidPresetName(preset.name) || !save || !save(preset)) return false;

  bool replaced = false;
  for (UserPreset& entry : userPresets)
    if (entry.name == preset.name) {
      entry.values = preset.values;
      replaced = true;
    }
  if (!replaced) userPresets.push_back(preset);
  sortUserPresets(userPresets);
  return true;
}

bool pressPresetDelete(float& confirmSeconds, const ParamValues& values,
                       std::vector<UserPreset>& userPresets, const DeletePresetFn& remove) {
  const int32_t index = currentPresetIndex(values, userPresets);
  if (index < kFirstUserPreset) return false;
  if (!(confirmSeconds > 0.0f)) {
    confirmSeconds = kDeleteConfirmSeconds;
    return false;
  }
  confirmSeconds = 0.0f;
  const auto position = userPresets.begin() + (index - kFirstUserPreset);
  // A file that could not be deleted would come back on the next load; keep showing it.
  if (!remove || !remove(position->name)) return false;
  userPresets.erase(position);
  return true;
}

float advanceDeleteConfirmation(float confirmSeconds, float elapsedSeconds) {
  const float step = std::clamp(elapsedSeconds, 0.0f, 0.1f);
  return std::max(0.0f, confirmSeconds - step);
}

}  // namespace zv
