// A pitch-trace picture: input and output pitch over time on a note grid, written as PNG.
#pragma once

#include <string>
#include <vector>

#include "Meters.h"

namespace zvrender {

struct PitchPlotStyle {
  int width = 1400;
  int height = 560;
  std::string title;
  int keyRoot = 0;                                       // highlighted scale (C = 0)
  std::vector<int> scaleSteps = {0, 2, 4, 5, 7, 9, 11};  // semitones above the root
};

// Draws the meters into an RGB image (width * height * 3 bytes).
std::vector<unsigned char> drawPitchPlot(const std::vector<MeterRow>& rows,
                                         const PitchPlotStyle& style);

bool writePitchPlot(const std::string& path, const std::vector<MeterRow>& rows,
                    const PitchPlotStyle& style, std::string& error);

}  // namespace zvrender
