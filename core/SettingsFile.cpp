#include "SettingsFile.h"

#include <cstdio>
#include <cstring>

#include "DecimalText.h"
#include "FileSystem.h"
#include "UserPresets.h"

namespace zv {

std::wstring settingsFilePath() {
  std::wstring folder = presetFolder();
  folder.resize(folder.size() - 8);  // drop the separator and "Presets"
  return folder + fs::kPathSeparator + L"settings.txt";
}

float readSizeFactor() {
  std::FILE* file = fs::openFile(settingsFilePath(), "rb");
  if (!file) return kDefaultSizeFactor;
  float size = 0.0f;
  char line[128];
  while (std::fgets(line, sizeof line, file))
    if (std::strncmp(line, "size=", 5) == 0)
      size = static_cast<float>(readLeadingDecimal(line + 5).value);
  std::fclose(file);
  // The range admits every offered size with room for rounding; exactly 1.25 is refused as well.
  const bool accepted = size >= 0.99f && size <= 2.01f && size != 1.25f;
  return accepted ? size : kDefaultSizeFactor;
}

bool writeSizeFactor(float factor) {
  char line[64];
  std::snprintf(line, sizeof line, "size=%.2f\n", static_cast<double>(factor));
  return fs::writeFileReplacing(settingsFilePath(), line);
}

}  // namespace zv
