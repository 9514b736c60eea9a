#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <tuple>
#include <utility>

#include "Signals.h"

using namespace zvtest;

namespace {

// Worked out by hand from the sizing rules for every rate a host is likely to run at: decimation,
// window, hop, max/min lag, max period, samples per ms, normal/low latency, ring, formant window,
// anti-alias taps, glitch and stutter capture lengths.
using Sizes = std::array<int, 14>;
const std::pair<double, Sizes> kRows[] = {
    {16000, {1, 1024, 128, 246, 16, 247, 16, 805, 48, 16384, 352, 9, 32768, 65536}},
    {22050, {2, 512, 64, 169, 11, 340, 22, 1108, 66, 16384, 485, 17, 32768, 65536}},
    {44100, {4, 512, 64, 169, 11, 679, 44, 2213, 132, 16384, 970, 33, 65536, 131072}},
    {48000, {4, 512, 64, 184, 12, 739, 48, 2409, 144, 16384, 1056, 33, 65536, 131072}},
    {88200, {8, 512, 64, 169, 11, 1357, 88, 4423, 264, 32768, 1940, 65, 131072, 262144}},
    {96000, {9, 512, 64, 164, 10, 1477, 96, 4815, 288, 32768, 2112, 73, 131072, 262144}},
    {192000, {17, 512, 64, 173, 11, 2954, 192, 9630, 576, 65536, 4224, 137, 262144, 524288}},
};

template <typename... Field>
Sizes sizes(Field... fields) {
  return {fields...};
}
Sizes sizesOf(const zv::EngineConfig& c) {
  return sizes(c.decimation, c.windowSize, c.hop, c.maxLag, c.minLag, c.maxPeriod, c.samplesPerMs,
               c.normalLatency, c.lowLatency, c.ringSize, c.formantWindow, c.antiAliasTaps,
               c.glitchCaptureLength, c.stutterCaptureLength);
}

TEST(EngineConfig, SizesEveryCommonRateByTheTableAndUnusableRatesAs44100) {
  for (const auto& [sr, sizes] : kRows) EXPECT_EQ(sizesOf(zv::makeEngineConfig(sr)), sizes) << sr;
  for (double sr : {0.0, -48000.0, std::nan(""), double(INFINITY)}) {
    EXPECT_EQ(zv::makeEngineConfig(sr).sampleRate, 44100.0) << sr;
    EXPECT_EQ(sizesOf(zv::makeEngineConfig(sr)), kRows[2].second) << sr;
  }
}

// The frequency near approxHz over x[from, to), from the phase of a Hann-windowed DFT bin at
// approxHz advancing from window to window (windows of `periods` periods, one period apart):
// nothing shared with the engine's detector, and precise to a small fraction of a cent over a
// few tenths of a second. spreadCents: the RMS of the period-to-period estimates around the
// mean, the jitter a listener hears as roughness.
struct Measured {
  double hz = 0.0, spreadCents = 0.0;
};
Measured measureHz(const std::vector<float>& x, double sr, double approxHz, int from, int to,
                   int periods) {
  const int hop = static_cast<int>(std::lround(sr / approxHz)), length = periods * hop;
  const double w = 2.0 * kPi * approxHz / sr, toHz = sr / (2.0 * kPi * hop);
  std::vector<double> steps;
  double last = 0.0, sum = 0.0, var = 0.0;
  for (int start = from; start + length <= to; start += hop) {
    std::complex<double> bin = 0.0;
    for (int i = 0; i < length; ++i)
      bin += (0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / length)) *
             x[static_cast<size_t>(start + i)] * std::polar(1.0, -w * (start + i));
    const double phase = std::arg(bin);
    if (start > from) steps.push_back(std::remainder(phase - last, 2.0 * kPi));
    last = phase;
  }
  for (double d : steps) sum += d;
  Measured m;
  m.hz = approxHz + sum / static_cast<double>(steps.size()) * toHz;
  for (double d : steps) var += std::pow(1200.0 * std::log2((approxHz + d * toHz) / m.hz), 2);
  m.spreadCents = std::sqrt(var / static_cast<double>(steps.size()));
  return m;
}

double centsOff(double hz, double targetHz) {
  return 1200.0 * std::log2(hz / targetHz);
}

// In tune, formant 0, instant: the voice is rebuilt from grains of its own periods, each laid
// exactly where its period lies, so the output is the input delayed by the latency plus a
// fixed grain phase (less than one period, any fraction of a sample). Against the input moved by
// that delay, what remains is the marks' sub-sample error and the interpolator's ripple: half a
// percent (1.5 % at E5, whose harmonics turn faster), which also holds the pitch to the input's.
TEST(VoiceEngine, AnInTuneVoiceComesOutAsItWentInDelayedByTheLatency) {
  const double sr = 44100.0;
  for (bool low : {false, true})
    for (double hz : {196.0, 220.0, 659.26}) {
      SCOPED_TRACE(testing::Message() << hz << " Hz, low latency " << low);
      zv::VoiceEngine e = makeEngine(sr, plainCorrection(low));
      const auto out = run(e, tone(hz, sr, 44100));
      const int period = static_cast<int>(sr / hz), latency = e.latencySamples();
      // The same tone, delayed by the latency and `delay` samples more; the error is smooth in
      // the fraction, so a golden-section search around the best whole shift finds its least.
      auto errorAt = [&](double delay, int to = 44100) {
        double err = 0.0, ref = 0.0;
        for (int i = 22050; i < to; ++i) {
          double v = 0.0;
          for (int h = 1; h <= 5; ++h)
            v += std::sin(h * 2.0 * kPi * hz * (i - latency - delay) / sr) / h;
          v *= 0.4 / 1.5;
          err += std::pow(out.left[static_cast<size_t>(i)] - v, 2);
          ref += v * v;
        }
        return std::sqrt(err / ref);
      };
      int shift = -period;
      for (int d = -period; d <= period; ++d)
        if (errorAt(d, 24050) < errorAt(shift, 24050)) shift = d;
      double lo = shift - 1.0, hi = shift + 1.0;
      for (int k = 0; k < 24; ++k) {
        const double m1 = hi - 0.618 * (hi - lo), m2 = lo + 0.618 * (hi - lo);
        const bool left = errorAt(m1) < errorAt(m2);
        (left ? hi : lo) = left ? m2 : m1;
      }
      const double best = errorAt(0.5 * (lo + hi));
      EXPECT_LT(best, hz < 300.0 ? 5e-3 : 1.5e-2) << best;
      EXPECT_EQ(out.left, out.right);  // no harmony: both channels carry the voice
      EXPECT_NEAR(e.readOut().voiceGain(), 1.0, 0.01);
    }
}

// The level paths: no consonants silences unvoiced sound, and a formant an octave up makes it
// cross zero twice as often (noise low-passed steeply enough, four poles near 1 kHz, not to fold
// over Nyquist); mix 0 is the dry input (delayed by the latency) and the output gain scales it.
// Once voicing and the harmony level have settled (well within 0.3 s) the harmony voice, same
// grains as the lead, adds 0.8 of the voice on the left and 0.8 of it 13 ms old on the right; at or
// below a thousandth no harmony grains are made.
TEST(VoiceEngine, ConsonantsFormantMixOutputGainAndHarmonyShapeTheirPaths) {
  zv::PlainParams p = plainCorrection();
  p.consonants = 0.0f;
  zv::VoiceEngine quiet = makeEngine(44100, p);
  for (float v : run(quiet, noise(22050)).left) ASSERT_EQ(v, 0.0f);
  auto unvoiced = noise(44100);
  for (int pole = 0; pole < 4; ++pole) {
    float y = 0.0f;
    for (float& v : unvoiced) v = y = y + 0.15f * (v - y);
  }
  auto crossings = [](const std::vector<float>& x) {
    int n = 0;
    for (size_t i = 11026; i < x.size(); ++i) n += (x[i - 1] < 0.0f) != (x[i] < 0.0f);
    return n;
  };
  zv::VoiceEngine up = makeEngine(44100, plainCorrection(false, 0.0f, 12.0f));
  EXPECT_NEAR(double(crossings(run(up, unvoiced).left)) / crossings(unvoiced), 2.0, 0.15);
  p = plainCorrection();
  p.mix = 0.0f;
  p.outputDb = -6.0f;
  zv::VoiceEngine dry = makeEngine(44100, p);
  const auto in = tone(233.0, 44100, 44100), out = run(dry, in).left;
  for (size_t i = 2213; i < in.size(); ++i)
    ASSERT_FLOAT_EQ(out[i], in[i - 2213] * std::pow(10.0f, -6.0f / 20.0f));

  zv::VoiceEngine a = makeEngine(44100, plainCorrection()),
                  b = makeEngine(44100, plainCorrection(false, 1.0f));
  const auto voice = run(a, in), both = run(b, in);
  double errL = 0.0, errR = 0.0, ref = 0.0;
  for (size_t i = 22050; i < in.size(); ++i) {
    const double v = voice.left[i];
    errL += std::pow(both.left[i] - 1.8 * v, 2);
    errR += std::pow(both.right[i] - v - 0.8 * voice.left[i - 573], 2);
    ref += v * v;
  }
  EXPECT_LT(std::sqrt(std::max(errL, errR) / ref), 1e-4);
  zv::VoiceEngine faint = makeEngine(44100, plainCorrection(false, 0.0005f));
  run(faint, in);
  EXPECT_EQ(faint.harmonyVoice().synthesisTime, -1.0);
}

// Grains are laid at their exact fractional positions, so a steady corrected tone sits on its
// note to within half a cent over the voice's range, in both modes and in the harmony voice
// (two scale steps up, a minor third here), and its period does not wander from one period to
// the next.
TEST(VoiceEngine, ASteadyCorrectedToneLandsWithinHalfACentOfItsNote) {
  enum Mode { normal, lowLatency, harmony };
  for (double sr : {44100.0, 48000.0, 96000.0})
    for (double note : {40.0, 52.0, 64.0, 76.0, 83.0})  // E2 82 Hz .. B5 988 Hz, in C major
      for (Mode mode : {normal, lowLatency, harmony}) {
        SCOPED_TRACE(testing::Message() << sr << " Hz, note " << note << ", mode " << mode);
        zv::PlainParams p = plainCorrection(mode == lowLatency, mode == harmony ? 1.0f : 0.0f);
        p.harmonySteps = 2;
        zv::VoiceEngine e = makeEngine(sr, p);
        const auto out = run(e, tone(noteHz(note + 0.3), sr, static_cast<int>(0.9 * sr)));
        const int from = static_cast<int>(0.35 * sr), to = static_cast<int>(0.9 * sr);
        // Short windows follow the period from one period to the next; with the harmony three
        // semitones above, long ones keep the two voices apart.
        const int periods = mode == harmony ? (note < 60 ? 24 : 48) : 4;
        const Measured main = measureHz(out.right, sr, noteHz(note), from, to, periods);
        EXPECT_LT(std::fabs(centsOff(main.hz, noteHz(note))), 0.5);
        if (mode != harmony) {
          EXPECT_LT(main.spreadCents, note < 80 ? 1.0 : 2.5);
          continue;
        }
        const Measured h = measureHz(out.left, sr, noteHz(note + 3), from, to, periods);
        EXPECT_LT(std::fabs(centsOff(h.hz, noteHz(note + 3))), 0.5);
      }
}

// At every common rate, in both modes, and with the formant moved either way, the note the
// meter reports and the note heard are the scale note.
TEST(VoiceEngine, CorrectsAtEveryCommonRateInBothModesWhateverTheFormant) {
  const std::pair<double, float> cases[] = {{16000, 0},  {22050, 0}, {44100, 0},  {48000, 0},
                                            {88200, 0},  {96000, 0}, {192000, 0}, {44100, -12},
                                            {44100, -5}, {44100, 5}, {44100, 12}};
  for (const auto& [sr, formant] : cases)
    for (bool low : {false, true}) {
      SCOPED_TRACE(testing::Message() << sr << " Hz, formant " << formant << ", low " << low);
      zv::VoiceEngine e = makeEngine(sr, plainCorrection(low, 0.0f, formant));
      Analysis heard(sr);
      heard.feed(run(e, tone(noteHz(61.7), sr, static_cast<int>(0.6 * sr)), 1000).left);
      EXPECT_FLOAT_EQ(e.outputNote(), 62.0f);
      EXPECT_NEAR(heard.heard.back().note, 62.0, formant == 0 ? 0.05 : 0.1);
    }
}

// The glide steps once per grain laid. An octave down makes grains longer than the input
// period, so a grain can wait for input after its period was chosen; grains then come about half
// as often (spacing 2^(13/12) source periods mid-glide), so 200 ms of real time cover
// 1 - e^(-1/2.1) of the distance instead of 1 - 1/e.
TEST(VoiceEngine, AGlideCoversItsShareOfTheDistanceInItsTimeEvenAnOctaveDown) {
  for (const auto& [speedMs, shiftSteps, fromNote, expected, tolerance] :
       {std::tuple{400.0f, 0, 57.0f, 2.0 * (1.0 - std::exp(-1.0)), 0.06},
        std::tuple{200.0f, -7, 45.0f, 2.0 * (1.0 - std::exp(-1.0 / 2.1)), 0.08}}) {
    SCOPED_TRACE(speedMs);
    zv::PlainParams p = plainCorrection();
    p.speedMs = speedMs;
    p.shiftSteps = shiftSteps;
    zv::VoiceEngine e = makeEngine(44100, p);
    const auto in = sungTone([&](int i) { return noteHz(i < 22050 ? 57.0 : 59.0); }, 44100, 88200);
    std::vector<float> outNotes, l(64), r(64);
    for (size_t at = 0; at < in.size(); at += 64) {
      e.process(in.data() + at, l.data(), r.data(), int(std::min<size_t>(64, in.size() - at)));
      outNotes.push_back(e.mainVoice().glide.outNote);
    }
    // The first block where the glide has left the first note starts the clock.
    size_t start = 0;
    while (start < outNotes.size() && outNotes[start] < fromNote + 0.001f) ++start;
    const size_t after = start + static_cast<size_t>(speedMs / 1000.0 * 44100 / 64);
    ASSERT_LT(after, outNotes.size());
    EXPECT_NEAR(outNotes[after] - fromNote, expected, tolerance);
    EXPECT_NEAR(outNotes.back(), fromNote + 2.0f, 0.1);  // and it arrives
  }
}

// Any block size, and a reset engine, give the very same output.
TEST(VoiceEngine, ProcessesTheSameWhateverTheBlockSizeAndAfterAReset) {
  zv::PlainParams p = plainCorrection(false, 0.7f, 3.0f);
  p.speedMs = 30.0f;
  p.harmonySteps = -2;
  const auto in =
      sungTone([](int i) { return noteHz(56.0 + 3.0 * std::sin(i / 9000.0)); }, 44100, 30000);
  zv::VoiceEngine ref = makeEngine(44100, p);
  const auto expected = run(ref, in, 30000);
  for (int block : {1, 7, 64, 513, 4096}) {
    zv::VoiceEngine e = makeEngine(44100, p);
    const auto got = run(e, in, block);
    EXPECT_TRUE(got.left == expected.left && got.right == expected.right) << block;
  }
  ref.reset();
  EXPECT_EQ(std::make_tuple(ref.inputNote(), ref.outputNote(), ref.freeBeatClock()),
            std::make_tuple(-1.0f, -1.0f, 0.0));
  const auto again = run(ref, in);
  EXPECT_TRUE(again.left == expected.left && again.right == expected.right);
}

// Bad samples leave the output finite and the voice back in tune once they have passed; an
// empty block and silence are safe. A record from outside every range is clamped, NaN taking the
// lower end.
TEST(VoiceEngine, NonFiniteDenormalEmptyInputAndParametersOutsideTheirRangesAreSafe) {
  for (bool low : {false, true}) {
    zv::VoiceEngine e = makeEngine(44100, plainCorrection(low, 1.0f, -5.0f));
    auto in = tone(220.0, 44100, 44100);
    std::fill(in.begin() + 5000, in.begin() + 6000, std::nanf(""));
    in[7000] = INFINITY;
    in[7001] = -INFINITY;
    std::fill(in.begin() + 9000, in.begin() + 12000, 1e-41f);  // denormal
    in[15000] = 3e38f;                                         // finite but absurd
    const auto out = run(e, in, 100);
    ASSERT_TRUE(allFinite(out.left) && allFinite(out.right));
    // The voice is back in tune once the damage has passed.
    EXPECT_TRUE(allFinite(run(e, tone(220.0, 44100, 22050)).left));
    EXPECT_NEAR(e.inputNote(), 57.0, 0.02);
  }
  zv::VoiceEngine e =
      makeEngine(44100, zv::PlainParams{40, -2, 1e9f, 100, std::nanf(""), -3.0f, 2.0f,
                                        std::nanf(""), 1e6f, false, 7.0f, -100});
  const zv::PlainParams& c = e.params();
  EXPECT_EQ(std::make_tuple(c.key, c.scale, c.speedMs, c.shiftSteps, c.formantSemitones, c.a4Hz,
                            c.consonants, c.mix, c.outputDb, c.harmony, c.harmonySteps),
            std::make_tuple(11, 0, 400.0f, 14, -12.0f, 415.0f, 1.0f, 0.0f, 12.0f, 1.0f, -7));
  float l = 1.0f, r = 1.0f;
  e.process(nullptr, &l, &r, 0);
  for (float v : run(e, std::vector<float>(20000, 0.0f), 1000).left) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(e.inputLevel(), 0.0f);
  EXPECT_EQ(e.inputNote(), -1.0f);
  EXPECT_TRUE(allFinite(run(e, tone(220.0, 44100, 22050)).left));
}

// Random parameter records (every character and stutter setting among them), signals and block
// sizes: the output stays finite and within what the gains allow (voice gain at most 4, harmony
// adds 0.8, output gain at most +12 dB).
TEST(VoiceEngine, StaysFiniteAndBoundedUnderRandomParametersSignalsAndBlocks) {
  uint32_t seed = 2024u;
  auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
  };
  auto unit = [&next] { return static_cast<float>(next() % 100000) / 100000.0f; };
  auto pick = [&next](int lo, int hi) { return lo + static_cast<int>(next() % (hi - lo + 1)); };
  for (double sr : {22050.0, 44100.0, 96000.0}) {
    zv::VoiceEngine e;
    e.configure(sr);
    const int n = static_cast<int>(3 * sr);
    std::vector<float> in(static_cast<size_t>(n)), l(in.size()), r(in.size());
    double phase = 0.0, hz = 200.0;
    for (size_t i = 0; i < in.size(); ++i) {
      if (i % 4000 == 0) hz = 60.0 + 900.0 * unit();
      phase += 2.0 * kPi * hz / sr;
      const float tonal = static_cast<float>(std::sin(phase));
      const size_t kind = (i / 9000) % 4;
      in[i] = kind == 0   ? tonal
              : kind == 1 ? 2.0f * unit() - 1.0f
              : kind == 2 ? (i % 977 == 0 ? 1.0f : 0.0f)
                          : 0.5f * tonal + 0.3f * (unit() - 0.5f);
    }
    for (int start = 0; start < n;) {
      zv::PlainParams p;
      p.key = pick(0, 11);
      p.scale = pick(0, 9);
      p.speedMs = 400.0f * unit() * unit();
      p.shiftSteps = pick(-7, 14);
      p.formantSemitones = 24.0f * unit() - 12.0f;
      p.a4Hz = 415.0f + 51.0f * unit();
      p.consonants = unit();
      p.mix = unit();
      p.outputDb = 36.0f * unit() - 24.0f;
      p.lowLatency = next() % 8 == 0 ? !e.lowLatency() : e.lowLatency();
      p.harmony = unit() < 0.3f ? 0.0f : unit();
      p.harmonySteps = pick(-7, 7);
      p.character = pick(0, 6);
      p.characterAmount = unit();
      p.stutter = pick(0, 2);
      p.stutterRate = pick(0, 5);
      e.setParams(p);
      e.setLowLatency(p.lowLatency);
      e.setHarmonySteps(p.harmonySteps);
      e.transport() =
          zv::HostTransport{start / sr * 2.0, 60.0 + 100.0 * unit(), next() % 2 == 0, true};
      const int len = std::min(n - start, 1 + static_cast<int>(next() % 3000));
      e.process(in.data() + start, l.data() + start, r.data() + start, len);
      start += len;
    }
    EXPECT_GT(rmsOf(l), 0.01);  // something came out
    ASSERT_TRUE(allFinite(l) && allFinite(r));
    EXPECT_LT(std::max(peakOf(l), peakOf(r)), 30.0f);
  }
}

}  // namespace
