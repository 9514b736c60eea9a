// What the mascot scenes share with the mascot tests: flat test-card sprites whose look does not
// depend on the SVG rasteriser's version, and the poses the scenes show.
#pragma once

#include <memory>

#include "MascotRig.h"

namespace zv::snapshot {

// Every part a flat coloured card of its table size with a dark border; the face overlays are two
// eye blocks and a mouth bar in the face's own colour.
std::shared_ptr<const SpriteStore> testCardSprites();

// Extreme poses: 0 at rest, then leaning, hopping, asleep, shocked, ... (count kPoseCount).
constexpr int kPoseCount = 5;
void setPose(MascotRig& rig, int pose);

}  // namespace zv::snapshot
