// Latency compensation through the real module: what goes in at sample k comes out at sample k.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderTestSupport.h"

using namespace zvrender;
using namespace zvtest;

namespace {

size_t loudestIndex(const std::vector<float>& x) {
  return static_cast<size_t>(
      std::max_element(x.begin(), x.end(),
                       [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
      x.begin());
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

// The transport reports a playing host at --tempo from --start; a 1/4 gate is open for the first
// 55 % of every beat, so on the aligned output the open and closed stretches must sit on the grid.
TEST(RenderTransport, TempoSyncedGateLandsOnTheBeatGridOfTheAlignedOutput) {
  for (const auto& [tempo, startBeats] : {std::pair{120.0, 0.0}, {90.0, 0.0}, {120.0, 0.5}}) {
    SCOPED_TRACE(testing::Message() << tempo << " bpm from beat " << startBeats);
    const double sr = 44100.0, samplesPerBeat = 60.0 * sr / tempo;
    std::vector<float> in(static_cast<size_t>(4 * samplesPerBeat));
    for (size_t i = 0; i < in.size(); ++i)
      in[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 300 * i / sr));
    RenderJob job;
    job.tempoBpm = tempo;
    job.startBeats = startBeats;
    job.blockSize = 480;
    job.settings = {{"Mix", "0"}, {"Stutter", "Gate"}, {"Stutter Rate", "1/4"}};
    const Rendered out = render(in, 1, sr, job);
    ASSERT_EQ(out.left.size(), in.size());
    // RMS over 10 ms around a beat position of the output timeline.
    auto rmsAtBeat = [&](double beat) {
      const size_t centre = static_cast<size_t>((beat - startBeats) * samplesPerBeat);
      double sum = 0.0;
      for (size_t i = centre - 220; i < centre + 220; ++i) sum += out.left[i] * out.left[i];
      return std::sqrt(sum / 440);
    };
    // Both edges: a grid off by the latency (a tenth of a beat here) moves one of them.
    for (double beat = std::ceil(startBeats); beat + 1.0 < startBeats + 4.0; beat += 1.0) {
      for (double open : {0.05, 0.25, 0.5}) EXPECT_GT(rmsAtBeat(beat + open), 0.3) << beat + open;
      for (double shut : {0.6, 0.95}) EXPECT_LT(rmsAtBeat(beat + shut), 0.01) << beat + shut;
    }
  }
}

// What a script types must mean what the plug-in shows, even where the plug-in's own text parsing
// is looser: titles match whole or by short title in any case, whole displayed names win over
// prefixes, flats name the sharp below, a numeric parameter refuses words rather than reading them
// as 0 (the parameter table's own tests cover the strict reading case by case), and the last
// setting of a parameter wins.
TEST(RenderSettings, ReadsDisplayedNamesFlatsAndNumbersAsAScriptMeansThem) {
  // As a script writes them: "--set TITLE=TEXT".
  auto accepts = [](const std::string& setting) {
    RenderJob job;
    const size_t eq = setting.find('=');
    job.settings = {{setting.substr(0, eq), setting.substr(eq + 1)}};
    std::string error;
    const bool ok = renderer().checkJob(job, error);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return ok;
  };
  for (const char* good : {"scale=phryg. dominant", "LowLat=off", "Key=Bb", "Speed= 20 ms "})
    EXPECT_TRUE(accepts(good)) << good;
  for (const char* bad : {"Speed=fast", "Formant=", "Scale=3", "Keys=C"})
    EXPECT_FALSE(accepts(bad)) << bad;
  using Changes = std::vector<std::pair<std::string, std::string>>;
  Changes changed;
  std::string error;
  RenderJob job;
  job.settings = {{"Key", "Bb"},         {"Scale", "Minor Pent."}, {"Speed", "20 ms"},
                  {"Low Latency", "On"}, {"Formant", "+2"},        {"Key", "db"}};
  ASSERT_TRUE(renderer().describeJob(job, changed, error)) << error;
  // The key is left out: "db" is C#, the default.
  EXPECT_EQ(changed, (Changes{{"Scale", "Minor Pent."},
                              {"Speed", "20 ms"},
                              {"Formant", "+2.0 st"},
                              {"Low Latency", "On"}}));
}

// Preset values first, then the settings that follow them; preset names ignore case but are
// otherwise exact.
TEST(RenderSettings, AppliesPresetValuesBeforeTheSettingsThatFollowThem) {
  RenderJob job;
  std::string error;
  ASSERT_TRUE(Renderer::factoryPresetValues("deep double", job.presetValues, error));
  job.settings = {{"Key", "Bb"}};
  std::vector<std::pair<std::string, std::string>> changed;
  ASSERT_TRUE(renderer().describeJob(job, changed, error));
  EXPECT_EQ(changed,
            (decltype(changed){{"Key", "A#"}, {"Harmony", "40%"}, {"Harmony Steps", "-7 steps"}}));
  std::vector<float> in(3000, 0.0f);
  in[1000] = 1.0f;
  ASSERT_TRUE(Renderer::factoryPresetValues("DEMON MODE", job.presetValues, error));
  job.settings = {{"Mix", "0"}, {"Output", "-12"}};  // override the preset's +1 dB
  EXPECT_NEAR(render(in, 1, 44100.0, job).left[1000], std::pow(10.0f, -12.0f / 20.0f), 1e-4);
  for (const char* refused : {"Demon", "Demon Mode ", ""}) {
    EXPECT_FALSE(Renderer::factoryPresetValues(refused, job.presetValues, error)) << refused;
    EXPECT_NE(error.find("unknown preset"), std::string::npos);
  }
}
