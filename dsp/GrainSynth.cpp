#include "GrainSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zv {

namespace {

constexpr int kMaxGrainsPerSample = 8;
constexpr double kPi = 3.14159265358979323846;

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

double halfLengthFor(float pOut, float p, double ratio, const EngineConfig& config) {
  return std::min(1.5 * config.maxPeriod, std::max(0.55 * pOut, p / ratio));
}

}  // namespace

void layGrain(SampleRing& out, const SampleRing& input, int64_t sourceMark, int64_t centre,
              float synthesisPeriod, double halfLength, double formantRatio, int64_t readPos) {
  const double gain = std::min(1.0, synthesisPeriod / halfLength);
  const int64_t first = static_cast<int64_t>(std::ceil(-halfLength));
  const int64_t last = static_cast<int64_t>(std::floor(halfLength));
  const int64_t j0 = readPos < centre + first ? first : readPos + 1 - centre;
  if (j0 > last) return;
  // cos(pi*j/L) by rotation: one complex multiply per sample instead of a cosine. Even and odd
  // j run as two rotations by 2*step, so the two recurrences overlap instead of queueing.
  const double step = kPi / halfLength;
  const double rotCos = std::cos(2.0 * step), rotSin = std::sin(2.0 * step);
  double c0 = std::cos(step * static_cast<double>(j0)),
         s0 = std::sin(step * static_cast<double>(j0));
  double c1 = std::cos(step * static_cast<double>(j0 + 1)),
         s1 = std::sin(step * static_cast<double>(j0 + 1));
  const bool unityRatio = formantRatio == 1.0;  // whole samples: no interpolation needed
  auto sampleAt = [&](int64_t j) {
    return unityRatio ? input.at(sourceMark + j)
                      : input.interpolate(static_cast<double>(sourceMark) +
                                          static_cast<double>(j) * formantRatio);
  };
  int64_t j = j0;
  for (; j + 1 <= last; j += 2) {
    out.cell(centre + j) += static_cast<float>(sampleAt(j) * (0.5 + 0.5 * c0) * gain);
    out.cell(centre + j + 1) += static_cast<float>(sampleAt(j + 1) * (0.5 + 0.5 * c1) * gain);
    const double n0 = c0 * rotCos - s0 * rotSin;
    s0 = s0 * rotCos + c0 * rotSin;
    c0 = n0;
    const double n1 = c1 * rotCos - s1 * rotSin;
    s1 = s1 * rotCos + c1 * rotSin;
    c1 = n1;
  }
  if (j <= last) out.cell(centre + j) += static_cast<float>(sampleAt(j) * (0.5 + 0.5 * c0) * gain);
}

void synthesizeNormal(ShiftVoice& voice, const GrainContext& ctx) {
  const double ratio = ctx.formantRatio;
  if (voice.synthesisTime < 0.0)
    voice.synthesisTime = static_cast<double>(ctx.readPos + ctx.config.maxPeriod);
  const PitchMarker::MarkQueue& marks = ctx.marks;
  const int64_t newestMark = marks.empty() ? -1 : marks.back();
  const int64_t frames = ctx.detector.framesAdmitted();
  ShiftVoice::Wait& wait = voice.wait;
  if (ctx.written <= wait.until && wait.frames == frames && wait.mark == newestMark &&
      wait.time == voice.synthesisTime && wait.ratio == ratio)
    return;
  auto waitFor = [&](int64_t until) {
    wait = {until, frames, newestMark, voice.synthesisTime, ratio};
  };
  for (;;) {
    const int64_t centre = static_cast<int64_t>(std::floor(voice.synthesisTime));
    const int count = marks.size();
    if (count < 3 || marks.back() <= centre) return waitFor(INT64_MAX);  // until a new mark
    // The mark nearest to the grain centre; on equal distance the earlier one. The centre sits
    // near the newest marks, so the first mark at or after it is searched from that end.
    int i = count - 1;
    while (i > 1 && marks[i - 1] >= centre) --i;
    const int64_t source = (marks[i] - centre) < (centre - marks[i - 1]) ? marks[i] : marks[i - 1];

    const SourcePeriod sp = periodAt(ctx.config, ctx.detector, source);
    const double needed = reachAfterMark(sp.period, ratio) + static_cast<double>(source) + 2.0;
    if (needed >= static_cast<double>(ctx.written))
      return waitFor(static_cast<int64_t>(std::floor(needed)));
    // The glide and the hysteresis advance only with a grain actually laid: a grain that waits
    // for input must not step the glide once per waiting sample.
    GlideState next = voice.glide;
    const PitchFrame* frame = sp.voiced ? ctx.detector.frameAt(source) : nullptr;
    const float pOut = targetPeriod(next, ctx.params, voice.steps, source,
                                    frame ? frame->note : 0.0f, sp.period, sp.voiced, ctx.config);
    const double half = halfLengthFor(pOut, sp.period, ratio, ctx.config);
    if (ratio * half + static_cast<double>(source) + 2.0 >= static_cast<double>(ctx.written))
      return;
    voice.glide = next;
    layGrain(voice.out, ctx.input, source, centre, pOut, half, ratio, ctx.readPos);
    voice.synthesisTime += pOut;
  }
}

GrainSource newestCompleteSource(const EngineConfig& config, const PitchDetector& detector,
                                 const PitchMarker::MarkQueue& marks, int64_t written,
                                 double formantRatio) {
  for (int i = marks.size() - 1; i >= 0; --i) {
    const SourcePeriod sp = periodAt(config, detector, marks[i]);
    if (static_cast<double>(written) >
        reachAfterMark(sp.period, formantRatio) + static_cast<double>(marks[i]) + 2.0)
      return {marks[i], sp.period, sp.voiced};
  }
  return {};
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
    if (static_cast<double>(centre) - std::max(0.3 * period, period / ratio) > readPos + 2.0)
      return;
    const PitchFrame* frame = src.voiced ? ctx.detector.frameAt(source) : nullptr;
    const float pOut = targetPeriod(voice.glide, ctx.params, voice.steps, source,
                                    frame ? frame->note : 0.0f, period, src.voiced, ctx.config);
    double half = halfLengthFor(pOut, period, ratio, ctx.config);
    if (ratio * half + static_cast<double>(source) + 2.0 >= static_cast<double>(ctx.written)) {
      // The newest period is not complete at this length: shorten the grain to what is there.
      half = static_cast<double>(ctx.written - 3 - source) / ratio;
      if (half <= 8.0) half = 8.0;
    }
    layGrain(voice.out, ctx.input, source, centre, pOut, half, ratio, ctx.readPos);
    voice.synthesisTime += pOut;
  }
}

}  // namespace zv
