// WAV reading and writing through libsndfile. Output files are written under a temporary name in
// the destination folder and renamed into place by commit(), so an interrupted or failed run never
// leaves a half-written file under the name a script waits for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RenderOptions.h"

typedef struct sf_private_tag SNDFILE;

namespace zvrender {

class AudioReader {
 public:
  AudioReader() = default;
  ~AudioReader();
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  bool open(const std::string& path, std::string& error);
  // Reads up to maxFrames interleaved frames; returns the count, 0 at the end.
  int read(float* interleaved, int maxFrames);

  int channels() const { return channels_; }
  double sampleRate() const { return sampleRate_; }
  int64_t frames() const { return frames_; }

 private:
  SNDFILE* file_ = nullptr;
  int channels_ = 0;
  double sampleRate_ = 0.0;
  int64_t frames_ = 0;
  // Frames read ahead of the caller: one read call per few hundred milliseconds instead of one
  // per host block.
  std::vector<float> buffer_;
  int bufferedFrames_ = 0;
  int bufferPos_ = 0;
};

// A file that only appears under its final name once commit() succeeds. Anything else (an error,
// destruction without commit, an interrupt) removes the temporary file.
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Picks a fresh temporary name next to finalPath; fails when the folder cannot be written.
  bool create(const std::string& finalPath, std::string& error);
  const std::string& tempPath() const { return tempPath_; }
  const std::string& finalPath() const { return finalPath_; }
  bool commit(std::string& error);
  void discard();

 private:
  std::string finalPath_;
  std::string tempPath_;
  int slot_ = -1;
};

class AudioWriter {
 public:
  AudioWriter() = default;
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  bool open(const std::string& path, int channels, double sampleRate, SampleFormat format,
            std::string& error);
  bool write(const float* interleaved, int frames, std::string& error);
  // Closes the file and commits it under its final name.
  bool finish(std::string& error);

 private:
  bool flush(std::string& error);

  PendingFile pending_;
  SNDFILE* file_ = nullptr;
  int channels_ = 0;
  // Frames held back until a few hundred milliseconds are together: one write call for them.
  std::vector<float> buffer_;
  int bufferedFrames_ = 0;
};

// Writes a whole buffer at once (used for the demo input and by tests).
bool writeWav(const std::string& path, const std::vector<float>& interleaved, int channels,
              double sampleRate, SampleFormat format, std::string& error);

// Reads a whole file into interleaved floats.
bool readWav(const std::string& path, std::vector<float>& interleaved, int& channels,
             double& sampleRate, std::string& error);

// Removes every pending temporary file; safe to call from a signal handler.
void removePendingFilesFromSignal();

}  // namespace zvrender
