// The command line of zvrender, parsed into a plain record so scripts and tests see one meaning.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zvrender {

enum class SampleFormat { kFloat32, kPcm16, kPcm24 };

struct RenderOptions {
  std::string inputPath;
  std::string outputPath;
  std::string modulePath;  // empty: the module built next to the tool
  std::string metersPath;  // empty: no meters file
  std::string presetName;
  std::string userPresetPath;
  std::string demoDir;  // non-empty: render the built-in demo voice into this folder
  // Parameter title and display text, applied in command-line order after any preset.
  std::vector<std::pair<std::string, std::string>> settings;
  int blockSize = 512;
  double tempoBpm = 120.0;
  double startBeats = 0.0;
  SampleFormat format = SampleFormat::kFloat32;
  bool quiet = false;
  bool showHelp = false;
};

constexpr int kMaxBlockSize = 65536;
constexpr double kMinTempoBpm = 20.0;
constexpr double kMaxTempoBpm = 400.0;

// Fills `options` from argv[1..]. Returns false with a one-line reason on any mistake; the
// parameter names and texts are checked later, against the module itself.
bool parseCommandLine(int argc, const char* const* argv, RenderOptions& options,
                      std::string& error);

std::string usageText(const char* programName);

}  // namespace zvrender
