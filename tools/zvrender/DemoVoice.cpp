#include "DemoVoice.h"

#include <algorithm>
#include <cmath>

#include "MathConstants.h"
#include "NoteFrequency.h"

namespace zvrender {

namespace {

using zv::kPi;

struct Formants {
  double f[4];
};

// Classic averaged formant frequencies of adult vowels; the fourth pins the voice's "ring".
Formants vowelFormants(char vowel) {
  switch (vowel) {
    case 'e':
      return {{530, 1840, 2480, 3400}};
    case 'i':
      return {{300, 2250, 3000, 3500}};
    case 'o':
      return {{570, 840, 2410, 3300}};
    case 'u':
      return {{320, 870, 2240, 3300}};
    default:
      return {{730, 1090, 2440, 3400}};
  }
}
constexpr double kFormantBandwidthHz[4] = {80, 95, 130, 170};

// Two-pole resonator with unity gain at DC, retuned every sample as the vowel moves.
struct Resonator {
  double y1 = 0, y2 = 0;
  double run(double x, double freqHz, double bandwidthHz, double sr) {
    const double r = std::exp(-kPi * bandwidthHz / sr);
    const double a1 = 2.0 * r * std::cos(2.0 * kPi * freqHz / sr);
    const double a2 = -r * r;
    const double y = (1.0 - a1 - a2) * x + a1 * y1 + a2 * y2;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// xorshift: deterministic across platforms, unlike std:: distributions.
struct Noise {
  uint32_t state;
  double next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 4294967295.0 * 2.0 - 1.0;
  }
};

// Rosenberg glottal flow over one period (phase 0..1): 40 % opening, 16 % closing, then closed.
double glottalFlow(double phase) {
  constexpr double open = 0.40, close = 0.16;
  if (phase < open) return 0.5 * (1.0 - std::cos(kPi * phase / open));
  if (phase < open + close) return std::cos(0.5 * kPi * (phase - open) / close);
  return 0.0;
}

// Per-sample control tracks of the phrase.
struct Track {
  std::vector<double> midi;     // sung pitch
  std::vector<float> voiced;    // voice amplitude 0..1
  std::vector<float> noise;     // consonant amplitude 0..1
  std::vector<char> consonant;  // which consonant colour
  std::vector<char> vowel;
};

}  // namespace

std::vector<SungNote> demoMelody() {
  // midi, detune, seconds, slide, vibrato, vowel, consonant, rest
  return {
      {64, +32, 0.70, 0.00, 0, 'a', 's', 0.15},  // E4, sharp
      {67, -28, 0.55, 0.00, 0, 'o', 0, 0.00},    // G4, flat
      {69, +40, 0.95, 0.22, 12, 'a', 0, 0.00},   // slide up into a sharp A4
      {67, -22, 0.50, 0.00, 0, 'e', 't', 0.12},  // G4
      {65, +45, 0.50, 0.00, 0, 'a', 0, 0.00},    // F4, nearly a quarter tone sharp
      {64, -35, 0.50, 0.00, 0, 'o', 0, 0.00},    // E4
      {62, +25, 0.60, 0.00, 0, 'u', 'x', 0.10},  // D4
      {60, -40, 1.60, 0.00, 35, 'a', 0, 0.00},   // C4, long with vibrato
      {72, +20, 0.70, 0.00, 0, 'i', 'f', 0.35},  // C5
      {67, +38, 1.30, 0.35, 30, 'a', 0, 0.00},   // slide down to G4, vibrato
  };
}

namespace {

// The score as per-sample controls: pitch, voicing, consonant noise and vowel.
Track scoreTrack(const std::vector<SungNote>& notes, double sr, std::vector<NoteSpan>* spans) {
  const auto samples = [sr](double seconds) {
    return static_cast<size_t>(std::max(0.0, seconds) * sr + 0.5);
  };
  const size_t attack = samples(0.03);
  const size_t release = samples(0.05);

  Track t;
  auto append = [&t](size_t n, double midi, float voiced, float noise, char consonant, char vowel) {
    t.midi.insert(t.midi.end(), n, midi);
    t.voiced.insert(t.voiced.end(), n, voiced);
    t.noise.insert(t.noise.end(), n, noise);
    t.consonant.insert(t.consonant.end(), n, consonant);
    t.vowel.insert(t.vowel.end(), n, vowel);
  };

  double previousMidi =
      notes.empty() ? 60.0 : notes.front().midiNote + notes.front().detuneCents / 100.0;
  char previousVowel = notes.empty() ? 'a' : notes.front().vowel;
  for (const SungNote& note : notes) {
    const double sung = note.midiNote + note.detuneCents / 100.0;
    append(samples(note.restBefore), previousMidi, 0.0f, 0.0f, 0, previousVowel);
    if (note.consonant) {
      // Fricatives are sustained with 10 ms edges so they do not click; the plosive is a burst.
      const size_t n = samples(note.consonant == 't' ? 0.045 : 0.13);
      const double edge = 0.01 * sr;
      for (size_t i = 0; i < n; ++i) {
        double env = std::min({1.0, i / edge, (n - i) / edge});
        if (note.consonant == 't') env *= std::exp(-static_cast<double>(i) / (0.012 * sr));
        append(1, sung, 0.0f, static_cast<float>(env), note.consonant, note.vowel);
      }
    }
    const size_t start = t.midi.size();
    const size_t n = samples(note.seconds);
    const size_t slide = std::min(n, samples(note.slideSeconds));
    const bool joined = note.restBefore <= 0.0 && !note.consonant && start > 0;
    for (size_t i = 0; i < n; ++i) {
      double midi = sung;
      if (i < slide) {
        // An S-shaped glide, as singers ease in and out of a slide.
        const double x = static_cast<double>(i) / slide;
        midi = previousMidi + (sung - previousMidi) * (0.5 - 0.5 * std::cos(kPi * x));
      }
      const double secs = i / sr;
      if (note.vibratoCents > 0.0 && secs > 0.25) {
        const double depth = std::min(1.0, (secs - 0.25) / 0.3) * note.vibratoCents / 100.0;
        midi += depth * std::sin(2.0 * kPi * 5.5 * (secs - 0.25));
      }
      float amp = 1.0f;
      if (!joined && i < attack) amp = static_cast<float>(i) / attack;
      if (n - i <= release) amp = std::min(amp, static_cast<float>(n - i) / release);
      append(1, midi, amp, 0.0f, 0, note.vowel);
    }
    if (spans) spans->push_back({start / sr, (start + n) / sr, sung});
    previousMidi = sung;
    previousVowel = note.vowel;
  }
  append(samples(0.3), previousMidi, 0.0f, 0.0f, 0, previousVowel);
  return t;
}

// Sings the controls: a glottal source through the vowel's formants, plus coloured noise for the
// consonants, normalised to the style's peak.
std::vector<float> renderTrack(const Track& t, double sr, const VoiceStyle& style) {
  const size_t total = t.midi.size();
  std::vector<float> out(total, 0.0f);
  Noise noise{style.seed ? style.seed : 1u};
  Resonator formant[4];
  Resonator hiss[2];
  double formantHz[4];
  const Formants first = vowelFormants(t.vowel.empty() ? 'a' : t.vowel[0]);
  for (int k = 0; k < 4; ++k) formantHz[k] = first.f[k];
  const double vowelGlide = 1.0 - std::exp(-1.0 / (0.05 * sr));  // 50 ms between vowels
  double phase = 0.0;
  double previousFlow = 0.0;
  double periodJitter = 0.0;
  double highpassState = 0.0;
  double peak = 0.0;
  for (size_t i = 0; i < total; ++i) {
    const Formants target = vowelFormants(t.vowel[i]);
    for (int k = 0; k < 4; ++k) formantHz[k] += (target.f[k] - formantHz[k]) * vowelGlide;

    // Glottal source: the derivative of the flow, since the lips radiate its change.
    const double f0 = zv::noteToHz(t.midi[i], style.a4Hz) * (1.0 + periodJitter);
    phase += f0 / sr;
    if (phase >= 1.0) {
      phase -= std::floor(phase);
      periodJitter = style.jitter * noise.next();
    }
    const double flow = glottalFlow(phase);
    const double source = (flow - previousFlow) * sr / (f0 * 8.0);
    previousFlow = flow;
    const double aspiration = style.breath * noise.next() * (0.3 + flow);
    double voice = (source + aspiration) * t.voiced[i];
    for (int k = 0; k < 4; ++k)
      voice = formant[k].run(voice, formantHz[k], kFormantBandwidthHz[k], sr);

    // Consonants: coloured noise.
    double fricative = 0.0;
    if (t.noise[i] > 0.0f) {
      const double white = noise.next();
      const double bright = white - highpassState;
      highpassState = white;
      switch (t.consonant[i]) {
        case 's':
          fricative = 0.9 * hiss[0].run(bright, 6500, 2500, sr);
          break;
        case 'x':
          fricative = 0.8 * hiss[0].run(bright, 2900, 1400, sr);
          break;
        case 'f':
          fricative = 0.25 * bright;
          break;
        default:
          fricative = 1.2 * hiss[1].run(bright, 4000, 3000, sr);
          break;
      }
      fricative *= t.noise[i];
    }
    const double y = voice + fricative;
    out[i] = static_cast<float>(y);
    peak = std::max(peak, std::fabs(y));
  }
  if (peak > 0.0) {
    const double gain = style.peak / peak;
    for (float& s : out) s = static_cast<float>(s * gain);
  }
  return out;
}

}  // namespace

std::vector<float> synthesizeVoice(const std::vector<SungNote>& notes, double sr,
                                   const VoiceStyle& style, std::vector<NoteSpan>* spans) {
  return renderTrack(scoreTrack(notes, sr, spans), sr, style);
}

}  // namespace zvrender
