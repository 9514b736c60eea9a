#include <io.h>
#include <windows.h>

#include <cstdlib>

#include "FileSystem.h"

namespace zv::fs {

bool environmentVariable(const wchar_t* name, std::wstring& value) {
  const wchar_t* text = ::_wgetenv(name);
  if (!text) return false;
  value = text;
  return true;
}

std::wstring userSettingsBase() {
  std::wstring base;
  // An empty APPDATA would put the folder at the root of the drive; treat it as unset.
  if (!environmentVariable(L"APPDATA", base) || base.empty()) base = L".";
  return base;
}

bool createFolder(const std::wstring& path) {
  if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> listFiles(const std::wstring& folder, const std::wstring& suffix) {
  std::vector<std::wstring> names;
  const std::wstring pattern = folder + L"\\*" + suffix;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

std::FILE* openFile(const std::wstring& path, const char* mode) {
  return ::_wfopen(path.c_str(), widen(mode).c_str());
}

bool flushToDisk(std::FILE* file) {
  return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
}

bool removeFile(const std::wstring& path) {
  if (::DeleteFileW(path.c_str())) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool replaceFile(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace zv::fs
