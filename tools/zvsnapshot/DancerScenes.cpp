// The dancer window's content: its opening size with the chrome shown, a wide window showing
// more backdrop beside the figure, and a pinned window with the pointer away.
#include "DancerCore.h"
#include "SceneRegistry.h"

namespace zv::snapshot {

namespace {

Scene dancerScene(const char* name, int width, int height, DancerChromeState chrome, bool singing) {
  return {name, width, height, height / kDancerLogicalHeight, [chrome, singing](Canvas& c) {
            MascotRig rig;
            rig.load();
            if (singing) {
              rig.mode = Mood::Singing;
              rig.mouthOpen = true;
              rig.groove = 1;
              rig.tilt = 0.12f;
              rig.level = 0.7f;
            }
            paintDancer(c, rig, chrome);
          }};
}

}  // namespace

void addDancerScenes(SceneRegistry& registry) {
  registry.add(dancerScene("dancer-default", 442, 406, {1.0f, 1.0f, kDancerClose, false}, false));
  registry.add(dancerScene("dancer-wide", 900, 406, {1.0f, 0.0f, kDancerNoButton, false}, true));
  registry.add(
      dancerScene("dancer-pinned-away", 442, 406, {1.0f, 0.0f, kDancerNoButton, true}, false));
  registry.add(dancerScene("dancer-144dpi", 663, 609, {1.5f, 1.0f, kDancerPin, true}, true));
}

}  // namespace zv::snapshot
