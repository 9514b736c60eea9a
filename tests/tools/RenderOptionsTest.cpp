#include <gtest/gtest.h>

#include "RenderOptions.h"

using namespace zvrender;

namespace {

bool parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
  args.insert(args.begin(), "zvrender");
  return parseCommandLine(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

// Values written inline or as the next word; everything after the first "=" of a setting is its
// text; "--" ends the options; the help names every option and the factory presets.
TEST(RenderOptions, ReadsTheScriptedCommandShape) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(
      parse({"in.wav", "--set", "Key=F#", "--set=Speed=20 ms", "--preset", "Telephone", "--block",
             "256", "--meters", "m.csv", "--tempo", "97.5", "--start=3.25", "--pcm24", "out.wav"},
            o, error))
      << error;
  EXPECT_EQ(o.inputPath, "in.wav");
  EXPECT_EQ(o.outputPath, "out.wav");
  EXPECT_EQ(o.settings, (decltype(o.settings){{"Key", "F#"}, {"Speed", "20 ms"}}));
  EXPECT_EQ(o.presetName, "Telephone");
  EXPECT_EQ(o.blockSize, 256);
  EXPECT_EQ(o.metersPath, "m.csv");
  EXPECT_DOUBLE_EQ(o.tempoBpm, 97.5);
  EXPECT_DOUBLE_EQ(o.startBeats, 3.25);
  EXPECT_EQ(o.format, SampleFormat::kPcm24);
  // The documented defaults.
  ASSERT_TRUE(parse({"--", "-odd name.wav", "b.wav"}, o, error));
  EXPECT_EQ(o.inputPath, "-odd name.wav");
  EXPECT_EQ(o.blockSize, 512);
  EXPECT_DOUBLE_EQ(o.tempoBpm, 120.0);
  EXPECT_DOUBLE_EQ(o.startBeats, 0.0);
  EXPECT_EQ(o.format, SampleFormat::kFloat32);
  EXPECT_TRUE(o.modulePath.empty());
  for (const auto& accepted :
       std::vector<std::vector<const char*>>{{"a.wav", "b.wav", "--block", "1"},
                                             {"a.wav", "b.wav", "--block", "65536"},
                                             {"a.wav", "b.wav", "--start", "-2"},
                                             {"--demo", "out"}})
    EXPECT_TRUE(parse(accepted, o, error)) << accepted.back() << ": " << error;
  EXPECT_EQ(o.demoDir, "out");
  ASSERT_TRUE(parse({"--help"}, o, error));
  EXPECT_TRUE(o.showHelp);
  const std::string help = usageText("/some/where/zvrender");
  EXPECT_EQ(help.rfind("Usage: zvrender ", 0), 0u);
  for (const char* word : {"--set", "--preset", "--user-preset", "--block", "--tempo", "--start",
                           "--meters", "--pcm16", "--pcm24", "--module", "--demo", "--quiet",
                           "--help", "\"Default\"", "\"Chop 1/32\"", "\"Trap Stutter\""})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

// Each refusal is one line that names what is wrong: block sizes outside 1..65536, tempos outside
// the product's range, non-finite starts, malformed settings, empty names, unknown options, file
// counts, a meters file that would overwrite the output.
TEST(RenderOptions, RefusesWhatItCannotUseAndNamesIt) {
  std::vector<std::pair<std::vector<const char*>, const char*>> refused = {
      {{"--sett", "Key=C"}, "unknown option --sett"},
      {{"--set"}, "needs a value"},
      {{"--quiet=yes"}, "takes no value"},
      {{"c.wav"}, "c.wav"}};
  const std::pair<const char*, std::vector<const char*>> badValues[] = {
      {"--block", {"0", "-4", "65537", "12x", "", "1.5", "99999999999999999999"}},
      {"--tempo", {"19.9", "400.1", "fast", "nan", "inf"}},
      {"--start", {"nan", "x", "inf"}},
      {"--set", {"Key", "=C"}},
      {"--meters", {"", "b.wav"}},
      {"--preset", {""}},
      {"--user-preset", {""}},
      {"--demo", {"", "out"}}};
  for (const auto& [option, values] : badValues)
    for (const char* value : values) refused.push_back({{option, value}, option});
  for (auto [args, mention] : refused) {
    args.insert(args.begin(), {"a.wav", "b.wav"});
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(parse(args, o, error)) << args.back();
    EXPECT_NE(error.find(mention), std::string::npos) << args.back() << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
  RenderOptions o;
  std::string error;
  EXPECT_FALSE(parse({"a.wav"}, o, error));
  EXPECT_NE(error.find("an input and an output file"), std::string::npos);
}
