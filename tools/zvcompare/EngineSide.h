// One voice engine behind a plain interface, so that two builds of the engine (a baseline
// checkout and this tree) can live in one program: each side is compiled against its own
// headers, and nothing here names a type of either.
#pragma once

#include <memory>

namespace zvcompare {

// The engine's plain parameters, field for field.
struct SideParams {
  int key = 1;
  int scale = 0;
  float speedMs = 0.0f;
  int shiftSteps = 0;
  float formantSemitones = 0.0f;
  float a4Hz = 440.0f;
  float consonants = 1.0f;
  float mix = 1.0f;
  float outputDb = 0.0f;
  bool lowLatency = false;
  float harmony = 0.0f;
  int harmonySteps = 2;
  int character = 0;
  int stutter = 0;
  int stutterRate = 3;
  float characterAmount = 0.5f;
};

struct SideTransport {
  double positionQuarters = 0.0;
  double tempoBpm = 120.0;
  bool playing = false;
  bool positionValid = false;
};

class EngineSide {
 public:
  virtual ~EngineSide() = default;
  virtual void configure(double sampleRate) = 0;
  // As the processor applies a block's parameters: the record, then the mode, then the steps.
  virtual void apply(const SideParams& params) = 0;
  virtual void setTransport(const SideTransport& transport) = 0;
  virtual void process(const float* mono, float* left, float* right, int count) = 0;
  virtual float inputNote() const = 0;
  virtual float outputNote() const = 0;
  virtual int latency() const = 0;
};

std::unique_ptr<EngineSide> makeBaselineEngine();
std::unique_ptr<EngineSide> makeNewEngine();

}  // namespace zvcompare
