// The zvrender command as scripts use it: started as a process, judged by its files, its exit
// status and its one-line errors.
#include <cmath>

#include "RenderTestSupport.h"

using namespace zvtest;

namespace {

std::vector<float> sine(size_t frames, int channels, double sr, double hz, float amp) {
  std::vector<float> out(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      out[i * channels + c] = amp * static_cast<float>(std::sin(2.0 * M_PI * hz * i / sr + c));
  return out;
}

// A refused run: non-zero status, exactly one line on stderr that names the problem, and the
// folder holds nothing but the files that were there before.
void expectRefused(const TempFolder& dir, const std::vector<std::string>& args,
                   const std::string& mention) {
  const std::vector<std::string> before = dir.entries();
  const ToolRun run = runTool(dir, args);
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(lineCount(run.err), 1) << run.err;
  EXPECT_NE(run.err.find(mention), std::string::npos) << run.err;
  EXPECT_EQ(run.err.rfind("zvrender: ", 0), 0u) << run.err;
  EXPECT_EQ(dir.entries(), before) << "no output or temporary file may be left";
}

}  // namespace

TEST(RenderCommand, RefusesBadArgumentsAndUnusableFilesWithOneLineAndLeavesFilesAlone) {
  TempFolder dir;
  ASSERT_TRUE(writeTestWav(dir.file("in.wav"), sine(4410, 1, 44100, 220, 0.5f), 1, 44100,
                           SF_FORMAT_WAV | SF_FORMAT_PCM_16));
  { std::ofstream(dir.file("out.wav")) << "precious"; }
  expectRefused(dir, {"in.wav", "out.wav", "--set", "Bogus=1"}, "unknown parameter \"Bogus\"");
  expectRefused(dir, {"in.wav", "out.wav", "--set", "Scale=3"}, "Scale");
  expectRefused(dir, {"in.wav", "out.wav", "--set", "Speed=fast"}, "Speed");
  expectRefused(dir, {"in.wav", "out.wav", "--set", "Key=H"}, "Key");
  expectRefused(dir, {"in.wav", "out.wav", "--set", "Pitch In=0.5"}, "read-only");
  expectRefused(dir, {"in.wav", "out.wav", "--preset", "No Such Preset"}, "unknown preset");
  expectRefused(dir, {"in.wav", "out.wav", "--block", "0"}, "--block");
  expectRefused(dir, {"in.wav", "out.wav", "--frobnicate"}, "unknown option");
  expectRefused(dir, {"missing.wav", "out.wav"}, "missing.wav");
  expectRefused(dir, {"in.wav", "no/such/folder/out.wav"}, "no/such/folder/out.wav");
  expectRefused(dir, {"in.wav", "out.wav", "--module", "nowhere.so"}, "nowhere.so");
  expectRefused(dir, {"in.wav", "out.wav", "--user-preset", "missing.zvp"}, "missing.zvp");
  {
    std::ofstream junk(dir.file("noise.wav"), std::ios::binary);
    for (int i = 0; i < 500; ++i) junk.put(static_cast<char>((i * 7919) & 0xFF));
  }
  {
    // A RIFF header whose format chunk is cut off.
    std::ofstream cut(dir.file("cut.wav"), std::ios::binary);
    cut.write("RIFF\x24\x08\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00", 22);
  }
  { std::ofstream empty(dir.file("empty.wav"), std::ios::binary); }
  ASSERT_TRUE(writeTestWav(dir.file("quad.wav"), sine(1000, 4, 44100, 220, 0.5f), 4, 44100,
                           SF_FORMAT_WAV | SF_FORMAT_FLOAT));
  {
    std::ofstream preset(dir.file("bad.zvp"), std::ios::binary);
    preset << "name=No Magic\nv0=0.5\n";
  }
  {
    std::ofstream preset(dir.file("long.zvp"), std::ios::binary);
    preset << "ZoquaVocePreset 1\nname=" << std::string(300, 'n') << "\nv4=0\n";
  }
  expectRefused(dir, {"noise.wav", "out.wav"}, "noise.wav");
  expectRefused(dir, {"cut.wav", "out.wav"}, "cut.wav");
  expectRefused(dir, {"empty.wav", "out.wav"}, "empty.wav");
  expectRefused(dir, {"quad.wav", "out.wav"}, "mono and stereo");
  expectRefused(dir, {"in.wav", "out.wav", "--user-preset", "bad.zvp"}, "not a ZoquaVoce preset");
  expectRefused(dir, {"in.wav", "out.wav", "--user-preset", "long.zvp"}, "no valid preset name");
  EXPECT_EQ(readText(dir.file("out.wav")), "precious");
  // Scripts can tell a mistake in the command (2) from a failure of the job (1).
  EXPECT_EQ(runTool(dir, {"in.wav", "out.wav", "--block", "x"}).exitCode, 2);
  EXPECT_EQ(runTool(dir, {"in.wav", "out.wav", "--set", "Bogus=1"}).exitCode, 1);
  EXPECT_EQ(runTool(dir, {"--help"}).exitCode, 0);
}

// Mix 0 % is the dry path: the output must equal the input's mono mix sample for sample, which
// proves every input format is read at the right scale and channel layout.
TEST(RenderCommand, ReadsPcmAndFloatFilesMonoAndStereoAtAnyRate) {
  struct Case {
    const char* name;
    int channels;
    int rate;
    int format;
  };
  const Case cases[] = {
      {"mono pcm16 44.1k", 1, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
      {"stereo pcm16 48k", 2, 48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
      {"mono pcm24 96k", 1, 96000, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
      {"stereo float 22.05k", 2, 22050, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
      {"mono double 32k", 1, 32000, SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
      {"mono pcm8 16k", 1, 16000, SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
      {"stereo pcm32 44.1k", 2, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_32},
  };
  TempFolder dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t frames = static_cast<size_t>(c.rate) / 5 + 17;
    ASSERT_TRUE(writeTestWav(dir.file("in.wav"), sine(frames, c.channels, c.rate, 330, 0.4f),
                             c.channels, c.rate, c.format));
    TestWav in;
    ASSERT_TRUE(readTestWav(dir.file("in.wav"), in));
    const ToolRun run = runTool(dir, {"in.wav", "out.wav", "--set", "Mix=0", "--block", "300"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    TestWav out;
    ASSERT_TRUE(readTestWav(dir.file("out.wav"), out));
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.sampleRate, c.rate);
    EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(out.samples.size(), frames * 2);
    float worst = 0.0f;
    for (size_t i = 0; i < frames; ++i) {
      float mono = 0.0f;
      for (int ch = 0; ch < c.channels; ++ch) mono += in.samples[i * c.channels + ch];
      mono /= c.channels;
      worst = std::max(
          {worst, std::fabs(out.samples[2 * i] - mono), std::fabs(out.samples[2 * i + 1] - mono)});
    }
    EXPECT_LE(worst, 1e-6f);
  }
}

TEST(RenderCommand, WritesSixteenAndTwentyFourBitOutputClippedNotWrapped) {
  TempFolder dir;
  const size_t frames = 4000;
  ASSERT_TRUE(writeTestWav(dir.file("in.wav"), sine(frames, 1, 44100, 440, 0.9f), 1, 44100,
                           SF_FORMAT_WAV | SF_FORMAT_FLOAT));
  for (const char* option : {"--pcm16", "--pcm24"}) {
    SCOPED_TRACE(option);
    // +12 dB drives the 0.9 sine far over full scale.
    const ToolRun run =
        runTool(dir, {"in.wav", "out.wav", option, "--set", "Mix=0", "--set", "Output=+12"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    TestWav out;
    ASSERT_TRUE(readTestWav(dir.file("out.wav"), out));
    EXPECT_EQ(out.format & SF_FORMAT_SUBMASK,
              std::string(option) == "--pcm16" ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
    ASSERT_EQ(out.samples.size(), frames * 2);
    TestWav in;
    ASSERT_TRUE(readTestWav(dir.file("in.wav"), in));
    for (size_t i = 0; i < frames; ++i) {
      const float expected =
          std::clamp(in.samples[i] * std::pow(10.0f, 12.0f / 20.0f), -1.0f, 1.0f);
      ASSERT_NEAR(out.samples[2 * i], expected, 2.0f / 32768.0f) << "sample " << i;
    }
  }
}

TEST(RenderCommand, WritesOneMeterRowPerBlockWithDecodedNotesAndLevels) {
  TempFolder dir;
  const int sr = 48000;
  const size_t frames = 10 * 480 + 123;  // 10 full blocks of 480 and a short one
  std::vector<float> in = sine(frames, 1, sr, 220, 0.5f);
  for (size_t i = 0; i < 960; ++i) in[i] = 0.0f;  // two silent blocks first
  ASSERT_TRUE(writeTestWav(dir.file("in.wav"), in, 1, sr, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
  const ToolRun run =
      runTool(dir, {"in.wav", "out.wav", "--block", "480", "--meters", "meters.csv"});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  std::istringstream csv(readText(dir.file("meters.csv")));
  std::string line;
  ASSERT_TRUE(std::getline(csv, line));
  EXPECT_EQ(line, "time_s,pitch_in,pitch_out,level,level_db");
  int row = 0;
  while (std::getline(csv, line)) {
    SCOPED_TRACE(line);
    std::vector<std::string> fields;
    std::stringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) fields.push_back(cell);
    if (!line.empty() && line.back() == ',') fields.push_back("");
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_NEAR(std::stod(fields[0]), row * 480.0 / sr, 1e-6);
    for (int f : {1, 2}) {
      if (fields[f].empty()) continue;
      const double note = std::stod(fields[f]);
      EXPECT_GE(note, 24.0);
      EXPECT_LE(note, 108.0);
    }
    const double level = std::stod(fields[3]);
    EXPECT_NEAR(std::stod(fields[4]), level * 60.0 - 60.0, 0.01);
    if (row < 2) {
      EXPECT_EQ(level, 0.0) << "silence reads as the bottom of the level meter";
      EXPECT_TRUE(fields[1].empty()) << "silence has no pitch";
    } else if (row < 10) {
      // A 0.5 sine is -9 dBFS RMS: (60 - 9) / 60.
      EXPECT_NEAR(level, 0.85, 0.01);
    }
    ++row;
  }
  EXPECT_EQ(row, 11);
}

TEST(RenderCommand, PrintsASummaryAndAppliesUserPresetFiles) {
  TempFolder dir;
  std::vector<float> in(2000, 0.0f);
  in[700] = 1.0f;
  ASSERT_TRUE(writeTestWav(dir.file("in.wav"), in, 1, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
  {
    // Columns 4 and 5 are Mix and Output: dry only, at -24 dB (normalized 0); an unknown column
    // is ignored as the editor ignores it.
    std::ofstream preset(dir.file("quiet.zvp"), std::ios::binary);
    preset << "ZoquaVocePreset 1\r\nname=Quiet\nv4=0\nv5=-3\nv12=1\n";
  }
  const ToolRun run = runTool(dir, {"in.wav", "out.wav", "--user-preset", "quiet.zvp"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("latency   2213 samples"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("voiced"), std::string::npos);
  EXPECT_NE(run.out.find("real time"), std::string::npos);
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
  { std::ofstream(dir.file("taken")) << "a file, not a folder"; }
  expectRefused(dir, {"--demo", "taken"}, "not a folder");
  const ToolRun run = runTool(dir, {"--demo", "demo/nested"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("demo/nested/demo_input.wav"), std::string::npos) << run.out;
  for (const char* name : {"demo_input", "demo_corrected", "demo_harmony", "demo_character"}) {
    SCOPED_TRACE(name);
    TestWav wav;
    ASSERT_TRUE(readTestWav(dir.file(std::string("demo/nested/") + name + ".wav"), wav));
    EXPECT_EQ(wav.sampleRate, 44100);
    EXPECT_EQ(wav.channels, std::string(name) == "demo_input" ? 1 : 2);
    EXPECT_GT(wav.samples.size() / wav.channels, 44100u * 5) << "several seconds of singing";
    double energy = 0.0;
    for (float v : wav.samples) {
      ASSERT_TRUE(std::isfinite(v));
      energy += static_cast<double>(v) * v;
    }
    EXPECT_GT(std::sqrt(energy / wav.samples.size()), 0.01);
    if (std::string(name) == "demo_input") continue;
    const std::string png = readText(dir.file(std::string("demo/nested/") + name + "_pitch.png"));
    ASSERT_GT(png.size(), 1000u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const std::string csv = readText(dir.file(std::string("demo/nested/") + name + "_meters.csv"));
    EXPECT_EQ(csv.rfind("time_s,pitch_in,pitch_out,level,level_db\n", 0), 0u);
    EXPECT_GT(lineCount(csv), 500);
  }
}
