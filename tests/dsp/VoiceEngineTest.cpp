#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "PitchPlot.h"
#include "PitchProbe.h"
#include "Signals.h"

using namespace zvtest;

namespace {

struct Alignment {
  int shift = 0;       // extra delay beyond the latency, within one period
  double error = 1e9;  // relative RMS error of the output against the aligned input
};

// Finds the delay beyond the latency (within +-period) that best lines the output up with the
// input over [from, to).
Alignment align(const std::vector<float>& in, const std::vector<float>& out, int latency,
                int period, int from, int to) {
  Alignment best;
  const long inSize = static_cast<long>(in.size());
  for (int d = -period; d <= period; ++d) {
    // Only shifts whose whole stretch of input exists (a short latency and a negative shift
    // would reach past the end).
    if (from - latency - d < 0 || to - 1 - latency - d >= inSize) continue;
    double err = 0.0, ref = 0.0;
    for (int i = from; i < to; ++i) {
      const double r = in[static_cast<size_t>(i - latency - d)];
      const double e = out[static_cast<size_t>(i)] - r;
      err += e * e;
      ref += r * r;
    }
    const double rel = std::sqrt(err / ref);
    if (rel < best.error) best = {d, rel};
  }
  return best;
}

// The frequency near approxHz over x[from, to), from the phase of a Hann-windowed DFT bin at
// approxHz advancing from window to window (windows of `periods` periods, one period apart):
// nothing shared with the engine's detector, and precise to a small fraction of a cent over a
// few tenths of a second. spreadCents: the RMS of the period-to-period estimates around the
// mean, the jitter a listener hears as roughness.
struct Measured {
  double hz = 0.0;
  double spreadCents = 0.0;
};
Measured measureHz(const std::vector<float>& x, double sr, double approxHz, int from, int to,
                   int periods) {
  const int hop = static_cast<int>(std::lround(sr / approxHz));
  const int length = periods * hop;
  const double w = 2.0 * kPi * approxHz / sr;
  std::vector<double> phases;
  for (int start = from; start + length <= to; start += hop) {
    double re = 0.0, im = 0.0;
    for (int i = 0; i < length; ++i) {
      const double win = 0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / length);
      re += win * x[static_cast<size_t>(start + i)] * std::cos(w * (start + i));
      im -= win * x[static_cast<size_t>(start + i)] * std::sin(w * (start + i));
    }
    phases.push_back(std::atan2(im, re));
  }
  std::vector<double> steps;
  for (size_t k = 1; k < phases.size(); ++k)
    steps.push_back(std::remainder(phases[k] - phases[k - 1], 2.0 * kPi));
  double sum = 0.0;
  for (double d : steps) sum += d;
  Measured m;
  const double toHz = sr / (2.0 * kPi * hop);
  m.hz = approxHz + sum / static_cast<double>(steps.size()) * toHz;
  double var = 0.0;
  for (double d : steps) {
    const double cents = 1200.0 * std::log2((approxHz + d * toHz) / m.hz);
    var += cents * cents;
  }
  m.spreadCents = std::sqrt(var / static_cast<double>(steps.size()));
  return m;
}

double centsOff(double hz, double targetHz) {
  return 1200.0 * std::log2(hz / targetHz);
}

zv::VoiceEngine makeEngine(double sr, const zv::PlainParams& p) {
  zv::VoiceEngine e;
  e.configure(sr);
  e.setLowLatency(p.lowLatency);
  e.setParams(p);
  e.setHarmonySteps(p.harmonySteps);
  return e;
}

// In tune, formant 0, instant: the voice is rebuilt from grains of its own periods, each laid
// exactly where its period lies, so the output is the input delayed by the latency plus a
// fixed grain phase (less than one period, any fraction of a sample). Against the input moved by
// that delay, what remains is the marks' sub-sample error and the interpolator's ripple: half a
// percent (1.5 % at E5, whose harmonics turn faster), where whole-sample placement left up to
// 6 % with a fractional period; and the pitch is the input's to a small fraction of a cent.
TEST(VoiceEngine, AnInTuneVoiceComesOutAsItWentInDelayedByTheLatency) {
  const double sr = 44100.0;
  for (bool low : {false, true}) {
    for (double hz : {196.0, 220.0, 659.26}) {
      SCOPED_TRACE(testing::Message() << hz << " Hz, low latency " << low);
      zv::PlainParams p = plainCorrection();
      p.lowLatency = low;
      zv::VoiceEngine e = makeEngine(sr, p);
      const auto in = tone(hz, sr, 44100);
      const auto out = run(e, in);
      const int period = static_cast<int>(sr / hz);
      const Alignment a = align(in, out.left, e.latencySamples(), period, 22050, 44100);
      // The same tone, delayed by a fraction of a sample more or less than the whole shift; the
      // error is smooth in the fraction, so a golden-section search finds its least.
      auto errorAt = [&](double frac) {
        double err = 0.0, ref = 0.0;
        for (int i = 22050; i < 44100; ++i) {
          const double t = i - e.latencySamples() - a.shift - frac;
          double v = 0.0;
          for (int h = 1; h <= 5; ++h) v += std::sin(h * 2.0 * kPi * hz * t / sr) / h;
          v *= 0.4 / 1.5;
          err += (out.left[static_cast<size_t>(i)] - v) * (out.left[static_cast<size_t>(i)] - v);
          ref += v * v;
        }
        return std::sqrt(err / ref);
      };
      double lo = -1.0, hi = 1.0;
      for (int k = 0; k < 24; ++k) {
        const double m1 = hi - 0.618 * (hi - lo), m2 = lo + 0.618 * (hi - lo);
        if (errorAt(m1) < errorAt(m2))
          hi = m2;
        else
          lo = m1;
      }
      const double best = errorAt(0.5 * (lo + hi));
      EXPECT_LT(best, hz < 300.0 ? 5e-3 : 1.5e-2) << best;
      EXPECT_LE(std::abs(a.shift), period);
      const Measured m = measureHz(out.left, sr, hz, 22050, 44100, 4);
      EXPECT_LT(std::fabs(centsOff(m.hz, hz)), 0.1);
      EXPECT_EQ(out.left, out.right);  // no harmony: both channels carry the voice
      EXPECT_NEAR(e.readOut().voiceGain(), 1.0, 0.01);
    }
  }
}

// Noise is unvoiced everywhere, so the voice is the consonant path: the dry input itself.
TEST(VoiceEngine, UnvoicedSoundIsTheInputDelayedByExactlyTheLatency) {
  for (double sr : {44100.0, 48000.0, 96000.0}) {
    for (bool low : {false, true}) {
      SCOPED_TRACE(testing::Message() << sr << " Hz, low latency " << low);
      zv::PlainParams p = plainCorrection();
      p.lowLatency = low;
      zv::VoiceEngine e = makeEngine(sr, p);
      const auto in = noise(static_cast<int>(0.5 * sr));
      const auto out = run(e, in, 333);
      const int latency = e.latencySamples();
      EXPECT_EQ(latency, low ? e.config().lowLatency : e.config().normalLatency);
      for (int i = 0; i < latency; ++i) ASSERT_EQ(out.left[static_cast<size_t>(i)], 0.0f) << i;
      for (size_t i = static_cast<size_t>(latency); i < in.size(); ++i) {
        ASSERT_EQ(out.left[i], in[i - static_cast<size_t>(latency)]) << i;
        ASSERT_EQ(out.right[i], out.left[i]) << i;
      }
    }
  }
}

TEST(VoiceEngine, ConsonantsAtZeroSilenceUnvoicedSound) {
  zv::PlainParams p = plainCorrection();
  p.consonants = 0.0f;
  zv::VoiceEngine e = makeEngine(44100, p);
  const auto out = run(e, noise(22050));
  for (float v : out.left) ASSERT_EQ(v, 0.0f);
}

TEST(VoiceEngine, MixZeroIsTheDryInputAndOutputGainScalesIt) {
  zv::PlainParams p = plainCorrection();
  p.mix = 0.0f;
  p.outputDb = -6.0f;
  zv::VoiceEngine e = makeEngine(44100, p);
  const auto in = tone(233.0, 44100, 22050);
  const auto out = run(e, in);
  const float gain = std::pow(10.0f, -6.0f / 20.0f);
  for (size_t i = 2213; i < in.size(); ++i) ASSERT_FLOAT_EQ(out.left[i], in[i - 2213] * gain);
}

TEST(VoiceEngine, HarmonyDoublesTheVoiceLeftAtOnceAndRight13msLater) {
  const double sr = 44100.0;
  const auto in = tone(220.0, sr, 44100);
  zv::PlainParams solo = plainCorrection();
  zv::VoiceEngine a = makeEngine(sr, solo);
  const auto voice = run(a, in);
  zv::PlainParams doubled = solo;
  doubled.harmony = 1.0f;
  doubled.harmonySteps = 0;
  zv::VoiceEngine b = makeEngine(sr, doubled);
  const auto both = run(b, in);
  const int delay = static_cast<int>(0.013 * sr);  // 573
  ASSERT_EQ(delay, 573);
  // Once voicing and the harmony level have settled (well within 0.3 s) the harmony voice, same
  // grains as the lead, adds 0.8 of the voice on the left and 0.8 of it 13 ms old on the right.
  double errL = 0.0, errR = 0.0, ref = 0.0;
  for (size_t i = 22050; i < in.size(); ++i) {
    const double v = voice.left[i];
    errL += std::pow(both.left[i] - 1.8 * v, 2);
    errR += std::pow(both.right[i] - v - 0.8 * voice.left[i - delay], 2);
    ref += v * v;
  }
  EXPECT_LT(std::sqrt(errL / ref), 1e-4);
  EXPECT_LT(std::sqrt(errR / ref), 1e-4);
}

TEST(VoiceEngine, HarmonyAtOrBelowAThousandthMakesNoGrains) {
  zv::PlainParams p = plainCorrection();
  p.harmony = 0.0005f;
  zv::VoiceEngine e = makeEngine(44100, p);
  run(e, tone(220.0, 44100, 22050));
  EXPECT_EQ(e.harmonyVoice().synthesisTime, -1.0);
  p.harmony = 0.5f;
  e.setParams(p);
  run(e, tone(220.0, 44100, 4410));
  EXPECT_GT(e.harmonyVoice().synthesisTime, 0.0);
}

// Grains are laid at their exact fractional positions, so a steady corrected tone sits on its
// note to within half a cent over the voice's range, in both modes and in the harmony voice,
// and its period does not wander from one period to the next.
TEST(VoiceEngine, ASteadyCorrectedToneLandsWithinHalfACentOfItsNote) {
  enum Mode { normal, lowLatency, harmony };
  for (double sr : {44100.0, 48000.0, 96000.0}) {
    for (double note : {40.0, 52.0, 64.0, 76.0, 83.0}) {  // E2 82 Hz .. B5 988 Hz, in C major
      for (Mode mode : {normal, lowLatency, harmony}) {
        SCOPED_TRACE(testing::Message() << sr << " Hz, note " << note << ", mode " << mode);
        zv::PlainParams p = plainCorrection();
        p.lowLatency = mode == lowLatency;
        p.harmony = mode == harmony ? 1.0f : 0.0f;
        p.harmonySteps = 2;  // two degrees up: E -> G (+3), B -> D (+3)
        zv::VoiceEngine e = makeEngine(sr, p);
        const auto out = run(e, tone(noteHz(note + 0.3), sr, static_cast<int>(0.9 * sr)));
        const int from = static_cast<int>(0.35 * sr), to = static_cast<int>(0.9 * sr);
        // Short windows follow the period from one period to the next; with the harmony three
        // semitones above, long ones keep the two voices apart.
        const int periods = mode == harmony ? (note < 60 ? 24 : 48) : 4;
        const Measured main = measureHz(out.right, sr, noteHz(note), from, to, periods);
        EXPECT_LT(std::fabs(centsOff(main.hz, noteHz(note))), 0.5);
        if (mode == harmony) {
          const Measured h = measureHz(out.left, sr, noteHz(note + 3), from, to, periods);
          EXPECT_LT(std::fabs(centsOff(h.hz, noteHz(note + 3))), 0.5);
        } else {
          EXPECT_LT(main.spreadCents, note < 80 ? 1.0 : 2.5);
        }
      }
    }
  }
}

TEST(VoiceEngine, CorrectsAnOffPitchVoiceToTheScaleAndReportsBothNotes) {
  const double sr = 44100.0;
  zv::PlainParams p = plainCorrection();  // C major
  zv::VoiceEngine e = makeEngine(sr, p);
  const auto in = tone(noteHz(57.4), sr, 44100);
  const auto out = run(e, in);
  EXPECT_NEAR(e.inputNote(), 57.4, 0.02);
  EXPECT_FLOAT_EQ(e.outputNote(), 57.0f);
  EXPECT_GT(e.inputLevel(), 0.7f);  // -12 dB or so reads about 0.8
  const PitchTrack heard = measurePitch(out.left, sr);
  for (size_t k = heard.notes.size() - 40; k < heard.notes.size(); ++k)
    EXPECT_NEAR(heard.notes[k], 57.0, 0.03) << k;
}

TEST(VoiceEngine, ShiftAndHarmonyStepsCountScaleSteps) {
  const double sr = 44100.0;
  zv::PlainParams p = plainCorrection();  // C major
  p.shiftSteps = 2;                       // A3 -> B3 -> C4
  p.mix = 1.0f;
  zv::VoiceEngine e = makeEngine(sr, p);
  const auto in = tone(noteHz(57.0), sr, 44100);
  const auto out = run(e, in);
  const PitchTrack heard = measurePitch(out.left, sr);
  EXPECT_NEAR(heard.notes.back(), 60.0, 0.05);
  EXPECT_FLOAT_EQ(e.outputNote(), 60.0f);

  // The harmony voice two steps above the shifted lead, alone in the difference of the channels'
  // harmony parts: render it with the lead muted by comparing against a harmony-free run.
  p.harmony = 1.0f;
  p.harmonySteps = 2;  // C4 -> D4 -> E4
  zv::VoiceEngine h = makeEngine(sr, p);
  const auto withHarmony = run(h, in);
  std::vector<float> harmonyOnly(in.size());
  for (size_t i = 0; i < in.size(); ++i)
    harmonyOnly[i] = (withHarmony.left[i] - out.left[i]) / 0.8f;
  EXPECT_NEAR(measurePitch(harmonyOnly, sr).notes.back(), 64.0, 0.05);
}

TEST(VoiceEngine, A400msGlideReaches63PercentAfter400ms) {
  const double sr = 44100.0;
  zv::PlainParams p = plainCorrection();
  p.speedMs = 400.0f;
  zv::VoiceEngine e = makeEngine(sr, p);
  const int switchAt = 22050;
  const auto in = sungTone([&](int i) { return noteHz(i < switchAt ? 57.0 : 59.0); }, sr, 88200);
  std::vector<float> outNotes;
  const int block = 64;
  run(e, in, block, [&](int) { outNotes.push_back(e.mainVoice().glide.outNote); });
  // The first block where the glide has left A3 starts the clock.
  size_t start = 0;
  while (start < outNotes.size() && outNotes[start] < 57.001f) ++start;
  ASSERT_LT(start, outNotes.size());
  const size_t after400ms = start + static_cast<size_t>(0.4 * sr / block);
  ASSERT_LT(after400ms, outNotes.size());
  EXPECT_NEAR(outNotes[after400ms] - 57.0f, 2.0 * (1.0 - std::exp(-1.0)), 0.06);
  EXPECT_NEAR(outNotes.back(), 59.0f, 0.1);  // and it arrives (e^-3.75 short after 1.5 s)

  e.reset();
  const PitchTrack heard = measurePitch(run(e, in).left, sr);
  plotTraces(plotPath("glide_400ms.png"),
             {{measurePitch(in, sr).notes, 0x3070d0u}, {heard.notes, 0xd04020u}}, 54.0f, 62.0f);
}

TEST(VoiceEngine, ProcessesTheSameWhateverTheBlockSize) {
  zv::PlainParams p = plainCorrection();
  p.speedMs = 30.0f;
  p.harmony = 0.7f;
  p.harmonySteps = -2;
  p.formantSemitones = 3.0f;
  const auto in =
      sungTone([](int i) { return noteHz(56.0 + 3.0 * std::sin(i / 9000.0)); }, 44100, 30000);
  zv::VoiceEngine ref = makeEngine(44100, p);
  const auto expected = run(ref, in, 30000);
  for (int block : {1, 7, 64, 513, 4096}) {
    zv::VoiceEngine e = makeEngine(44100, p);
    const auto got = run(e, in, block);
    EXPECT_EQ(got.left, expected.left) << block;
    EXPECT_EQ(got.right, expected.right) << block;
  }
}

TEST(VoiceEngine, ResetDropsEverythingAndStartsAgainIdentically) {
  zv::PlainParams p = plainCorrection();
  p.harmony = 0.5f;
  zv::VoiceEngine e = makeEngine(44100, p);
  const auto in = tone(200.0, 44100, 20000);
  const auto first = run(e, in);
  e.reset();
  EXPECT_EQ(e.inputNote(), -1.0f);
  EXPECT_EQ(e.outputNote(), -1.0f);
  EXPECT_EQ(e.freeBeatClock(), 0.0);
  const auto second = run(e, in);
  EXPECT_EQ(first.left, second.left);
  EXPECT_EQ(first.right, second.right);
}

TEST(VoiceEngine, NonFiniteAndDenormalInputIsSafe) {
  zv::PlainParams p = plainCorrection();
  p.harmony = 1.0f;
  p.formantSemitones = -5.0f;
  for (bool low : {false, true}) {
    p.lowLatency = low;
    zv::VoiceEngine e = makeEngine(44100, p);
    auto in = tone(220.0, 44100, 44100);
    for (size_t i = 5000; i < 6000; ++i) in[i] = std::nanf("");
    in[7000] = INFINITY;
    in[7001] = -INFINITY;
    for (size_t i = 9000; i < 12000; ++i) in[i] = 1e-41f;  // denormal
    in[15000] = 3e38f;                                     // finite but absurd
    const auto out = run(e, in, 100);
    for (size_t i = 0; i < out.left.size(); ++i) {
      ASSERT_TRUE(std::isfinite(out.left[i])) << i;
      ASSERT_TRUE(std::isfinite(out.right[i])) << i;
    }
    // The voice is back in tune once the damage has passed.
    const auto more = run(e, tone(220.0, 44100, 22050));
    EXPECT_NEAR(e.inputNote(), 57.0, 0.02);
    EXPECT_TRUE(std::isfinite(more.left.back()));
  }
}

TEST(VoiceEngine, ZeroLengthBlocksAndSilenceLeaveEverythingQuiet) {
  zv::VoiceEngine e = makeEngine(44100, plainCorrection());
  float l = 1.0f, r = 1.0f;
  e.process(nullptr, &l, &r, 0);
  const auto out = run(e, std::vector<float>(20000, 0.0f), 1000);
  for (float v : out.left) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(e.inputLevel(), 0.0f);
  EXPECT_EQ(e.inputNote(), -1.0f);
}

TEST(VoiceEngine, FormantUpAnOctaveRaisesUnvoicedSound) {
  // Noise low-passed steeply enough (four poles near 1 kHz) that an octave up does not fold
  // over Nyquist: the shifted consonant path should cross zero twice as often.
  auto in = noise(44100);
  for (int pole = 0; pole < 4; ++pole) {
    float y = 0.0f;
    for (float& v : in) v = y = y + 0.15f * (v - y);
  }
  auto crossings = [](const std::vector<float>& x, size_t from) {
    int n = 0;
    for (size_t i = from + 1; i < x.size(); ++i) n += (x[i - 1] < 0.0f) != (x[i] < 0.0f);
    return n;
  };
  zv::PlainParams p = plainCorrection();
  p.formantSemitones = 12.0f;
  zv::VoiceEngine e = makeEngine(44100, p);
  const auto out = run(e, in);
  const double ratio = static_cast<double>(crossings(out.left, 11025)) / crossings(in, 11025);
  EXPECT_NEAR(ratio, 2.0, 0.15);
}

TEST(VoiceEngine, TheFreeBeatClockRunsAtTheHostTempo) {
  zv::VoiceEngine e = makeEngine(48000, plainCorrection());
  e.transport().tempoBpm = 90.0;
  run(e, std::vector<float>(48000, 0.0f), 480);
  EXPECT_NEAR(e.freeBeatClock(), 1.5, 1e-9);  // one second at 90 bpm
  e.transport().tempoBpm = 5.0;               // slower than 20 bpm counts as 20
  run(e, std::vector<float>(48000, 0.0f), 480);
  EXPECT_NEAR(e.freeBeatClock(), 1.5 + 1.0 / 3.0, 1e-9);
}

}  // namespace

namespace {

// A sung line with vibrato (0.4 semitone at 5.5 Hz) and a slow drift between scale notes: with
// "Robot" speed every voiced analysis of the output sits on a C major note; the pictures show the
// sung (blue) and the corrected (red) pitch.
TEST(VoiceEngine, ASungLineWithVibratoLandsOnTheScale) {
  const double sr = 44100.0;
  const auto in = sungTone(
      [sr](int i) {
        const double t = i / sr;
        return noteHz(57.3 + 4.0 * std::sin(2.0 * kPi * 0.25 * t) +
                      0.4 * std::sin(2.0 * kPi * 5.5 * t));
      },
      sr, static_cast<int>(4 * sr));
  const PitchTrack sung = measurePitch(in, sr);
  struct Setting {
    float speedMs;
    bool low;
    const char* picture;
  };
  for (const Setting& setting :
       {Setting{0.0f, false, "sung_line_robot.png"}, Setting{60.0f, false, "sung_line_60ms.png"},
        Setting{0.0f, true, "sung_line_robot_lowlatency.png"}}) {
    SCOPED_TRACE(setting.picture);
    zv::PlainParams p = plainCorrection();
    p.speedMs = setting.speedMs;
    p.lowLatency = setting.low;
    zv::VoiceEngine e = makeEngine(sr, p);
    const auto out = run(e, in);
    const PitchTrack heard = measurePitch(out.left, sr);
    plotTraces(plotPath(setting.picture), {{sung.notes, 0x3070d0u}, {heard.notes, 0xd04020u}},
               50.0f, 64.0f);
    if (setting.speedMs > 0.0f) continue;
    const int major[7] = {0, 2, 4, 5, 7, 9, 11};
    int onGrid = 0, voiced = 0;
    for (size_t k = 20; k < heard.notes.size(); ++k) {
      const float n = heard.notes[k];
      if (n < 0.0f) continue;
      ++voiced;
      const int nearest = static_cast<int>(std::lround(n));
      const bool inScale = std::find(major, major + 7, ((nearest % 12) + 12) % 12) != major + 7;
      onGrid += inScale && std::fabs(n - nearest) < 0.1f;
    }
    // Analysis windows that straddle a note change measure a blend of two notes.
    EXPECT_GT(voiced, static_cast<int>(heard.notes.size()) * 9 / 10);
    EXPECT_GT(onGrid, voiced * 85 / 100) << onGrid << " of " << voiced;
  }
}

}  // namespace

namespace {

TEST(VoiceEngine, CorrectsAtEveryCommonRateInBothModes) {
  for (double sr : {16000.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0}) {
    for (bool low : {false, true}) {
      SCOPED_TRACE(testing::Message() << sr << " Hz, low latency " << low);
      zv::PlainParams p = plainCorrection();
      p.lowLatency = low;
      zv::VoiceEngine e = makeEngine(sr, p);
      const auto out = run(e, tone(noteHz(61.7), sr, static_cast<int>(0.6 * sr)), 1000);
      EXPECT_FLOAT_EQ(e.outputNote(), 62.0f);
      EXPECT_NEAR(measurePitch(out.left, sr).notes.back(), 62.0, 0.05);
    }
  }
}

TEST(VoiceEngine, FormantShiftLeavesThePitchWhereTheScaleSetsIt) {
  const double sr = 44100.0;
  for (float semitones : {-12.0f, -5.0f, 5.0f, 12.0f}) {
    for (bool low : {false, true}) {
      SCOPED_TRACE(testing::Message() << semitones << " st, low latency " << low);
      zv::PlainParams p = plainCorrection();
      p.formantSemitones = semitones;
      p.lowLatency = low;
      zv::VoiceEngine e = makeEngine(sr, p);
      const auto out = run(e, tone(noteHz(57.0), sr, 44100));
      const PitchTrack heard = measurePitch(out.left, sr);
      EXPECT_NEAR(heard.notes.back(), 57.0, 0.1);
    }
  }
}

}  // namespace

namespace {

// An octave down makes grains longer than the input period: a grain can then wait for input
// for a while after its period was chosen. The glide must still step once per grain laid. It
// steps by one source period per grain, and grains an octave down come about half as often
// (spacing 2^(13/12) source periods mid-glide), so 200 ms of real time cover
// 1 - e^(-1/2.1) of the distance, 0.76 of the two semitones.
TEST(VoiceEngine, AGlideAnOctaveDownKeepsItsSpeed) {
  const double sr = 44100.0;
  zv::PlainParams p = plainCorrection();
  p.speedMs = 200.0f;
  p.shiftSteps = -7;
  zv::VoiceEngine e = makeEngine(sr, p);
  const int switchAt = 22050;
  const auto in = sungTone([&](int i) { return noteHz(i < switchAt ? 57.0 : 59.0); }, sr, 66150);
  std::vector<float> outNotes;
  const int block = 64;
  run(e, in, block, [&](int) { outNotes.push_back(e.mainVoice().glide.outNote); });
  size_t start = 0;
  while (start < outNotes.size() && outNotes[start] < 45.001f) ++start;
  ASSERT_LT(start, outNotes.size());
  const size_t after200ms = start + static_cast<size_t>(0.2 * sr / block);
  ASSERT_LT(after200ms, outNotes.size());
  EXPECT_NEAR(outNotes[after200ms] - 45.0f, 2.0 * (1.0 - std::exp(-1.0 / 2.1)), 0.08);
}

}  // namespace

namespace {

TEST(VoiceEngine, ClampsParametersFromOutsideTheirRanges) {
  zv::PlainParams p = plainCorrection();
  p.formantSemitones = std::nanf("");
  p.speedMs = 1e9f;
  p.a4Hz = -3.0f;
  p.mix = std::nanf("");
  p.outputDb = 1e6f;
  p.harmony = 7.0f;
  p.key = 40;
  p.scale = -2;
  p.shiftSteps = 100;
  p.harmonySteps = -100;
  zv::VoiceEngine e = makeEngine(44100, p);
  const zv::PlainParams& c = e.params();
  EXPECT_EQ(c.formantSemitones, -12.0f);
  EXPECT_EQ(c.speedMs, 400.0f);
  EXPECT_EQ(c.a4Hz, 415.0f);
  EXPECT_EQ(c.mix, 0.0f);
  EXPECT_EQ(c.outputDb, 12.0f);
  EXPECT_EQ(c.harmony, 1.0f);
  EXPECT_EQ(c.key, 11);
  EXPECT_EQ(c.scale, 0);
  EXPECT_EQ(c.shiftSteps, 14);
  EXPECT_EQ(c.harmonySteps, -7);
  const auto out = run(e, tone(220.0, 44100, 22050));
  for (float v : out.left) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace

namespace {

// Random parameter records, signals and block sizes: the output stays finite and within what
// the gains allow (voice gain at most 4, harmony adds 0.8, output gain at most +12 dB).
TEST(VoiceEngine, StaysFiniteAndBoundedUnderRandomParametersSignalsAndBlocks) {
  uint32_t seed = 2024u;
  auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
  };
  auto unit = [&next] { return static_cast<float>(next() % 100000) / 100000.0f; };
  for (double sr : {22050.0, 44100.0, 96000.0}) {
    zv::VoiceEngine e;
    e.configure(sr);
    const int n = static_cast<int>(3 * sr);
    std::vector<float> in(static_cast<size_t>(n)), l(static_cast<size_t>(n)),
        r(static_cast<size_t>(n));
    double phase = 0.0, hz = 200.0;
    for (int i = 0; i < n; ++i) {
      if (i % 4000 == 0) hz = 60.0 + 900.0 * unit();
      phase += 2.0 * kPi * hz / sr;
      const int kind = (i / 9000) % 4;
      const float tonal = static_cast<float>(std::sin(phase));
      in[static_cast<size_t>(i)] = kind == 0   ? tonal
                                   : kind == 1 ? 2.0f * unit() - 1.0f
                                   : kind == 2 ? (i % 977 == 0 ? 1.0f : 0.0f)
                                               : 0.5f * tonal + 0.3f * (unit() - 0.5f);
    }
    for (int start = 0; start < n;) {
      zv::PlainParams p;
      p.key = static_cast<int>(next() % 12);
      p.scale = static_cast<int>(next() % 10);
      p.speedMs = 400.0f * unit() * unit();
      p.shiftSteps = static_cast<int>(next() % 22) - 7;
      p.formantSemitones = 24.0f * unit() - 12.0f;
      p.a4Hz = 415.0f + 51.0f * unit();
      p.consonants = unit();
      p.mix = unit();
      p.outputDb = 36.0f * unit() - 24.0f;
      p.lowLatency = next() % 8 == 0 ? !e.lowLatency() : e.lowLatency();
      p.harmony = unit() < 0.3f ? 0.0f : unit();
      p.harmonySteps = static_cast<int>(next() % 15) - 7;
      e.setParams(p);
      e.setLowLatency(p.lowLatency);
      e.setHarmonySteps(p.harmonySteps);
      const int len = std::min(n - start, 1 + static_cast<int>(next() % 3000));
      e.process(in.data() + start, l.data() + start, r.data() + start, len);
      start += len;
    }
    double power = 0.0;
    for (float v : l) power += static_cast<double>(v) * v;
    EXPECT_GT(std::sqrt(power / n), 0.01);  // something came out
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(std::isfinite(l[static_cast<size_t>(i)]) &&
                  std::isfinite(r[static_cast<size_t>(i)]))
          << i;
      ASSERT_LT(std::fabs(l[static_cast<size_t>(i)]), 30.0f) << i;
      ASSERT_LT(std::fabs(r[static_cast<size_t>(i)]), 30.0f) << i;
    }
  }
}

}  // namespace
