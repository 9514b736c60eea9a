// What the mascot scenes share with the mascot tests: flat test-card sprites whose look does not
// depend on the SVG rasteriser's version, and the poses the scenes show.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Editor.h"
#include "MascotRig.h"

namespace zv::snapshot {

// Every part a flat coloured card of its table size with a dark border; the face overlays are two
// eye blocks and a mouth bar in the face's own colour.
std::shared_ptr<const SpriteStore> testCardSprites();

// Extreme poses: 0 at rest, then leaning, hopping, asleep, shocked, ... (count kPoseCount).
constexpr int kPoseCount = 5;
void setPose(MascotRig& rig, int pose);

// The render thread steps the editor about every 20 ms.
constexpr float kRenderFrameSeconds = 0.02f;

// One stretch of meter readings, held for `seconds`. Pitches are note numbers (-1: none).
struct MeterSegment {
  float seconds;
  float pitchIn, pitchOut, level;
  float tempo;  // beats per minute as the meter decodes it
  bool playing;
};

// Steps an editor through segments at the render frame time, with a host whose beat runs at each
// segment's tempo. `each` sees the 1-based frame number after every step.
class MeterTimeline {
 public:
  explicit MeterTimeline(Editor& editor) : editor_(editor) {}
  void run(const std::vector<MeterSegment>& segments,
           const std::function<void(int frame)>& each = nullptr);
  int frame() const { return frame_; }
  double hostBeat() const { return hostBeat_; }

 private:
  Editor& editor_;
  int frame_ = 0;
  double hostBeat_ = 0;
};

// The show the dance frames and the trace golden follow: idle, singing, in tune with a streak and
// a sparkle burst, off key with a shock, a short breath, then silence until she falls asleep.
// The editor should be in C minor (the defaults after `setDanceKey`).
std::vector<MeterSegment> danceScript();
void setDanceKey(Editor& editor);

// Calls `frame` with the stage card (layout scale `scale`) after each step of the dance script
// that `wanted` accepts, with the frame number and the editor (for its mood).
void renderDance(float scale, const std::function<bool(int frame)>& wanted,
                 const std::function<void(int frame, const Canvas& stage, const Editor&)>& frame);

}  // namespace zv::snapshot
