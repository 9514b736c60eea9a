// A fresh, private APPDATA folder for one test: created empty, pointed to by the APPDATA variable
// of this process, and removed with everything in it afterwards.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zv::test {

namespace stdfs = std::filesystem;

inline void setAppData(const stdfs::path* value) {
#ifdef _WIN32
  // The product reads the C runtime's copy of the environment with _wgetenv.
  const std::wstring assignment = L"APPDATA=" + (value ? value->wstring() : std::wstring());
  _wputenv(assignment.c_str());
#else
  // Elsewhere the product keeps its files under XDG_CONFIG_HOME; both point at the same folder.
  for (const char* name : {"APPDATA", "XDG_CONFIG_HOME"}) {
    if (value)
      setenv(name, value->string().c_str(), 1);
    else
      unsetenv(name);
  }
#endif
}

class TempAppData {
 public:
  TempAppData() {
    // Tests of several programs run at once: a folder of this process's own.
    static const std::string run = std::to_string(std::random_device{}());
    static std::atomic<int> counter{0};
    root_ =
        stdfs::temp_directory_path() / ("zv-presets-test-" + run + "-" + std::to_string(counter++));
    stdfs::remove_all(root_);
    stdfs::create_directories(root_);
    if (const char* old = std::getenv("APPDATA")) old_ = stdfs::path(old);
    setAppData(&root_);
  }
  ~TempAppData() {
    setAppData(old_ ? &*old_ : nullptr);
    std::error_code ignored;
    stdfs::remove_all(root_, ignored);
  }
  TempAppData(const TempAppData&) = delete;
  TempAppData& operator=(const TempAppData&) = delete;

  const stdfs::path& root() const { return root_; }
  stdfs::path product() const { return root_ / "ZoquaVoce"; }
  stdfs::path presets() const { return root_ / "ZoquaVoce" / "Presets"; }

 private:
  stdfs::path root_;
  std::optional<stdfs::path> old_;
};

inline std::string readBytes(const stdfs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const stdfs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Every file below `folder`, as paths relative to it, sorted, so a test can see that nothing
// appeared or vanished anywhere.
inline std::string treeListing(const stdfs::path& folder) {
  std::string listing;
  std::vector<std::string> entries;
  for (const auto& entry : stdfs::recursive_directory_iterator(folder))
    entries.push_back(stdfs::relative(entry.path(), folder).generic_string());
  std::sort(entries.begin(), entries.end());
  for (const std::string& e : entries) listing += e + "\n";
  return listing;
}

}  // namespace zv::test
