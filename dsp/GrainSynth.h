// Pitch-synchronous overlap-add: two-period grains cut around the pitch marks, windowed,
// resampled by the formant ratio and laid at the spacing of the target period.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "EngineConfig.h"
#include "PitchDetector.h"
#include "PitchMarker.h"
#include "PlainParams.h"
#include "SampleRing.h"
#include "ShiftVoice.h"

namespace zv {

// A source mark and the period at it (a 140 Hz substitute where the voice is unvoiced).
struct GrainSource {
  int64_t mark = -1;  // -1: none
  float period = 0.0f;
  bool voiced = false;
};

// Everything a voice reads to lay its grains for the current input sample.
struct GrainContext {
  const EngineConfig& config;
  const PlainParams& params;
  const SampleRing& input;
  const PitchDetector& detector;
  const PitchMarker::MarkQueue& marks;
  int64_t written;  // input samples so far
  int64_t readPos;  // the position the read-out takes this sample
  double formantRatio;
  // The newest mark's position (-1: none) and the detector's admitted-frame count: what a
  // waiting voice compares against, read once for both voices.
  int64_t newestMark;
  int64_t framesAdmitted;
  // Low-latency mode: the newest mark with a complete period after it (NewestSourceCache).
  // It depends on nothing a voice changes, so both voices and all their grains share it.
  GrainSource newestSource;
  // How far ahead of the read-out a grain centre from newestSource may wait for a newer period.
  double newestLead;
};

// The newest pitch mark that has a whole grain's worth of input after it, for a stream whose
// written count only grows: the answer stays what it was
// until a mark or frame arrives, the formant ratio moves, or the input reaches a newer mark's
// whole grain. Low-latency mode asks once per sample, so most samples cost a few compares.
class NewestSourceCache {
 public:
  void reset() { *this = NewestSourceCache(); }
  const GrainSource& get(const EngineConfig& config, const PitchDetector& detector,
                         const PitchMarker::MarkQueue& marks, int64_t written,
                         double formantRatio) {
    const int64_t newest = marks.empty() ? -1 : marks.back().position;
    if (static_cast<double>(written) <= stillUntil_ && frames_ == detector.framesAdmitted() &&
        count_ == marks.size() && newest_ == newest && ratio_ == formantRatio)
      return source_;
    return refresh(config, detector, marks, written, formantRatio);
  }
  // For the answer get gave last: how far ahead of the read-out its grains may run.
  double lead() const { return lead_; }
  // get gives that answer again without looking while written is at most this and the marks,
  // frames and ratio hold.
  double stillUntil() const { return stillUntil_; }
  const GrainSource& source() const { return source_; }

 private:
  const GrainSource& refresh(const EngineConfig& config, const PitchDetector& detector,
                             const PitchMarker::MarkQueue& marks, int64_t written,
                             double formantRatio);

  GrainSource source_;
  double lead_ = 0.0;
  double stillUntil_ = -1.0;  // the answer holds while written is at most this
  int64_t frames_ = -1;
  int64_t newest_ = -1;
  int count_ = -1;
  double ratio_ = 0.0;
};

// Adds one Hann-windowed grain centred at output position centre, read from the input around
// source at formantRatio samples per output sample. Both positions may fall between samples:
// the grain's waveform is laid exactly where it belongs, so the output period is the synthesis
// period to a fraction of a sample, not rounded to whole samples. Samples at or before readPos
// are not touched: they have been read out already.
void layGrain(SampleRing& out, const SampleRing& input, double source, double centre,
              float synthesisPeriod, double halfLength, double formantRatio, int64_t readPos);

// Normal mode: grains follow the output time base, each from the source mark nearest in time.
void synthesizeNormal(ShiftVoice& voice, const GrainContext& ctx);

// A started voice whose grain is still waiting (see ShiftVoice::Wait) has nothing to do: most
// samples end here, so the test is inline and the full call is left for the rest.
inline bool stillWaiting(const ShiftVoice& voice, const GrainContext& ctx) {
  const ShiftVoice::Wait& wait = voice.wait;
  return voice.synthesisTime >= 0.0 && ctx.written <= wait.until &&
         wait.frames == ctx.framesAdmitted && wait.mark == ctx.newestMark &&
         wait.time == voice.synthesisTime && wait.ratio == ctx.formantRatio;
}

// Low-latency mode: grains come from the newest complete period.
void synthesizeLowLatency(ShiftVoice& voice, const GrainContext& ctx);

// Low-latency mode: a started voice whose next grain centre is far enough ahead of the read-out
// (or that has no source yet) lays nothing this sample; the same test synthesizeLowLatency makes.
inline bool farEnoughAhead(const ShiftVoice& voice, const GrainContext& ctx) {
  const double readPos = static_cast<double>(ctx.readPos);
  if (voice.synthesisTime < 0.0 || voice.synthesisTime < readPos - 2.0 * ctx.config.maxPeriod)
    return false;
  return ctx.newestSource.mark < 0 ||
         std::floor(voice.synthesisTime) - ctx.newestLead > readPos + 2.0;
}

// The last read position through which farEnoughAhead keeps holding for a voice while its
// synthesis time and the newest source stay as they are (it only depends on the read position
// then); -1 when it does not hold. The same comparisons, solved for the read position.
inline int64_t farEnoughAheadThrough(const ShiftVoice& voice, const GrainSource& newest,
                                     double lead, int maxPeriod) {
  const double time = voice.synthesisTime;
  if (!(time >= 0.0) || time > 1e15) return -1;
  const double centre = std::floor(time);
  // time >= readPos - 2 maxP, for a whole readPos - 2 maxP
  int64_t through = static_cast<int64_t>(centre) + 2LL * maxPeriod;
  if (newest.mark >= 0) {
    // centre - lead > readPos + 2, for a whole readPos + 2
    const double ahead = centre - lead;
    if (!(ahead > -1e15 && ahead < 1e15)) return -1;
    through = std::min(through, static_cast<int64_t>(std::ceil(ahead)) - 3);
  }
  return through;
}

// Lays the grains a voice can lay for the current input sample, in the engine's current mode.
inline void synthesize(ShiftVoice& voice, const GrainContext& ctx, bool lowLatency) {
  if (lowLatency) {
    if (!farEnoughAhead(voice, ctx)) synthesizeLowLatency(voice, ctx);
  } else if (!stillWaiting(voice, ctx))
    synthesizeNormal(voice, ctx);
}

}  // namespace zv
