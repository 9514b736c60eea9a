// Plays audio through the module block by block, as a host with delay compensation would, and
// hands back latency-aligned output plus the meters of every block.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Meters.h"

namespace zvhost {
class Module;
class PluginInstance;
}  // namespace zvhost

namespace zvrender {

// What to play and how: everything but the audio itself.
struct RenderJob {
  std::vector<std::pair<std::string, std::string>> settings;  // parameter title, display text
  std::vector<std::pair<int, double>> presetValues;           // (id, normalized), applied first
  int blockSize = 512;
  double tempoBpm = 120.0;
  double startBeats = 0.0;
};

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual int channels() const = 0;
  virtual double sampleRate() const = 0;
  virtual int64_t frames() const = 0;  // expected length, for progress only
  // Interleaved frames; returns how many were read, 0 at the end.
  virtual int read(float* interleaved, int maxFrames) = 0;
};

class AudioSink {
 public:
  virtual ~AudioSink() = default;
  // Interleaved stereo frames, already aligned with the input.
  virtual bool write(const float* interleavedStereo, int frames, std::string& error) = 0;
};

// An in-memory source and sink, for the demo and for tests.
class BufferSource : public AudioSource {
 public:
  BufferSource(const std::vector<float>& interleaved, int channels, double sampleRate)
      : data_(interleaved), channels_(channels), sampleRate_(sampleRate) {}
  int channels() const override { return channels_; }
  double sampleRate() const override { return sampleRate_; }
  int64_t frames() const override { return static_cast<int64_t>(data_.size()) / channels_; }
  int read(float* interleaved, int maxFrames) override;

 private:
  const std::vector<float>& data_;
  int channels_;
  double sampleRate_;
  size_t position_ = 0;
};

class BufferSink : public AudioSink {
 public:
  bool write(const float* interleavedStereo, int frames, std::string&) override {
    samples.insert(samples.end(), interleavedStereo, interleavedStereo + 2 * frames);
    return true;
  }
  std::vector<float> samples;  // interleaved stereo
};

struct RenderStats {
  int64_t inputFrames = 0;
  int64_t outputFrames = 0;
  double sampleRate = 0.0;
  int inputChannels = 0;
  int latencySamples = 0;
  int64_t blocks = 0;
  int64_t voicedBlocks = 0;
  double peak = 0.0;
  double renderSeconds = 0.0;

  double voicedShare() const {
    return blocks > 0 ? static_cast<double>(voicedBlocks) / blocks : 0.0;
  }
  double durationSeconds() const { return sampleRate > 0 ? inputFrames / sampleRate : 0.0; }
  // How many seconds of audio one second of rendering produced.
  double realTimeFactor() const {
    return renderSeconds > 0 ? durationSeconds() / renderSeconds : 0.0;
  }
};

using MeterCallback = std::function<bool(const MeterRow&, std::string& error)>;
using ProgressCallback = std::function<void(double fraction)>;

class Renderer {
 public:
  Renderer();
  ~Renderer();

  bool loadModule(const std::string& path, std::string& error);

  // Creates a throw-away instance and applies the job's settings, so a wrong parameter name or
  // value is reported before any output file is touched.
  bool checkJob(const RenderJob& job, std::string& error);

  // The parameters the job moves away from their defaults, as title and the plug-in's own display
  // text ("Key", "A#"), in parameter order.
  bool describeJob(const RenderJob& job, std::vector<std::pair<std::string, std::string>>& changed,
                   std::string& error);

  // Normalized values of the twelve preset parameters for a factory preset name (exact match
  // first, then ignoring case); false with a reason when there is no such preset.
  static bool factoryPresetValues(const std::string& name,
                                  std::vector<std::pair<int, double>>& values, std::string& error);

  // The twelve normalized values of a user preset file (.zvp), read by the same line rules as the
  // editor's preset list: the magic line and a valid preset name are required, missing columns
  // keep their defaults, values are clamped to 0..1. `name` receives the preset's name.
  static bool userPresetValues(const std::string& path, std::vector<std::pair<int, double>>& values,
                               std::string& name, std::string& error);

  bool render(const RenderJob& job, AudioSource& source, AudioSink& sink,
              const MeterCallback& meters, const ProgressCallback& progress, RenderStats& stats,
              std::string& error);

 private:
  std::unique_ptr<zvhost::PluginInstance> makeInstance(const RenderJob& job, std::string& error);

  std::unique_ptr<zvhost::Module> module_;
};

// The module built together with the tool.
std::string defaultModulePath();

}  // namespace zvrender
