#include "Measure.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "MathConstants.h"
#include "NoteFrequency.h"

namespace zvquality {

namespace {

using zv::kPi;

// Lag of the period by normalised cross-correlation over 60..1100 Hz: the shortest lag whose
// peak reaches 90 % of the best (so a period two periods long does not win), refined by a
// parabola. 0 when nothing reaches 0.8.
double coarseLag(const std::vector<float>& x, size_t start, size_t window, double sr) {
  const int minLag = static_cast<int>(sr / 1100.0);
  const int maxLag = static_cast<int>(sr / 60.0);
  if (start + window + static_cast<size_t>(maxLag) + 2 > x.size()) return 0.0;
  std::vector<double> r(static_cast<size_t>(maxLag + 2), 0.0);
  double e0 = 0.0;
  for (size_t i = 0; i < window; ++i) e0 += static_cast<double>(x[start + i]) * x[start + i];
  if (e0 < 1e-7 * static_cast<double>(window)) return 0.0;
  double best = 0.0;
  for (int lag = minLag; lag <= maxLag + 1; ++lag) {
    double cross = 0.0, e1 = 0.0;
    for (size_t i = 0; i < window; ++i) {
      const double a = x[start + i], b = x[start + i + static_cast<size_t>(lag)];
      cross += a * b;
      e1 += b * b;
    }
    r[static_cast<size_t>(lag)] = e1 > 0.0 ? cross / std::sqrt(e0 * e1) : 0.0;
    if (lag <= maxLag) best = std::max(best, r[static_cast<size_t>(lag)]);
  }
  if (best < 0.8) return 0.0;
  for (int lag = minLag + 1; lag <= maxLag; ++lag) {
    const double a = r[static_cast<size_t>(lag - 1)], b = r[static_cast<size_t>(lag)],
                 c = r[static_cast<size_t>(lag + 1)];
    if (b >= a && b >= c && b >= 0.9 * best) {
      const double den = a - 2.0 * b + c;
      return lag + (den != 0.0 ? 0.5 * (a - c) / den : 0.0);
    }
  }
  return 0.0;
}

// The phase of a Hann-windowed DFT bin at hz over x[start, start + length), against absolute
// time so that phases of different windows compare directly.
double phaseAt(const std::vector<float>& x, size_t start, int length, double hz, double sr) {
  std::complex<double> sum = 0.0;
  const double w = 2.0 * kPi * hz / sr;
  for (int i = 0; i < length; ++i) {
    const double win = 0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / length);
    const double t = static_cast<double>(start) + i;
    sum += win * static_cast<double>(x[start + static_cast<size_t>(i)]) *
           std::complex<double>(std::cos(w * t), -std::sin(w * t));
  }
  return std::arg(sum);
}

double rms(const std::vector<float>& x, size_t from, size_t to) {
  double e = 0.0;
  for (size_t i = from; i < to && i < x.size(); ++i) e += static_cast<double>(x[i]) * x[i];
  return std::sqrt(e / std::max<double>(1.0, static_cast<double>(to - from)));
}

void fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * kPi / static_cast<double>(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1.0;
      for (size_t k = 0; k < len / 2; ++k, w *= step) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

// Mean over frame pairs of the RMS difference, in dB, between consecutive log-magnitude spectra
// (1024-point frames of 23 ms at 44.1 kHz, half overlapping, 80 Hz to 8 kHz): how much the
// spectrum moves from one frame to the next, the warble and roughness a listener hears.
double spectralChange(const std::vector<float>& x, size_t from, size_t to, double sr, double& sum,
                      int& count) {
  const int n = sr > 60000.0 ? 2048 : 1024;
  std::vector<double> previous;
  for (size_t s = from; s + static_cast<size_t>(n) <= to; s += static_cast<size_t>(n / 2)) {
    std::vector<std::complex<double>> a(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
      a[static_cast<size_t>(i)] =
          x[s + static_cast<size_t>(i)] * (0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / n));
    fft(a);
    const int lo = static_cast<int>(80.0 * n / sr), hi = static_cast<int>(8000.0 * n / sr);
    std::vector<double> db;
    for (int k = lo; k <= hi; ++k)
      db.push_back(20.0 * std::log10(std::abs(a[static_cast<size_t>(k)]) + 1e-6));
    if (!previous.empty()) {
      double d = 0.0;
      for (size_t k = 0; k < db.size(); ++k) d += (db[k] - previous[k]) * (db[k] - previous[k]);
      sum += std::sqrt(d / static_cast<double>(db.size()));
      ++count;
    }
    previous = db;
  }
  return count > 0 ? sum / count : 0.0;
}

}  // namespace

double estimateHz(const std::vector<float>& x, size_t start, double sr) {
  const double lag = coarseLag(x, start, static_cast<size_t>(0.03 * sr), sr);
  if (lag <= 0.0) return 0.0;
  // The fundamental's phase advance over four steps of one period, each from a window of four
  // periods: exact for a steady tone, and far finer than the lag's parabola.
  const double coarse = sr / lag;
  const int hop = static_cast<int>(std::lround(lag));
  const int length = 4 * hop;
  const int steps = 4;
  if (start + static_cast<size_t>(length + steps * hop) > x.size()) return 0.0;
  double advance = 0.0;
  double phase = phaseAt(x, start, length, coarse, sr);
  for (int k = 1; k <= steps; ++k) {
    const double next = phaseAt(x, start + static_cast<size_t>(k * hop), length, coarse, sr);
    advance += std::remainder(next - phase, 2.0 * kPi);
    phase = next;
  }
  return coarse + advance / steps * sr / (2.0 * kPi * hop);
}

FileResult measure(const CorpusFile& file, const std::vector<float>& input,
                   const std::vector<float>& output) {
  const double sr = file.sampleRate;
  std::vector<zvrender::NoteSpan> spans;
  zvrender::synthesizeVoice(file.notes, sr, file.style, &spans);
  FileResult result;
  std::vector<double> cents;
  double inEnergy = 0.0, outEnergy = 0.0;
  double inFlux = 0.0, outFlux = 0.0;
  int inFrames = 0, outFrames = 0;
  const size_t hop = static_cast<size_t>(0.01 * sr);
  for (size_t k = 0; k < spans.size() && k < file.notes.size(); ++k) {
    const zvrender::SungNote& n = file.notes[k];
    const double gridHz = zv::noteToHz(n.midiNote, file.style.a4Hz);
    // Steady: past the slide and 150 ms of settling, 120 ms before the end (the estimator's
    // reach).
    const size_t from = static_cast<size_t>((spans[k].startSeconds + n.slideSeconds + 0.15) * sr);
    const size_t to = static_cast<size_t>((spans[k].endSeconds - 0.12) * sr);
    for (size_t s = from; s < to; s += hop) {
      const double hz = estimateHz(output, s, sr);
      ++result.steadyFrames;
      if (hz <= 0.0) {
        cents.push_back(1e9);
        continue;
      }
      const double c = 1200.0 * std::log2(hz / gridHz);
      if (std::fabs(c) > 600.0) ++result.octaveErrors;
      cents.push_back(std::fabs(c));
    }
    const size_t a = static_cast<size_t>(spans[k].startSeconds * sr),
                 b = static_cast<size_t>(spans[k].endSeconds * sr);
    const double ri = rms(input, a, b), ro = rms(output, a, b);
    inEnergy += ri * ri;
    outEnergy += ro * ro;
    spectralChange(input, from, to, sr, inFlux, inFrames);
    spectralChange(output, from, to, sr, outFlux, outFrames);
  }
  std::sort(cents.begin(), cents.end());
  if (!cents.empty()) result.medianCents = cents[cents.size() / 2];
  int within = 0;
  for (double c : cents) within += c <= 10.0 ? 1 : 0;
  result.within10 = cents.empty() ? 0.0 : static_cast<double>(within) / cents.size();
  result.loudnessDb = 10.0 * std::log10((outEnergy + 1e-20) / (inEnergy + 1e-20));
  result.spectralRatio = inFrames > 0 && outFrames > 0 && inFlux > 0.0
                             ? (outFlux / outFrames) / (inFlux / inFrames)
                             : 0.0;
  return result;
}

}  // namespace zvquality
