#include "PitchDetector.h"

#include <algorithm>
#include <cmath>

#include "AntiAliasFilter.h"
#include "NoteFrequency.h"

namespace zv {

namespace {

// Below this aperiodicity the first dip is taken as the period (the absolute threshold).
constexpr float kDipThreshold = 0.15f;
// Above this the window is too noisy to call voiced.
constexpr float kVoicedAperiodicity = 0.3f;
constexpr double kVoicedRms = 0.0025;
// Confidence fades to 0 between these levels so that near-silence never drives the correction.
constexpr double kFadeRms = 0.0015;

// The chosen lag may be a harmonic's period: on back vowels the first formant lifts the second
// harmonic over the fundamental, and the half period dips under the threshold first. What tells
// is how much of the window does not repeat after the lag, as one minus the normalised
// correlation (not the cumulative-mean normalised difference, whose normalisation itself favours
// longer lags on high notes; and normalised so that a swelling onset does not count as change).
// A true period repeats about as well one period later as two (breath noise adds alike, vibrato
// and jitter make the longer lag worse), while at a harmonic's period the other harmonics are
// left over and vanish only at the true period. So a multiple that leaves less than this share
// of the chosen lag's remainder is taken instead.
constexpr double kMultipleShare = 0.5;
// ... unless the chosen lag already repeats to within this: as periodic as a voice gets.
constexpr double kPeriodicRemainder = 0.005;
// The difference function compares the older half of the window with the stretch one lag later.
// When one of the two holds less than this share of the other's energy, a note starts or ends
// between them and the dips measure the ringing of its edge, not a period.
constexpr double kEdgeEnergyShare = 0.25;

// How much of the half window does not repeat after a lag: 1 - r(lag) / sqrt(e0 * e(lag)), 0
// for a stretch that repeats exactly. squares[i] is the sum of x[j]^2 for j < i, so every energy
// is one subtraction and each lag costs one pass of products.
struct Repetition {
  const double* x;
  const double* squares;
  int half;
  // The remainders at K lags in one pass: each lag's products are still summed in order of j,
  // but the K sums run side by side instead of one long chain of additions after another.
  template <int K>
  void remaindersAt(const int* lags, double* out) const {
    double r[K] = {};
    for (int j = 0; j < half; ++j)
      for (int k = 0; k < K; ++k) r[k] += x[j] * x[j + lags[k]];
    const double e0 = squares[half];
    for (int k = 0; k < K; ++k) {
      const double el = squares[lags[k] + half] - squares[lags[k]];
      out[k] = e0 > 0.0 && el > 0.0 ? 1.0 - r[k] / std::sqrt(e0 * el) : 1.0;
    }
  }
};

// Moves the lag to a multiple of itself (twice, three times) while that repeats clearly better.
// A period that falls between two lags leaves a remainder of up to a quarter of the one-lag
// remainder at the nearest lag (the waveform against itself shifted by half a lag), plus a
// margin for harmonics that slope faster than that estimate: that much of the chosen lag's
// remainder may be its offset from the period rather than the sign of a harmonic's period.
int fundamentalLag(const Repetition& rep, int t, int minLag, int maxLag) {
  double first[2];
  const int firstLags[2] = {1, t};
  rep.remaindersAt<2>(firstLags, first);
  const double offsetAllowance = 0.3 * first[0];
  double rt = first[1];
  // The widest neighbourhood searched, m = 3: 2 * reach + 1 lags.
  constexpr int kMaxCandidates = 5;
  for (bool moved = true; moved;) {
    moved = false;
    if (rt <= kPeriodicRemainder + offsetAllowance) break;
    // The period lies within half a lag of t, so its multiple within m/2 lags of m*t.
    for (int m = 2; m <= 3 && m * t - m / 2 - 1 < maxLag; ++m) {
      const int reach = (m + 1) / 2;
      const int first = std::max(minLag, m * t - reach);
      const int last = std::min(m * t + reach, maxLag - 1);
      if (first > last) continue;
      const int count = last - first + 1;
      // Always five sums (the spare ones repeat the last lag): one pass, no short chains.
      int lags[kMaxCandidates];
      double remainders[kMaxCandidates];
      for (int k = 0; k < kMaxCandidates; ++k) lags[k] = std::min(first + k, last);
      rep.remaindersAt<kMaxCandidates>(lags, remainders);
      int best = -1;
      double bestRemainder = 0.0;
      for (int k = 0; k < count; ++k)
        if (best < 0 || remainders[k] < bestRemainder) {
          best = lags[k];
          bestRemainder = remainders[k];
        }
      if (best > 0 && bestRemainder < kMultipleShare * (rt - offsetAllowance)) {
        t = best;
        rt = bestRemainder;
        moved = true;
        break;
      }
    }
  }
  return t;
}

bool isOctaveJump(float diff) {
  return std::fabs(diff - 12.0f) < 1.0f || std::fabs(diff + 12.0f) < 1.0f;
}

}  // namespace

void PitchDetector::configure(const EngineConfig& config) {
  config_ = config;
  taps_ = designAntiAliasTaps(config.decimation);
  history_.assign(static_cast<size_t>(4 * config.windowSize), 0.0f);
  hopSamples_.assign(static_cast<size_t>(config.hop), 0.0f);
  window_.assign(static_cast<size_t>(config.windowSize), 0.0);
  products_.configure(config);
  squares_.assign(static_cast<size_t>(config.windowSize + 1), 0.0);
  difference_.assign(static_cast<size_t>(config.windowSize / 2 + 2), 0.0f);
  lagDiffs_.assign(difference_.size(), 0.0);
  lagSums_.assign(difference_.size(), 0.0);
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
  // Only the analysis reads the decimated history, so a hop's decimated samples are worked out
  // together when it completes: the input they need is still in the ring.
  if (++hopCounter_ < config_.hop) return;
  decimateHop(ring, written);
  hopCounter_ = 0;
  if (historyFill_ >= config_.windowSize) analyse(written);
}

void PitchDetector::decimateHop(const SampleRing& ring, int64_t written) {
  const int count = hopCounter_;
  float* due = hopSamples_.data();
  decimateRun(ring, written - 1, config_.decimation, count, taps_, due);
  const int historySize = static_cast<int>(history_.size());
  for (int i = 0; i < count; ++i) {
    history_[static_cast<size_t>(historyIndex_)] = due[i];
    ++decimatedCount_;
    if (++historyIndex_ == historySize) historyIndex_ = 0;
  }
  historyFill_ = std::min(historyFill_ + count, historySize);
}

void PitchDetector::analyse(int64_t written) {
  const int n = config_.windowSize;
  const int half = n / 2;
  loadWindow();
  const double* squares = squares_.data();
  const double rms = std::sqrt(squares[n] / n);
  // The older half of the window, the stretch every lag is compared against.
  const double e0 = squares[half];
  normalisedDifference(e0);

  PitchFrame frame;
  frame.position = written - static_cast<int64_t>(config_.decimation) * n / 2;
  const int firstDip = searchLag();
  if (firstDip < 0) {
    admit(frame);  // no usable lag: unvoiced, confidence 0
    return;
  }
  const int t =
      fundamentalLag({window_.data(), squares, half}, firstDip, config_.minLag, config_.maxLag);
  const double lag = refineLag(t);
  const Voicing voicing = judgeVoicing(t, rms, e0);
  if (!voicing.voiced) {
    frame.confidence = std::min(voicing.confidence, 0.49f);
    admit(frame);
    return;
  }
  const float period =
      std::clamp(static_cast<float>(config_.decimation * lag),
                 static_cast<float>(config_.samplesPerMs), static_cast<float>(config_.maxPeriod));
  frame.period = period;
  frame.voiced = 1;
  frame.confidence = std::max(voicing.confidence, 0.5f);
  // Always against 440 Hz: the A4 reference moves the note grid, not the measurement.
  frame.note = static_cast<float>(hzToNote(config_.sampleRate / period, 440.0));
  admit(frame, t != firstDip ? OctaveEvidence::longerPeriod : OctaveEvidence::noLongerPeriod);
}

void PitchDetector::loadWindow() {
  const int n = config_.windowSize;
  const int historySize = static_cast<int>(history_.size());
  double* x = window_.data();
  double* squares = squares_.data();
  // squares[i] is the energy of x[0..i-1], summed in order: squares[n] is the window's energy,
  // squares[n / 2] that of its older half.
  double energy = 0.0;
  squares[0] = 0.0;
  int index = historyIndex_ - n;
  if (index < 0) index += historySize;
  for (int i = 0; i < n; ++i) {
    x[i] = history_[static_cast<size_t>(index)];
    energy += x[i] * x[i];
    squares[i + 1] = energy;
    if (++index == historySize) index = 0;
  }
}

void PitchDetector::normalisedDifference(double e0) {
  const int n = config_.windowSize;
  const int half = n / 2;
  const int maxLag = config_.maxLag;
  const double* x = window_.data();
  // d(lag) = sum over j < N/2 of (x[j] - x[j+lag])^2, expanded as e0 + e(lag) - 2 r(lag): the
  // energies slide along in O(1) per lag, leaving one product per term. Products of floats are
  // exact in double, so the expansion loses nothing that matters against the float result.
  double eLag = e0;
  const double* r = products_.crossSums(x, decimatedCount_ - n);
  float* d = difference_.data();
  d[0] = 1.0f;
  double* diffs = lagDiffs_.data();
  double* sums = lagSums_.data();
  double cumulative = 0.0;
  for (int l = 1; l <= maxLag; ++l) {
    eLag += x[l - 1 + half] * x[l - 1 + half] - x[l - 1] * x[l - 1];
    // What the expansion leaves of a difference that is exactly 0 (a constant, or a period of
    // whole decimated samples) is rounding, some 1e-14 of the energies: count it as the 0 it is.
    double diff = e0 + eLag - 2.0 * r[l];
    if (diff < 1e-12 * (e0 + eLag)) diff = 0.0;
    cumulative += diff;
    diffs[l] = diff;
    sums[l] = cumulative;
  }
  // The divisions are off the running sum's chain: a second pass, free to run several at once.
  for (int l = 1; l <= maxLag; ++l)
    d[l] = sums[l] > 0.0 ? static_cast<float>(l * diffs[l] / sums[l]) : 1.0f;
}

int PitchDetector::searchLag() const {
  const int maxLag = config_.maxLag;
  const int minLag = config_.minLag;
  const float* d = difference_.data();
  if (maxLag <= minLag) return -1;
  // The first dip under the threshold, followed down to its bottom...
  for (int lag = minLag; lag < maxLag; ++lag) {
    if (d[lag] < kDipThreshold) {
      int t = lag;
      while (t + 1 < maxLag && d[t + 1] < d[t]) ++t;
      return t;
    }
  }
  // ... else the deepest dip, if any lag repeats at all.
  int t = -1;
  float best = 1.0f;
  for (int lag = minLag; lag < maxLag; ++lag)
    if (d[lag] < best) {
      best = d[lag];
      t = lag;
    }
  return t;
}

double PitchDetector::refineLag(int t) const {
  const float* d = difference_.data();
  double lag = t;
  if (t > config_.minLag && t < config_.maxLag - 1) {
    const double a = d[t - 1], b = d[t], c = d[t + 1];
    const double den = a - 2.0 * b + c;
    if (std::fabs(den) > 1e-9) lag = t + 0.5 * (a - c) / den;
  }
  return lag;
}

PitchDetector::Voicing PitchDetector::judgeVoicing(int t, double rms, double e0) const {
  const int half = config_.windowSize / 2;
  const double* squares = squares_.data();
  float aperiodicity = difference_[static_cast<size_t>(t)];
  // Voicing is judged on the stretches the difference function compared, not on the whole
  // window: a loud onset in its newest part must not lend its level to the ringing before it.
  const double lagged = squares[t + half] - squares[t];
  const double comparedRms = std::sqrt(0.5 * (e0 + lagged) / half);
  if (std::min(e0, lagged) < kEdgeEnergyShare * std::max(e0, lagged)) aperiodicity = 1.0f;
  Voicing v;
  v.confidence = (0.34f - aperiodicity) / 0.12f;
  if (aperiodicity < kVoicedAperiodicity) {
    v.voiced = rms > kVoicedRms && comparedRms > kVoicedRms;
    v.confidence = std::min(v.confidence, 1.0f);
  } else {
    v.confidence = std::max(v.confidence, 0.0f);
  }
  const double fade = (rms - kFadeRms) / kFadeRms;
  if (fade < 0.0)
    v.confidence = 0.0f;
  else if (fade <= 1.0)
    v.confidence = static_cast<float>(v.confidence * fade);
  return v;
}

void PitchDetector::admit(PitchFrame frame, OctaveEvidence evidence) {
  if (frame.voiced && !frames_.empty() && frames_.back().voiced) {
    const PitchFrame& previous = frames_.back();
    // Only a settled pitch, one that the frame before it agreed with, is defended: a frame that
    // has just moved to a new note may itself be the stray one, and holding it would spread
    // its error over the next three analyses.
    const int count = frames_.size();
    const bool settled = count >= 2 && frames_[count - 2].voiced &&
                         std::fabs(previous.note - frames_[count - 2].note) < 1.0f;
    const bool up = frame.note > previous.note;
    const bool heard = evidence == OctaveEvidence::longerPeriod ||
                       (evidence == OctaveEvidence::noLongerPeriod && up);
    if (settled && !heard && isOctaveJump(frame.note - previous.note)) {
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
