#include "PitchDetector.h"

#include <algorithm>
#include <cmath>

#include "AntiAliasFilter.h"

namespace zv {

namespace {

// Below this aperiodicity the first dip is taken as the period (the absolute threshold).
constexpr float kDipThreshold = 0.15f;
// Above this the window is too noisy to call voiced.
constexpr float kVoicedAperiodicity = 0.3f;
constexpr double kVoicedRms = 0.0025;
// Confidence fades to 0 between these levels so that near-silence never drives the correction.
constexpr double kFadeRms = 0.0015;

bool isOctaveJump(float diff) { return std::fabs(diff - 12.0f) < 1.0f || std::fabs(diff + 12.0f) < 1.0f; }

// Sum over j < half of (x[j] - x[j+lag])^2 in double; eight partial sums keep the adds off a single
// dependency chain so the loop runs at the speed of its loads.
double squaredDifference(const double* x, int half, int lag) {
  double acc[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  const double* y = x + lag;
  int j = 0;
  for (; j + 7 < half; j += 8)
    for (int l = 0; l < 8; ++l) {
      const double d = x[j + l] - y[j + l];
      acc[l] += d * d;
    }
  for (; j < half; ++j) {
    const double d = x[j] - y[j];
    acc[0] += d * d;
  }
  return ((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7]));
}

}  // namespace

void PitchDetector::configure(const EngineConfig& config) {
  config_ = config;
  taps_ = designAntiAliasTaps(config.decimation);
  history_.assign(static_cast<size_t>(4 * config.windowSize), 0.0f);
  window_.assign(static_cast<size_t>(config.windowSize), 0.0);
  difference_.assign(static_cast<size_t>(config.windowSize / 2 + 2), 0.0f);
  reset();
}

void PitchDetector::reset() {
  std::fill(history_.begin(), history_.end(), 0.0f);
  std::fill(difference_.begin(), difference_.end(), 0.0f);
  historyIndex_ = 0;
  historyFill_ = 0;
  decimationCounter_ = 0;
  hopCounter_ = 0;
  octaveJumps_ = 0;
  frames_.clear();
}

void PitchDetector::push(const SampleRing& ring, int64_t written) {
  if (++decimationCounter_ < config_.decimation) return;
  decimationCounter_ = 0;
  const int historySize = static_cast<int>(history_.size());
  history_[static_cast<size_t>(historyIndex_)] = decimateAt(ring, written - 1, taps_);
  historyIndex_ = (historyIndex_ + 1) % historySize;
  historyFill_ = std::min(historyFill_ + 1, historySize);
  if (++hopCounter_ < config_.hop) return;
  hopCounter_ = 0;
  if (historyFill_ >= config_.windowSize) analyse(written);
}

void PitchDetector::analyse(int64_t written) {
  const int n = config_.windowSize;
  const int historySize = static_cast<int>(history_.size());
  double* x = window_.data();
  double energy = 0.0;
  for (int i = 0; i < n; ++i) {
    const int index = ((historyIndex_ - n + i) % historySize + historySize) % historySize;
    x[i] = history_[static_cast<size_t>(index)];
    energy += x[i] * x[i];
  }
  const double rms = std::sqrt(energy / n);

  const int maxLag = config_.maxLag;
  const int minLag = config_.minLag;
  float* d = difference_.data();
  d[0] = 1.0f;
  double cumulative = 0.0;
  for (int lag = 1; lag <= maxLag; ++lag) {
    const double diff = squaredDifference(x, n / 2, lag);
    cumulative += diff;
    d[lag] = cumulative > 0.0 ? static_cast<float>(lag * diff / cumulative) : 1.0f;
  }

  PitchFrame frame;
  frame.position = written - static_cast<int64_t>(config_.decimation) * n / 2;

  int t = -1;
  if (maxLag > minLag) {
    for (int lag = minLag; lag < maxLag; ++lag) {
      if (d[lag] < kDipThreshold) {
        t = lag;
        while (t + 1 < maxLag && d[t + 1] < d[t]) ++t;
        break;
      }
    }
    if (t < 0) {
      float best = 1.0f;
      for (int lag = minLag; lag < maxLag; ++lag)
        if (d[lag] < best) {
          best = d[lag];
          t = lag;
        }
    }
  }
  if (t < 0) {
    admit(frame);  // no usable lag: unvoiced, confidence 0
    return;
  }

  double lag = t;
  if (t > minLag && t < maxLag - 1) {
    const double a = d[t - 1], b = d[t], c = d[t + 1];
    const double den = a - 2.0 * b + c;
    if (std::fabs(den) > 1e-9) lag = t + 0.5 * (a - c) / den;
  }

  const float aperiodicity = d[t];
  float confidence = (0.34f - aperiodicity) / 0.12f;
  bool voiced = false;
  if (aperiodicity < kVoicedAperiodicity) {
    voiced = rms > kVoicedRms;
    confidence = std::min(confidence, 1.0f);
  } else {
    confidence = std::max(confidence, 0.0f);
  }
  const double fade = (rms - kFadeRms) / kFadeRms;
  if (fade < 0.0)
    confidence = 0.0f;
  else if (fade <= 1.0)
    confidence = static_cast<float>(confidence * fade);

  if (!voiced) {
    frame.confidence = std::min(confidence, 0.49f);
    admit(frame);
    return;
  }
  const float period = std::clamp(static_cast<float>(config_.decimation * lag),
                                  static_cast<float>(config_.samplesPerMs),
                                  static_cast<float>(config_.maxPeriod));
  frame.period = period;
  frame.voiced = 1;
  frame.confidence = std::max(confidence, 0.5f);
  // Always against 440 Hz: the A4 reference moves the note grid, not the measurement.
  frame.note = static_cast<float>(69.0 + 12.0 * std::log2(config_.sampleRate / period / 440.0));
  admit(frame);
}

void PitchDetector::admit(PitchFrame frame) {
  if (frame.voiced && !frames_.empty() && frames_.back().voiced) {
    const PitchFrame& previous = frames_.back();
    if (isOctaveJump(frame.note - previous.note)) {
      // A real octave leap survives three analyses in a row; a stray octave error does not.
      ++octaveJumps_;
      if (octaveJumps_ <= 3) {
        frame.note = previous.note;
        frame.period = previous.period;
      }
    } else {
      octaveJumps_ = 0;
    }
  }
  frames_.pushBack(frame);

  const int count = frames_.size();
  if (count >= 3) {
    const PitchFrame& oldest = frames_[count - 3];
    PitchFrame& middle = frames_[count - 2];
    const PitchFrame& newest = frames_[count - 1];
    if (!middle.voiced && oldest.voiced && newest.voiced) {
      middle.voiced = 1;
      middle.period = (oldest.period + newest.period) * 0.5f;
      middle.note = (oldest.note + newest.note) * 0.5f;
      middle.confidence = std::max(0.5f, middle.confidence);
    }
  }
}

const PitchFrame* PitchDetector::frameAt(int64_t position) const {
  const int count = frames_.size();
  if (count == 0) return nullptr;
  if (frames_.back().position <= position) return &frames_.back();
  int f = count - 1;
  while (f >= 0 && frames_[f].position > position) --f;
  if (f < 0) return &frames_[0];
  const PitchFrame& earlier = frames_[f];
  const PitchFrame& later = frames_[f + 1];
  return (later.position - position) < (position - earlier.position) ? &later : &earlier;
}

float PitchDetector::inputNote() const {
  if (frames_.empty() || !frames_.back().voiced) return -1.0f;
  return frames_.back().note;
}

}  // namespace zv
