#include "GrainSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "MathConstants.h"
#include "WideVectors.h"

#ifdef ZV_HAVE_AVX_DISPATCH
#include <immintrin.h>
#endif

namespace zv {

namespace {

constexpr int kMaxGrainsPerSample = 8;
// Input a grain reads past its source mark's whole position plus its reach: the straight-line
// read's next sample (what the whole-sample grains needed: two) and the mark's fraction of up to
// half a sample; so much input must be there before a grain is cut.
constexpr double kReadReach = 3.0;

struct SourcePeriod {
  float period;
  bool voiced;
};

// The period at a mark, or a 140 Hz substitute where the voice is unvoiced.
SourcePeriod periodAt(const EngineConfig& config, const PitchDetector& detector, int64_t mark) {
  const PitchFrame* frame = detector.frameAt(mark);
  if (frame && frame->voiced) return {frame->period, true};
  return {static_cast<float>(config.sampleRate / 140.0), false};
}

// Input needed after a source mark before a grain of period p can be cut from it.
double reachAfterMark(float p, double ratio) {
  return std::max(0.55 * p, p / ratio) * ratio;
}

// Where the period at a mark starts, to a fraction of a sample. The source is one of the newest
// marks, so the search from the newest end is short; the source itself stays a plain position so
// that it travels in registers through the per-sample path.
double exactSource(const PitchMarker::MarkQueue& marks, int64_t mark) {
  for (int i = marks.size() - 1; i >= 0 && marks[i].position >= mark; --i)
    if (marks[i].position == mark) return marks[i].exact();
  return static_cast<double>(mark);
}

double halfLengthFor(float pOut, float p, double ratio, const EngineConfig& config) {
  return std::min(1.5 * config.maxPeriod, std::max(0.55 * pOut, p / ratio));
}

}  // namespace

namespace {

// The Hann window's cosine for kLanes consecutive samples at once: each lane is its own rotation
// by kLanes steps, so the lanes' recurrences run side by side in vector registers instead of
// queueing behind one another, and the grain's samples are weighted kLanes at a time.
constexpr int kLanes = 8;

// Adds the kLanes samples of v, times weight, to out from position n on.
inline void addWeighted(SampleRing& out, int64_t n, const double* v, const double* weight,
                        int count) {
  const int64_t index = n & out.mask();
  if (count == kLanes && index + kLanes <= out.size()) {
    float* cells = out.data() + index;
    for (int j = 0; j < kLanes; ++j) cells[j] += static_cast<float>(v[j] * weight[j]);
    return;
  }
  for (int j = 0; j < count; ++j) out.cell(n + j) += static_cast<float>(v[j] * weight[j]);
}

// The raised-cosine window's phase on kLanes consecutive samples from n0, and the rotation that
// moves every lane kLanes samples on: each lane is then stepped by multiplication alone.
struct WindowLanes {
  alignas(32) double c[kLanes];
  alignas(32) double s[kLanes];
  double rotCos, rotSin;
};

inline WindowLanes startWindow(int64_t n0, double centre, double halfLength) {
  WindowLanes w;
  const double step = kPi / halfLength;
  const double u0 = static_cast<double>(n0) - centre;
  w.c[0] = std::cos(step * u0);
  w.s[0] = std::sin(step * u0);
  const double stepCos = std::cos(step), stepSin = std::sin(step);
  for (int j = 1; j < kLanes; ++j) {
    w.c[j] = w.c[j - 1] * stepCos - w.s[j - 1] * stepSin;
    w.s[j] = w.s[j - 1] * stepCos + w.c[j - 1] * stepSin;
  }
  w.rotCos = std::cos(kLanes * step);
  w.rotSin = std::sin(kLanes * step);
  return w;
}

// Lays samples n0..last weighted by the grain's window; read(n, count, v) fills v with the
// grain's input for output positions n..n+count-1.
template <typename Read>
void overlapAdd(SampleRing& out, int64_t n0, int64_t last, double centre, double halfLength,
                double gain, Read read) {
  WindowLanes w = startWindow(n0, centre, halfLength);
  double* c = w.c;
  double* s = w.s;
  const double rotCos = w.rotCos, rotSin = w.rotSin;
  const double half = 0.5 * gain;
  for (int64_t n = n0; n <= last; n += kLanes) {
    const int count = static_cast<int>(std::min<int64_t>(kLanes, last - n + 1));
    double v[kLanes], weight[kLanes];
    read(n, count, v);
    for (int j = 0; j < kLanes; ++j) {
      weight[j] = half + half * c[j];
      const double r = c[j] * rotCos - s[j] * rotSin;
      s[j] = s[j] * rotCos + c[j] * rotSin;
      c[j] = r;
    }
    addWeighted(out, n, v, weight, count);
  }
}

#ifdef ZV_HAVE_AVX_DISPATCH
// overlapAdd with its eight lanes in two 256-bit registers each: the same multiplications and
// additions per lane, in the same order, so the same bits.
template <typename Read>
ZV_TARGET_AVX inline void overlapAddAvx(SampleRing& out, int64_t n0, int64_t last, double centre,
                                        double halfLength, double gain, Read read) {
  static_assert(kLanes == 8, "two registers of four lanes");
  WindowLanes w = startWindow(n0, centre, halfLength);
  double* c = w.c;
  double* s = w.s;
  const __m256d rotCos = _mm256_set1_pd(w.rotCos);
  const __m256d rotSin = _mm256_set1_pd(w.rotSin);
  const __m256d half = _mm256_set1_pd(0.5 * gain);
  __m256d c0 = _mm256_load_pd(c), c1 = _mm256_load_pd(c + 4);
  __m256d s0 = _mm256_load_pd(s), s1 = _mm256_load_pd(s + 4);
  float* cells = out.data();
  const int64_t mask = out.mask();
  for (int64_t n = n0; n <= last; n += kLanes) {
    const int count = static_cast<int>(std::min<int64_t>(kLanes, last - n + 1));
    alignas(32) double v[kLanes];
    read(n, count, v);
    const __m256d w0 = _mm256_add_pd(half, _mm256_mul_pd(half, c0));
    const __m256d w1 = _mm256_add_pd(half, _mm256_mul_pd(half, c1));
    const __m256d r0 = _mm256_sub_pd(_mm256_mul_pd(c0, rotCos), _mm256_mul_pd(s0, rotSin));
    const __m256d r1 = _mm256_sub_pd(_mm256_mul_pd(c1, rotCos), _mm256_mul_pd(s1, rotSin));
    s0 = _mm256_add_pd(_mm256_mul_pd(s0, rotCos), _mm256_mul_pd(c0, rotSin));
    s1 = _mm256_add_pd(_mm256_mul_pd(s1, rotCos), _mm256_mul_pd(c1, rotSin));
    c0 = r0;
    c1 = r1;
    const __m128 p0 = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_load_pd(v), w0));
    const __m128 p1 = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_load_pd(v + 4), w1));
    const int64_t index = n & mask;
    if (count == kLanes && index + kLanes <= out.size()) {
      float* at = cells + index;
      _mm_storeu_ps(at, _mm_add_ps(_mm_loadu_ps(at), p0));
      _mm_storeu_ps(at + 4, _mm_add_ps(_mm_loadu_ps(at + 4), p1));
      continue;
    }
    alignas(16) float p[kLanes];
    _mm_store_ps(p, p0);
    _mm_store_ps(p + 4, p1);
    for (int j = 0; j < count; ++j) out.cell(n + j) += p[j];
  }
}
#endif

template <bool kWide, typename Read>
inline void overlapAddWith(SampleRing& out, int64_t n0, int64_t last, double centre,
                           double halfLength, double gain, Read read) {
#ifdef ZV_HAVE_AVX_DISPATCH
  if constexpr (kWide) return overlapAddAvx(out, n0, last, centre, halfLength, gain, read);
#endif
  overlapAdd(out, n0, last, centre, halfLength, gain, read);
}

// The grain itself; layGrain runs it with the processor's widest vectors (the same arithmetic,
// lane for lane, so the same bits).
template <bool kWide>
inline void layGrainWith(SampleRing& out, const SampleRing& input, double source, double centre,
                         float synthesisPeriod, double halfLength, double formantRatio,
                         int64_t readPos) {
  const double gain = std::min(1.0, synthesisPeriod / halfLength);
  const int64_t first = static_cast<int64_t>(std::ceil(centre - halfLength));
  const int64_t last = static_cast<int64_t>(std::floor(centre + halfLength));
  // Nothing before the stream's start either: the read-out never takes (and so never clears)
  // those cells, and whatever a grain left there would be heard one ring length later.
  const int64_t n0 = std::max({first, readPos + 1, int64_t{0}});
  if (n0 > last) return;
  if (formantRatio != 1.0) {
    // Resampled grains interpolate every sample anyway; the straight line between neighbours
    // is what the formant shift has always read with.
    overlapAddWith<kWide>(
        out, n0, last, centre, halfLength, gain, [&](int64_t n, int count, double* v) {
          for (int j = 0; j < count; ++j)
            v[j] = input.interpolate(source + (static_cast<double>(n + j) - centre) * formantRatio);
        });
    return;
  }
  // Output sample n reads the input at n + shift.
  const double shift = source - centre;
  const double whole = std::floor(shift);
  const int64_t offset = static_cast<int64_t>(whole);
  const double fraction = shift - whole;
  const float* cells = input.data();
  const int64_t mask = input.mask();
  if (fraction < 1e-6 || fraction > 1.0 - 1e-6) {
    const int64_t nearest = fraction < 0.5 ? offset : offset + 1;
    overlapAddWith<kWide>(out, n0, last, centre, halfLength, gain,
                          [&](int64_t n, int count, double* v) {
                            const int64_t index = (n + nearest) & mask;
                            if (count == kLanes && index + kLanes <= input.size()) {
                              for (int j = 0; j < kLanes; ++j)
                                v[j] = static_cast<double>(cells[index + j]);
                              return;
                            }
                            for (int j = 0; j < count; ++j)
                              v[j] = static_cast<double>(input.at(n + j + nearest));
                          });
    return;
  }
  // Every sample of the grain shares one fraction, so the grain is the input delayed by that
  // fraction: a straight line between neighbours. Its gain at the worst fraction (a half) is
  // -0.1 dB at 2 kHz and -0.6 dB at 5 kHz at 44.1 kHz (less at higher rates), where a voiced
  // grain carries little energy; a six-tap windowed sinc, flat to 10 kHz, measured the same on
  // the quality corpus (pitch and frame-to-frame spectral change alike) at several times the
  // cost per sample.
  const float f = static_cast<float>(fraction);
  overlapAddWith<kWide>(
      out, n0, last, centre, halfLength, gain, [&](int64_t n, int count, double* v) {
        const int64_t index = (n + offset) & mask;
        if (count == kLanes && index + kLanes + 1 <= input.size()) {
          for (int j = 0; j < kLanes; ++j) {
            const float a = cells[index + j], b = cells[index + j + 1];
            v[j] = static_cast<double>(a + f * (b - a));
          }
          return;
        }
        for (int j = 0; j < count; ++j) {
          const float a = input.at(n + j + offset), b = input.at(n + j + offset + 1);
          v[j] = static_cast<double>(a + f * (b - a));
        }
      });
}

#ifdef ZV_HAVE_AVX_DISPATCH
ZV_TARGET_AVX __attribute__((flatten)) void layGrainAvx(SampleRing& out, const SampleRing& input,
                                                        double source, double centre,
                                                        float synthesisPeriod, double halfLength,
                                                        double formantRatio, int64_t readPos) {
  layGrainWith<true>(out, input, source, centre, synthesisPeriod, halfLength, formantRatio,
                     readPos);
}
#endif

}  // namespace

void layGrain(SampleRing& out, const SampleRing& input, double source, double centre,
              float synthesisPeriod, double halfLength, double formantRatio, int64_t readPos) {
#ifdef ZV_HAVE_AVX_DISPATCH
  if (kWideVectors)
    return layGrainAvx(out, input, source, centre, synthesisPeriod, halfLength, formantRatio,
                       readPos);
#endif
  layGrainWith<false>(out, input, source, centre, synthesisPeriod, halfLength, formantRatio,
                      readPos);
}

void synthesizeNormal(ShiftVoice& voice, const GrainContext& ctx) {
  const double ratio = ctx.formantRatio;
  if (voice.synthesisTime < 0.0)
    voice.synthesisTime = static_cast<double>(ctx.readPos + ctx.config.maxPeriod);
  const PitchMarker::MarkQueue& marks = ctx.marks;
  const int64_t newestMark = ctx.newestMark;
  const int64_t frames = ctx.framesAdmitted;
  ShiftVoice::Wait& wait = voice.wait;
  if (stillWaiting(voice, ctx)) return;
  auto waitFor = [&](int64_t until) {
    wait = {until, frames, newestMark, voice.synthesisTime, ratio};
  };
  for (;;) {
    const int64_t centre = static_cast<int64_t>(std::floor(voice.synthesisTime));
    const int count = marks.size();
    if (count < 3 || marks.back().position <= centre)
      return waitFor(INT64_MAX);  // until a new mark
    // The mark nearest to the grain centre; on equal distance the earlier one. The centre sits
    // near the newest marks, so the first mark at or after it is searched from that end.
    int i = count - 1;
    while (i > 1 && marks[i - 1].position >= centre) --i;
    const PitchMark& nearest =
        (marks[i].position - centre) < (centre - marks[i - 1].position) ? marks[i] : marks[i - 1];
    const int64_t source = nearest.position;

    const SourcePeriod sp = periodAt(ctx.config, ctx.detector, source);
    const double needed =
        reachAfterMark(sp.period, ratio) + static_cast<double>(source) + kReadReach;
    if (needed >= static_cast<double>(ctx.written))
      return waitFor(static_cast<int64_t>(std::floor(needed)));
    // The glide and the hysteresis advance only with a grain actually laid: a grain that waits
    // for input must not step the glide once per waiting sample.
    GlideState next = voice.glide;
    const PitchFrame* frame = sp.voiced ? ctx.detector.frameAt(source) : nullptr;
    const float pOut = targetPeriod(next, ctx.params, voice.steps, source,
                                    frame ? frame->note : 0.0f, sp.period, sp.voiced, ctx.config);
    const double half = halfLengthFor(pOut, sp.period, ratio, ctx.config);
    if (ratio * half + static_cast<double>(source) + kReadReach >= static_cast<double>(ctx.written))
      return;
    voice.glide = next;
    layGrain(voice.out, ctx.input, nearest.exact(), voice.synthesisTime, pOut, half, ratio,
             ctx.readPos);
    voice.synthesisTime += pOut;
  }
}

const GrainSource& NewestSourceCache::refresh(const EngineConfig& config,
                                              const PitchDetector& detector,
                                              const PitchMarker::MarkQueue& marks, int64_t written,
                                              double formantRatio) {
  // From the newest mark back to the first complete one, noting how far the input may grow before
  // one of the newer marks it passed becomes complete and so the answer.
  double until = INFINITY;
  source_ = GrainSource{};
  lead_ = 0.0;
  for (int i = marks.size() - 1; i >= 0; --i) {
    const int64_t mark = marks[i].position;
    const SourcePeriod sp = periodAt(config, detector, mark);
    const double needed =
        reachAfterMark(sp.period, formantRatio) + static_cast<double>(mark) + kReadReach;
    if (static_cast<double>(written) > needed) {
      source_ = {mark, sp.period, sp.voiced};
      lead_ = std::max(0.3 * sp.period, sp.period / formantRatio);
      break;
    }
    until = std::min(until, needed);
  }
  stillUntil_ = until;
  frames_ = detector.framesAdmitted();
  newest_ = marks.empty() ? -1 : marks.back().position;
  count_ = marks.size();
  ratio_ = formantRatio;
  return source_;
}

void synthesizeLowLatency(ShiftVoice& voice, const GrainContext& ctx) {
  const double ratio = ctx.formantRatio;
  const double readPos = static_cast<double>(ctx.readPos);
  if (voice.synthesisTime < 0.0 || voice.synthesisTime < readPos - 2.0 * ctx.config.maxPeriod)
    voice.synthesisTime = readPos + 1.0;
  const GrainSource& src = ctx.newestSource;
  if (src.mark < 0) return;  // no mark has a complete period after it yet
  const int64_t source = src.mark;
  const float period = src.period;
  for (int grain = 0; grain < kMaxGrainsPerSample; ++grain) {
    const int64_t centre = static_cast<int64_t>(std::floor(voice.synthesisTime));
    // Far enough ahead of the read-out: the next grain can wait for a newer period.
    if (static_cast<double>(centre) - ctx.newestLead > readPos + 2.0) return;
    const PitchFrame* frame = src.voiced ? ctx.detector.frameAt(source) : nullptr;
    const float pOut = targetPeriod(voice.glide, ctx.params, voice.steps, source,
                                    frame ? frame->note : 0.0f, period, src.voiced, ctx.config);
    double half = halfLengthFor(pOut, period, ratio, ctx.config);
    if (ratio * half + static_cast<double>(source) + kReadReach >=
        static_cast<double>(ctx.written)) {
      // The newest period is not complete at this length: shorten the grain to what is there.
      half = (static_cast<double>(ctx.written - source) - kReadReach - 1.0) / ratio;
      if (half <= 8.0) half = 8.0;
    }
    layGrain(voice.out, ctx.input, exactSource(ctx.marks, source), voice.synthesisTime, pOut, half,
             ratio, ctx.readPos);
    voice.synthesisTime += pOut;
  }
}

}  // namespace zv
