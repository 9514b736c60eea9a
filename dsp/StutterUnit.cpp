#include "StutterUnit.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {
// Whole samples of a length in samples; nonsense lengths (negative, NaN, beyond any tempo)
// become 0 instead of an undefined conversion.
int64_t wholeSamples(double samples) {
  return samples > 0.0 && samples < 1e15 ? static_cast<int64_t>(samples) : 0;
}
}  // namespace

double samplesPerBeat(double sampleRate, double tempoBpm) {
  const double bpm = tempoBpm > 20.0 ? tempoBpm : 20.0;  // NaN counts as 20 as well
  return 60.0 * sampleRate / bpm;
}

void StutterUnit::configure(double sampleRate, int captureLength) {
  sampleRate_ = sampleRate > 0.0 ? sampleRate : 44100.0;
  capture_.allocate(captureLength);
  gateCoeff_ = static_cast<float>(std::exp(-1.0 / (0.0025 * sampleRate_)));  // 2.5 ms ramps
  fadeSamples_ = std::max(1, static_cast<int>(0.002 * sampleRate_));         // 2 ms pass fades
  reset();
}

void StutterUnit::reset() {
  capture_.clear();
  counter_ = 0;
  currentBeat_ = -1.0;
  cycleStarted_ = false;
  gateEnvelope_ = 1.0f;
}

void StutterUnit::process(float& left, float& right, int mode, int rateIndex, double beatPos,
                          double spb) {
  if (mode == kStutterOff || capture_.empty()) return;
  capture_.write(left, right);
  const double beats = kStutterRateBeats[std::clamp(rateIndex, 0, 5)];
  if (mode == kStutterGate)
    gate(left, right, beats, beatPos);
  else if (mode == kStutterRepeat)
    repeat(left, right, beats, beatPos, spb);
  capture_.advance();
}

void StutterUnit::gate(float& left, float& right, double beats, double beatPos) {
  // Open for the first 55 % of every step; a position that is not a number closes the gate.
  const double x = beatPos / beats;
  float open = 0.0f;
  if (std::isfinite(x)) {
    double f = std::fmod(x, 1.0);
    if (f < 0.0) f += 1.0;
    open = f < 0.55 ? 1.0f : 0.0f;
  }
  gateEnvelope_ = (gateEnvelope_ - open) * gateCoeff_ + open;
  left *= gateEnvelope_;
  right *= gateEnvelope_;
}

void StutterUnit::repeat(float& left, float& right, double beats, double beatPos, double spb) {
  const double b = std::floor(beatPos);
  const int64_t stepLen = std::max<int64_t>(32, wholeSamples(beats * spb));
  const int64_t fade = std::max<int64_t>(1, std::min<int64_t>(fadeSamples_, stepLen / 4));
  // The reset value -1 of the current beat is also a real beat (a count-in), so the first call
  // after a reset always starts a cycle rather than reading from a stale capture start.
  if (!cycleStarted_ || !(b == currentBeat_)) {
    // A new beat, or a jump of the host position into another one: capture from here.
    cycleStarted_ = true;
    currentBeat_ = b;
    captureStart_ = capture_.writeIndex();
    counter_ = 0;
  }
  const int64_t pos = counter_ % stepLen;
  const int readIndex = static_cast<int>((captureStart_ + pos) & capture_.mask());

  const double fadeLen = static_cast<double>(fade);
  double g = 1.0;
  if (counter_ >= stepLen && pos < fade)
    g = pos / fadeLen;
  else if (pos > stepLen - fade)
    g = (stepLen - pos) / fadeLen;
  // Fade out before the beat ends and in from silence as it starts, so the next live step
  // starts cleanly.
  const int64_t beatLeft = wholeSamples(spb) - counter_;
  if (beatLeft >= 0 && beatLeft < fade) g = std::min(g, beatLeft / fadeLen);
  if (counter_ < fade) g = std::min(g, counter_ / fadeLen);

  const float gain = static_cast<float>(g);
  left = capture_.left(readIndex) * gain;
  right = capture_.right(readIndex) * gain;
  ++counter_;
}

}  // namespace zv
