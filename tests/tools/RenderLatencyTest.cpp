// Latency compensation through the real module: what goes in at sample k comes out at sample k.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "RenderTestSupport.h"

using namespace zvrender;

namespace {

Renderer& renderer() {
  return zvtest::sharedRenderer();
}

struct Rendered {
  std::vector<float> left, right;
  RenderStats stats;
};

Rendered render(const std::vector<float>& interleaved, int channels, double sr, RenderJob job) {
  BufferSource source(interleaved, channels, sr);
  BufferSink sink;
  Rendered r;
  std::string error;
  EXPECT_TRUE(renderer().render(job, source, sink, nullptr, nullptr, r.stats, error)) << error;
  for (size_t i = 0; i + 1 < sink.samples.size(); i += 2) {
    r.left.push_back(sink.samples[i]);
    r.right.push_back(sink.samples[i + 1]);
  }
  return r;
}

size_t loudestIndex(const std::vector<float>& x) {
  size_t best = 0;
  for (size_t i = 1; i < x.size(); ++i)
    if (std::fabs(x[i]) > std::fabs(x[best])) best = i;
  return best;
}

}  // namespace

// Mix 0 % plays the dry path only, which is the input delayed by exactly the reported latency,
// whatever the voice engine does to the wet path. With the wet path on, an isolated click is
// unvoiced and leaves through the consonant path: it must still come out on its own sample, or the
// compensation disagrees with the voice's delay.
TEST(RenderLatency, PutsAnImpulseBackOnItsOwnSampleAtEveryRateAndBlockSize) {
  for (double sr : {44100.0, 48000.0}) {
    for (int block : {1, 7, 64, 333, 512, 4096}) {
      for (const char* lowLatency : {"Off", "On"}) {
        for (bool dry : {true, false}) {
          SCOPED_TRACE(testing::Message() << sr << " Hz, block " << block << ", Low Latency "
                                          << lowLatency << (dry ? ", dry" : ", default mix"));
          const size_t at = dry ? 3001 : 5003;
          std::vector<float> in(12000, 0.0f);
          in[at] = 0.8f;
          RenderJob job;
          job.blockSize = block;
          job.settings = {{"Low Latency", lowLatency}};
          if (dry) job.settings.push_back({"Mix", "0"});
          const Rendered out = render(in, 1, sr, job);
          ASSERT_EQ(out.left.size(), in.size()) << "the output is exactly as long as the input";
          EXPECT_EQ(loudestIndex(out.left), at);
          EXPECT_EQ(out.stats.latencySamples, std::string(lowLatency) == "On"
                                                  ? (sr == 44100.0 ? 132 : 144)
                                                  : (sr == 44100.0 ? 2213 : 2409));
          if (!dry) continue;
          EXPECT_FLOAT_EQ(out.left[at], 0.8f);
          EXPECT_FLOAT_EQ(out.right[at], 0.8f);
        }
      }
    }
  }
}

// The tail is flushed so the last sample is heard, and a non-finite sample comes out as silence.
TEST(RenderLatency, FlushesTheTailAndSilencesNonFiniteSamples) {
  std::vector<float> in(5000, 0.25f);
  in[100] = std::nanf("");
  in[200] = INFINITY;
  in.back() = 0.5f;
  RenderJob job;
  job.settings = {{"Mix", "0"}};
  const Rendered out = render(in, 1, 44100.0, job);
  ASSERT_EQ(out.left.size(), in.size());
  for (float v : out.left) ASSERT_TRUE(std::isfinite(v));
  EXPECT_FLOAT_EQ(out.left[100], 0.0f);
  EXPECT_FLOAT_EQ(out.left[101], 0.25f);
  EXPECT_FLOAT_EQ(out.left.back(), 0.5f);
  const Rendered empty = render({}, 1, 44100.0, RenderJob{});
  EXPECT_TRUE(empty.left.empty());
  EXPECT_EQ(empty.stats.blocks, 0);
}

TEST(RenderLatency, AppliesPresetValuesBeforeTheSettingsThatFollowThem) {
  std::vector<float> in(3000, 0.0f);
  in[1000] = 1.0f;
  RenderJob job;
  std::string error;
  ASSERT_TRUE(Renderer::factoryPresetValues("demon mode", job.presetValues, error))
      << "names ignore case";
  job.settings = {{"Mix", "0"}, {"Output", "-12"}};  // override the preset's +1 dB
  const Rendered out = render(in, 1, 44100.0, job);
  ASSERT_EQ(out.left.size(), in.size());
  EXPECT_NEAR(out.left[1000], std::pow(10.0f, -12.0f / 20.0f), 1e-4);
  EXPECT_FALSE(Renderer::factoryPresetValues("Demon", job.presetValues, error));
  EXPECT_NE(error.find("unknown preset"), std::string::npos);
}

// The transport reports a playing host at --tempo from --start; a 1/4 gate is open for the first
// 55 % of every beat, so on the aligned output the open and closed stretches must sit on the grid.
TEST(RenderTransport, TempoSyncedGateLandsOnTheBeatGridOfTheAlignedOutput) {
  struct Case {
    double tempo, startBeats;
  };
  for (const Case c : {Case{120.0, 0.0}, Case{90.0, 0.0}, Case{120.0, 0.5}}) {
    SCOPED_TRACE(testing::Message() << c.tempo << " bpm from beat " << c.startBeats);
    const double sr = 44100.0;
    const double samplesPerBeat = 60.0 * sr / c.tempo;
    std::vector<float> in(static_cast<size_t>(4 * samplesPerBeat));
    for (size_t i = 0; i < in.size(); ++i)
      in[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 300 * i / sr));
    RenderJob job;
    job.tempoBpm = c.tempo;
    job.startBeats = c.startBeats;
    job.blockSize = 480;
    job.settings = {{"Mix", "0"}, {"Stutter", "Gate"}, {"Stutter Rate", "1/4"}};
    const Rendered out = render(in, 1, sr, job);
    ASSERT_EQ(out.left.size(), in.size());
    // RMS over 10 ms around a beat position of the output timeline.
    auto rmsAtBeat = [&](double beat) {
      const size_t centre = static_cast<size_t>((beat - c.startBeats) * samplesPerBeat);
      double sum = 0.0;
      const size_t half = 220;
      for (size_t i = centre - half; i < centre + half; ++i) sum += out.left[i] * out.left[i];
      return std::sqrt(sum / (2 * half));
    };
    // Both edges: a grid off by the latency (a tenth of a beat here) moves one of them.
    for (double beat = std::ceil(c.startBeats); beat + 1.0 < c.startBeats + 4.0; beat += 1.0) {
      for (double open : {0.05, 0.25, 0.5}) EXPECT_GT(rmsAtBeat(beat + open), 0.3) << beat + open;
      for (double shut : {0.6, 0.95}) EXPECT_LT(rmsAtBeat(beat + shut), 0.01) << beat + shut;
    }
  }
}

// What a script types must mean what the plug-in shows, even where the plug-in's own text parsing
// is looser: whole displayed names win over prefixes, flats name the sharp below, and a numeric
// parameter refuses words rather than reading them as 0.
TEST(RenderSettings, ReadsDisplayedNamesFlatsAndNumbersAsAScriptMeansThem) {
  // Titles match whole or by prefix, in any case; the texts are read strictly (the parameter
  // table's own tests cover the strict reading case by case).
  const std::tuple<const char*, const char*, bool> cases[] = {{"scale", "phryg. dominant", true},
                                                              {"LowLat", "off", true},
                                                              {"Key", "Bb", true},
                                                              {"Speed", " 20 ms ", true},
                                                              {"Speed", "fast", false},
                                                              {"Formant", "", false},
                                                              {"Scale", "3", false},
                                                              {"Keys", "C", false}};
  for (const auto& [title, text, accepted] : cases) {
    RenderJob job;
    job.settings = {{title, text}};
    std::string error;
    EXPECT_EQ(renderer().checkJob(job, error), accepted) << title << "=" << text << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(RenderSettings, SettingsLandOnTheValuesTheyName) {
  std::vector<std::pair<std::string, std::string>> changed;
  std::string error;
  RenderJob job;
  job.settings = {{"Key", "Bb"},         {"Scale", "Minor Pent."}, {"Speed", "20 ms"},
                  {"Low Latency", "On"}, {"Formant", "+2"},        {"Key", "db"}};
  ASSERT_TRUE(renderer().describeJob(job, changed, error)) << error;
  // The key is left out: "db" is C#, the default.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Scale", "Minor Pent."}, {"Speed", "20 ms"}, {"Formant", "+2.0 st"}, {"Low Latency", "On"}};
  EXPECT_EQ(changed, expected) << "the last setting of a parameter wins";
  job.settings = {{"Key", "C#"}};
  ASSERT_TRUE(renderer().describeJob(job, changed, error));
  EXPECT_TRUE(changed.empty()) << "C# is the default key";
  ASSERT_TRUE(Renderer::factoryPresetValues("Deep Double", job.presetValues, error));
  job.settings = {{"Key", "Bb"}};
  ASSERT_TRUE(renderer().describeJob(job, changed, error));
  const std::vector<std::pair<std::string, std::string>> deepDouble = {
      {"Key", "A#"}, {"Harmony", "40%"}, {"Harmony Steps", "-7 steps"}};
  EXPECT_EQ(changed, deepDouble);
}
