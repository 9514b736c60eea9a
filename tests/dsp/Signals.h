// Test signals, measurements, the analysis half alone and a runner that feeds signals through the
// engine block by block.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "MathConstants.h"
#include "NoteFrequency.h"
#include "PitchDetector.h"
#include "PitchMarker.h"
#include "SampleRing.h"
#include "VoiceEngine.h"

namespace zvtest {

using zv::kPi;

inline double noteHz(double note) {
  return zv::noteToHz(note, 440.0);
}

inline std::vector<float> sine(double hz, double sr, int n, float amplitude = 0.5f) {
  std::vector<float> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] = amplitude * static_cast<float>(std::sin(2.0 * kPi * hz * i / sr));
  return x;
}

// A voice-like tone: a fundamental with falling harmonics (up to `harmonics`, below 0.45 of the
// rate), phase continuous through a pitch that follows hzAt(i).
template <typename HzAt>
std::vector<float> sungTone(HzAt hzAt, double sr, int n, float amplitude = 0.4f,
                            int harmonics = 5) {
  std::vector<float> x(static_cast<size_t>(n));
  double phase = 0.0;
  for (int i = 0; i < n; ++i) {
    const double hz = hzAt(i);
    double v = 0.0;
    for (int h = 1; h <= harmonics && h * hz < 0.45 * sr; ++h) v += std::sin(h * phase) / h;
    x[static_cast<size_t>(i)] = amplitude * static_cast<float>(v / 1.5);
    phase += 2.0 * kPi * hz / sr;
    if (phase > 2.0 * kPi * 1000.0) phase -= 2.0 * kPi * 1000.0;
  }
  return x;
}

inline std::vector<float> tone(double hz, double sr, int n) {
  return sungTone([hz](int) { return hz; }, sr, n);
}

// A brighter vowel stand-in for the effects: 220 Hz with harmonics up to about 4 kHz, peak near
// 0.8.
inline std::vector<float> voiceTone(double sr, int n) {
  return sungTone([](int) { return 220.0; }, sr, n, 0.675f, 18);
}

// The rates and amounts the effects are checked over, and phrases of the voice tone with short
// rests, so that the loudness match also meets silence.
constexpr double kRates[] = {16000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0};
constexpr float kAmounts[] = {0.01f, 0.25f, 0.5f, 1.0f};
inline std::vector<float> phrases(double sr, int n) {
  auto x = voiceTone(sr, n);
  for (int i = 0; i < n; ++i)
    if (std::fmod(i / sr, 0.5) > 0.4) x[static_cast<size_t>(i)] = 0.0f;
  return x;
}

// Deterministic white noise in [-amplitude, amplitude].
inline std::vector<float> noise(int n, float amplitude = 0.3f) {
  uint32_t seed = 12345u;
  std::vector<float> x(static_cast<size_t>(n));
  for (auto& v : x) {
    seed = seed * 1664525u + 1013904223u;
    v = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
  }
  return x;
}

inline float peakOf(const std::vector<float>& x) {
  return std::accumulate(x.begin(), x.end(), 0.0f,
                         [](float p, float v) { return std::max(p, std::fabs(v)); });
}

inline double rmsOf(const std::vector<float>& x, size_t from = 0) {
  double sum = 0.0;
  for (size_t i = from; i < x.size(); ++i) sum += static_cast<double>(x[i]) * x[i];
  return x.size() > from ? std::sqrt(sum / static_cast<double>(x.size() - from)) : 0.0;
}

inline bool allFinite(const std::vector<float>& x) {
  return std::all_of(x.begin(), x.end(), [](float v) { return std::isfinite(v); });
}

// The analysis half alone: input ring, detector and marker, fed one sample at a time. `heard`
// keeps every analysis (the detector's queue only the latest): what pitch a signal carries.
struct Analysis {
  explicit Analysis(double sr = 44100.0) : config(zv::makeEngineConfig(sr)) {
    ring.allocate(config.ringSize);
    detector.configure(config);
    marker.configure(config);
  }
  void feed(const std::vector<float>& x) {
    for (float v : x) {
      ring.cell(written++) = v;
      detector.push(ring, written);
      marker.placeMarks(ring, written, detector);
      const auto& q = detector.frames();
      if (!q.empty() && (heard.empty() || q.back().position != heard.back().position))
        heard.push_back(q.back());
    }
  }
  zv::EngineConfig config;
  zv::SampleRing ring;
  zv::PitchDetector detector;
  zv::PitchMarker marker;
  std::vector<zv::PitchFrame> heard;
  int64_t written = 0;
};

struct StereoOut {
  std::vector<float> left, right;
};

// Runs a whole signal through the engine in blocks of `block` samples.
inline StereoOut run(zv::VoiceEngine& engine, const std::vector<float>& in, int block = 512) {
  StereoOut out{std::vector<float>(in.size()), std::vector<float>(in.size())};
  const int n = static_cast<int>(in.size());
  for (int start = 0; start < n; start += block) {
    const int len = std::min(block, n - start);
    engine.process(in.data() + start, out.left.data() + start, out.right.data() + start, len);
  }
  return out;
}

// A plain pitch corrector: C major, instant ("Robot"), no harmony steps, full mix; the mode, the
// harmony level and the formant as given.
inline zv::PlainParams plainCorrection(bool lowLatency = false, float harmony = 0.0f,
                                       float formantSemitones = 0.0f) {
  zv::PlainParams p;
  p.key = 0;
  p.scale = 1;
  p.harmonySteps = 0;
  p.lowLatency = lowLatency;
  p.harmony = harmony;
  p.formantSemitones = formantSemitones;
  return p;
}

// An engine set up as the processor sets it up.
inline zv::VoiceEngine makeEngine(double sr, const zv::PlainParams& p) {
  zv::VoiceEngine e;
  e.configure(sr);
  e.setLowLatency(p.lowLatency);
  e.setParams(p);
  e.setHarmonySteps(p.harmonySteps);
  return e;
}

}  // namespace zvtest
