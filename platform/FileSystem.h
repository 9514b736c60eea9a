// The few file and folder operations the presets and settings need, over wide paths.
// Windows gets the wide Win32 calls; elsewhere the same paths are narrowed byte by byte for POSIX.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zv::fs {

#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

// 8-bit names become one code unit per byte, and back: every name the product writes is 8-bit.
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

// False when the variable is not set.
bool environmentVariable(const wchar_t* name, std::wstring& value);

// The folder under which the product keeps its per-user files: APPDATA on Windows; on other
// systems XDG_CONFIG_HOME when it is an absolute path, else ~/.config (made when missing). The
// working folder "." when neither is known.
std::wstring userSettingsBase();

// True when the folder exists afterwards, whether or not this call made it.
bool createFolder(const std::wstring& path);

// Names (not paths) of the plain files in `folder` whose name ends with `suffix`, in the order
// the file system gives them. Folders are left out.
std::vector<std::wstring> listFiles(const std::wstring& folder, const std::wstring& suffix);

// fopen with a wide path; mode as for fopen ("rb", "wb").
std::FILE* openFile(const std::wstring& path, const char* mode);

// Pushes written data past the C library and the system cache before a rename makes it visible.
bool flushToDisk(std::FILE* file);

// True when no file stands at `path` afterwards (deleted now, or never there).
bool removeFile(const std::wstring& path);

// Moves `from` over `to` in one step, replacing a file at `to`.
bool replaceFile(const std::wstring& from, const std::wstring& to);

// Writes `bytes` to a temporary file beside `path` and then moves it over `path`, so a reader
// never sees a half-written file and a failed write leaves the old file as it was.
bool writeFileReplacing(const std::wstring& path, const std::string& bytes);

}  // namespace zv::fs
