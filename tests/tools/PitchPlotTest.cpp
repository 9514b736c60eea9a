#include <gtest/gtest.h>

#include "PitchPlot.h"
#include "RenderTestSupport.h"

using namespace zvrender;

namespace {

// The trace colours: orange for the input, cyan for the output.
bool isInput(const unsigned char* p) {
  return p[0] > 200 && p[1] > 100 && p[1] < 180 && p[2] < 110;
}
bool isOutput(const unsigned char* p) {
  return p[0] < 120 && p[1] > 180 && p[2] > 200;
}

// First row from the top of the plot area (below the title and legend) in column x that has the
// colour, or -1.
int rowOf(const std::vector<unsigned char>& img, const PitchPlotStyle& style, int x,
          bool (*match)(const unsigned char*)) {
  for (int y = 50; y < style.height; ++y)
    if (match(&img[(static_cast<size_t>(y) * style.width + x) * 3])) return y;
  return -1;
}

}  // namespace

TEST(PitchPlot, DrawsTheSharperInputAboveTheCorrectedOutputAndNothingWhereThereIsNoPitch) {
  std::vector<MeterRow> rows(200);
  for (int i = 0; i < 200; ++i) {
    rows[i].timeSeconds = i * 0.01;
    if (i >= 100) continue;
    rows[i].pitchInNote = 60.4;  // a C sung 40 cents sharp
    rows[i].pitchOutNote = 60.0;
  }
  PitchPlotStyle style;
  style.width = 800;
  style.height = 400;
  const std::vector<unsigned char> img = drawPitchPlot(rows, style);
  ASSERT_EQ(img.size(), 800u * 400u * 3u);
  const int voicedX = 64 + (800 - 64 - 24) / 4;  // a quarter into the plot: voiced blocks
  const int inputRow = rowOf(img, style, voicedX, isInput);
  const int outputRow = rowOf(img, style, voicedX, isOutput);
  ASSERT_GE(inputRow, 0);
  ASSERT_GE(outputRow, 0);
  EXPECT_LT(inputRow, outputRow) << "higher pitch is drawn higher up";
  EXPECT_LT(outputRow - inputRow, 40) << "0.4 of a semitone apart, not more";
  const int silentX = 64 + (800 - 64 - 24) * 3 / 4;  // the unvoiced second half
  EXPECT_EQ(rowOf(img, style, silentX, isInput), -1);
  EXPECT_EQ(rowOf(img, style, silentX, isOutput), -1);
  EXPECT_EQ(drawPitchPlot({}, style).size(), img.size()) << "an empty render draws the grid";
}

TEST(PitchPlot, WritesAPngUnderItsFinalNameOnly) {
  zvtest::TempFolder dir;
  std::string error;
  EXPECT_TRUE(writePitchPlot(dir.file("trace.png"), {}, PitchPlotStyle{}, error)) << error;
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"trace.png"});
  EXPECT_EQ(zvtest::readBytes(dir.file("trace.png")).substr(0, 4), "\x89PNG");
  EXPECT_FALSE(writePitchPlot(dir.file("missing/trace.png"), {}, PitchPlotStyle{}, error));
  EXPECT_EQ(error.find('\n'), std::string::npos);
}
