#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "RenderOptions.h"
#include "Renderer.h"
#include "UserPresets.h"

using namespace zvrender;

namespace {

bool parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
  args.insert(args.begin(), "zvrender");
  return parseCommandLine(static_cast<int>(args.size()), args.data(), options, error);
}

std::string failure(std::vector<const char*> args) {
  RenderOptions options;
  std::string error;
  EXPECT_FALSE(parse(args, options, error));
  EXPECT_EQ(error.find('\n'), std::string::npos) << "errors are one line";
  return error;
}

}  // namespace

TEST(RenderOptions, ReadsTheScriptedCommandShape) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(parse(
      {"in.wav", "out.wav", "--set", "Key=F#", "--set", "Low Latency=On", "--preset", "Telephone",
       "--block", "256", "--meters", "m.csv", "--tempo", "97.5", "--start=3.25", "--pcm24"},
      o, error))
      << error;
  EXPECT_EQ(o.inputPath, "in.wav");
  EXPECT_EQ(o.outputPath, "out.wav");
  ASSERT_EQ(o.settings.size(), 2u);
  EXPECT_EQ(o.settings[0], std::make_pair(std::string("Key"), std::string("F#")));
  EXPECT_EQ(o.settings[1], std::make_pair(std::string("Low Latency"), std::string("On")));
  EXPECT_EQ(o.presetName, "Telephone");
  EXPECT_EQ(o.blockSize, 256);
  EXPECT_EQ(o.metersPath, "m.csv");
  EXPECT_DOUBLE_EQ(o.tempoBpm, 97.5);
  EXPECT_DOUBLE_EQ(o.startBeats, 3.25);
  EXPECT_EQ(o.format, SampleFormat::kPcm24);
}

TEST(RenderOptions, KeepsEverythingAfterTheFirstEqualsSignAsTheValueText) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(parse({"--set=Speed=20 ms", "--set", "Formant=+2", "a.wav", "b.wav"}, o, error))
      << error;
  EXPECT_EQ(o.settings[0].first, "Speed");
  EXPECT_EQ(o.settings[0].second, "20 ms");
  EXPECT_EQ(o.settings[1].second, "+2");
  // The documented defaults.
  EXPECT_EQ(o.blockSize, 512);
  EXPECT_DOUBLE_EQ(o.tempoBpm, 120.0);
  EXPECT_DOUBLE_EQ(o.startBeats, 0.0);
  EXPECT_EQ(o.format, SampleFormat::kFloat32);
  EXPECT_TRUE(o.modulePath.empty());
}

// Each refusal is one line that names what is wrong: block sizes outside 1..65536, tempos
// outside the product's range, non-finite starts, malformed settings, unknown options, file counts.
TEST(RenderOptions, RefusesWhatItCannotUseAndNamesIt) {
  const std::pair<std::vector<const char*>, const char*> refused[] = {
      {{"--block", "0"}, "--block"},
      {{"--block", "-4"}, "--block"},
      {{"--block", "65537"}, "--block"},
      {{"--block", "12x"}, "--block"},
      {{"--block", ""}, "--block"},
      {{"--block", "1.5"}, "--block"},
      {{"--block", "99999999999999999999"}, "--block"},
      {{"--tempo", "19.9"}, "--tempo"},
      {{"--tempo", "400.1"}, "--tempo"},
      {{"--tempo", "fast"}, "--tempo"},
      {{"--tempo", "nan"}, "--tempo"},
      {{"--tempo", "inf"}, "--tempo"},
      {{"--start", "nan"}, "--start"},
      {{"--start", "x"}, "--start"},
      {{"--start", "inf"}, "--start"},
      {{"--set", "Key"}, "NAME=TEXT"},
      {{"--set", "=C"}, "NAME=TEXT"},
      {{"--sett", "Key=C"}, "unknown option --sett"},
      {{"--set"}, "needs a value"},
      {{"--quiet=yes"}, "takes no value"},
      {{"--meters", "b.wav"}, "--meters"},
      {{"c.wav"}, "c.wav"},
  };
  for (const auto& [extra, mention] : refused) {
    std::vector<const char*> args = {"a.wav", "b.wav"};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_NE(failure(args).find(mention), std::string::npos) << extra.back();
  }
  EXPECT_FALSE(failure({"a.wav"}).empty());
  EXPECT_NE(failure({"--demo", "out", "a.wav"}).find("--demo"), std::string::npos);
  RenderOptions o;
  std::string error;
  for (const char* block : {"1", "65536"})
    EXPECT_TRUE(parse({"a.wav", "b.wav", "--block", block}, o, error)) << block;
  EXPECT_TRUE(parse({"a.wav", "b.wav", "--start", "-2"}, o, error))
      << "pre-roll positions are valid";
  ASSERT_TRUE(parse({"--demo", "out"}, o, error));
  EXPECT_EQ(o.demoDir, "out");
  ASSERT_TRUE(parse({"--", "-odd name.wav", "b.wav"}, o, error)) << "-- ends the options";
  EXPECT_EQ(o.inputPath, "-odd name.wav");
}

TEST(RenderOptions, HelpNamesEveryOptionAndEveryFactoryPreset) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(parse({"--help"}, o, error));
  EXPECT_TRUE(o.showHelp);
  const std::string help = usageText("/some/where/zvrender");
  for (const char* option :
       {"--set", "--preset", "--user-preset", "--block", "--tempo", "--start", "--meters",
        "--pcm16", "--pcm24", "--module", "--demo", "--quiet", "--help"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  for (const char* preset : {"\"Default\"", "\"Chop 1/32\"", "\"Trap Stutter\""})
    EXPECT_NE(help.find(preset), std::string::npos) << preset;
  EXPECT_EQ(help.rfind("Usage: zvrender ", 0), 0u);
}

// A user preset file means the same to the render tool as to the editor, odd numbers included.
TEST(RenderOptions, ReadsAUserPresetFileAsTheEditorDoes) {
  const std::string path = ::testing::TempDir() + "zvrender-odd-numbers.zvp";
  {
    std::ofstream file(path, std::ios::binary);
    file << "ZoquaVocePreset\nname=Odd\nv0=0x1p-1\nv1=inf\nv2=nan\nv3=1e999\nv4=-2\nv5=0.25e0\n";
  }
  std::vector<std::pair<int, double>> values;
  std::string name, error;
  ASSERT_TRUE(Renderer::userPresetValues(path, values, name, error)) << error;
  zv::UserPreset editorView;
  ASSERT_TRUE(zv::readUserPresetFile(std::wstring(path.begin(), path.end()), editorView));
  ASSERT_EQ(values.size(), editorView.values.size());
  for (size_t j = 0; j < values.size(); ++j) EXPECT_EQ(values[j].second, editorView.values[j]) << j;
  EXPECT_EQ(values[0].second, 0.0);  // hexadecimal is not a number in these files
  EXPECT_EQ(values[5].second, 0.25);
  std::remove(path.c_str());
}
