#include <gtest/gtest.h>

#include <cmath>

#include "PitchPlot.h"
#include "RenderTestSupport.h"

using namespace zvrender;

namespace {

struct Rgb {
  int r, g, b;
};

Rgb pixel(const std::vector<unsigned char>& img, int width, int x, int y) {
  const size_t i = (static_cast<size_t>(y) * width + x) * 3;
  return {img[i], img[i + 1], img[i + 2]};
}

// The trace colours: orange for the input, cyan for the output.
bool isInputColour(Rgb c) {
  return c.r > 200 && c.g > 100 && c.g < 180 && c.b < 110;
}
bool isOutputColour(Rgb c) {
  return c.r < 120 && c.g > 180 && c.b > 200;
}

// First row from the top of the plot area (below the title and legend) in column x that has the
// colour, or -1.
int rowOf(const std::vector<unsigned char>& img, const PitchPlotStyle& style, int x,
          bool (*match)(Rgb)) {
  for (int y = 50; y < style.height; ++y)
    if (match(pixel(img, style.width, x, y))) return y;
  return -1;
}

}  // namespace

TEST(PitchPlot, DrawsTheSharperInputAboveTheCorrectedOutputAndNothingWhereThereIsNoPitch) {
  std::vector<MeterRow> rows;
  for (int i = 0; i < 200; ++i) {
    MeterRow row;
    row.timeSeconds = i * 0.01;
    if (i < 100) {
      row.pitchInNote = 60.4;  // a C sung 40 cents sharp
      row.pitchOutNote = 60.0;
    }
    rows.push_back(row);
  }
  PitchPlotStyle style;
  style.width = 800;
  style.height = 400;
  const std::vector<unsigned char> img = drawPitchPlot(rows, style);
  ASSERT_EQ(img.size(), 800u * 400u * 3u);

  const int voicedX = 64 + (800 - 64 - 24) / 4;  // a quarter into the plot: voiced blocks
  const int inputRow = rowOf(img, style, voicedX, isInputColour);
  const int outputRow = rowOf(img, style, voicedX, isOutputColour);
  ASSERT_GE(inputRow, 0);
  ASSERT_GE(outputRow, 0);
  EXPECT_LT(inputRow, outputRow) << "higher pitch is drawn higher up";
  EXPECT_LT(outputRow - inputRow, 40) << "0.4 of a semitone apart, not more";

  const int silentX = 64 + (800 - 64 - 24) * 3 / 4;  // the unvoiced second half
  EXPECT_EQ(rowOf(img, style, silentX, isInputColour), -1);
  EXPECT_EQ(rowOf(img, style, silentX, isOutputColour), -1);
  EXPECT_EQ(drawPitchPlot({}, style).size(), img.size()) << "an empty render draws the grid";
}

TEST(PitchPlot, WritesAPngUnderItsFinalNameOnly) {
  zvtest::TempFolder dir;
  std::string error;
  EXPECT_TRUE(writePitchPlot(dir.file("trace.png"), {}, PitchPlotStyle{}, error)) << error;
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"trace.png"});
  EXPECT_EQ(zvtest::readText(dir.file("trace.png")).substr(0, 4), "\x89PNG");
  EXPECT_FALSE(writePitchPlot(dir.file("missing/trace.png"), {}, PitchPlotStyle{}, error));
  EXPECT_EQ(error.find('\n'), std::string::npos);
}
