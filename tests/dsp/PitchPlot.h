// Writes pitch traces as a PNG so a person can look at what the correction did.
#pragma once

#include <string>
#include <vector>

namespace zvtest {

struct Trace {
  std::vector<float> notes;  // one value per column step; negative = no pitch
  unsigned rgb;              // 0xRRGGBB
};

// Plots traces over time (x) and note (y, between lowNote and highNote) with a grid line per
// semitone. Returns false when the file cannot be written.
bool plotTraces(const std::string& path, const std::vector<Trace>& traces, float lowNote,
                float highNote, int width = 900, int height = 360);

// Where test pictures go: $ZV_PLOT_DIR when set, else the working directory.
std::string plotPath(const std::string& name);

}  // namespace zvtest
