// Shared helpers of the render tool tests: the built module loaded once through its entry points,
// a private temporary folder, the built zvrender run as a process, and WAV files in any
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
#include <string>
#include <vector>

#include "Renderer.h"
#include "TempAppData.h"

namespace zvtest {

using zv::test::readBytes;

#ifdef ZV_MODULE_FILE
inline zvrender::Renderer& renderer() {
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

struct Rendered {
  std::vector<float> left, right;
  zvrender::RenderStats stats;
};

inline Rendered render(const std::vector<float>& interleaved, int channels, double sampleRate,
                       const zvrender::RenderJob& job) {
  zvrender::BufferSource source(interleaved, channels, sampleRate);
  zvrender::BufferSink sink;
  Rendered r;
  std::string error;
  EXPECT_TRUE(renderer().render(job, source, sink, nullptr, nullptr, r.stats, error)) << error;
  for (size_t i = 0; i + 1 < sink.samples.size(); i += 2) {
    r.left.push_back(sink.samples[i]);
    r.right.push_back(sink.samples[i + 1]);
  }
  return r;
}
#endif

// A private folder, which is also the tool's settings folder, so no preset of the machine leaks in.
struct TempFolder : zv::test::TempAppData {
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

struct ToolRun {
  int exitCode = -1;
  std::string out, err;
};

#ifdef ZVRENDER_EXE
// Runs zvrender with the arguments (each single-quoted for the shell) from inside `folder`.
inline ToolRun runTool(const TempFolder& folder, const std::vector<std::string>& args) {
  std::string command = "cd '" + folder.root().string() + "' && '" ZVRENDER_EXE "'";
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
  ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readBytes(outName),
              readBytes(errName)};
  unlink(outName);
  unlink(errName);
  return run;
}
#endif

struct TestWav {
  std::vector<float> samples;  // interleaved
  int channels = 0, sampleRate = 0, format = 0;
};

// Writes with the given libsndfile format (e.g. SF_FORMAT_WAV | SF_FORMAT_PCM_16), or reads.
inline bool writeTestWav(const std::string& path, const TestWav& wav) {
  SF_INFO info{};
  info.channels = wav.channels;
  info.samplerate = wav.sampleRate;
  info.format = wav.format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const sf_count_t frames = static_cast<sf_count_t>(wav.samples.size()) / wav.channels;
  const bool ok = sf_writef_float(file, wav.samples.data(), frames) == frames;
  sf_close(file);
  return ok;
}

inline bool readTestWav(const std::string& path, TestWav& wav) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return false;
  wav = {std::vector<float>(static_cast<size_t>(info.frames * info.channels)), info.channels,
         info.samplerate, info.format};
  const bool ok = sf_readf_float(file, wav.samples.data(), info.frames) == info.frames;
  sf_close(file);
  return ok;
}

}  // namespace zvtest
