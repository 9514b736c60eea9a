// Compiled twice: once against this tree's engine (ZV_SIDE_FACTORY = makeNewEngine) and once
// against the baseline's, with the baseline's namespace renamed on the command line so that
// both link into one program.
#include "EngineSide.h"

#include "VoiceEngine.h"

namespace zvcompare {

namespace {

class Side final : public EngineSide {
 public:
  void configure(double sampleRate) override { engine_.configure(sampleRate); }
  void apply(const SideParams& s) override {
    zv::PlainParams p;
    p.key = s.key;
    p.scale = s.scale;
    p.speedMs = s.speedMs;
    p.shiftSteps = s.shiftSteps;
    p.formantSemitones = s.formantSemitones;
    p.a4Hz = s.a4Hz;
    p.consonants = s.consonants;
    p.mix = s.mix;
    p.outputDb = s.outputDb;
    p.lowLatency = s.lowLatency;
    p.harmony = s.harmony;
    p.harmonySteps = s.harmonySteps;
    p.character = s.character;
    p.stutter = s.stutter;
    p.stutterRate = s.stutterRate;
    p.characterAmount = s.characterAmount;
    engine_.setParams(p);
    engine_.setLowLatency(engine_.params().lowLatency);
    engine_.setHarmonySteps(engine_.params().harmonySteps);
  }
  void setTransport(const SideTransport& t) override {
    zv::HostTransport& h = engine_.transport();
    h.positionQuarters = t.positionQuarters;
    h.tempoBpm = t.tempoBpm;
    h.playing = t.playing;
    h.positionValid = t.positionValid;
  }
  void process(const float* mono, float* left, float* right, int count) override {
    engine_.process(mono, left, right, count);
  }
  float inputNote() const override { return engine_.inputNote(); }
  float outputNote() const override { return engine_.outputNote(); }
  int latency() const override { return engine_.latencySamples(); }

 private:
  zv::VoiceEngine engine_;
};

}  // namespace

std::unique_ptr<EngineSide> ZV_SIDE_FACTORY() {
  return std::make_unique<Side>();
}

}  // namespace zvcompare
