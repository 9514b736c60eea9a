// The read-out a fixed latency behind the input: crossfades resynthesised voice and dry input by
// voicing, matches the voice's loudness to the input, passes consonants with their own formant
// shift, and places the harmony voice (at once on the left, 13 ms later on the right).
#pragma once

#include <cstdint>
#include <vector>

#include "EngineConfig.h"
#include "FormantShifter.h"
#include "PlainParams.h"
#include "SampleRing.h"

namespace zv {

struct StereoSample {
  float left = 0.0f;
  float right = 0.0f;
};

// What the read-out takes from the rings at the read position.
struct ReadOutInput {
  bool started = false;  // the read position is inside the stream
  float dry = 0.0f;
  float main = 0.0f;
  float harmony = 0.0f;
  bool voiced = false;  // the analysis frame nearest the read position is voiced
};

class VoiceReadOut {
 public:
  void configure(const EngineConfig& config);  // allocates
  void reset();

  // The voicing and the loudness match for a run of samples, in stream order: voicing[i] and
  // gain[i] are the smoothed voicing and the voice gain after sample i. Nothing here depends on
  // the grains laid after a sample was taken, so the engine runs it once per run of samples with
  // the state in registers instead of once per sample through memory.
  void matchLoudness(const ReadOutInput* in, int count, float* voicing, float* gain);
  void matchLoudness(const ReadOutInput& in) {
    float voicing, gain;
    matchLoudness(&in, 1, &voicing, &gain);
  }
  // The voice, the consonants and the harmony of a run of samples (read positions firstReadPos
  // on), with the voicing and the gain matchLoudness gave for each: wet[i] for in[i]. The
  // formant activity and the harmony level smooth toward targets that hold for the whole run,
  // so once a step leaves one unchanged it stays so for the rest of the run and is not
  // recomputed. formantRatio is 2^(formantSemitones / 12), worked out once per block.
  void mixVoice(const ReadOutInput* in, const float* voicing, const float* gain, int count,
                const SampleRing& input, int64_t firstReadPos, const PlainParams& params,
                double formantRatio, bool lowLatency, StereoSample* wet);
  StereoSample process(const ReadOutInput& in, const SampleRing& input, int64_t readPos,
                       const PlainParams& params, double formantRatio, bool lowLatency) {
    float voicing, gain;
    matchLoudness(&in, 1, &voicing, &gain);
    StereoSample wet;
    mixVoice(&in, &voicing, &gain, 1, input, readPos, params, formantRatio, lowLatency, &wet);
    return wet;
  }

  float voicing() const { return voicing_; }
  float voiceGain() const { return voiceGain_; }
  float harmonyLevel() const { return harmonyLevel_; }

 private:
  float voicingCoef_ = 0.0f;
  float powerCoef_ = 0.0f;
  float gainCoef_ = 0.0f;
  float harmonyCoef_ = 0.0f;
  float formantCoef_ = 0.0f;
  int formantWindow_ = 970;
  int harmonyDelay_ = 573;  // 13 ms

  float voicing_ = 0.0f;
  float dryPower_ = 0.0f;
  float mainPower_ = 0.0f;
  float voiceGain_ = 1.0f;
  float formantActivity_ = 0.0f;
  float harmonyLevel_ = 0.0f;
  FormantShifter consonantShifter_;
  std::vector<float> harmonyLine_;
  int64_t harmonyCounter_ = 0;
  int64_t harmonyMask_ = 8191;
};

}  // namespace zv
