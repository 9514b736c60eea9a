#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "ParamDefs.h"

using namespace zv;

// Display texts, including the rounding of stepped values (halves away from zero), the Robot end
// of Speed, the clamping of out-of-range values and the meters.
TEST(ParamTable, DisplayTexts) {
  auto show = [](int id, double normalized) {
    char text[64];
    formatParamValue(id, normalized, text, sizeof(text));
    return std::string(text);
  };
  const std::tuple<int, double, const char*> cases[] = {
      {kSpeed, 0.035, "Robot"},
      {kSpeed, 0.036, "1 ms"},
      {kSpeed, 1.5, "400 ms"},
      {kShift, 0.5, "+4 steps"},
      {kShift, 1.0 / 3, "0 steps"},
      {kShift, 8.0 / 21, "+1 step"},
      {kShift, 6.0 / 21, "-1 step"},
      {kFormant, plainToNormalized(kFormant, 0.04), "0.0 st"},
      {kFormant, plainToNormalized(kFormant, -0.06), "-0.1 st"},
      {kFormant, 1.0, "+12.0 st"},
      {kOutput, 2.0 / 3, "0.0 dB"},
      {kDetune, plainToNormalized(kDetune, 440.02), "440 Hz"},
      {kDetune, plainToNormalized(kDetune, 440.3), "440.3 Hz"},
      {kMix, 0.5, "50%"},
      {kLowLatency, 0.6, "On"},
      {kLowLatency, 0.4, "Off"},
      {kKey, 0.5, "F#"},
      {kKey, -3.0, "C"},
      {kStutterRate, 0.6, "1/16"},
      {kPitchIn, 0.02, "24.0"},
      {kPitchIn, 1.0, "108.0"},
      {kPitchIn, 0.005, "-"},
      {kTempo, 0.263158, "120"},
      {kLevel, 0.5, "0.50"},
  };
  for (const auto& [id, normalized, text] : cases)
    EXPECT_EQ(show(id, normalized), text) << id << " " << normalized;
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
  // The parameter, the text, whether it reads, the value it gives, whether it reads strictly.
  const std::tuple<int, const char*, bool, double, bool> cases[] = {
      {kKey, "c#m", true, 1.0 / 11, true},
      {kKey, "Db", true, 1.0 / 11, true},
      {kKey, " eb ", true, 3.0 / 11, true},
      {kKey, "Cb", true, 1.0, true},
      {kKey, "b", true, 1.0, true},
      {kKey, "H", false, 0, false},
      {kKey, "", false, 0, false},
      {kScale, "Minor Pent.", true, 6.0 / 9, true},
      {kScale, "major pent.", true, 7.0 / 9, true},
      {kScale, "Phryg. Dominant", true, 5.0 / 9, true},
      {kScale, "Minor P", true, 0.0, true},
      {kScale, "phryg.", true, 3.0 / 9, true},
      {kScale, "Maj", false, 0, false},
      {kScale, "3", false, 0, false},
      {kCharacter, "glitchy", true, 4.0 / 6, true},
      {kCharacter, "Dr", false, 0, false},
      {kStutter, "rep", true, 1.0, true},
      {kStutterRate, "1/8t", true, 0.4, true},
      {kStutterRate, "2", false, 0, false},
      {kLowLatency, " on ", true, 1.0, true},
      {kLowLatency, "1", true, 1.0, true},
      {kSpeed, "robot", true, 0.0, true},
      {kSpeed, "fast", true, 0.0, false},
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
      {kMix, "nan", false, 0, false},
      {kMix, "1e999", false, 0, false},
      {kMix, "NaN ms", false, 0, false},
  };
  for (const auto& [id, text, reads, expected, readsStrictly] : cases) {
    for (bool strict : {false, true}) {
      double v = 0.25;
      const bool ok = parseParamText(id, text, v, strict);
      EXPECT_EQ(ok, strict ? readsStrictly : reads) << id << " \"" << text << "\" " << strict;
      EXPECT_NEAR(v, ok ? expected : 0.25, 1e-12) << id << " \"" << text << "\"";
    }
  }
}
