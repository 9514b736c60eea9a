#include "VoiceEngine.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {
int nextPowerOfTwo(int n) {
  int p = 1;
  while (p < n) p <<= 1;
  return p;
}
}  // namespace

void VoiceEngine::configure(double sampleRate) {
  sampleRate_ = sampleRate > 0.0 ? sampleRate : 44100.0;
  const int maxPeriod = static_cast<int>(std::ceil(sampleRate_ / 65.0));
  normalLatency_ = static_cast<int>(0.004 * sampleRate_) + 3 * maxPeriod;
  lowLatencyFigure_ = static_cast<int>(0.003 * sampleRate_);
  latency_ = lowLatency_ ? lowLatencyFigure_ : normalLatency_;
  ringSize_ = nextPowerOfTwo(normalLatency_ * 2 + 1);
  ring_.assign(static_cast<size_t>(ringSize_), 0.0f);
  reset();
}

void VoiceEngine::reset() {
  std::fill(ring_.begin(), ring_.end(), 0.0f);
  writePos_ = 0;
  freeBeats_ = 0.0;
  inputNote_ = -1.0f;
  outputNote_ = -1.0f;
}

void VoiceEngine::setLowLatency(bool on) {
  if (on == lowLatency_) return;
  lowLatency_ = on;
  latency_ = on ? lowLatencyFigure_ : normalLatency_;
  if (isConfigured()) reset();
}

void VoiceEngine::process(const float* mono, float* left, float* right, int numSamples) {
  const float gain = std::pow(10.0f, params_.outputDb / 20.0f);
  const int mask = ringSize_ - 1;
  double energy = 0.0;
  for (int i = 0; i < numSamples; ++i) {
    float x = mono[i];
    if (!std::isfinite(x)) x = 0.0f;
    energy += static_cast<double>(x) * x;
    ring_[static_cast<size_t>(writePos_)] = x;
    const float delayed = ring_[static_cast<size_t>((writePos_ - latency_) & mask)];
    writePos_ = (writePos_ + 1) & mask;
    float out = delayed * gain;
    if (!std::isfinite(out)) out = 0.0f;
    left[i] = out;
    right[i] = out;
  }
  freeBeats_ += numSamples * std::max(transport_.tempoBpm, 20.0) / (60.0 * sampleRate_);
  const double level = (10.0 * std::log10(energy / std::max(numSamples, 1) + 1e-12) + 60.0) / 60.0;
  inputLevel_ = static_cast<float>(std::clamp(level, 0.0, 1.0));
}

}  // namespace zv
