#include <gtest/gtest.h>

#include <cmath>

#include "AntiAliasFilter.h"
#include "PitchDetector.h"
#include "PitchMarker.h"
#include "Signals.h"
#include "VowelVoice.h"

using namespace zvtest;

namespace {

// The analysis half alone: input ring, detector and marker, fed one sample at a time.
struct Analysis {
  explicit Analysis(double sr = 44100.0) : config(zv::makeEngineConfig(sr)) {
    ring.allocate(config.ringSize);
    detector.configure(config);
    marker.configure(config);
  }
  void feed(const std::vector<float>& x) {
    for (float v : x) {
      ring.cell(written) = v;
      ++written;
      detector.push(ring, written);
      marker.placeMarks(ring, written, detector);
    }
  }
  zv::EngineConfig config;
  zv::SampleRing ring;
  zv::PitchDetector detector;
  zv::PitchMarker marker;
  int64_t written = 0;
};

zv::PitchFrame voicedFrame(int64_t position, float note, double sr = 44100.0) {
  zv::PitchFrame f;
  f.position = position;
  f.voiced = 1;
  f.note = note;
  f.period = static_cast<float>(sr / noteHz(note));
  f.confidence = 1.0f;
  return f;
}

zv::PitchFrame unvoicedFrame(int64_t position) {
  zv::PitchFrame f;
  f.position = position;
  return f;
}

TEST(AntiAliasFilter, IsASymmetricLowPassWithUnityGainAtDc) {
  for (int d : {1, 4, 9, 17}) {
    const std::vector<float> taps = zv::designAntiAliasTaps(d);
    ASSERT_EQ(taps.size(), static_cast<size_t>(8 * d + 1));
    double sum = 0.0;
    for (float t : taps) sum += t;
    EXPECT_NEAR(sum, 1.0, 1e-6) << d;
    for (size_t k = 0; k < taps.size(); ++k) EXPECT_FLOAT_EQ(taps[k], taps[taps.size() - 1 - k]);
    // Voice fundamentals pass; what would fold onto them after decimation (around the decimated
    // rate, 1/D cycles per input sample) is stopped.
    auto gainAt = [&taps](double cyclesPerSample) {
      double re = 0.0, im = 0.0;
      for (size_t k = 0; k < taps.size(); ++k) {
        re += taps[k] * std::cos(2.0 * kPi * cyclesPerSample * static_cast<double>(k));
        im += taps[k] * std::sin(2.0 * kPi * cyclesPerSample * static_cast<double>(k));
      }
      return std::hypot(re, im);
    };
    EXPECT_NEAR(gainAt(0.05 / d), 1.0, 0.01) << d;
    if (d > 1) {
      EXPECT_LT(gainAt(1.0 / d), 0.01) << d;
    }
  }
  EXPECT_EQ(zv::designAntiAliasTaps(1).front(), 0.0f);  // the Hann window's ends
}

TEST(PitchDetector, FindsA220HzSineAtNote57) {
  Analysis a;
  a.feed(sine(220.0, 44100.0, 44100, 0.5f));
  const auto& frames = a.detector.frames();
  ASSERT_EQ(frames.size(), 64);
  for (int i = 0; i < frames.size(); ++i) {
    const zv::PitchFrame& f = frames[i];
    ASSERT_TRUE(f.voiced);
    EXPECT_NEAR(f.period, 44100.0 / 220.0, 0.05);  // 200.45
    EXPECT_NEAR(f.note, 57.0, 0.005);
    EXPECT_FLOAT_EQ(f.confidence, 1.0f);
  }
  // Analyses run every 256 input samples; a frame stands for the centre of its window, half a
  // window (D*N/2 = 1024 samples) before the input written when it ran.
  const int64_t analysedAt = frames.back().position + 1024;
  EXPECT_EQ(analysedAt % 256, 0);
  EXPECT_GT(analysedAt, a.written - 256);
  EXPECT_EQ(frames[1].position - frames[0].position, 256);
  EXPECT_FLOAT_EQ(a.detector.inputNote(), frames.back().note);
}

// Every vowel on every semitone from C2 to B5 (the search stops at 1 kHz), entered from silence
// and legato from a fourth below (above, for the lowest notes), plain, with vibrato and with
// breath noise, at the common rates: once a note has been analysed once, no frame may land in
// another octave.
TEST(PitchDetector, KeepsEveryVowelInItsOwnOctaveFromC2ToB5) {
  struct Rate {
    double sr, vibratoCents, breath;
  };
  const Rate rates[] = {{44100.0, 0.0, 0.03}, {48000.0, 40.0, 0.0}, {96000.0, 25.0, 0.08}};
  for (const Rate& rate : rates) {
    for (const VowelFormants& vowel : kVowels) {
      Analysis a(rate.sr);
      VowelVoice voice(vowel, rate.sr);
      std::vector<float> x;
      struct Entry {
        double note;
        size_t start, end;
        bool legato;
      };
      std::vector<Entry> entries;
      for (int note = 36; note <= 83; ++note) {
        const double before = note - 5 >= 36 ? note - 5 : note + 5;
        for (bool legato : {false, true}) {
          voice.sing({0.0, 0.06}, x);
          if (legato) voice.sing({before, 0.1, rate.vibratoCents, rate.breath}, x);
          const size_t start = x.size();
          voice.sing({static_cast<double>(note), 0.15, rate.vibratoCents, rate.breath}, x);
          entries.push_back({static_cast<double>(note), start, x.size(), legato});
        }
      }
      voice.sing({0.0, 0.1}, x);
      const int64_t halfWindow = a.config.decimation * a.config.windowSize / 2;
      const int64_t hop = a.config.decimation * a.config.hop;
      std::vector<zv::PitchFrame> frames;
      for (size_t i = 0; i < x.size(); i += static_cast<size_t>(hop)) {
        a.feed(std::vector<float>(x.begin() + static_cast<long>(i),
                                  x.begin() + static_cast<long>(std::min(x.size(), i + hop))));
        if (!a.detector.frames().empty() &&
            (frames.empty() || frames.back().position != a.detector.frames().back().position))
          frames.push_back(a.detector.frames().back());
      }
      int octaveErrors = 0, checked = 0;
      std::string where;
      for (const Entry& e : entries) {
        bool first = true;
        for (const zv::PitchFrame& f : frames) {
          const int64_t ranAt = f.position + halfWindow;
          // After another note, a window that still holds both notes may hear their common
          // period; the count starts once the stretch it compares lies in the new note.
          const int64_t from = static_cast<int64_t>(e.start) + (e.legato ? 2 * halfWindow : 0);
          if (ranAt <= from || ranAt > static_cast<int64_t>(e.end)) continue;
          if (first) {
            first = false;
            continue;
          }
          if (!f.voiced) continue;
          ++checked;
          if (std::fabs(f.note - e.note) > 6.0) {
            ++octaveErrors;
            if (where.size() < 400)
              where += testing::PrintToString(e.note) + (e.legato ? " after a note" : "") +
                       " read as " + testing::PrintToString(std::round(f.note)) + "; ";
          }
        }
      }
      EXPECT_GT(checked, 48 * 2 * 8);
      EXPECT_EQ(octaveErrors, 0) << rate.sr << " Hz, vowel " << vowel.vowel << ": " << where;
    }
  }
}

// Signals without a pitch: a tone under the fade floor, silence and constant offsets. On
// silence the marks run at 140 Hz, the first two of the longest periods back.
TEST(PitchDetector, SilenceQuietTonesAndConstantOffsetsAreUnvoicedWithNoConfidence) {
  const std::vector<float> signals[] = {
      sine(220.0, 44100.0, 22050, 0.002f),  // rms under 0.0015
      std::vector<float>(44100, 0.0f), std::vector<float>(22050, 0.1f),
      std::vector<float>(22050, -0.37f), std::vector<float>(22050, 0.8f)};
  for (const auto& x : signals) {
    SCOPED_TRACE(x[100]);
    Analysis a;
    a.feed(x);
    const auto& frames = a.detector.frames();
    ASSERT_GT(frames.size(), 10);
    for (int i = 0; i < frames.size(); ++i) {
      EXPECT_FALSE(frames[i].voiced);
      EXPECT_EQ(frames[i].confidence, 0.0f);
      EXPECT_EQ(frames[i].note, 0.0f);
    }
    EXPECT_EQ(a.detector.inputNote(), -1.0f);
    if (x[0] != x[100]) continue;  // the constant signals
    if (x[0] != 0.0f) {
      for (int lag = 1; lag <= a.config.maxLag; ++lag)
        EXPECT_EQ(a.detector.difference()[static_cast<size_t>(lag)], 1.0f);
      continue;
    }
    const auto& marks = a.marker.marks();
    ASSERT_GT(marks.size(), 100);
    EXPECT_EQ(marks[0].position, 0);
    for (int i = 1; i < marks.size(); ++i) {
      EXPECT_EQ(marks[i].position - marks[i - 1].position, 315);  // 44100 / 140
      EXPECT_EQ(marks[i].offset, 0.0f);
    }
  }
}

TEST(PitchDetector, RefusesAnOctaveJumpForThreeAnalysesAndTakesItOnTheFourth) {
  zv::PitchDetector d;
  d.configure(zv::makeEngineConfig(44100));
  for (int i = 0; i < 3; ++i) d.admit(voicedFrame(i * 256, 57.0f));
  for (int i = 3; i < 8; ++i) d.admit(voicedFrame(i * 256, 69.2f));
  const auto& f = d.frames();
  for (int i = 3; i < 6; ++i) {
    EXPECT_EQ(f[i].note, 57.0f) << i;
    EXPECT_EQ(f[i].period, f[0].period) << i;
  }
  EXPECT_EQ(f[6].note, 69.2f);
  EXPECT_EQ(f[7].note, 69.2f);

  // Not an octave (12 +- 1 only): a fifth passes at once.
  d.reset();
  d.admit(voicedFrame(0, 57.0f));
  d.admit(voicedFrame(256, 64.0f));
  EXPECT_EQ(d.frames().back().note, 64.0f);
}

TEST(PitchDetector, AnOctaveErrorBetweenGoodFramesIsHeldBack) {
  Analysis a;
  // 220 Hz, then a stretch an octave up shorter than four analyses, then 220 Hz again.
  const int hopSamples = 256;
  a.feed(tone(220.0, 44100.0, 22050));
  const int jumpFrames = a.detector.frames().size();
  a.feed(tone(440.0, 44100.0, 2 * hopSamples));
  a.feed(tone(220.0, 44100.0, 11025));
  const auto& f = a.detector.frames();
  for (int i = 0; i < f.size(); ++i) {
    if (!f[i].voiced) continue;
    EXPECT_LT(std::fabs(f[i].note - 57.0f), 0.6f)
        << i << " of " << f.size() << " (jump at " << jumpFrames << ")";
  }
}

TEST(PitchDetector, BridgesOneUnvoicedAnalysisBetweenVoicedOnes) {
  zv::PitchDetector d;
  d.configure(zv::makeEngineConfig(44100));
  d.admit(voicedFrame(0, 60.0f));
  zv::PitchFrame gap = unvoicedFrame(256);
  gap.confidence = 0.3f;
  d.admit(gap);
  d.admit(voicedFrame(512, 62.0f));
  const zv::PitchFrame& middle = d.frames()[1];
  EXPECT_TRUE(middle.voiced);
  EXPECT_FLOAT_EQ(middle.note, 61.0f);
  EXPECT_FLOAT_EQ(middle.period, (d.frames()[0].period + d.frames()[2].period) / 2);
  EXPECT_FLOAT_EQ(middle.confidence, 0.5f);

  // Two unvoiced analyses in a row are a real pause and stay unvoiced.
  d.reset();
  d.admit(voicedFrame(0, 60.0f));
  d.admit(unvoicedFrame(256));
  d.admit(unvoicedFrame(512));
  d.admit(voicedFrame(768, 60.0f));
  EXPECT_FALSE(d.frames()[1].voiced);
  EXPECT_FALSE(d.frames()[2].voiced);
}

TEST(PitchDetector, FrameAtTakesTheNearestFrameAndTheEarlierOnATieOfAtMost64) {
  zv::PitchDetector d;
  d.configure(zv::makeEngineConfig(44100));
  EXPECT_EQ(d.frameAt(0), nullptr);
  for (int i = 0; i < 4; ++i) d.admit(voicedFrame(1000 + 100 * i, 50.0f + i));
  const std::pair<int64_t, int64_t> cases[] = {{0, 1000},    {5000, 1300}, {1149, 1100},
                                               {1150, 1100}, {1151, 1200}, {1200, 1200}};
  for (const auto& [at, nearest] : cases) EXPECT_EQ(d.frameAt(at)->position, nearest) << at;
  for (int i = 0; i < 100; ++i) d.admit(voicedFrame(2000 + i * 256, 60.0f));
  EXPECT_EQ(d.frames().size(), 64);
  EXPECT_EQ(d.frames()[0].position, 2000 + 36 * 256);
}

// Marks land on the sung period to a small fraction of a sample (the parabola through the
// match scores misjudges steep high notes by up to a tenth of a sample), whole positions within
// half a sample of the exact ones, so grains cut at them repeat the waveform with little jitter.
TEST(PitchMarker, MarksFollowTheSungPeriodToAFractionOfASample) {
  const struct {
    double sr, hz;
  } cases[] = {{44100.0, 220.0}, {44100.0, 987.8}, {48000.0, 82.4}, {96000.0, 523.3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sr << " Hz, tone " << c.hz);
    Analysis a(c.sr);
    a.feed(tone(c.hz, c.sr, static_cast<int>(1.5 * c.sr)));
    const auto& marks = a.marker.marks();
    ASSERT_GT(marks.size(), 100);
    const double period = c.sr / c.hz;
    double worst = 0.0;
    for (int i = marks.size() - 60; i < marks.size(); ++i) {  // long after the tone was found
      EXPECT_LE(std::fabs(marks[i].offset), 0.5f);
      const int64_t whole = marks[i].position - marks[i - 1].position;
      EXPECT_TRUE(whole == std::floor(period) || whole == std::ceil(period)) << whole;
      worst = std::max(worst, std::fabs(marks[i].exact() - marks[i - 1].exact() - period));
    }
    EXPECT_LT(worst, 0.0025 * period);  // about 4 cents for one period
    EXPECT_LT(marks.back().position, a.written);
  }
}

}  // namespace
