#include "RenderCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "AudioFile.h"
#include "DemoVoice.h"
#include "PitchPlot.h"

namespace zvrender {

namespace {

class FileSource : public AudioSource {
 public:
  explicit FileSource(AudioReader& reader) : reader_(reader) {}
  int channels() const override { return reader_.channels(); }
  double sampleRate() const override { return reader_.sampleRate(); }
  int64_t frames() const override { return reader_.frames(); }
  int read(float* interleaved, int maxFrames) override {
    return reader_.read(interleaved, maxFrames);
  }

 private:
  AudioReader& reader_;
};

class FileSink : public AudioSink {
 public:
  explicit FileSink(AudioWriter& writer) : writer_(writer) {}
  bool write(const float* interleavedStereo, int frames, std::string& error) override {
    return writer_.write(interleavedStereo, frames, error);
  }

 private:
  AudioWriter& writer_;
};

// The meters CSV, written under a temporary name like the audio.
class MeterFile {
 public:
  ~MeterFile() {
    if (file_) std::fclose(file_);
  }
  bool open(const std::string& path, std::string& error) {
    if (!pending_.create(path, error)) return false;
    file_ = std::fopen(pending_.tempPath().c_str(), "wb");
    if (!file_) {
      error = "cannot write \"" + path + "\": " + std::strerror(errno);
      return false;
    }
    std::fputs(meterCsvHeader(), file_);
    return true;
  }
  bool add(const MeterRow& row, std::string& error) {
    if (std::fputs(meterCsvLine(row).c_str(), file_) < 0) {
      error = "cannot write \"" + pending_.finalPath() + "\": " + std::strerror(errno);
      return false;
    }
    return true;
  }
  bool finish(std::string& error) {
    const bool failed = std::ferror(file_) != 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed || !closed) {
      error = "cannot write \"" + pending_.finalPath() + "\"";
      return false;
    }
    return pending_.commit(error);
  }

 private:
  PendingFile pending_;
  std::FILE* file_ = nullptr;
};

class ProgressBar {
 public:
  explicit ProgressBar(bool enabled, std::string label)
      : enabled_(enabled), label_(std::move(label)) {}
  ~ProgressBar() { clear(); }
  void update(double fraction) {
    if (!enabled_) return;
    const int percent = static_cast<int>(fraction * 100.0);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    constexpr int kWidth = 32;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled,
                 "################################", kWidth - filled, "", percent);
    std::fflush(stderr);
    drawn_ = true;
  }
  void clear() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }

 private:
  bool enabled_;
  std::string label_;
  int lastPercent_ = -1;
  bool drawn_ = false;
};

const char* formatName(SampleFormat format) {
  switch (format) {
    case SampleFormat::kPcm16:
      return "16-bit PCM";
    case SampleFormat::kPcm24:
      return "24-bit PCM";
    default:
      return "32-bit float";
  }
}

void printSummary(const std::string& from, const std::string& to, const RenderStats& s,
                  SampleFormat format,
                  const std::vector<std::pair<std::string, std::string>>& changed) {
  std::printf("%s -> %s\n", from.c_str(), to.c_str());
  std::string settings;
  for (const auto& [title, text] : changed)
    settings += (settings.empty() ? "" : ", ") + title + "=" + text;
  std::printf("  settings  %s\n", settings.empty() ? "all defaults" : settings.c_str());
  std::printf("  duration  %.2f s at %.0f Hz, %s in, stereo %s out\n", s.durationSeconds(),
              s.sampleRate, s.inputChannels == 1 ? "mono" : "stereo", formatName(format));
  std::printf("  latency   %d samples (%.1f ms), compensated\n", s.latencySamples,
              s.sampleRate > 0 ? 1000.0 * s.latencySamples / s.sampleRate : 0.0);
  std::printf("  voiced    %.0f %% of %lld blocks\n", 100.0 * s.voicedShare(),
              static_cast<long long>(s.blocks));
  std::printf("  peak      %.1f dBFS%s\n", s.peak > 0 ? 20.0 * std::log10(s.peak) : -INFINITY,
              s.peak > 1.0 && format != SampleFormat::kFloat32 ? " (clipped)" : "");
  std::printf("  speed     %.1fx real time\n", s.realTimeFactor());
}

void onSignal(int sig) {
  removePendingFilesFromSignal();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// Creates the folder and any missing parents, like mkdir -p.
bool makeFolder(const std::string& dir, std::string& error) {
  struct stat st {};
  if (stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    error = "\"" + dir + "\" exists and is not a folder";
    return false;
  }
  const size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !makeFolder(dir.substr(0, slash), error))
    return false;
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    error = "cannot create the folder \"" + dir + "\": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool buildJob(const RenderOptions& options, RenderJob& job, std::string& error) {
  job = RenderJob{};
  job.blockSize = options.blockSize;
  job.tempoBpm = options.tempoBpm;
  job.startBeats = options.startBeats;
  job.settings = options.settings;
  if (!options.presetName.empty() &&
      !Renderer::factoryPresetValues(options.presetName, job.presetValues, error))
    return false;
  if (!options.userPresetPath.empty()) {
    std::vector<std::pair<int, double>> values;
    std::string name;
    if (!Renderer::userPresetValues(options.userPresetPath, values, name, error)) return false;
    job.presetValues.insert(job.presetValues.end(), values.begin(), values.end());
  }
  return true;
}

bool renderFileCommand(const RenderOptions& options, Renderer& renderer, const RenderJob& job,
                       bool showProgress, std::string& error) {
  AudioReader reader;
  if (!reader.open(options.inputPath, error)) return false;
  std::vector<std::pair<std::string, std::string>> changed;
  if (!renderer.describeJob(job, changed, error)) return false;

  AudioWriter writer;
  if (!writer.open(options.outputPath, 2, reader.sampleRate(), options.format, error)) return false;
  MeterFile meterFile;
  if (!options.metersPath.empty() && !meterFile.open(options.metersPath, error)) return false;

  FileSource source(reader);
  FileSink sink(writer);
  MeterCallback meters;
  if (!options.metersPath.empty())
    meters = [&meterFile](const MeterRow& row, std::string& err) {
      return meterFile.add(row, err);
    };
  ProgressBar bar(showProgress, "rendering");
  RenderStats stats;
  if (!renderer.render(
          job, source, sink, meters, [&bar](double f) { bar.update(f); }, stats, error))
    return false;
  bar.clear();
  if (!options.metersPath.empty() && !meterFile.finish(error)) return false;
  if (!writer.finish(error)) return false;
  if (!options.quiet)
    printSummary(options.inputPath, options.outputPath, stats, options.format, changed);
  return true;
}

namespace {

struct DemoVariant {
  const char* name;
  const char* title;
  std::vector<std::pair<std::string, std::string>> settings;
};

const std::vector<DemoVariant>& demoVariants() {
  static const std::vector<DemoVariant> variants = {
      {"corrected",
       "Hard correction: C major, Speed 0 ms",
       {{"Key", "C"}, {"Scale", "Major"}, {"Speed", "0 ms"}}},
      {"harmony",
       "Harmony a third above, formant +2 st, Speed 25 ms",
       {{"Key", "C"},
        {"Scale", "Major"},
        {"Speed", "25 ms"},
        {"Harmony", "50"},
        {"Harmony Steps", "+2"},
        {"Formant", "+2"}}},
      {"character",
       "Radio character with a 1/16 gate at 120 bpm",
       {{"Key", "C"},
        {"Scale", "Major"},
        {"Speed", "10 ms"},
        {"Character", "Radio"},
        {"Character Amount", "60"},
        {"Stutter", "Gate"},
        {"Stutter Rate", "1/16"}}},
  };
  return variants;
}

constexpr double kDemoRate = 44100.0;

// Renders the demo voice with one variant's job and writes base.wav, base_meters.csv and
// base_pitch.png, adding their paths to `written`.
bool renderDemoVariant(const DemoVariant& variant, const RenderJob& job,
                       const std::vector<float>& voice, const std::string& base,
                       const RenderOptions& options, Renderer& renderer, bool showProgress,
                       std::vector<std::string>& written, std::string& error) {
  BufferSource source(voice, 1, kDemoRate);
  BufferSink sink;
  std::vector<MeterRow> rows;
  MeterCallback meters = [&rows](const MeterRow& row, std::string&) {
    rows.push_back(row);
    return true;
  };
  ProgressBar bar(showProgress, std::string("demo ") + variant.name);
  RenderStats stats;
  if (!renderer.render(
          job, source, sink, meters, [&bar](double f) { bar.update(f); }, stats, error))
    return false;
  bar.clear();
  if (!writeWav(base + ".wav", sink.samples, 2, kDemoRate, options.format, error)) return false;
  {
    MeterFile csv;
    if (!csv.open(base + "_meters.csv", error)) return false;
    for (const MeterRow& row : rows)
      if (!csv.add(row, error)) return false;
    if (!csv.finish(error)) return false;
  }
  PitchPlotStyle style;
  style.title = std::string("ZoquaVoce demo - ") + variant.title;
  if (!writePitchPlot(base + "_pitch.png", rows, style, error)) return false;
  written.push_back(base + ".wav");
  written.push_back(base + "_meters.csv");
  written.push_back(base + "_pitch.png");
  if (!options.quiet)
    std::printf("demo %-10s %.2f s, latency %d samples, voiced %.0f %%, %.1fx real time\n",
                variant.name, stats.durationSeconds(), stats.latencySamples,
                100.0 * stats.voicedShare(), stats.realTimeFactor());
  return true;
}

}  // namespace

bool demoCommand(const RenderOptions& options, Renderer& renderer, const RenderJob& baseJob,
                 bool showProgress, std::string& error) {
  const std::vector<DemoVariant>& variants = demoVariants();
  // Check every variant before writing anything, so a bad --set fails up front.
  std::vector<RenderJob> jobs;
  for (const DemoVariant& v : variants) {
    RenderJob job = baseJob;
    job.settings = v.settings;
    job.settings.insert(job.settings.end(), baseJob.settings.begin(), baseJob.settings.end());
    if (!renderer.checkJob(job, error)) return false;
    jobs.push_back(job);
  }
  std::string dir = options.demoDir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (!makeFolder(dir, error)) return false;

  const std::vector<float> voice = synthesizeVoice(demoMelody(), kDemoRate, VoiceStyle{});
  const std::string inputPath = dir + "/demo_input.wav";
  if (!writeWav(inputPath, voice, 1, kDemoRate, SampleFormat::kFloat32, error)) return false;
  std::vector<std::string> written = {inputPath};
  for (size_t i = 0; i < variants.size(); ++i) {
    if (!renderDemoVariant(variants[i], jobs[i], voice, dir + "/demo_" + variants[i].name, options,
                           renderer, showProgress, written, error))
      return false;
  }
  if (!options.quiet) {
    std::printf("demo files in %s:\n", dir.c_str());
    for (const std::string& path : written) std::printf("  %s\n", path.c_str());
  }
  return true;
}

int runCommandLine(int argc, const char* const* argv) {
  const char* program = argc > 0 ? argv[0] : "zvrender";
  RenderOptions options;
  std::string error;
  if (!parseCommandLine(argc, argv, options, error)) {
    std::fprintf(stderr, "zvrender: %s\n", error.c_str());
    return 2;
  }
  if (options.showHelp) {
    std::fputs(usageText(program).c_str(), stdout);
    return 0;
  }
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, onSignal);

  RenderJob job;
  Renderer renderer;
  const bool ok =
      buildJob(options, job, error) && renderer.loadModule(options.modulePath, error) &&
      (options.demoDir.empty()
           ? renderFileCommand(options, renderer, job, !options.quiet && isatty(STDERR_FILENO),
                               error)
           : demoCommand(options, renderer, job, !options.quiet && isatty(STDERR_FILENO), error));
  std::fflush(stdout);
  if (!ok) {
    std::fprintf(stderr, "zvrender: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace zvrender
