#include "AudioFile.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zvrender {

namespace {

// About 0.4 s at 44.1 kHz per read or write call.
constexpr int kBufferFrames = 16384;

// Temporary names are kept in fixed slots so a signal handler can unlink them without allocating.
constexpr int kPendingSlots = 16;
constexpr size_t kPathCapacity = 4096;
char gPendingPaths[kPendingSlots][kPathCapacity];
std::atomic<bool> gPendingUsed[kPendingSlots];

int claimSlot(const std::string& path) {
  if (path.size() + 1 > kPathCapacity) return -1;
  for (int i = 0; i < kPendingSlots; ++i) {
    bool expected = false;
    if (gPendingUsed[i].compare_exchange_strong(expected, true)) {
      std::memcpy(gPendingPaths[i], path.c_str(), path.size() + 1);
      return i;
    }
  }
  return -1;
}

void releaseSlot(int slot) {
  if (slot >= 0) gPendingUsed[slot].store(false);
}

std::string sndfileError(SNDFILE* file) {
  const char* text = sf_strerror(file);
  return text && *text ? text : "unknown libsndfile error";
}

}  // namespace

void removePendingFilesFromSignal() {
  for (int i = 0; i < kPendingSlots; ++i)
    if (gPendingUsed[i].load()) unlink(gPendingPaths[i]);
}

// --- reading -----------------------------------------------------------------------------------

AudioReader::~AudioReader() {
  if (file_) sf_close(file_);
}

bool AudioReader::open(const std::string& path, std::string& error) {
  SF_INFO info{};
  file_ = sf_open(path.c_str(), SFM_READ, &info);
  if (!file_) {
    error = "cannot read \"" + path + "\": " + sndfileError(nullptr);
    return false;
  }
  if (info.channels < 1 || info.channels > 2) {
    error = "\"" + path + "\" has " + std::to_string(info.channels) +
            " channels; only mono and stereo files are supported";
    return false;
  }
  if (info.samplerate < 8000 || info.samplerate > 384000) {
    error = "\"" + path + "\" has a sample rate of " + std::to_string(info.samplerate) +
            " Hz; 8000 to 384000 Hz are supported";
    return false;
  }
  // Integer files are read scaled to -1..1; float files are taken as they are.
  sf_command(file_, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  channels_ = info.channels;
  sampleRate_ = info.samplerate;
  frames_ = info.frames;
  return true;
}

int AudioReader::read(float* interleaved, int maxFrames) {
  // Callers take a short count for the end of the file, so the request is filled across buffer
  // refills.
  int done = 0;
  while (file_ && done < maxFrames) {
    if (bufferPos_ == bufferedFrames_) {
      buffer_.resize(static_cast<size_t>(kBufferFrames) * channels_);
      const sf_count_t got = sf_readf_float(file_, buffer_.data(), kBufferFrames);
      bufferedFrames_ = got > 0 ? static_cast<int>(got) : 0;
      bufferPos_ = 0;
      if (bufferedFrames_ == 0) break;
    }
    const int frames = std::min(maxFrames - done, bufferedFrames_ - bufferPos_);
    std::copy_n(buffer_.data() + static_cast<size_t>(bufferPos_) * channels_,
                static_cast<size_t>(frames) * channels_,
                interleaved + static_cast<size_t>(done) * channels_);
    bufferPos_ += frames;
    done += frames;
  }
  return done;
}

// --- pending files -----------------------------------------------------------------------------

PendingFile::~PendingFile() {
  discard();
}

bool PendingFile::create(const std::string& finalPath, std::string& error) {
  discard();
  finalPath_ = finalPath;
  const size_t slash = finalPath.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : finalPath.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
  if (base.empty()) {
    error = "\"" + finalPath + "\" names a folder, not a file";
    return false;
  }
  // A hidden name in the same folder, so the final rename stays on one file system.
  std::string pattern =
      (slash == std::string::npos ? std::string() : dir) + "." + base + ".partXXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = mkstemp(buffer.data());
  if (fd < 0) {
    error = "cannot write \"" + finalPath + "\": " + std::strerror(errno);
    return false;
  }
  // mkstemp makes the file private; the finished file should get the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  tempPath_ = buffer.data();
  slot_ = claimSlot(tempPath_);
  return true;
}

bool PendingFile::commit(std::string& error) {
  if (tempPath_.empty()) {
    error = "internal error: nothing to commit for \"" + finalPath_ + "\"";
    return false;
  }
  if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
    error = "cannot write \"" + finalPath_ + "\": " + std::strerror(errno);
    discard();
    return false;
  }
  releaseSlot(slot_);
  slot_ = -1;
  tempPath_.clear();
  return true;
}

void PendingFile::discard() {
  if (!tempPath_.empty()) std::remove(tempPath_.c_str());
  releaseSlot(slot_);
  slot_ = -1;
  tempPath_.clear();
}

// --- writing -----------------------------------------------------------------------------------

AudioWriter::~AudioWriter() {
  if (file_) sf_close(file_);
  // pending_ removes the unfinished file.
}

bool AudioWriter::open(const std::string& path, int channels, double sampleRate,
                       SampleFormat format, std::string& error) {
  if (!pending_.create(path, error)) return false;
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = static_cast<int>(sampleRate);
  const int subtype = format == SampleFormat::kPcm16   ? SF_FORMAT_PCM_16
                      : format == SampleFormat::kPcm24 ? SF_FORMAT_PCM_24
                                                       : SF_FORMAT_FLOAT;
  info.format = SF_FORMAT_WAV | subtype;
  file_ = sf_open(pending_.tempPath().c_str(), SFM_WRITE, &info);
  if (!file_) {
    error = "cannot write \"" + path + "\": " + sndfileError(nullptr);
    pending_.discard();
    return false;
  }
  // Without clipping, libsndfile wraps overs around to the opposite sign in integer formats.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  channels_ = channels;
  return true;
}

bool AudioWriter::write(const float* interleaved, int frames, std::string& error) {
  if (!file_) {
    error = "internal error: writing to a closed file";
    return false;
  }
  if (frames <= 0) return true;
  buffer_.resize(static_cast<size_t>(kBufferFrames) * channels_);
  while (frames > 0) {
    const int take = std::min(frames, kBufferFrames - bufferedFrames_);
    std::copy_n(interleaved, static_cast<size_t>(take) * channels_,
                buffer_.data() + static_cast<size_t>(bufferedFrames_) * channels_);
    bufferedFrames_ += take;
    interleaved += static_cast<size_t>(take) * channels_;
    frames -= take;
    if (bufferedFrames_ == kBufferFrames && !flush(error)) return false;
  }
  return true;
}

bool AudioWriter::flush(std::string& error) {
  const int frames = bufferedFrames_;
  bufferedFrames_ = 0;
  if (frames > 0 && sf_writef_float(file_, buffer_.data(), frames) != frames) {
    error = "cannot write \"" + pending_.finalPath() + "\": " + sndfileError(file_);
    return false;
  }
  return true;
}

bool AudioWriter::finish(std::string& error) {
  if (!file_) {
    error = "internal error: finishing a closed file";
    return false;
  }
  if (!flush(error)) {
    sf_close(file_);
    file_ = nullptr;
    pending_.discard();
    return false;
  }
  sf_write_sync(file_);
  const int closed = sf_close(file_);
  file_ = nullptr;
  if (closed != 0) {
    error = "cannot write \"" + pending_.finalPath() + "\": " + sf_error_number(closed);
    pending_.discard();
    return false;
  }
  return pending_.commit(error);
}

bool writeWav(const std::string& path, const std::vector<float>& interleaved, int channels,
              double sampleRate, SampleFormat format, std::string& error) {
  AudioWriter writer;
  if (!writer.open(path, channels, sampleRate, format, error)) return false;
  const int frames = static_cast<int>(interleaved.size() / static_cast<size_t>(channels));
  if (!writer.write(interleaved.data(), frames, error)) return false;
  return writer.finish(error);
}

bool readWav(const std::string& path, std::vector<float>& interleaved, int& channels,
             double& sampleRate, std::string& error) {
  AudioReader reader;
  if (!reader.open(path, error)) return false;
  channels = reader.channels();
  sampleRate = reader.sampleRate();
  interleaved.clear();
  std::vector<float> block(static_cast<size_t>(4096 * channels));
  int got = 0;
  while ((got = reader.read(block.data(), 4096)) > 0)
    interleaved.insert(interleaved.end(), block.begin(), block.begin() + got * channels);
  return true;
}

}  // namespace zvrender
