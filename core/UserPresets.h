// User presets: one small text file per preset in the user's preset folder.
#pragma once

#include <string>
#include <vector>

#include "FactoryPresets.h"

namespace zv {

struct UserPreset {
  std::string name;     // 8-bit; also the file name, so it always obeys isValidPresetName
  PresetValues values;  // normalized 0..1, in the column order of kPresetParamIds
};

constexpr std::size_t kMaxPresetNameLength = 20;

// A character the user may type into a preset name: printable ASCII except the ones Windows
// refuses in file names.
bool isPresetNameChar(char c);

// 1 to 20 name characters, no space at either end, and not "." or "..". A name from a file that
// fails this never becomes a path.
bool isValidPresetName(const std::string& name);

// <user settings base>/ZoquaVoce/Presets (APPDATA on Windows, ~/.config or XDG_CONFIG_HOME
// elsewhere), creating both folders on the way (failures ignored).
std::wstring presetFolder();

// The file of a preset: folder, separator, name, ".zvp".
std::wstring presetFilePath(const std::string& name);

enum class PresetFileRead { kOk, kUnreadable, kNotAPreset, kUnsafeName };

// Reads one preset file: every value line it has, defaults for the rest. kNotAPreset without the
// magic line, kUnsafeName when the name fails isValidPresetName (the values are read all the
// same, for a caller that never makes a path of the name).
PresetFileRead readPresetFile(const std::wstring& path, UserPreset& preset);

// The folder loader's rule: true only for kOk.
bool readUserPresetFile(const std::wstring& path, UserPreset& preset);

// Appends every valid preset file of the folder; the caller empties the list first and sorts it
// afterwards. Files without the magic line, without a name or with an unsafe name are skipped.
void loadUserPresets(std::vector<UserPreset>& list);

// Writes (or replaces) the preset's file. False, with any old file untouched, when the name is
// not a valid preset name or the file cannot be written.
bool saveUserPreset(const UserPreset& preset);

// Deletes the file of that name. True when no such file is left (an unsafe name is refused).
bool deleteUserPreset(const std::string& name);

// The file contents saveUserPreset writes, byte for byte.
std::string formatUserPreset(const UserPreset& preset);

// Ascending by plain unsigned byte comparison, so "Alpha" < "alpha" < "beta"; equal names keep
// their order.
void sortUserPresets(std::vector<UserPreset>& list);

}  // namespace zv
