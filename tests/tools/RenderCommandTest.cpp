// The zvrender command as scripts use it: started as a process, judged by its files, its exit
// status and its one-line errors.
#include <cmath>
#include <fstream>
#include <sstream>

#include "RenderTestSupport.h"

using namespace zvtest;

namespace {

TestWav sine(size_t frames, int channels, int rate, int format, double hz, float amp) {
  TestWav wav{std::vector<float>(frames * channels), channels, rate, format};
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      wav.samples[i * channels + c] =
          amp * static_cast<float>(std::sin(2 * M_PI * hz * i / rate + c));
  return wav;
}

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

}  // namespace

// A refused run: non-zero status, exactly one line on stderr that names the problem, and the
// folder holds nothing but the files that were there before.
TEST(RenderCommand, RefusesBadArgumentsAndUnusableFilesWithOneLineAndLeavesFilesAlone) {
  TempFolder dir;
  ASSERT_TRUE(writeTestWav(dir.file("in.wav"), sine(4410, 1, 44100, kFloatWav, 220, 0.5f)));
  ASSERT_TRUE(writeTestWav(dir.file("quad.wav"), sine(1000, 4, 44100, kFloatWav, 220, 0.5f)));
  std::string noise;
  for (int i = 0; i < 500; ++i) noise += static_cast<char>((i * 7919) & 0xFF);
  const std::pair<const char*, std::string> files[] = {
      {"out.wav", "precious"},
      {"noise.wav", noise},
      {"cut.wav", std::string("RIFF\x24\x08\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00", 22)},
      {"empty.wav", ""},
      {"bad.zvp", "name=No Magic\nv0=0.5\n"},
      {"long.zvp", "ZoquaVocePreset 1\nname=" + std::string(300, 'n') + "\nv4=0\n"},
      {"taken", "a file, not a folder"}};
  for (const auto& [name, bytes] : files) std::ofstream(dir.file(name), std::ios::binary) << bytes;
  const std::pair<std::vector<std::string>, const char*> refused[] = {
      {{"in.wav", "out.wav", "--set", "Bogus=1"}, "unknown parameter \"Bogus\""},
      {{"in.wav", "out.wav", "--set", "Key=H"}, "Key"},
      {{"in.wav", "out.wav", "--set", "Pitch In=0.5"}, "read-only"},
      {{"in.wav", "out.wav", "--preset", "No Such Preset"}, "unknown preset"},
      {{"in.wav", "out.wav", "--frobnicate"}, "unknown option"},
      {{"in.wav", "out.wav", "--module", "nowhere.so"}, "nowhere.so"},
      {{"in.wav", "out.wav", "--user-preset", "missing.zvp"}, "missing.zvp"},
      {{"in.wav", "out.wav", "--user-preset", "bad.zvp"}, "not a ZoquaVoce preset"},
      {{"in.wav", "out.wav", "--user-preset", "long.zvp"}, "no valid preset name"},
      {{"missing.wav", "out.wav"}, "missing.wav"},
      {{"noise.wav", "out.wav"}, "noise.wav"},
      {{"cut.wav", "out.wav"}, "cut.wav"},
      {{"empty.wav", "out.wav"}, "empty.wav"},
      {{"quad.wav", "out.wav"}, "mono and stereo"},
      {{"in.wav", "no/such/folder/out.wav"}, "no/such/folder/out.wav"},
      {{"--demo", "taken"}, "not a folder"}};
  const std::vector<std::string> before = dir.entries();
  for (const auto& [args, mention] : refused) {
    const ToolRun run = runTool(dir, args);
    EXPECT_NE(run.exitCode, 0) << mention;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(mention), std::string::npos) << run.err;
    EXPECT_EQ(run.err.rfind("zvrender: ", 0), 0u) << run.err;
    EXPECT_EQ(dir.entries(), before) << "no output or temporary file may be left: " << mention;
  }
  EXPECT_EQ(readBytes(dir.file("out.wav")), "precious");
  // Scripts can tell a mistake in the command (2) from a failure of the job (1).
  EXPECT_EQ(runTool(dir, {"in.wav", "out.wav", "--block", "x"}).exitCode, 2);
  EXPECT_EQ(runTool(dir, {"in.wav", "out.wav", "--set", "Bogus=1"}).exitCode, 1);
  EXPECT_EQ(runTool(dir, {"--help"}).exitCode, 0);
}

// Mix 0 % is the dry path: the output must equal the input's mono mix sample for sample, which
// proves every input format is read at the right scale and channel layout. Output in 16 and 24
// bits is clipped, not wrapped, when +12 dB drives a 0.9 sine far over full scale.
TEST(RenderCommand, ReadsAndWritesPcmAndFloatFilesMonoAndStereoAtAnyRate) {
  // Channels, rate and format in; the option and the format it writes.
  const std::tuple<int, int, int, const char*, int> cases[] = {
      {1, 44100, SF_FORMAT_PCM_16, "--float", SF_FORMAT_FLOAT},
      {2, 48000, SF_FORMAT_PCM_16, "--float", SF_FORMAT_FLOAT},
      {1, 96000, SF_FORMAT_PCM_24, "--float", SF_FORMAT_FLOAT},
      {2, 22050, SF_FORMAT_FLOAT, "--float", SF_FORMAT_FLOAT},
      {1, 32000, SF_FORMAT_DOUBLE, "--float", SF_FORMAT_FLOAT},
      {1, 16000, SF_FORMAT_PCM_U8, "--float", SF_FORMAT_FLOAT},
      {2, 44100, SF_FORMAT_PCM_32, "--float", SF_FORMAT_FLOAT},
      {1, 44100, SF_FORMAT_FLOAT, "--pcm16", SF_FORMAT_PCM_16},
      {1, 44100, SF_FORMAT_FLOAT, "--pcm24", SF_FORMAT_PCM_24}};
  TempFolder dir;
  for (const auto& [channels, rate, format, option, written] : cases) {
    SCOPED_TRACE(testing::Message()
                 << channels << " ch, " << rate << " Hz, format " << format << ", " << option);
    const size_t frames = static_cast<size_t>(rate) / 5 + 17;
    const bool loud = written != SF_FORMAT_FLOAT;
    TestWav in = sine(frames, channels, rate, SF_FORMAT_WAV | format, 330, loud ? 0.9f : 0.4f);
    ASSERT_TRUE(writeTestWav(dir.file("in.wav"), in));
    ASSERT_TRUE(readTestWav(dir.file("in.wav"), in));
    const ToolRun run = runTool(dir, {"in.wav", "out.wav", option, "--set", "Mix=0", "--block",
                                      "300", "--set", loud ? "Output=+12" : "Output=0"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    TestWav out;
    ASSERT_TRUE(readTestWav(dir.file("out.wav"), out));
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.sampleRate, rate);
    EXPECT_EQ(out.format, SF_FORMAT_WAV | written);
    ASSERT_EQ(out.samples.size(), frames * 2);
    float worst = 0.0f;
    for (size_t i = 0; i < frames; ++i) {
      float mono = 0.0f;
      for (int ch = 0; ch < channels; ++ch) mono += in.samples[i * channels + ch];
      mono /= channels;
      if (loud) mono = std::clamp(mono * std::pow(10.0f, 12.0f / 20.0f), -1.0f, 1.0f);
      worst = std::max(
          {worst, std::fabs(out.samples[2 * i] - mono), std::fabs(out.samples[2 * i + 1] - mono)});
    }
    EXPECT_LE(worst, loud ? 2.0f / 32768.0f : 1e-6f);
  }
}

TEST(RenderCommand, WritesOneMeterRowPerBlockWithDecodedNotesAndLevels) {
  TempFolder dir;
  const int sr = 48000;  // 10 blocks of 480 and a short one
  TestWav in = sine(10 * 480 + 123, 1, sr, kFloatWav, 220, 0.5f);
  std::fill(in.samples.begin(), in.samples.begin() + 960, 0.0f);  // two silent blocks first
  ASSERT_TRUE(writeTestWav(dir.file("in.wav"), in));
  const ToolRun run =
      runTool(dir, {"in.wav", "out.wav", "--block", "480", "--meters", "meters.csv"});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  std::istringstream csv(readBytes(dir.file("meters.csv")));
  std::string line;
  ASSERT_TRUE(std::getline(csv, line));
  EXPECT_EQ(line, "time_s,pitch_in,pitch_out,level,level_db");
  int row = 0;
  for (; std::getline(csv, line); ++row) {
    SCOPED_TRACE(line);
    std::vector<std::string> fields;
    std::stringstream cells(line + ",");
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_NEAR(std::stod(fields[0]), row * 480.0 / sr, 1e-6);
    for (int f : {1, 2})
      EXPECT_TRUE(fields[f].empty() || std::fabs(std::stod(fields[f]) - 66.0) <= 42.0) << "C1..C8";
    const double level = std::stod(fields[3]);
    EXPECT_NEAR(std::stod(fields[4]), level * 60.0 - 60.0, 0.01);
    if (row < 2) {
      EXPECT_EQ(level, 0.0) << "silence reads as the bottom of the level meter";
      EXPECT_TRUE(fields[1].empty()) << "silence has no pitch";
    } else if (row < 10) {
      EXPECT_NEAR(level, 0.85, 0.01) << "a 0.5 sine is -9 dBFS RMS: (60 - 9) / 60";
    }
  }
  EXPECT_EQ(row, 11);
}

TEST(RenderCommand, PrintsASummaryAndAppliesUserPresetFiles) {
  TempFolder dir;
  TestWav in{std::vector<float>(2000, 0.0f), 1, 44100, kFloatWav};
  in.samples[700] = 1.0f;
  ASSERT_TRUE(writeTestWav(dir.file("in.wav"), in));
  // Columns 4 and 5 are Mix and Output: dry only, at -24 dB (normalized 0); an unknown column is
  // ignored as the editor ignores it.
  std::ofstream(dir.file("quiet.zvp"), std::ios::binary)
      << "ZoquaVocePreset 1\r\nname=Quiet\nv4=0\nv5=-3\nv12=1\n";
  const ToolRun run = runTool(dir, {"in.wav", "out.wav", "--user-preset", "quiet.zvp"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* shown : {"latency   2213 samples", "voiced", "real time"})
    EXPECT_NE(run.out.find(shown), std::string::npos) << run.out;
  EXPECT_TRUE(run.err.empty()) << "no progress bar when stderr is not a terminal: " << run.err;
  TestWav out;
  ASSERT_TRUE(readTestWav(dir.file("out.wav"), out));
  EXPECT_NEAR(out.samples[2 * 700], std::pow(10.0f, -24.0f / 20.0f), 1e-4);
  const ToolRun quiet = runTool(dir, {"in.wav", "out2.wav", "-q"});
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_TRUE(quiet.out.empty());
}

TEST(RenderCommand, DemoWritesFiniteAudibleFilesPicturesAndMeters) {
  TempFolder dir;
  const ToolRun run = runTool(dir, {"--demo", "demo/nested"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("demo/nested/demo_input.wav"), std::string::npos) << run.out;
  for (const std::string name :
       {"demo_input", "demo_corrected", "demo_harmony", "demo_character"}) {
    SCOPED_TRACE(name);
    const std::string base = dir.file("demo/nested/" + name);
    TestWav wav;
    ASSERT_TRUE(readTestWav(base + ".wav", wav));
    EXPECT_EQ(wav.sampleRate, 44100);
    EXPECT_EQ(wav.channels, name == "demo_input" ? 1 : 2);
    EXPECT_GT(wav.samples.size() / wav.channels, 44100u * 5) << "several seconds of singing";
    double energy = 0.0;
    for (float v : wav.samples) {
      ASSERT_TRUE(std::isfinite(v));
      energy += static_cast<double>(v) * v;
    }
    EXPECT_GT(std::sqrt(energy / wav.samples.size()), 0.01);
    if (name == "demo_input") continue;
    const std::string png = readBytes(base + "_pitch.png");
    ASSERT_GT(png.size(), 1000u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const std::string csv = readBytes(base + "_meters.csv");
    EXPECT_EQ(csv.rfind("time_s,pitch_in,pitch_out,level,level_db\n", 0), 0u);
    EXPECT_GT(std::count(csv.begin(), csv.end(), '\n'), 500);
  }
}
