// The per-user settings file: it remembers the editor's size factor between sessions.
#pragma once

#include <string>

namespace zv {

constexpr float kDefaultSizeFactor = 1.15f;

// <user settings base>/ZoquaVoce/settings.txt (see fs::userSettingsBase); computing it creates the
// preset folders as well.
std::wstring settingsFilePath();

// The stored size factor, or 1.15 when the file is missing or holds no acceptable size.
float readSizeFactor();

// Rewrites the file as the single line "size=%.2f". False, with the old file untouched, when it
// cannot be written.
bool writeSizeFactor(float factor);

}  // namespace zv
