#include "ZVProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ClassIds.h"
#include "DenormalGuard.h"
#include "EngineConfig.h"
#include "StateStream.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// NaN has no place in a normalized value: it would turn every derived quantity into NaN.
double sanitize(double v) {
  return std::isnan(v) ? 0.0 : v;
}

double clampUnit(double v) {
  return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

// A negative note is no pitch, which the meter shows as 0.
float meterFromNote(float note) {
  if (note < 0.0f) return 0.0f;
  return std::clamp(zv::pitchMeterFromNote(note), static_cast<float>(zv::kMeterPitchFloor), 1.0f);
}

int countChannels(SpeakerArrangement arr) {
  int n = 0;
  for (; arr; arr &= arr - 1) ++n;
  return n;
}

}  // namespace

ZVProcessor::ZVProcessor() {
  setControllerClass(zv::kControllerUID);
  // The stutter and the mascot's beat read the tempo, the musical position and whether the
  // transport plays; a host that honours this may leave out anything not named here.
  processContextRequirements = IProcessContextRequirements::kNeedTempo |
                               IProcessContextRequirements::kNeedProjectTimeMusic |
                               IProcessContextRequirements::kNeedTransportState;
  for (int32 id = 0; id < zv::kNumParams; ++id)
    normalized_[id].store(zv::plainToNormalized(id, zv::kParamDefs[id].defaultValue),
                          std::memory_order_relaxed);
}

FUnknown* ZVProcessor::createInstance(void*) {
  return static_cast<IAudioProcessor*>(new ZVProcessor());
}

tresult PLUGIN_API ZVProcessor::initialize(FUnknown* context) {
  const tresult result = AudioEffect::initialize(context);
  if (result != kResultOk) return result;
  addAudioInput(STR16("Input"), SpeakerArr::kStereo);
  addAudioOutput(STR16("Output"), SpeakerArr::kStereo);
  return result;
}

tresult PLUGIN_API ZVProcessor::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
  if (numIns != 1 || numOuts != 1 || !inputs || !outputs) return kResultFalse;
  const int ins = countChannels(inputs[0]);
  const int outs = countChannels(outputs[0]);
  if (ins < 1 || ins > 2 || outs < 1 || outs > 2) return kResultFalse;
  return AudioEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API ZVProcessor::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API ZVProcessor::getLatencySamples() {
  const double sr = processSetup.sampleRate;
  return static_cast<uint32>(lowLatencyFlag_.load() ? zv::lowLatencySamples(sr)
                                                    : zv::normalLatencySamples(sr));
}

uint32 PLUGIN_API ZVProcessor::getTailSamples() {
  return static_cast<uint32>(std::max(0, engine_.latencySamples()));
}

tresult PLUGIN_API ZVProcessor::setupProcessing(ProcessSetup& setup) {
  engine_.configure(setup.sampleRate);
  // Every block up to the announced maximum is served without allocating on the audio thread.
  const size_t size = static_cast<size_t>(std::max<int32>(64, setup.maxSamplesPerBlock));
  monoBlock_.assign(size, 0.0f);
  leftBlock_.assign(size, 0.0f);
  rightBlock_.assign(size, 0.0f);
  stateChanged_.store(false);
  applyNormalized();
  return AudioEffect::setupProcessing(setup);
}

tresult PLUGIN_API ZVProcessor::setActive(TBool state) {
  if (state) {
    engine_.reset();
    // A state that arrived while inactive is already applied; anything newer waits for process().
  }
  active_.store(state != 0);
  return AudioEffect::setActive(state);
}

zv::PlainParams ZVProcessor::deriveParams(const double* n) {
  zv::PlainParams p;
  // Percentages reach the engine as fractions, which is the normalized value itself.
  auto v = [n](int id) { return clampUnit(sanitize(n[id])); };
  auto plain = [n](int id) { return zv::normalizedToPlain(id, sanitize(n[id])); };
  auto step = [&plain](int id) { return static_cast<int>(plain(id)); };
  p.key = step(zv::kKey);
  p.scale = step(zv::kScale);
  p.speedMs = static_cast<float>(plain(zv::kSpeed));
  p.shiftSteps = step(zv::kShift);
  p.formantSemitones = static_cast<float>(plain(zv::kFormant));
  p.a4Hz =
      static_cast<float>(std::round(plain(zv::kDetune) * 100.0) / 100.0);  // to the cent of a Hz
  p.consonants = static_cast<float>(v(zv::kConsonants));
  p.mix = static_cast<float>(v(zv::kMix));
  p.outputDb = static_cast<float>(plain(zv::kOutput));
  p.lowLatency = plain(zv::kLowLatency) > 0.5;
  p.harmony = static_cast<float>(v(zv::kHarmony));
  p.harmonySteps = step(zv::kHarmonySteps);
  p.character = step(zv::kCharacter);
  p.stutter = step(zv::kStutter);
  p.stutterRate = step(zv::kStutterRate);
  p.characterAmount = static_cast<float>(v(zv::kCharacterAmount));
  return p;
}

void ZVProcessor::applyParams(const zv::PlainParams& record) {
  plain_ = record;
  engine_.setParams(record);
  engine_.setLowLatency(record.lowLatency);  // resets the engine when the mode flips
  engine_.setHarmonySteps(record.harmonySteps);
  // The reported latency follows the newer of the controller's message and the parameter: a
  // block that only re-derives an unchanged Low Latency value must not undo a newer message.
  if (record.lowLatency != lowLatencyParam_) lowLatencyFlag_.store(record.lowLatency);
  lowLatencyParam_ = record.lowLatency;
}

void ZVProcessor::applyNormalized() {
  double values[zv::kNumParams];
  for (int id = 0; id < zv::kNumParams; ++id)
    values[id] = normalized_[id].load(std::memory_order_relaxed);
  applyParams(deriveParams(values));
}

tresult PLUGIN_API ZVProcessor::process(ProcessData& data) {
  zv::DenormalGuard denormalGuard;

  bool changed = stateChanged_.exchange(false);
  if (IParameterChanges* changes = data.inputParameterChanges) {
    const int32 count = changes->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
      IParamValueQueue* queue = changes->getParameterData(i);
      if (!queue) continue;
      const ParamID id = queue->getParameterId();
      const int32 points = queue->getPointCount();
      if (id >= static_cast<ParamID>(zv::kNumWritableParams) || points < 1) continue;
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(points - 1, offset, value) == kResultOk) {
        normalized_[id].store(sanitize(value), std::memory_order_relaxed);
        changed = true;
      }
    }
  }
  if (changed) applyNormalized();

  const int32 n = data.numSamples;
  if (n < 1 || data.numInputs < 1 || data.numOutputs < 1 || !data.inputs || !data.outputs)
    return kResultOk;

  readTransport(data);

  if (monoBlock_.size() < static_cast<size_t>(n)) {
    // Only a host that breaks its own maximum block size gets here.
    monoBlock_.resize(static_cast<size_t>(n));
    leftBlock_.resize(static_cast<size_t>(n));
    rightBlock_.resize(static_cast<size_t>(n));
  }

  float* mono = monoBlock_.data();
  const AudioBusBuffers& in = data.inputs[0];
  std::fill(mono, mono + n, 0.0f);
  if (in.numChannels > 0 && in.channelBuffers32) {
    for (int32 c = 0; c < in.numChannels; ++c) {
      const float* src = in.channelBuffers32[c];
      if (!src) continue;  // a missing channel counts as silence
      for (int32 i = 0; i < n; ++i) mono[i] += src[i];
    }
    const float scale = 1.0f / static_cast<float>(in.numChannels);
    for (int32 i = 0; i < n; ++i) mono[i] *= scale;
  }

  float* left = leftBlock_.data();
  float* right = rightBlock_.data();
  engine_.process(mono, left, right, n);

  AudioBusBuffers& out = data.outputs[0];
  if (out.channelBuffers32) {
    if (out.numChannels == 1) {
      if (float* dst = out.channelBuffers32[0])
        for (int32 i = 0; i < n; ++i) dst[i] = (left[i] + right[i]) * 0.5f;
    } else {
      for (int32 c = 0; c < out.numChannels; ++c) {
        float* dst = out.channelBuffers32[c];
        if (dst) std::memcpy(dst, c == 1 ? right : left, sizeof(float) * static_cast<size_t>(n));
      }
    }
  }

  writeMeters(data);
  out.silenceFlags = 0;
  return kResultOk;
}

void ZVProcessor::readTransport(ProcessData& data) {
  zv::HostTransport& transport = engine_.transport();
  const ProcessContext* ctx = data.processContext;
  if (!ctx) {
    transport.playing = false;
    transport.positionValid = false;
    meterPlaying_ = false;
    return;
  }
  const bool playing = (ctx->state & ProcessContext::kPlaying) != 0;
  const bool positionValid = (ctx->state & ProcessContext::kProjectTimeMusicValid) != 0;
  const bool tempoValid = (ctx->state & ProcessContext::kTempoValid) != 0;
  transport.playing = playing;
  transport.positionValid = positionValid;
  if (tempoValid && positionValid) {
    meterTempo_ = ctx->tempo;
    transport.positionQuarters = ctx->projectTimeMusic;
    if (ctx->tempo > 1.0) transport.tempoBpm = ctx->tempo;
    meterPlaying_ = playing;
    double sr = processSetup.sampleRate > 0.0 ? processSetup.sampleRate : 44100.0;
    const double end = ctx->projectTimeMusic + data.numSamples / sr * ctx->tempo / 60.0;
    meterBeat_ = end - std::floor(end);
  } else if (tempoValid) {
    meterTempo_ = ctx->tempo;
    meterPlaying_ = false;
  } else if (positionValid) {
    transport.positionQuarters = ctx->projectTimeMusic;
    meterPlaying_ = playing;
    meterBeat_ = ctx->projectTimeMusic - std::floor(ctx->projectTimeMusic);
  } else {
    meterPlaying_ = false;
  }
  if (!std::isfinite(meterBeat_)) meterBeat_ = 0.0;
}

void ZVProcessor::writeMeters(ProcessData& data) {
  IParameterChanges* changes = data.outputParameterChanges;
  if (!changes) return;
  // In the order of the meter IDs, from kFirstMeterParam on.
  const double values[zv::kNumMeterParams] = {
      meterFromNote(engine_.inputNote()),
      meterFromNote(engine_.outputNote()),
      std::clamp(static_cast<double>(engine_.inputLevel()), 0.0, 1.0),
      zv::tempoMeterFromBpm(meterTempo_),
      meterBeat_,
      meterPlaying_ ? 1.0 : 0.0};
  for (int32 k = 0; k < zv::kNumMeterParams; ++k) {
    int32 queueIndex = 0;
    if (IParamValueQueue* queue = changes->addParameterData(zv::kFirstMeterParam + k, queueIndex)) {
      int32 pointIndex = 0;
      queue->addPoint(0, values[k], pointIndex);
    }
  }
}

tresult PLUGIN_API ZVProcessor::getState(IBStream* state) {
  double values[zv::kNumWritableParams];
  for (int id = 0; id < zv::kNumWritableParams; ++id)
    values[id] = normalized_[id].load(std::memory_order_relaxed);
  // A refused write must not pass for a saved project.
  return zv::writeComponentState(state, values) ? kResultOk : kResultFalse;
}

tresult PLUGIN_API ZVProcessor::setState(IBStream* state) {
  const zv::StateRead read = zv::readComponentState(state);
  if (read.count == 0) return read.result;
  double values[zv::kNumParams];
  for (int id = 0; id < zv::kNumParams; ++id) {
    if (id < read.count) normalized_[id].store(read.values[id], std::memory_order_relaxed);
    values[id] = normalized_[id].load(std::memory_order_relaxed);
  }
  // A loaded state is newer than any earlier message: latency queries answer for it at once.
  lowLatencyFlag_.store(deriveParams(values).lowLatency);
  if (active_.load()) {
    stateChanged_.store(true);  // the audio thread installs it at the start of its next block
  } else {
    applyNormalized();
  }
  return read.result;
}

tresult PLUGIN_API ZVProcessor::notify(IMessage* message) {
  if (message && message->getMessageID() && std::strcmp(message->getMessageID(), "lowlat") == 0) {
    if (IAttributeList* attributes = message->getAttributes()) {
      int64 on = 0;
      if (attributes->getInt("on", on) == kResultOk) lowLatencyFlag_.store(on != 0);
    }
    return kResultOk;
  }
  return AudioEffect::notify(message);
}
