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

}  // namespace

// Display texts, including the rounding of stepped values (halves away from zero), the Robot end
// of Speed, the clamping of out-of-range values and the meters.
TEST(ParamTable, DisplayTexts) {
  const struct {
    int id;
    double normalized;
    const char* text;
  } cases[] = {
      {kSpeed, 0.035, "Robot"},
      {kSpeed, 0.036, "1 ms"},
      {kSpeed, -0.1, "Robot"},
      {kSpeed, 1.5, "400 ms"},
      {kShift, 0.5, "+4 steps"},
      {kShift, 1.0 / 3, "0 steps"},
      {kShift, 8.0 / 21, "+1 step"},
      {kShift, 6.0 / 21, "-1 step"},
      {kShift, 0.0, "-7 steps"},
      {kHarmonySteps, 9.0 / 14, "+2 steps"},
      {kFormant, plainToNormalized(kFormant, 0.04), "0.0 st"},
      {kFormant, plainToNormalized(kFormant, -0.06), "-0.1 st"},
      {kFormant, 1.0, "+12.0 st"},
      {kOutput, 2.0 / 3, "0.0 dB"},
      {kOutput, 0.0, "-24.0 dB"},
      {kDetune, plainToNormalized(kDetune, 440.02), "440 Hz"},
      {kDetune, plainToNormalized(kDetune, 440.3), "440.3 Hz"},
      {kMix, 0.5, "50%"},
      {kLowLatency, 0.6, "On"},
      {kLowLatency, 0.4, "Off"},
      {kKey, 0.5, "F#"},
      {kKey, -3.0, "C"},
      {kScale, 1.0, "Chromatic"},
      {kCharacter, 1.0, "Lo-Fi"},
      {kStutterRate, 0.6, "1/16"},
      {kPitchIn, 0.02, "24.0"},
      {kPitchIn, 1.0, "108.0"},
      {kPitchIn, 0.005, "-"},
      {kTempo, 0.263158, "120"},
      {kLevel, 0.5, "0.50"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(show(c.id, c.normalized), c.text) << c.id << " " << c.normalized;
  EXPECT_DOUBLE_EQ(normalizedToPlain(kSpeed, 0.5), 100.0);  // a square law
  EXPECT_DOUBLE_EQ(plainToNormalized(kShift, 2.4),
                   9.4 / 21);  // plain to normalized keeps fractions
  EXPECT_DOUBLE_EQ(normalizedToPlain(kHarmonySteps, 0.5 / 14), -7.0);  // -6.5 away from zero
  char small[4];
  EXPECT_EQ(formatParamValue(kScale, 1.0, small, sizeof(small)), 9);  // truncated like snprintf
  EXPECT_STREQ(small, "Chr");
}

// Texts a host or a user types. Display texts come first, so a whole name wins over the prefix
// rules; Key names are tried from the last so sharps win and flats name the sharp below; numbers
// read like atof with units ignored and clamped, hexadecimal excepted. A strict read (typed
// values, scripts) refuses a word that is neither a display text nor a number. A refused text
// leaves the value alone.
TEST(ParamText, ReadsNamesNumbersAndRefusesTheRest) {
  const struct {
    int id;
    const char* text;
    bool ok;
    double expected;
    bool okStrict;
  } cases[] = {
      {kKey, "c#m", true, 1.0 / 11, true},
      {kKey, "Db", true, 1.0 / 11, true},
      {kKey, " eb ", true, 3.0 / 11, true},
      {kKey, "Bb", true, 10.0 / 11, true},
      {kKey, "Cb", true, 1.0, true},
      {kKey, "b", true, 1.0, true},
      {kKey, "Dm", true, 2.0 / 11, true},
      {kKey, "H", false, 0, false},
      {kKey, "", false, 0, false},
      {kScale, "Minor Pent.", true, 6.0 / 9, true},
      {kScale, "major pent.", true, 7.0 / 9, true},
      {kScale, "Phryg. Dominant", true, 5.0 / 9, true},
      {kScale, "Minor P", true, 0.0, true},
      {kScale, "phryg.", true, 3.0 / 9, true},
      {kScale, "CHROMATIC", true, 1.0, true},
      {kScale, "Maj", false, 0, false},
      {kScale, "3", false, 0, false},
      {kCharacter, "glitchy", true, 4.0 / 6, true},
      {kCharacter, "lo-fi", true, 1.0, true},
      {kCharacter, "Dr", false, 0, false},
      {kStutter, "rep", true, 1.0, true},
      {kStutterRate, "1/8t", true, 0.4, true},
      {kStutterRate, "1/16T", true, 0.8, true},
      {kStutterRate, "1/16", true, 0.6, true},
      {kStutterRate, "2", false, 0, false},
      {kLowLatency, " on ", true, 1.0, true},
      {kLowLatency, "Off", true, 0.0, true},
      {kLowLatency, "1", true, 1.0, true},
      {kSpeed, "robot", true, 0.0, true},
      {kSpeed, "fast", true, 0.0, false},
      {kSpeed, "100", true, 0.5, true},
      {kSpeed, "1000", true, 1.0, true},
      {kSpeed, "  1.0e2ms", true, 0.5, true},
      {kSpeed, ".25e3", true, std::sqrt(250.0 / 400.0), true},
      {kSpeed, "0x10", true, 0.0, true},
      {kFormant, "", true, 0.5, false},
      {kFormant, "+6 st", true, 0.75, true},
      {kDetune, "432 Hz", true, 17.0 / 51, true},
      {kOutput, "-6e", true, 0.5, true},  // a dangling exponent is not part of the number
      {kMix, "+.5e2%", true, 0.5, true},
      {kMix, "-", true, 0.0, false},
      {kPitchIn, "-", true, 0.0, true},
      {kTempo, "120", true, 100.0 / 380, true},
      {kMix, "nan", false, 0, false},
      {kMix, "inf", false, 0, false},
      {kMix, "-inf", false, 0, false},
      {kMix, "1e999", false, 0, false},
      {kMix, "NaN ms", false, 0, false},
  };
  for (const auto& c : cases) {
    for (bool strict : {false, true}) {
      double v = 0.25;
      const bool ok = parseParamText(c.id, c.text, v, strict);
      EXPECT_EQ(ok, strict ? c.okStrict : c.ok) << c.id << " \"" << c.text << "\" " << strict;
      EXPECT_NEAR(v, ok ? c.expected : 0.25, 1e-12) << c.id << " \"" << c.text << "\"";
    }
  }
}
