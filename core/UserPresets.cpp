#include "UserPresets.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DecimalText.h"
#include "FileSystem.h"
#include "ParamDefs.h"

namespace zv {

namespace {

const char kMagic[] = "ZoquaVocePreset";
const wchar_t kExtension[] = L".zvp";

PresetValues defaultPresetValues() {
  PresetValues values{};
  for (int32_t j = 0; j < kNumPresetParams; ++j) {
    const int32_t id = kPresetParamIds[j];
    values[j] = plainToNormalized(id, kParamDefs[id].defaultValue);
  }
  return values;
}

bool startsWith(const char* line, const char* prefix) {
  return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

// One line (or one 255-character piece of a longer line) of a preset file.
void readPresetLine(char* line, UserPreset& record, bool& magicSeen) {
  std::size_t length = std::strlen(line);
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
    line[--length] = '\0';

  if (startsWith(line, kMagic)) {
    magicSeen = true;
  } else if (startsWith(line, "name=")) {
    record.name = line + 5;
  } else if (length >= 3 && line[0] == 'v') {
    // strtol reads like atoi ("vx" is column 0) but stays defined on overflow.
    const long column = std::strtol(line + 1, nullptr, 10);
    const char* equals = std::strchr(line, '=');
    if (!equals || column < 0 || column >= kNumPresetParams) return;
    record.values[column] = std::clamp(readLeadingDecimal(equals + 1).value, 0.0, 1.0);
  }
}

}  // namespace

PresetFileRead readPresetFile(const std::wstring& path, UserPreset& record) {
  std::FILE* file = fs::openFile(path, "rb");
  if (!file) return PresetFileRead::kUnreadable;
  record.name.clear();
  record.values = defaultPresetValues();
  bool magicSeen = false;
  char line[256];
  while (std::fgets(line, sizeof line, file)) readPresetLine(line, record, magicSeen);
  // A file that broke off while being read is not the preset it was meant to be.
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError) return PresetFileRead::kUnreadable;
  if (!magicSeen) return PresetFileRead::kNotAPreset;
  return isValidPresetName(record.name) ? PresetFileRead::kOk : PresetFileRead::kUnsafeName;
}

bool readUserPresetFile(const std::wstring& path, UserPreset& record) {
  return readPresetFile(path, record) == PresetFileRead::kOk;
}

bool isPresetNameChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 32 && u <= 126 && !std::strchr("\"*/:<>?\\|", c);
}

bool isValidPresetName(const std::string& name) {
  if (name.empty() || name.size() > kMaxPresetNameLength) return false;
  if (name.front() == ' ' || name.back() == ' ') return false;
  if (name == "." || name == "..") return false;
  return std::all_of(name.begin(), name.end(), isPresetNameChar);
}

std::wstring presetFolder() {
  const std::wstring product = fs::userSettingsBase() + fs::kPathSeparator + L"ZoquaVoce";
  fs::createFolder(product);
  const std::wstring presets = product + fs::kPathSeparator + L"Presets";
  fs::createFolder(presets);
  return presets;
}

std::wstring presetFilePath(const std::string& name) {
  return presetFolder() + fs::kPathSeparator + fs::widen(name) + kExtension;
}

void loadUserPresets(std::vector<UserPreset>& list) {
  const std::wstring folder = presetFolder();
  for (const std::wstring& entry : fs::listFiles(folder, kExtension)) {
    UserPreset record;
    if (readUserPresetFile(folder + fs::kPathSeparator + entry, record)) list.push_back(record);
  }
}

std::string formatUserPreset(const UserPreset& preset) {
  std::string text = std::string(kMagic) + " 1\nname=" + preset.name + "\n";
  char line[64];
  for (int32_t j = 0; j < kNumPresetParams; ++j) {
    std::snprintf(line, sizeof line, "v%d=%.9f\n", static_cast<int>(j), preset.values[j]);
    text += line;
  }
  return text;
}

bool saveUserPreset(const UserPreset& preset) {
  if (!isValidPresetName(preset.name)) return false;
  return fs::writeFileReplacing(presetFilePath(preset.name), formatUserPreset(preset));
}

bool deleteUserPreset(const std::string& name) {
  if (!isValidPresetName(name)) return false;
  return fs::removeFile(presetFilePath(name));
}

void sortUserPresets(std::vector<UserPreset>& list) {
  std::stable_sort(list.begin(), list.end(), [](const UserPreset& a, const UserPreset& b) {
    const std::size_t common = std::min(a.name.size(), b.name.size());
    const int order = std::memcmp(a.name.data(), b.name.data(), common);  // unsigned bytes
    return order != 0 ? order < 0 : a.name.size() < b.name.size();
  });
}

}  // namespace zv
