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

bool isOctaveJump(float diff) {
  return std::fabs(diff - 12.0f) < 1.0f || std::fabs(diff + 12.0f) < 1.0f;
}

}  // namespace

void PitchDetector::configure(const EngineConfig& config) {
  config_ = config;
  taps_ = designAntiAliasTaps(config.decimation);
  history_.assign(static_cast<size_t>(4 * config.windowSize), 0.0f);
  window_.assign(static_cast<size_t>(config.windowSize), 0.0);
  products_.configure(config);
  difference_.assign(static_cast<size_t>(config.windowSize / 2 + 2), 0.0f);
  reset();
}

void PitchDetector::reset() {
  std::fill(history_.begin(), history_.end(), 0.0f);
  std::fill(difference_.begin(), difference_.end(), 0.0f);
  historyIndex_ = 0;
  historyFill_ = 0;
  decimatedCount_ = 0;
  products_.reset();
  decimationCounter_ = 0;
  hopCounter_ = 0;
  octaveJumps_ = 0;
  framesAdmitted_ = 0;
  frames_.clear();
}

void PitchDetector::push(const SampleRing& ring, int64_t written) {
  if (++decimationCounter_ < config_.decimation) return;
  decimationCounter_ = 0;
  const int historySize = static_cast<int>(history_.size());
  history_[static_cast<size_t>(historyIndex_)] = decimateAt(ring, written - 1, taps_);
  ++decimatedCount_;
  historyIndex_ = (historyIndex_ + 1) % historySize;
  historyFill_ = std::min(historyFill_ + 1, historySize);
  if (++hopCounter_ < config_.hop) return;
  hopCounter_ = 0;
  if (historyFill_ >= config_.windowSize) analyse(written);
}

void PitchDetector::analyse(int64_t written) {
  const int n = config_.windowSize;
  const int64_t windowStart = decimatedCount_ - n;
  const int historySize = static_cast<int>(history_.size());
  double* x = window_.data();
  double energy = 0.0;
  int index = historyIndex_ - n;
  if (index < 0) index += historySize;
  for (int i = 0; i < n; ++i) {
    x[i] = history_[static_cast<size_t>(index)];
    energy += x[i] * x[i];
    if (++index == historySize) index = 0;
  }
  const double rms = std::sqrt(energy / n);

  const int maxLag = config_.maxLag;
  const int minLag = config_.minLag;
  // d(lag) = sum over j < N/2 of (x[j] - x[j+lag])^2, expanded as e0 + e(lag) - 2 r(lag): the
  // energies slide along in O(1) per lag, leaving one product per term. Products of floats are
  // exact in double, so the expansion loses nothing that matters against the float result.
  const int half = n / 2;
  double e0 = 0.0;
  for (int j = 0; j < half; ++j) e0 += x[j] * x[j];
  double eLag = e0;
  const double* r = products_.crossSums(x, windowStart);
  float* d = difference_.data();
  d[0] = 1.0f;
  double cumulative = 0.0;
  for (int l = 1; l <= maxLag; ++l) {
    eLag += x[l - 1 + half] * x[l - 1 + half] - x[l - 1] * x[l - 1];
    // What the expansion leaves of a difference that is exactly 0 (a constant, or a period of
    // whole decimated samples) is rounding, some 1e-14 of the energies: count it as the 0 it is.
    double diff = e0 + eLag - 2.0 * r[l];
    if (diff < 1e-12 * (e0 + eLag)) diff = 0.0;
    cumulative += diff;
    d[l] = cumulative > 0.0 ? static_cast<float>(l * diff / cumulative) : 1.0f;
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
  const float period =
      std::clamp(static_cast<float>(config_.decimation * lag),
                 static_cast<float>(config_.samplesPerMs), static_cast<float>(config_.maxPeriod));
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
  ++framesAdmitted_;

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
  // Frames are one hop apart, so the newest frame at or before the position is found from a
  // guess instead of a walk through the whole queue.
  const int64_t spacing = static_cast<int64_t>(config_.hop) * config_.decimation;
  const int64_t offset = position - frames_[0].position;
  int f = offset < 0 ? -1 : static_cast<int>(std::min<int64_t>(offset / spacing, count - 1));
  while (f + 1 < count && frames_[f + 1].position <= position) ++f;
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
