#include "Renderer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "FactoryPresets.h"
#include "FileSystem.h"
#include "ModuleHost.h"
#include "ParamDefs.h"
#include "StringWiden.h"
#include "UserPresets.h"

namespace zvrender {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

bool equalNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// A module reporting an endless or absurd tail must not make the render endless.
constexpr double kMaxExtraTailSeconds = 30.0;
constexpr double kMaxLatencySeconds = 10.0;

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A script's "--set X=TEXT" must mean what the plug-in shows, and the plug-in's own text parsing
// decides that: display texts, flats and list names are all the module's. A script only adds one
// refusal: a parameter that is not a list takes a display text or a text starting with a number,
// where a host's rule would read a word such as "fast" as the bottom of the range.
bool applySetting(zvhost::PluginInstance& instance, const std::string& title,
                  const std::string& rawText, std::string& error) {
  const std::string text = trimmed(rawText);
  IEditController* controller = instance.controller();
  // The title, or the short title hosts show in narrow strips ("LowLat", "HSteps").
  ParameterInfo info{};
  bool found = false;
  for (int32 i = 0; i < controller->getParameterCount() && !found; ++i)
    found = controller->getParameterInfo(i, info) == kResultOk &&
            equalNoCase(zv::narrow(info.title, 128), title);
  for (int32 i = 0; i < controller->getParameterCount() && !found; ++i)
    found = controller->getParameterInfo(i, info) == kResultOk &&
            equalNoCase(zv::narrow(info.shortTitle, 128), title);
  if (!found || (info.flags & ParameterInfo::kIsReadOnly))
    return instance.setByText(title, rawText, error);
  const std::string fullTitle = zv::narrow(info.title, 128);

  // The same parser the module runs, asked in its stricter form to tell a typo from a value.
  double value = 0.0;
  if (!zv::parseParamText(static_cast<int32_t>(info.id), text.c_str(), value, true)) {
    error = "\"" + rawText + "\" is not a value of " + fullTitle +
            ((info.flags & ParameterInfo::kIsList) ? "" : " (expected a number)");
    return false;
  }
  return instance.setByText(fullTitle, text, error);
}

}  // namespace

int BufferSource::read(float* interleaved, int maxFrames) {
  const size_t available = data_.size() / channels_ - position_;
  const size_t count = std::min(available, static_cast<size_t>(std::max(maxFrames, 0)));
  if (count == 0) return 0;  // an empty buffer has no data pointer to copy from
  std::memcpy(interleaved, data_.data() + position_ * channels_, count * channels_ * sizeof(float));
  position_ += count;
  return static_cast<int>(count);
}

std::string defaultModulePath() {
#ifdef ZV_DEFAULT_MODULE
  return ZV_DEFAULT_MODULE;
#else
  return "ZoquaVoce.vst3/Contents/x86_64-linux/ZoquaVoce.so";
#endif
}

Renderer::Renderer() = default;
Renderer::~Renderer() = default;

bool Renderer::loadModule(const std::string& path, std::string& error) {
  std::string file = path.empty() ? defaultModulePath() : path;
  // A bundle folder names its binary by the Linux bundle layout.
  struct stat st {};
  if (stat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    while (file.size() > 1 && file.back() == '/') file.pop_back();
    const size_t slash = file.find_last_of('/');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const size_t dot = name.rfind(".vst3");
    if (dot != std::string::npos) name = name.substr(0, dot);
    file += "/Contents/x86_64-linux/" + name + ".so";
  }
  module_ = zvhost::Module::load(file, error);
  return module_ != nullptr;
}

bool Renderer::factoryPresetValues(const std::string& name,
                                   std::vector<std::pair<int, double>>& values,
                                   std::string& error) {
  int32_t index = zv::findFactoryPreset(name.c_str());
  for (int32_t i = 0; index < 0 && i < zv::kNumFactoryPresets; ++i)
    if (equalNoCase(name, zv::kFactoryPresets[i].name)) index = i;
  if (index < 0) {
    error = "unknown preset \"" + name + "\" (--help lists the factory presets)";
    return false;
  }
  const zv::PresetValues normalized = zv::factoryPresetValues(index);
  values.clear();
  for (int32_t j = 0; j < zv::kNumPresetParams; ++j)
    values.emplace_back(zv::kPresetParamIds[j], normalized[j]);
  return true;
}

bool Renderer::userPresetValues(const std::string& path,
                                std::vector<std::pair<int, double>>& values, std::string& name,
                                std::string& error) {
  // The editor's reader and its rules: a file the editor's list would skip is refused here too.
  zv::UserPreset preset;
  switch (zv::readPresetFile(zv::fs::widen(path), preset)) {
    case zv::PresetFileRead::kUnreadable:
      error = "cannot read \"" + path + "\": " + std::strerror(errno);
      return false;
    case zv::PresetFileRead::kNotAPreset:
      error = "\"" + path + "\" is not a ZoquaVoce preset file";
      return false;
    case zv::PresetFileRead::kUnsafeName:
      error = "\"" + path + "\" has no valid preset name (the editor would not list it)";
      return false;
    case zv::PresetFileRead::kOk:
      break;
  }
  name = preset.name;
  values.clear();
  for (int32_t j = 0; j < zv::kNumPresetParams; ++j)
    values.emplace_back(zv::kPresetParamIds[j], preset.values[j]);
  return true;
}

std::unique_ptr<zvhost::PluginInstance> Renderer::makeInstance(const RenderJob& job,
                                                               std::string& error) {
  if (!module_) {
    error = "no module loaded";
    return nullptr;
  }
  IPluginFactory* factory = module_->getFactory();
  auto instance = zvhost::PluginInstance::create(factory, error);
  if (factory) factory->release();
  if (!instance) return nullptr;

  // Preset values first, then the explicit settings, both through the controller the way an
  // editor would send them, and queued for the processor's first block.
  IEditController* controller = instance->controller();
  for (const auto& [id, value] : job.presetValues) {
    controller->setParamNormalized(static_cast<ParamID>(id), value);
    instance->inputChanges().add(static_cast<ParamID>(id), value);
  }
  for (const auto& [title, text] : job.settings) {
    if (!applySetting(*instance, title, text, error)) return nullptr;
  }
  return instance;
}

bool Renderer::checkJob(const RenderJob& job, std::string& error) {
  return makeInstance(job, error) != nullptr;
}

bool Renderer::describeJob(const RenderJob& job,
                           std::vector<std::pair<std::string, std::string>>& changed,
                           std::string& error) {
  changed.clear();
  auto instance = makeInstance(job, error);
  if (!instance) return false;
  IEditController* controller = instance->controller();
  for (int32 i = 0; i < controller->getParameterCount(); ++i) {
    ParameterInfo info{};
    if (controller->getParameterInfo(i, info) != kResultOk ||
        (info.flags & ParameterInfo::kIsReadOnly))
      continue;
    const ParamValue value = controller->getParamNormalized(info.id);
    String128 shown{}, shownDefault{};
    controller->getParamStringByValue(info.id, value, shown);
    controller->getParamStringByValue(info.id, info.defaultNormalizedValue, shownDefault);
    if (zv::narrow(shown, 128) != zv::narrow(shownDefault, 128))
      changed.emplace_back(zv::narrow(info.title, 128), zv::narrow(shown, 128));
  }
  return true;
}

namespace {

// One block's buffers: the planar channels the module reads and writes, and the interleaved
// frames the source and the sink speak.
struct BlockBuffers {
  BlockBuffers(int channels, int block)
      : in(static_cast<size_t>(channels), std::vector<float>(block, 0.0f)),
        out(2, std::vector<float>(block, 0.0f)),
        interleavedIn(static_cast<size_t>(block) * channels),
        interleavedOut(static_cast<size_t>(block) * 2) {}

  // Reads the source's next frames into the input channels and returns how many there were.
  // A host's last block may be short (count becomes its length); after that only silence
  // follows, a whole block at a time, to play out the delay.
  int readInput(AudioSource& source, bool& inputDone, int& count) {
    int got = 0;
    if (!inputDone) {
      got = source.read(interleavedIn.data(), count);
      if (got < count) inputDone = true;
      if (got > 0) count = got;
    }
    // The frames read, then silence to the block's end: two plain loops rather than a test per
    // sample, and a straight copy for the usual mono file.
    const size_t channels = in.size();
    const size_t have = static_cast<size_t>(std::max(got, 0));
    const size_t total = static_cast<size_t>(std::max(count, 0));
    const float* src = interleavedIn.data();
    for (size_t c = 0; c < channels; ++c) {
      float* dst = in[c].data();
      if (channels == 1) {
        if (have > 0) std::memcpy(dst, src, have * sizeof(float));
      } else if (channels == 2) {
        for (size_t i = 0; i < have; ++i) dst[i] = src[i * 2 + c];
      } else {
        for (size_t i = 0; i < have; ++i) dst[i] = src[i * channels + c];
      }
      if (total > have) std::fill(dst + have, dst + total, 0.0f);
    }
    return got;
  }

  // Interleaves output frames first .. first + frames - 1 for the sink, raising `peak`.
  // The peak is kept as the magnitude's bit pattern: for finite and infinite floats that
  // orders as the values do, so the largest word is the largest magnitude; NaNs (any pattern
  // above infinity's) are never a peak. Whole-word maxima have no chain through a comparison
  // and conversion per sample, and give the same figure.
  void interleaveOutput(int first, int frames, double& peak) {
    constexpr uint32_t kMagnitude = 0x7fffffffu, kInfinity = 0x7f800000u;
    const float* l = out[0].data() + first;
    const float* r = out[1].data() + first;
    float* dst = interleavedOut.data();
    uint32_t top = 0;
    for (int i = 0; i < frames; ++i) {
      uint32_t a, b;
      std::memcpy(&a, l + i, sizeof a);
      std::memcpy(&b, r + i, sizeof b);
      a &= kMagnitude;
      b &= kMagnitude;
      a = a > kInfinity ? 0u : a;
      b = b > kInfinity ? 0u : b;
      top = std::max(top, std::max(a, b));
      dst[static_cast<size_t>(i) * 2] = l[i];
      dst[static_cast<size_t>(i) * 2 + 1] = r[i];
    }
    float blockPeak;
    std::memcpy(&blockPeak, &top, sizeof blockPeak);
    peak = std::max(peak, static_cast<double>(blockPeak));
  }

  std::vector<std::vector<float>> in, out;
  std::vector<float> interleavedIn, interleavedOut;
};

// A host's transport, playing in 4/4 at the job's tempo.
ProcessContext playingContext(const RenderJob& job, double sampleRate) {
  ProcessContext context{};
  context.sampleRate = sampleRate;
  context.tempo = job.tempoBpm;
  context.timeSigNumerator = 4;
  context.timeSigDenominator = 4;
  context.state = ProcessContext::kPlaying | ProcessContext::kProjectTimeMusicValid |
                  ProcessContext::kTempoValid | ProcessContext::kBarPositionValid |
                  ProcessContext::kTimeSigValid | ProcessContext::kContTimeValid;
  return context;
}

// The block starting at sample `position` of the render.
void moveTransport(ProcessContext& context, const RenderJob& job, int64_t position) {
  const double beatsPerSample = job.tempoBpm / (60.0 * context.sampleRate);
  context.projectTimeSamples = position;
  context.continousTimeSamples = position;
  context.projectTimeMusic = job.startBeats + position * beatsPerSample;
  context.barPositionMusic = std::floor(context.projectTimeMusic / 4.0) * 4.0;
}

// The latency to drop and the tail to play out beyond the input, known after the first block,
// once the settings have reached the processor.
bool readLatency(zvhost::PluginInstance& instance, double sampleRate, int64_t& latency,
                 int64_t& extraTail, std::string& error) {
  latency = static_cast<int64_t>(instance.processor()->getLatencySamples());
  // Anything longer would only mean rendering seconds of silence to throw away.
  if (latency > static_cast<int64_t>(kMaxLatencySeconds * sampleRate)) {
    error = "the module reports an implausible latency of " + std::to_string(latency) + " samples";
    return false;
  }
  const uint32 tail = instance.processor()->getTailSamples();
  const int64_t maxExtra = static_cast<int64_t>(kMaxExtraTailSeconds * sampleRate);
  if (tail == kInfiniteTail)
    extraTail = maxExtra;
  else
    extraTail = std::clamp<int64_t>(static_cast<int64_t>(tail) - latency, 0, maxExtra);
  return true;
}

// The meters the processor sent for the block that started at sample `blockStart`.
MeterRow meterRow(zvhost::PluginInstance& instance, int64_t blockStart, double sampleRate) {
  MeterRow row;
  row.timeSeconds = blockStart / sampleRate;
  double value = 0.0;
  if (instance.outputChanges().last(zv::kPitchIn, value)) row.pitchInNote = decodePitchMeter(value);
  if (instance.outputChanges().last(zv::kPitchOut, value))
    row.pitchOutNote = decodePitchMeter(value);
  if (instance.outputChanges().last(zv::kLevel, value)) row.level = value;
  return row;
}

}  // namespace

bool Renderer::render(const RenderJob& job, AudioSource& source, AudioSink& sink,
                      const MeterCallback& meters, const ProgressCallback& progress,
                      RenderStats& stats, std::string& error) {
  const auto clockStart = std::chrono::steady_clock::now();
  stats = RenderStats{};
  const int channels = source.channels();
  const double sr = source.sampleRate();
  const int block = std::max(1, job.blockSize);
  stats.sampleRate = sr;
  stats.inputChannels = channels;

  auto instance = makeInstance(job, error);
  if (!instance) return false;
  if (!instance->start(sr, block, channels, 2)) {
    error = "the module refused to process at " + std::to_string(static_cast<long>(sr)) + " Hz";
    return false;
  }

  BlockBuffers buffers(channels, block);
  ProcessContext context = playingContext(job, sr);
  const int64_t expectedFrames = source.frames();
  int64_t processed = 0;    // samples handed to the module so far
  int64_t inputFrames = 0;  // real input frames read
  bool inputDone = false;
  int64_t latency = -1;  // known after the first block
  int64_t target = -1;   // output frames to deliver, known once the input has ended
  int64_t delivered = 0;
  int64_t extraTail = 0;

  while (target < 0 || delivered < target) {
    int count = block;
    const int got = buffers.readInput(source, inputDone, count);
    inputFrames += got;

    moveTransport(context, job, processed);
    if (instance->process(buffers.in, buffers.out, count, &context) != kResultOk) {
      error = "the module failed to process a block";
      return false;
    }
    if (latency < 0) {
      if (!readLatency(*instance, sr, latency, extraTail, error)) return false;
      stats.latencySamples = static_cast<int>(latency);
    }
    if (inputDone && target < 0) target = inputFrames + extraTail;

    if (got > 0) {
      const MeterRow row = meterRow(*instance, processed, sr);
      ++stats.blocks;
      if (std::isfinite(row.pitchInNote)) ++stats.voicedBlocks;
      if (meters && !meters(row, error)) return false;
    }

    // Drop the first `latency` output samples so that output sample k belongs to input sample k.
    const int64_t blockStart = processed;
    processed += count;
    const int first = static_cast<int>(std::clamp<int64_t>(latency - blockStart, 0, count));
    int frames = count - first;
    if (target >= 0) frames = static_cast<int>(std::min<int64_t>(frames, target - delivered));
    if (frames > 0) {
      buffers.interleaveOutput(first, frames, stats.peak);
      if (!sink.write(buffers.interleavedOut.data(), frames, error)) return false;
      delivered += frames;
    }
    if (progress) {
      const double total =
          static_cast<double>(std::max<int64_t>(expectedFrames, inputFrames) + latency + extraTail);
      progress(total > 0 ? std::min(1.0, processed / total) : 1.0);
    }
  }
  instance->stop();
  stats.inputFrames = inputFrames;
  stats.outputFrames = delivered;
  stats.renderSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count();
  return true;
}

}  // namespace zvrender
