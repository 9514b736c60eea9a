#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ParamDefs.h"

using namespace zv;

namespace {

std::string show(int id, double normalized) {
  char text[64];
  formatParamValue(id, normalized, text, sizeof(text));
  return text;
}

double plainNorm(int id, double plain) {
  return plainToNormalized(id, plain);
}

bool parse(int id, const char* text, double& value) {
  return parseParamText(id, text, value);
}

}  // namespace

TEST(ParamTable, DefaultsInNormalizedForm) {
  const double expected[kNumParams] = {1.0 / 11, 0, 0,        1.0 / 3, 0.5, 1, 1,   2.0 / 3,
                                       0,        0, 9.0 / 14, 0,       0.5, 0, 0.6, 25.0 / 51,
                                       0,        0, 0,        0,       0,   0};
  for (int id = 0; id < kNumParams; ++id)
    EXPECT_NEAR(plainToNormalized(id, kParamDefs[id].defaultValue), expected[id], 1e-12) << id;
}

TEST(ParamTable, FlagsByKind) {
  for (int id : {0, 1, 11, 13, 14}) EXPECT_EQ(paramFlags(id), 9) << id;
  for (int id : {2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 15}) EXPECT_EQ(paramFlags(id), 1) << id;
  for (int id = 16; id < 22; ++id) EXPECT_EQ(paramFlags(id), 18) << id;
}

TEST(ParamTable, SpeedFollowsASquareLawAndShowsRobotBelowHalfAMillisecond) {
  EXPECT_DOUBLE_EQ(normalizedToPlain(kSpeed, 0.5), 100.0);
  EXPECT_DOUBLE_EQ(plainToNormalized(kSpeed, 100.0), 0.5);
  EXPECT_EQ(show(kSpeed, 0.035), "Robot");
  EXPECT_EQ(show(kSpeed, 0.036), "1 ms");
  EXPECT_EQ(show(kSpeed, -0.1), "Robot");
  EXPECT_EQ(show(kSpeed, 1.5), "400 ms");
  EXPECT_EQ(show(kSpeed, 1.0), "400 ms");
}

TEST(ParamTable, SteppedValuesRoundHalvesAwayFromZeroButPlainToNormalizedDoesNotQuantise) {
  EXPECT_DOUBLE_EQ(normalizedToPlain(kShift, 0.5), 4.0);  // 3.5 rounds up
  EXPECT_EQ(show(kShift, 0.5), "+4 steps");
  EXPECT_EQ(show(kShift, 1.0 / 3), "0 steps");
  EXPECT_EQ(show(kShift, 8.0 / 21), "+1 step");
  EXPECT_EQ(show(kShift, 6.0 / 21), "-1 step");
  EXPECT_EQ(show(kShift, 0.0), "-7 steps");
  EXPECT_EQ(show(kHarmonySteps, 9.0 / 14), "+2 steps");
  EXPECT_DOUBLE_EQ(plainToNormalized(kShift, 2.4), 9.4 / 21);
  EXPECT_DOUBLE_EQ(normalizedToPlain(kHarmonySteps, 0.5 / 14), -7.0);  // -6.5 rounds away from zero
}

TEST(ParamTable, DisplayRulesOfContinuousValues) {
  EXPECT_EQ(show(kFormant, plainNorm(kFormant, 0.04)), "0.0 st");
  EXPECT_EQ(show(kFormant, plainNorm(kFormant, -0.06)), "-0.1 st");
  EXPECT_EQ(show(kFormant, 1.0), "+12.0 st");
  EXPECT_EQ(show(kOutput, 2.0 / 3), "0.0 dB");
  EXPECT_EQ(show(kOutput, 0.0), "-24.0 dB");
  EXPECT_EQ(show(kDetune, plainNorm(kDetune, 440.02)), "440 Hz");
  EXPECT_EQ(show(kDetune, plainNorm(kDetune, 440.3)), "440.3 Hz");
  EXPECT_EQ(show(kMix, 0.5), "50%");
  EXPECT_EQ(show(kLowLatency, 0.6), "On");
  EXPECT_EQ(show(kLowLatency, 0.4), "Off");
}

TEST(ParamTable, DisplayOfListsAndMeters) {
  EXPECT_EQ(show(kKey, 0.5), "F#");
  EXPECT_EQ(show(kKey, -3.0), "C");
  EXPECT_EQ(show(kScale, 1.0), "Chromatic");
  EXPECT_EQ(show(kCharacter, 1.0), "Lo-Fi");
  EXPECT_EQ(show(kStutterRate, 0.6), "1/16");
  EXPECT_EQ(show(kPitchIn, 0.02), "24.0");
  EXPECT_EQ(show(kPitchIn, 1.0), "108.0");
  EXPECT_EQ(show(kPitchIn, 0.005), "-");
  EXPECT_EQ(show(kTempo, 0.263158), "120");
  EXPECT_EQ(show(kLevel, 0.5), "0.50");
}

TEST(ParamTable, FormatTruncatesLikeSnprintf) {
  char small[4];
  EXPECT_EQ(formatParamValue(kScale, 1.0, small, sizeof(small)), 9);
  EXPECT_STREQ(small, "Chr");
}

TEST(ParamText, KeyNamesAreTriedFromTheLastSoSharpsWinAndFlatsNameTheSharpBelow) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {{"c#m", 1.0 / 11}, {"Db", 1.0 / 11}, {" eb ", 3.0 / 11}, {"Bb", 10.0 / 11},
               {"Cb", 1.0},       {"b", 1.0},       {"Dm", 2.0 / 11}};
  for (const auto& c : cases) {
    double v = -1;
    ASSERT_TRUE(parse(kKey, c.text, v)) << c.text;
    EXPECT_DOUBLE_EQ(v, c.expected) << c.text;
  }
  double v = 0.25;
  EXPECT_FALSE(parse(kKey, "H", v));
  EXPECT_FALSE(parse(kKey, "", v));
  EXPECT_EQ(v, 0.25);
}

// Display texts come first, so a whole name wins over the prefix rules; with requireNumber
// (typed values, scripts) a word that is neither a display text nor a number is refused.
TEST(ParamText, WholeDisplayTextsWinAndAStrictReadRefusesWords) {
  const struct {
    int id;
    const char* text;
    bool ok;
    double expected;
    bool okStrict;
  } cases[] = {
      {kScale, "Minor Pent.", true, 6.0 / 9, true},
      {kScale, "major pent.", true, 7.0 / 9, true},
      {kScale, "Phryg. Dominant", true, 5.0 / 9, true},
      {kScale, "Minor P", true, 0.0, true},
      {kLowLatency, " on ", true, 1.0, true},
      {kLowLatency, "Off", true, 0.0, true},
      {kLowLatency, "1", true, 1.0, true},
      {kSpeed, "robot", true, 0.0, true},
      {kSpeed, "fast", true, 0.0, false},
      {kFormant, "", true, 0.5, false},
      {kMix, "+.5e2%", true, 0.5, true},
      {kMix, "-", true, 0.0, false},
      {kPitchIn, "-", true, 0.0, true},
      {kTempo, "120", true, 100.0 / 380, true},
  };
  for (const auto& c : cases) {
    for (bool strict : {false, true}) {
      double v = -1;
      const bool ok = parseParamText(c.id, c.text, v, strict);
      EXPECT_EQ(ok, strict ? c.okStrict : c.ok) << c.id << " \"" << c.text << "\" " << strict;
      if (ok) {
        EXPECT_NEAR(v, c.expected, 1e-12) << c.id << " \"" << c.text << "\"";
      }
    }
  }
}

TEST(ParamText, ScaleComparesFourCharactersAndRefusesNumbers) {
  double v = -1;
  ASSERT_TRUE(parse(kScale, "Minor P", v));
  EXPECT_DOUBLE_EQ(v, 0.0);
  ASSERT_TRUE(parse(kScale, "phryg.", v));
  EXPECT_DOUBLE_EQ(v, 3.0 / 9);
  ASSERT_TRUE(parse(kScale, "CHROMATIC", v));
  EXPECT_DOUBLE_EQ(v, 1.0);
  EXPECT_FALSE(parse(kScale, "Maj", v));
  EXPECT_FALSE(parse(kScale, "3", v));
}

TEST(ParamText, CharacterStutterAndRate) {
  double v = -1;
  ASSERT_TRUE(parse(kCharacter, "glitchy", v));
  EXPECT_DOUBLE_EQ(v, 4.0 / 6);
  ASSERT_TRUE(parse(kCharacter, "lo-fi", v));
  EXPECT_DOUBLE_EQ(v, 1.0);
  EXPECT_FALSE(parse(kCharacter, "Dr", v));
  ASSERT_TRUE(parse(kStutter, "rep", v));
  EXPECT_DOUBLE_EQ(v, 1.0);
  ASSERT_TRUE(parse(kStutterRate, "1/8t", v));
  EXPECT_DOUBLE_EQ(v, 0.4);
  ASSERT_TRUE(parse(kStutterRate, "1/16T", v));
  EXPECT_DOUBLE_EQ(v, 0.8);
  ASSERT_TRUE(parse(kStutterRate, "1/16", v));
  EXPECT_DOUBLE_EQ(v, 0.6);
  EXPECT_FALSE(parse(kStutterRate, "2", v));
}

TEST(ParamText, NumbersReadLikeAtofWithUnitsIgnoredAndClamped) {
  double v = -1;
  ASSERT_TRUE(parse(kSpeed, "100", v));
  EXPECT_DOUBLE_EQ(v, 0.5);
  ASSERT_TRUE(parse(kSpeed, "1000", v));
  EXPECT_DOUBLE_EQ(v, 1.0);
  ASSERT_TRUE(parse(kSpeed, "Robot", v));
  EXPECT_DOUBLE_EQ(v, 0.0);
  ASSERT_TRUE(parse(kFormant, "+6 st", v));
  EXPECT_DOUBLE_EQ(v, 0.75);
  ASSERT_TRUE(parse(kLowLatency, "1", v));
  EXPECT_DOUBLE_EQ(v, 1.0);
  ASSERT_TRUE(parse(kDetune, "432 Hz", v));
  EXPECT_DOUBLE_EQ(v, 17.0 / 51);
  ASSERT_TRUE(parse(kSpeed, "  1.0e2ms", v));
  EXPECT_DOUBLE_EQ(v, 0.5);
  ASSERT_TRUE(parse(kSpeed, ".25e3", v));  // 250 ms
  EXPECT_DOUBLE_EQ(v, std::sqrt(250.0 / 400.0));
  ASSERT_TRUE(parse(kOutput, "-6e", v));  // a dangling exponent is not part of the number
  EXPECT_DOUBLE_EQ(v, 0.5);
  // Hexadecimal is not a number here, whatever the C runtime's atof would say.
  ASSERT_TRUE(parse(kSpeed, "0x10", v));
  EXPECT_DOUBLE_EQ(v, 0.0);
}

TEST(ParamText, NonFiniteNumbersAreRefusedAndLeaveTheValue) {
  for (const char* text : {"nan", "inf", "-inf", "1e999", "NaN ms"}) {
    double v = 0.3;
    EXPECT_FALSE(parse(kMix, text, v)) << text;
    EXPECT_EQ(v, 0.3) << text;
  }
}
