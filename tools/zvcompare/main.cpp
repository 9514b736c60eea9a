// zvcompare: plays the same input and parameter changes through a baseline build of the voice
// engine and through this tree's, and checks that the output did not change: sample for sample
// within a bound, and the same detected notes in every block. Also checks that this tree's
// engine gives the same output whatever the block size.
//
//   zvcompare [--cases N] [--seconds S] [--strict] [--bound-db DB]
//
// Exit status 0 when every case is within the bound, 1 when one is not.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DemoVoice.h"
#include "EngineSide.h"

using namespace zvcompare;

namespace {

struct Rng {
  uint64_t s;
  uint32_t next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(s >> 33);
  }
  double uniform() { return next() / 4294967296.0; }
  int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

// One block's worth of host input: its length and the parameters in force.
struct Block {
  int length;
  SideParams params;
  SideTransport transport;
};

struct Result {
  int64_t samples = 0;
  int64_t differing = 0;
  double maxError = 0.0;
  int64_t blocks = 0;
  int64_t noteMismatches = 0;  // blocks whose input or output note differs
  double maxNoteError = 0.0;   // semitones
};

std::vector<float> render(EngineSide& engine, double sr, const std::vector<float>& input,
                          const std::vector<Block>& blocks, std::vector<float>* notes) {
  engine.configure(sr);
  std::vector<float> out(input.size() * 2);
  std::vector<float> left, right;
  size_t pos = 0;
  for (const Block& b : blocks) {
    engine.apply(b.params);
    engine.setTransport(b.transport);
    const int n =
        static_cast<int>(std::min<size_t>(static_cast<size_t>(b.length), input.size() - pos));
    left.resize(static_cast<size_t>(n));
    right.resize(static_cast<size_t>(n));
    engine.process(input.data() + pos, left.data(), right.data(), n);
    for (int i = 0; i < n; ++i) {
      out[2 * (pos + static_cast<size_t>(i))] = left[static_cast<size_t>(i)];
      out[2 * (pos + static_cast<size_t>(i)) + 1] = right[static_cast<size_t>(i)];
    }
    if (notes) {
      notes->push_back(engine.inputNote());
      notes->push_back(engine.outputNote());
    }
    pos += static_cast<size_t>(n);
  }
  return out;
}

Result compare(double sr, const std::vector<float>& input, const std::vector<Block>& blocks) {
  std::unique_ptr<EngineSide> base = makeBaselineEngine(), fresh = makeNewEngine();
  std::vector<float> baseNotes, newNotes;
  const std::vector<float> a = render(*base, sr, input, blocks, &baseNotes);
  const std::vector<float> b = render(*fresh, sr, input, blocks, &newNotes);
  Result r;
  r.samples = static_cast<int64_t>(a.size());
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::memcmp(&a[i], &b[i], sizeof(float)) == 0) continue;
    ++r.differing;
    r.maxError = std::max(r.maxError, std::fabs(static_cast<double>(a[i]) - b[i]));
  }
  r.blocks = static_cast<int64_t>(baseNotes.size() / 2);
  for (size_t i = 0; i < baseNotes.size(); i += 2) {
    bool same = true;
    for (size_t k = i; k < i + 2; ++k) {
      const float x = baseNotes[k], y = newNotes[k];
      if ((x < 0.0f) != (y < 0.0f) || std::lround(x) != std::lround(y)) same = false;
      if (x >= 0.0f && y >= 0.0f)
        r.maxNoteError = std::max(r.maxNoteError, std::fabs(double(x) - y));
    }
    if (!same || std::fabs(double(baseNotes[i]) - newNotes[i]) > 0.01 ||
        std::fabs(double(baseNotes[i + 1]) - newNotes[i + 1]) > 0.01)
      ++r.noteMismatches;
  }
  return r;
}

// The same input and fixed parameters in two different block partitions of one engine.
bool sameAcrossBlockSizes(bool baseline, double sr, const std::vector<float>& input,
                          const SideParams& params, Rng rng) {
  std::vector<Block> whole, ragged;
  for (size_t pos = 0; pos < input.size(); pos += 4096) whole.push_back({4096, params, {}});
  for (size_t pos = 0; pos < input.size();) {
    const int n = 1 + rng.below(rng.below(4) == 0 ? 8 : 1500);
    ragged.push_back({n, params, {}});
    pos += static_cast<size_t>(n);
  }
  std::unique_ptr<EngineSide> e = baseline ? makeBaselineEngine() : makeNewEngine();
  const std::vector<float> a = render(*e, sr, input, whole, nullptr);
  const std::vector<float> b = render(*e, sr, input, ragged, nullptr);
  return std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

SideParams randomParams(Rng& rng) {
  SideParams p;
  p.key = rng.below(12);
  p.scale = rng.below(10);
  p.speedMs = rng.below(4) == 0 ? 0.0f : static_cast<float>(rng.uniform() * 400.0);
  p.shiftSteps = rng.below(3) == 0 ? rng.below(22) - 7 : 0;
  p.formantSemitones = rng.below(3) == 0 ? static_cast<float>(rng.uniform() * 24.0 - 12.0) : 0.0f;
  p.a4Hz = rng.below(4) == 0 ? static_cast<float>(430.0 + rng.uniform() * 20.0) : 440.0f;
  p.consonants = static_cast<float>(rng.uniform());
  p.mix = rng.below(2) == 0 ? 1.0f : static_cast<float>(rng.uniform());
  p.outputDb = static_cast<float>(rng.uniform() * 24.0 - 18.0);
  p.lowLatency = rng.below(4) == 0;
  p.harmony = rng.below(3) == 0 ? 0.0f : static_cast<float>(rng.uniform());
  p.harmonySteps = rng.below(15) - 7;
  p.character = rng.below(7);
  p.stutter = rng.below(3);
  p.stutterRate = rng.below(6);
  p.characterAmount = static_cast<float>(rng.uniform());
  return p;
}

// A sung phrase at the rate, with the odd burst of silence, loud noise or non-finite samples.
std::vector<float> fuzzInput(double sr, double seconds, Rng& rng) {
  std::vector<zvrender::SungNote> notes;
  double total = 0.0;
  while (total < seconds) {
    zvrender::SungNote n;
    n.midiNote = 45 + rng.below(30);
    n.detuneCents = rng.uniform() * 90.0 - 45.0;
    n.seconds = 0.15 + rng.uniform() * 1.2;
    n.slideSeconds = rng.below(3) == 0 ? rng.uniform() * 0.2 : 0.0;
    n.vibratoCents = rng.uniform() * 60.0;
    n.vowel = "aeiou"[rng.below(5)];
    n.consonant = "\0sftx"[rng.below(5)];
    n.restBefore = rng.below(3) == 0 ? rng.uniform() * 0.3 : 0.0;
    total += n.seconds + n.restBefore + 0.1;
    notes.push_back(n);
  }
  zvrender::VoiceStyle style;
  style.seed = rng.next();
  style.peak = 0.05 + rng.uniform() * 0.9;
  std::vector<float> x = zvrender::synthesizeVoice(notes, sr, style);
  x.resize(static_cast<size_t>(seconds * sr), 0.0f);
  for (int burst = rng.below(4); burst > 0; --burst) {
    const size_t at = static_cast<size_t>(rng.uniform() * (x.size() - 1));
    const size_t len = std::min(x.size() - at, static_cast<size_t>(rng.uniform() * 0.2 * sr));
    const int kind = rng.below(3);
    for (size_t i = at; i < at + len; ++i)
      x[i] = kind == 0   ? 0.0f
             : kind == 1 ? static_cast<float>(rng.uniform() * 1.6 - 0.8)
                         : (i % 97 == 0 ? NAN : x[i]);
  }
  return x;
}

std::vector<Block> fuzzBlocks(size_t length, double sr, Rng& rng) {
  std::vector<Block> blocks;
  SideParams p = randomParams(rng);
  SideTransport t;
  t.tempoBpm = 60.0 + rng.uniform() * 140.0;
  t.playing = rng.below(2) == 0;
  t.positionValid = t.playing;
  const int typical = 1 << (5 + rng.below(6));  // 32..1024
  for (size_t pos = 0; pos < length;) {
    const int n = rng.below(5) == 0 ? 1 + rng.below(2 * typical) : typical;
    if (rng.below(12) == 0) {  // a parameter change, now and then a whole new record
      if (rng.below(3) == 0) {
        p = randomParams(rng);
      } else {
        const SideParams q = randomParams(rng);
        switch (rng.below(6)) {
          case 0:
            p.harmony = q.harmony;
            break;
          case 1:
            p.formantSemitones = q.formantSemitones;
            break;
          case 2:
            p.character = q.character;
            p.characterAmount = q.characterAmount;
            break;
          case 3:
            p.speedMs = q.speedMs;
            p.key = q.key;
            p.scale = q.scale;
            break;
          case 4:
            p.lowLatency = !p.lowLatency;
            break;
          default:
            p.stutter = q.stutter;
            p.stutterRate = q.stutterRate;
            break;
        }
      }
    }
    blocks.push_back({n, p, t});
    if (t.playing) t.positionQuarters += n * t.tempoBpm / (60.0 * sr);
    pos += static_cast<size_t>(n);
  }
  return blocks;
}

double toDb(double v) {
  return v > 0.0 ? 20.0 * std::log10(v) : -INFINITY;
}

}  // namespace

int main(int argc, char** argv) {
  int cases = 40;
  double seconds = 20.0;
  bool strict = false;
  double boundDb = -100.0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cases" && i + 1 < argc)
      cases = std::atoi(argv[++i]);
    else if (a == "--seconds" && i + 1 < argc)
      seconds = std::atof(argv[++i]);
    else if (a == "--bound-db" && i + 1 < argc)
      boundDb = std::atof(argv[++i]);
    else if (a == "--strict")
      strict = true;
    else {
      std::fprintf(stderr,
                   "usage: zvcompare [--cases N] [--seconds S] [--strict] [--bound-db DB]\n");
      return 2;
    }
  }
  bool ok = true;
  Result total;
  auto report = [&](const std::string& name, const Result& r) {
    const bool within =
        strict ? r.differing == 0 : (toDb(r.maxError) < boundDb && r.noteMismatches == 0);
    ok = ok && within;
    std::printf(
        "%-28s %9lld samples  %7lld differ  max error %7.1f dBFS  notes %lld/%lld differ  %s\n",
        name.c_str(), static_cast<long long>(r.samples), static_cast<long long>(r.differing),
        toDb(r.maxError), static_cast<long long>(r.noteMismatches),
        static_cast<long long>(r.blocks), within ? "ok" : "OUT OF BOUND");
    total.samples += r.samples;
    total.differing += r.differing;
    total.maxError = std::max(total.maxError, r.maxError);
    total.noteMismatches += r.noteMismatches;
    total.blocks += r.blocks;
  };

  // The three demo renders, at 512-sample blocks with a playing transport at 120 bpm.
  const double demoRate = 44100.0;
  const std::vector<float> demo =
      zvrender::synthesizeVoice(zvrender::demoMelody(), demoRate, zvrender::VoiceStyle{});
  SideParams corrected;
  corrected.key = 0;
  corrected.scale = 1;
  SideParams harmony = corrected;
  harmony.speedMs = 25.0f;
  harmony.harmony = 0.5f;
  harmony.harmonySteps = 2;
  harmony.formantSemitones = 2.0f;
  SideParams character = corrected;
  character.speedMs = 10.0f;
  character.character = 2;
  character.characterAmount = 0.6f;
  character.stutter = 1;
  character.stutterRate = 3;
  const std::pair<const char*, SideParams> demos[] = {
      {"demo corrected", corrected}, {"demo harmony", harmony}, {"demo character", character}};
  for (const auto& [name, params] : demos) {
    std::vector<Block> blocks;
    SideTransport t;
    t.playing = t.positionValid = true;
    for (size_t pos = 0; pos < demo.size(); pos += 512) {
      blocks.push_back({512, params, t});
      t.positionQuarters += 512 * 120.0 / (60.0 * demoRate);
    }
    report(name, compare(demoRate, demo, blocks));
  }

  // The fuzz: random rates, inputs, block sizes and parameter changes.
  const double rates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0};
  Rng rng{0x2545F4914F6CDD1DULL};
  int blockSizeFailures = 0;
  for (int c = 0; c < cases; ++c) {
    const double sr = rates[rng.below(6)];
    const std::vector<float> input = fuzzInput(sr, seconds, rng);
    const std::vector<Block> blocks = fuzzBlocks(input.size(), sr, rng);
    char name[64];
    std::snprintf(name, sizeof name, "fuzz %d (%.0f Hz)", c, sr);
    report(name, compare(sr, input, blocks));
    // Only a dependence the baseline does not share counts: a stopped transport's free beat
    // clock, for one, advances per block.
    if (c % 4 == 0) {
      const SideParams fixed = randomParams(rng);
      const Rng partition = rng;
      rng.next();
      const bool newSame = sameAcrossBlockSizes(false, sr, input, fixed, partition);
      const bool baseSame = sameAcrossBlockSizes(true, sr, input, fixed, partition);
      if (!newSame && baseSame) {
        std::printf("fuzz %d: this engine's output depends on the block size\n", c);
        ++blockSizeFailures;
        ok = false;
      } else if (!newSame) {
        std::printf("fuzz %d: output depends on the block size in both engines (stutter %d)\n", c,
                    fixed.stutter);
      }
    }
  }
  std::printf(
      "all: %lld samples, %lld differ, max error %.1f dBFS, %lld of %lld blocks with other notes, "
      "%d block-size dependences: %s\n",
      static_cast<long long>(total.samples), static_cast<long long>(total.differing),
      toDb(total.maxError), static_cast<long long>(total.noteMismatches),
      static_cast<long long>(total.blocks), blockSizeFailures, ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
