#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "FileSystem.h"

namespace zv::fs {

bool environmentVariable(const wchar_t* name, std::wstring& value) {
  const char* text = std::getenv(narrow(name).c_str());
  if (!text) return false;
  value = widen(text);
  return true;
}

std::wstring userSettingsBase() {
  std::wstring base;
  // The base directory rules ignore a relative XDG_CONFIG_HOME.
  if (environmentVariable(L"XDG_CONFIG_HOME", base) && !base.empty() && base[0] == L'/')
    return base;
  if (!environmentVariable(L"HOME", base) || base.empty()) return L".";
  base += L"/.config";
  createFolder(base);
  return base;
}

bool createFolder(const std::wstring& path) {
  const std::string p = narrow(path);
  if (::mkdir(p.c_str(), 0777) == 0) return true;
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::wstring> listFiles(const std::wstring& folder, const std::wstring& suffix) {
  std::vector<std::wstring> names;
  const std::string dirPath = narrow(folder);
  DIR* dir = ::opendir(dirPath.c_str());
  if (!dir) return names;
  const std::string ending = narrow(suffix);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() < ending.size() ||
        name.compare(name.size() - ending.size(), ending.size(), ending) != 0)
      continue;
    struct stat st;
    const std::string full = dirPath + '/' + name;
    if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names.push_back(widen(name));
  }
  ::closedir(dir);
  return names;
}

std::FILE* openFile(const std::wstring& path, const char* mode) {
  return std::fopen(narrow(path).c_str(), mode);
}

bool flushToDisk(std::FILE* file) {
  return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool removeFile(const std::wstring& path) {
  return ::unlink(narrow(path).c_str()) == 0 || errno == ENOENT;
}

bool replaceFile(const std::wstring& from, const std::wstring& to) {
  return std::rename(narrow(from).c_str(), narrow(to).c_str()) == 0;
}

}  // namespace zv::fs
