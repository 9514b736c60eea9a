// Shared helpers of the render tool tests: the built module loaded once through its entry points,
// a private temporary folder, running the built zvrender as a subprocess, and WAV files in any
// libsndfile format.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Renderer.h"
#include "TempAppData.h"

namespace zvtest {

#ifdef ZV_MODULE_FILE
inline zvrender::Renderer& sharedRenderer() {
  static zvrender::Renderer* instance = [] {
    auto* r = new zvrender::Renderer();
    std::string error;
    if (!r->loadModule(ZV_MODULE_FILE, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return r;
  }();
  return *instance;
}
#endif

// A private folder, which is also the tool's settings folder, so no preset of the machine leaks in.
struct TempFolder : zv::test::TempAppData {
  std::string path() const { return root().string(); }
  std::string file(const std::string& name) const { return (root() / name).string(); }
  // Every entry of the folder, hidden ones included, so leftover temporary files show up.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(root()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

inline std::string readText(const std::string& path) {
  return zv::test::readBytes(path);
}

struct ToolRun {
  int exitCode = -1;
  std::string out, err;
};

#ifdef ZVRENDER_EXE
// Runs zvrender with the arguments (each single-quoted for the shell) from inside `folder`.
inline ToolRun runTool(const TempFolder& folder, const std::vector<std::string>& args) {
  std::string command = "cd '" + folder.path() + "' && '" ZVRENDER_EXE "'";
  for (const std::string& a : args) {
    std::string quoted;
    for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += " '" + quoted + "'";
  }
  char outName[] = "/tmp/zvrender-out-XXXXXX", errName[] = "/tmp/zvrender-err-XXXXXX";
  close(mkstemp(outName));
  close(mkstemp(errName));
  command += std::string(" >'") + outName + "' 2>'" + errName + "' </dev/null";
  const int status = std::system(command.c_str());
  ToolRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = readText(outName);
  run.err = readText(errName);
  unlink(outName);
  unlink(errName);
  return run;
}
#endif

inline int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Writes interleaved samples with the given libsndfile format (e.g. SF_FORMAT_WAV |
// SF_FORMAT_PCM_16).
inline bool writeTestWav(const std::string& path, const std::vector<float>& interleaved,
                         int channels, int sampleRate, int format) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const sf_count_t frames = static_cast<sf_count_t>(interleaved.size()) / channels;
  const bool ok = sf_writef_float(file, interleaved.data(), frames) == frames;
  sf_close(file);
  return ok;
}

struct TestWav {
  std::vector<float> samples;
  int channels = 0, sampleRate = 0, format = 0;
};

inline bool readTestWav(const std::string& path, TestWav& wav) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return false;
  wav.channels = info.channels;
  wav.sampleRate = info.samplerate;
  wav.format = info.format;
  wav.samples.resize(static_cast<size_t>(info.frames * info.channels));
  const bool ok = sf_readf_float(file, wav.samples.data(), info.frames) == info.frames;
  sf_close(file);
  return ok;
}

}  // namespace zvtest
