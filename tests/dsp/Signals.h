// Test signals, measurements and a runner that feeds them through the engine block by block.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "MathConstants.h"
#include "PitchDetector.h"
#include "SampleRing.h"
#include "VoiceEngine.h"

namespace zvtest {

using zv::kPi;

inline std::vector<float> sine(double hz, double sr, int n, float amplitude = 0.5f) {
  std::vector<float> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] = amplitude * static_cast<float>(std::sin(2.0 * kPi * hz * i / sr));
  return x;
}

// A voice-like tone: a fundamental with falling harmonics, phase continuous through a pitch
// that follows hzAt(i).
template <typename HzAt>
std::vector<float> sungTone(HzAt hzAt, double sr, int n, float amplitude = 0.4f) {
  std::vector<float> x(static_cast<size_t>(n));
  double phase = 0.0;
  for (int i = 0; i < n; ++i) {
    double v = 0.0;
    for (int h = 1; h <= 5; ++h) v += std::sin(h * phase) / h;
    x[static_cast<size_t>(i)] = amplitude * static_cast<float>(v / 1.5);
    phase += 2.0 * kPi * hzAt(i) / sr;
    if (phase > 2.0 * kPi * 1000.0) phase -= 2.0 * kPi * 1000.0;
  }
  return x;
}

inline std::vector<float> tone(double hz, double sr, int n, float amplitude = 0.4f) {
  return sungTone([hz](int) { return hz; }, sr, n, amplitude);
}

// A brighter vowel stand-in for the effects: f0 with falling harmonics up to about 4 kHz, peak
// near 0.8.
inline std::vector<float> voiceTone(double sr, int n, double f0 = 220.0) {
  std::vector<float> out(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    double v = 0.0;
    for (int h = 1; h <= 18 && h * f0 < 0.45 * sr; ++h)
      v += std::sin(2.0 * kPi * h * f0 * i / sr) / h;
    out[static_cast<size_t>(i)] = static_cast<float>(0.45 * v);
  }
  return out;
}

// Deterministic white noise in [-amplitude, amplitude].
inline std::vector<float> noise(int n, float amplitude = 0.3f, uint32_t seed = 12345u) {
  std::vector<float> x(static_cast<size_t>(n));
  for (auto& v : x) {
    seed = seed * 1664525u + 1013904223u;
    v = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
  }
  return x;
}

inline double noteHz(double note, double a4Hz = 440.0) {
  return a4Hz * std::pow(2.0, (note - 69.0) / 12.0);
}

inline float peakOf(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX) {
  float p = 0.0f;
  for (size_t i = from; i < std::min(to, x.size()); ++i) p = std::max(p, std::fabs(x[i]));
  return p;
}

inline double rmsOf(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX) {
  double sum = 0.0;
  const size_t end = std::min(to, x.size());
  for (size_t i = from; i < end; ++i) sum += static_cast<double>(x[i]) * x[i];
  return end > from ? std::sqrt(sum / static_cast<double>(end - from)) : 0.0;
}

inline bool allFinite(const std::vector<float>& x) {
  return std::all_of(x.begin(), x.end(), [](float v) { return std::isfinite(v); });
}

struct StereoOut {
  std::vector<float> left, right;
};

// Runs a whole signal through the engine in blocks of `block` samples; `perBlock` is called
// after each block with the index of its first sample.
template <typename PerBlock>
StereoOut run(zv::VoiceEngine& engine, const std::vector<float>& in, int block, PerBlock perBlock) {
  StereoOut out{std::vector<float>(in.size()), std::vector<float>(in.size())};
  const int n = static_cast<int>(in.size());
  for (int start = 0; start < n; start += block) {
    const int len = std::min(block, n - start);
    engine.process(in.data() + start, out.left.data() + start, out.right.data() + start, len);
    perBlock(start);
  }
  return out;
}

inline StereoOut run(zv::VoiceEngine& engine, const std::vector<float>& in, int block = 512) {
  return run(engine, in, block, [](int) {});
}

// Parameters of a plain pitch corrector: C major, instant ("Robot"), formant 0, full mix.
inline zv::PlainParams plainCorrection() {
  zv::PlainParams p;
  p.key = 0;
  p.scale = 1;
  p.harmonySteps = 0;
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

// The pitch of any signal by the engine's own detector, one note per analysis (negative where
// unvoiced): what pitch actually comes out of the engine.
struct PitchTrack {
  std::vector<float> notes;        // per analysis
  std::vector<int64_t> positions;  // the input sample each note stands for
};

inline PitchTrack measurePitch(const std::vector<float>& x, double sr) {
  const zv::EngineConfig config = zv::makeEngineConfig(sr);
  zv::SampleRing ring;
  ring.allocate(config.ringSize);
  zv::PitchDetector detector;
  detector.configure(config);
  PitchTrack track;
  int frames = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    ring.cell(static_cast<int64_t>(i)) = x[i];
    detector.push(ring, static_cast<int64_t>(i) + 1);
    const auto& q = detector.frames();
    // A new analysis appends one frame; the queue may be full, so watch the newest position.
    if (!q.empty() && (frames == 0 || q.back().position != track.positions.back())) {
      ++frames;
      track.positions.push_back(q.back().position);
      track.notes.push_back(q.back().voiced ? q.back().note : -1.0f);
    }
  }
  return track;
}

}  // namespace zvtest
