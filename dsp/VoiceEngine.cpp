#include "VoiceEngine.h"

#include <algorithm>
#include <cmath>

#include "DenormalGuard.h"
#include "GrainSynth.h"
#include "MeterScales.h"

namespace zv {

namespace {
// Harmony at or below this is off: no grains, and the voice restarts when it is raised.
constexpr float kHarmonyOn = 0.001f;
}  // namespace

void VoiceEngine::configure(double sampleRate) {
  config_ = makeEngineConfig(sampleRate);
  latency_ = lowLatency_ ? config_.lowLatency : config_.normalLatency;
  input_.allocate(config_.ringSize);
  main_.out.allocate(config_.ringSize);
  harmony_.out.allocate(config_.ringSize);
  detector_.configure(config_);
  marker_.configure(config_);
  readOut_.configure(config_);
  characterLeft_.configure(config_.sampleRate);
  characterRight_.configure(config_.sampleRate);
  glitch_.configure(config_.sampleRate, config_.glitchCaptureLength);
  stutter_.configure(config_.sampleRate, config_.stutterCaptureLength);
  configured_ = true;
  reset();
}

void VoiceEngine::reset() {
  input_.clear();
  written_ = 0;
  detector_.reset();
  marker_.reset();
  newestSource_.reset();
  main_.reset();
  harmony_.reset();
  readOut_.reset();
  characterLeft_.reset();
  characterRight_.reset();
  glitch_.reset();
  stutter_.reset();
  voicedFrames_ = -1;
  quietThrough_ = -1;
  voicedUntil_ = -1;
  freeBeats_ = 0.0;
  inputNote_ = -1.0f;
  outputNote_ = -1.0f;
}

void VoiceEngine::setLowLatency(bool on) {
  if (on == lowLatency_) return;
  lowLatency_ = on;
  latency_ = on ? config_.lowLatency : config_.normalLatency;
  if (isConfigured()) reset();
}

void VoiceEngine::process(const float* mono, float* left, float* right, int numSamples) {
  if (!configured_) {
    // Only a host that skipped setup gets here; allocating now would stall its audio thread.
    std::fill(left, left + std::max(numSamples, 0), 0.0f);
    std::fill(right, right + std::max(numSamples, 0), 0.0f);
    return;
  }
  DenormalGuard denormalGuard;  // smoothers decaying toward 0 must not crawl through denormals
  quietThrough_ = -1;           // the parameters may have moved: the first sample takes every step
  const float outputGain = std::pow(10.0f, params_.outputDb / 20.0f);
  const float mix = params_.mix;
  const bool harmonyOn = params_.harmony > kHarmonyOn;
  const double formantRatio = std::pow(2.0, params_.formantSemitones / 12.0);
  double energy = 0.0;

  for (int runStart = 0; runStart < numSamples; runStart += kRunSamples) {
    const int run = std::min(kRunSamples, numSamples - runStart);
    const int64_t firstReadPos = written_ - latency_;
    for (int i = 0; i < run;) {
      if (written_ < quietThrough_) {
        // Samples on which no step but the read-out's can act: taken in one tight loop.
        const int quiet = static_cast<int>(std::min<int64_t>(run - i, quietThrough_ - written_));
        energy += takeQuiet(mono + runStart + i, quiet, taken_.data() + i);
        i += quiet;
        continue;
      }
      float x = mono[runStart + i];
      if (!std::isfinite(x)) x = 0.0f;
      energy += static_cast<double>(x) * x;
      taken_[static_cast<size_t>(i)] = analyseAndLay(x, formantRatio, harmonyOn);
      quietThrough_ = quietUntil(formantRatio, harmonyOn);
      ++i;
    }
    // 5a. read-out, first half: voicing and loudness match for the whole run
    readOut_.matchLoudness(taken_.data(), run, voicing_.data(), voiceGain_.data());
    // 5b. read-out, second half
    readOut_.mixVoice(taken_.data(), voicing_.data(), voiceGain_.data(), run, input_, firstReadPos,
                      params_, formantRatio, lowLatency_, wet_.data());
    finishRun(runStart, run, mix, outputGain, left + runStart, right + runStart);
  }

  freeBeats_ += numSamples * std::max(transport_.tempoBpm, 20.0) / (60.0 * config_.sampleRate);
  const double level =
      levelMeterFromDb(10.0 * std::log10(energy / std::max(numSamples, 1) + 1e-12));
  inputLevel_ = static_cast<float>(std::clamp(level, 0.0, 1.0));
  inputNote_ = detector_.inputNote();
  outputNote_ = inputNote_ >= 0.0f ? main_.glide.outNote : -1.0f;
}

void VoiceEngine::finishRun(int runStart, int run, float mix, float outputGain, float* left,
                            float* right) {
  const bool characterOn = params_.character != kCharacterOff;
  const bool stutterOn = params_.stutter > kStutterOff;
  for (int i = 0; i < run; ++i) {
    float l = wet_[static_cast<size_t>(i)].left, r = wet_[static_cast<size_t>(i)].right;
    const float dry = taken_[static_cast<size_t>(i)].dry;
    // 6. character
    if (characterOn) applyCharacter(l, r);
    // 7. mix and output gain
    l = (l * mix + dry * (1.0f - mix)) * outputGain;
    r = (r * mix + dry * (1.0f - mix)) * outputGain;
    // 8. stutter
    if (stutterOn) applyStutter(l, r, runStart + i);
    // 9. nothing non-finite leaves
    left[i] = std::isfinite(l) ? l : 0.0f;
    right[i] = std::isfinite(r) ? r : 0.0f;
  }
}

int64_t VoiceEngine::quietUntil(double formantRatio, bool harmonyOn) const {
  // The detector analyses only when a hop completes.
  int64_t until = written_ + detector_.pushesUntilHop() - 1;
  // The marker waits for a written count.
  until = std::min(until, marker_.idleThrough(detector_));
  // The voicing looked up at the read position holds to a known position; before the stream's
  // start nothing is looked up.
  int64_t voicedThrough = latency_;
  if (voicedFrames_ == detector_.framesAdmitted())
    voicedThrough = std::max(voicedThrough, voicedUntil_ >= INT64_MAX - 1 - latency_
                                                ? INT64_MAX
                                                : voicedUntil_ + 1 + latency_);
  until = std::min(until, voicedThrough);
  if (lowLatency_) {
    // The newest complete source holds to a written count; a voice far enough ahead of the
    // read-out stays so to a read position.
    const double still = newestSource_.stillUntil();
    if (!(still >= 0.0)) return -1;
    if (still < 1e15) until = std::min(until, static_cast<int64_t>(std::floor(still)));
    const GrainSource& source = newestSource_.source();
    const double lead = newestSource_.lead();
    auto aheadThrough = [&](const ShiftVoice& voice) -> int64_t {
      const int64_t readPos = farEnoughAheadThrough(voice, source, lead, config_.maxPeriod);
      return readPos < 0 ? -1 : readPos + 1 + latency_;
    };
    until = std::min(until, aheadThrough(main_));
    if (harmonyOn) until = std::min(until, aheadThrough(harmony_));
    return until;
  }
  // A waiting voice waits for a written count while its marks, frames, time and ratio hold.
  const PitchMarker::MarkQueue& marks = marker_.marks();
  const int64_t newestMark = marks.empty() ? -1 : marks.back().position;
  auto waitingThrough = [&](const ShiftVoice& voice) -> int64_t {
    const ShiftVoice::Wait& wait = voice.wait;
    const bool holds = voice.synthesisTime >= 0.0 && wait.frames == detector_.framesAdmitted() &&
                       wait.mark == newestMark && wait.time == voice.synthesisTime &&
                       wait.ratio == formantRatio;
    return holds ? wait.until : -1;
  };
  until = std::min(until, waitingThrough(main_));
  if (harmonyOn) until = std::min(until, waitingThrough(harmony_));
  return until;
}

ReadOutInput VoiceEngine::takeAt(int64_t readPos) {
  ReadOutInput taken;
  if (readPos < 0) return taken;
  taken.started = true;
  taken.dry = input_.at(readPos);
  float& mainCell = main_.out.cell(readPos);
  float& harmonyCell = harmony_.out.cell(readPos);
  taken.main = mainCell;
  taken.harmony = harmonyCell;
  mainCell = 0.0f;
  harmonyCell = 0.0f;
  return taken;
}

double VoiceEngine::takeQuiet(const float* mono, int count, ReadOutInput* taken) {
  double energy = 0.0;
  const bool voiced = voicedCached_;
  for (int i = 0; i < count; ++i) {
    float x = mono[i];
    if (!std::isfinite(x)) x = 0.0f;
    energy += static_cast<double>(x) * x;
    input_.cell(written_) = x;
    ++written_;
    ReadOutInput t = takeAt(written_ - 1 - latency_);
    t.voiced = t.started && voiced;
    taken[i] = t;
  }
  detector_.skipPushes(count);
  return energy;
}

ReadOutInput VoiceEngine::analyseAndLay(float x, double formantRatio, bool harmonyOn) {
  // 1. input
  input_.cell(written_) = x;
  ++written_;
  // 2-3. analysis and pitch marks
  detector_.push(input_, written_);
  marker_.placeMarks(input_, written_, detector_);
  const int64_t readPos = written_ - 1 - latency_;
  // Grains laid from here on start after the read position, so what the rings hold there is
  // final: it is taken (and the cells cleared) before this sample's grains.
  ReadOutInput taken = takeAt(readPos);
  if (taken.started) taken.voiced = voicedAt(readPos);
  // 4. grains
  const PitchMarker::MarkQueue& marks = marker_.marks();
  const GrainSource newest =
      lowLatency_ ? newestSource_.get(config_, detector_, marks, written_, formantRatio)
                  : GrainSource{};
  const GrainContext ctx{config_,
                         params_,
                         input_,
                         detector_,
                         marks,
                         written_,
                         readPos,
                         formantRatio,
                         marks.empty() ? -1 : marks.back().position,
                         detector_.framesAdmitted(),
                         newest,
                         lowLatency_ ? newestSource_.lead() : 0.0};
  synthesize(main_, ctx, lowLatency_);
  if (harmonyOn)
    synthesize(harmony_, ctx, lowLatency_);
  else
    harmony_.synthesisTime = -1.0;  // restarts afresh when harmony is raised again
  return taken;
}

bool VoiceEngine::voicedAt(int64_t readPos) {
  if (detector_.framesAdmitted() == voicedFrames_ && readPos <= voicedUntil_) return voicedCached_;
  const PitchFrame* frame = detector_.frameAt(readPos);
  voicedFrames_ = detector_.framesAdmitted();
  voicedCached_ = frame && frame->voiced;
  voicedUntil_ = INT64_MAX;
  // The choice moves on to the next frame once the read position is nearer to it (ties stay).
  const PitchDetector::FrameQueue& frames = detector_.frames();
  for (int k = 0; frame && k + 1 < frames.size(); ++k)
    if (frames[k].position == frame->position) {
      voicedUntil_ = (frames[k].position + frames[k + 1].position) / 2;
      break;
    }
  return voicedCached_;
}

void VoiceEngine::applyCharacter(float& left, float& right) {
  const int character = params_.character;
  const float amount = params_.characterAmount;
  if (character == kCharacterGlitch) {
    glitch_.process(left, right, amount);  // skips itself at amounts up to 0.001
  } else if (character != kCharacterOff) {
    left = characterLeft_.process(left, character, amount);
    right = characterRight_.process(right, character, amount);
  }
}

void VoiceEngine::applyStutter(float& left, float& right, int sampleIndex) {
  if (params_.stutter <= kStutterOff) return;  // off: the capture lines are not written either
  const double spb = samplesPerBeat(config_.sampleRate, transport_.tempoBpm);
  // A playing host's grid is moved back by the latency so that it lines up with the delayed
  // output; a stopped host leaves the free-running clock at the last tempo.
  const double beatPos = transport_.playing && transport_.positionValid
                             ? transport_.positionQuarters + (sampleIndex - latency_) / spb
                             : freeBeats_ + sampleIndex / spb;
  stutter_.process(left, right, params_.stutter, params_.stutterRate, beatPos, spb);
}

}  // namespace zv
