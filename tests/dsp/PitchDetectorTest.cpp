#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <tuple>
#include <utility>

#include "AntiAliasFilter.h"
#include "Signals.h"

using namespace zvtest;

namespace {

// A frame as the detector would make it; note 0 makes an unvoiced one.
zv::PitchFrame frame(int64_t position, float note, float confidence = 1.0f) {
  zv::PitchFrame f;
  f.position = position;
  f.voiced = note > 0.0f;
  f.note = note;
  f.period = note > 0.0f ? static_cast<float>(44100.0 / noteHz(note)) : 0.0f;
  f.confidence = note > 0.0f ? confidence : 0.0f;
  return f;
}

// Average adult formants (Peterson and Barney). "o" and "u" are the back vowels whose first
// formant sits on the second harmonic of notes around D4-F4 (o) and D3-E4 (u), where a half-period
// dip is most tempting; "i" and "u" put it on the fundamental of high notes; "a" and "e" are the
// bright, open cases where taking a longer period would be the error.
constexpr double kVowels[][3] = {
    {730, 1090, 2440}, {530, 1840, 2480}, {270, 2290, 3010}, {570, 840, 2410}, {300, 870, 2240}};
constexpr char kVowelNames[] = "aeiou";

// A sung vowel: a glottal pulse train (the derivative of a Rosenberg flow, 40 % opening, 16 %
// closing) through three formant resonators, with vibrato (cents each way, 5.5 Hz) and breath
// noise, phase continuous through note changes; note 0 is silence.
struct VowelVoice {
  const double* formants;
  double sr, vibratoCents, breath;
  double phase = 0.0, lastFlow = 0.0, lastNote = 0.0, y1[3] = {}, y2[3] = {};
  uint32_t seed = 2024u;

  void sing(double note, double seconds, std::vector<float>& out) {
    const int n = static_cast<int>(seconds * sr), edge = static_cast<int>(0.01 * sr);
    const double r = std::exp(-kPi * 90.0 / sr);
    for (int i = 0; i < n; ++i) {
      double pulse = 0.0;
      if (note > 0.0) {
        phase += noteHz(note + vibratoCents * std::sin(2.0 * kPi * 5.5 * i / sr) / 100.0) / sr;
        phase -= std::floor(phase);
        const double flow = phase < 0.4    ? 0.5 - 0.5 * std::cos(kPi * phase / 0.4)
                            : phase < 0.56 ? std::cos(0.5 * kPi * (phase - 0.4) / 0.16)
                                           : 0.0;
        seed = seed * 1664525u + 1013904223u;
        const double white = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        pulse = (flow - lastFlow) * sr / noteHz(note) / 8.0 + breath * white * (0.3 + flow);
        lastFlow = flow;
        if (lastNote <= 0.0 && i < edge) pulse *= static_cast<double>(i) / edge;
      }
      for (int k = 0; k < 3; ++k) {
        const double a1 = 2.0 * r * std::cos(2.0 * kPi * formants[k] / sr), a2 = -r * r;
        const double y = (1.0 - a1 - a2) * pulse + a1 * y1[k] + a2 * y2[k];
        y2[k] = y1[k];
        pulse = y1[k] = y;
      }
      out.push_back(static_cast<float>(0.3 * pulse));
    }
    lastNote = note;
  }
};

TEST(AntiAliasFilter, IsASymmetricLowPassWithUnityGainAtDc) {
  for (int d : {1, 4, 9, 17}) {
    const std::vector<float> taps = zv::designAntiAliasTaps(d);
    ASSERT_EQ(taps.size(), static_cast<size_t>(8 * d + 1));
    for (size_t k = 0; k < taps.size(); ++k) EXPECT_FLOAT_EQ(taps[k], taps[taps.size() - 1 - k]);
    auto gainAt = [&taps](double cyclesPerSample) {
      std::complex<double> sum = 0.0;
      for (size_t k = 0; k < taps.size(); ++k)
        sum += double(taps[k]) * std::polar(1.0, 2.0 * kPi * cyclesPerSample * double(k));
      return std::abs(sum);
    };
    // DC and voice fundamentals pass; what would fold onto them after decimation (around the
    // decimated rate, 1/D cycles per input sample) is stopped.
    EXPECT_NEAR(gainAt(0.0), 1.0, 1e-6) << d;
    EXPECT_NEAR(gainAt(0.05 / d), 1.0, 0.01) << d;
    EXPECT_LT(d > 1 ? gainAt(1.0 / d) : 0.0, 0.01) << d;
  }
}

// Every vowel on every semitone from C2 to B5 (the search stops at 1 kHz), entered from silence
// and legato from a fourth below (above, for the lowest notes), plain, with vibrato and with
// breath noise, at the common rates: once a note has been analysed once, no frame may land in
// another octave.
TEST(PitchDetector, KeepsEveryVowelInItsOwnOctaveFromC2ToB5) {
  for (const auto& [sr, vibratoCents, breath] :
       {std::tuple{44100.0, 0.0, 0.03}, std::tuple{48000.0, 40.0, 0.0},
        std::tuple{96000.0, 25.0, 0.08}})
    for (int v = 0; v < 5; ++v) {
      VowelVoice voice{kVowels[v], sr, vibratoCents, breath};
      std::vector<float> x;
      std::vector<std::tuple<double, int64_t, int64_t, bool>> entries;  // note, start, end, legato
      for (int note = 36; note <= 83; ++note) {
        for (bool legato : {false, true}) {
          voice.sing(0.0, 0.06, x);
          if (legato) voice.sing(note - 5 >= 36 ? note - 5 : note + 5, 0.1, x);
          const auto start = static_cast<int64_t>(x.size());
          voice.sing(note, 0.15, x);
          entries.emplace_back(note, start, static_cast<int64_t>(x.size()), legato);
        }
      }
      voice.sing(0.0, 0.1, x);
      Analysis a(sr);
      a.feed(x);
      const int64_t halfWindow = a.config.decimation * a.config.windowSize / 2;
      int octaveErrors = 0, checked = 0;
      std::string where;
      for (const auto& [note, start, end, legato] : entries) {
        // After another note, a window that still holds both notes may hear their common
        // period; the count starts once the stretch it compares lies in the new note.
        const int64_t from = start + (legato ? 2 * halfWindow : 0);
        bool first = true;
        for (const zv::PitchFrame& f : a.heard) {
          const int64_t ranAt = f.position + halfWindow;
          if (ranAt <= from || ranAt > end || std::exchange(first, false) || !f.voiced) continue;
          ++checked;
          if (std::fabs(f.note - note) <= 6.0) continue;
          ++octaveErrors;
          if (where.size() < 400)
            where += testing::PrintToString(note) + (legato ? " after a note" : "") + " read as " +
                     testing::PrintToString(std::round(f.note)) + "; ";
        }
      }
      EXPECT_GT(checked, 48 * 2 * 8);
      EXPECT_EQ(octaveErrors, 0) << sr << " Hz, vowel " << kVowelNames[v] << ": " << where;
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
    ASSERT_GT(a.heard.size(), 10);
    for (const zv::PitchFrame& f : a.heard)
      EXPECT_TRUE(!f.voiced && f.confidence == 0.0f && f.note == 0.0f);
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

// The rules frames are admitted and looked up by, on made-up frames: an octave jump (12 +- 1
// only) is refused for three analyses and taken on the fourth, a fifth passes at once; one
// unvoiced analysis between voiced ones is bridged halfway, two in a row are a real pause; the
// nearest frame is found, the earlier on a tie, among the latest 64.
TEST(PitchDetector, AdmitsAndFindsFramesByItsRules) {
  zv::PitchDetector d;
  d.configure(zv::makeEngineConfig(44100));
  EXPECT_EQ(d.frameAt(0), nullptr);
  for (int i = 0; i < 8; ++i) d.admit(frame(i * 256, i < 3 ? 57.0f : 69.2f));
  for (int i = 3; i < 8; ++i) {
    EXPECT_EQ(d.frames()[i].note, i < 6 ? 57.0f : 69.2f) << i;
    EXPECT_EQ(d.frames()[i].period, d.frames()[i < 6 ? 0 : 7].period) << i;
  }
  d.reset();
  zv::PitchFrame gap = frame(512, 0.0f);
  gap.confidence = 0.3f;
  for (const zv::PitchFrame& f : {frame(0, 57.0f), frame(256, 64.0f), gap, frame(768, 66.0f)})
    d.admit(f);
  const zv::PitchFrame& bridged = d.frames()[2];
  EXPECT_EQ(d.frames()[1].note, 64.0f);
  EXPECT_TRUE(bridged.voiced);
  EXPECT_FLOAT_EQ(bridged.note, 65.0f);
  EXPECT_FLOAT_EQ(bridged.period, (d.frames()[1].period + d.frames()[3].period) / 2);
  EXPECT_FLOAT_EQ(bridged.confidence, 0.5f);
  d.reset();
  for (int i = 0; i < 4; ++i) d.admit(frame(i * 256, i % 3 ? 0.0f : 60.0f));
  EXPECT_FALSE(d.frames()[1].voiced || d.frames()[2].voiced);

  d.reset();
  for (int i = 0; i < 4; ++i) d.admit(frame(1000 + 100 * i, 50.0f + i));
  const std::pair<int64_t, int64_t> cases[] = {{0, 1000},    {5000, 1300}, {1149, 1100},
                                               {1150, 1100}, {1151, 1200}, {1200, 1200}};
  for (const auto& [at, nearest] : cases) EXPECT_EQ(d.frameAt(at)->position, nearest) << at;
  for (int i = 0; i < 100; ++i) d.admit(frame(2000 + i * 256, 60.0f));
  EXPECT_EQ(d.frames().size(), 64);
  EXPECT_EQ(d.frames()[0].position, 2000 + 36 * 256);
}

// Steady tones at known notes: once the window is full, every analysis finds the note (to a cent
// low down; the few decimated samples of a high note's period leave a quarter semitone, which the
// marks do not inherit), one hop (D*H samples) after the last, standing for
// the centre of its window (half a window, D*N/2 samples, before the input written when it ran).
// Marks land on the sung period to a small fraction of a sample (the parabola through the match
// scores misjudges steep high notes by up to a tenth of a sample), whole positions within half a
// sample of the exact ones, so grains cut at them repeat the waveform with little jitter.
TEST(PitchDetector, FindsKnownNotesAndMarksTheirPeriodsToAFractionOfASample) {
  // Rate, note, tolerance.
  const std::tuple<double, double, double> cases[] = {
      {44100, 57, 0.01}, {44100, 83, 0.3}, {48000, 40, 0.01}, {96000, 72, 0.05}};
  for (const auto& [sr, note, tolerance] : cases) {
    SCOPED_TRACE(testing::Message() << sr << " Hz, note " << note);
    Analysis a(sr);
    a.feed(tone(noteHz(note), sr, static_cast<int>(1.5 * sr)));
    const int64_t hop = a.config.decimation * a.config.hop;
    const int64_t halfWindow = a.config.decimation * a.config.windowSize / 2;
    for (size_t i = 1; i < a.heard.size(); ++i) {
      if (a.heard[i].position < halfWindow) continue;
      EXPECT_TRUE(a.heard[i].voiced) << i;
      EXPECT_NEAR(a.heard[i].note, note, tolerance) << i;
      EXPECT_EQ(a.heard[i].position - a.heard[i - 1].position, hop);
      EXPECT_EQ((a.heard[i].position + halfWindow) % hop, 0);
    }
    EXPECT_GT(a.heard.back().position + halfWindow, a.written - hop);
    EXPECT_FLOAT_EQ(a.detector.inputNote(), a.heard.back().note);
    const auto& marks = a.marker.marks();
    ASSERT_GT(marks.size(), 100);
    const double period = sr / noteHz(note);
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
