// Named scenes drawn into a canvas, for people to look at (zvsnapshot) and for the golden-image
// tests to hash. Each subsystem adds its scenes in one function called from builtInScenes().
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Canvas.h"

namespace zv::snapshot {

struct Scene {
  std::string name;
  int width = 0;   // pixels
  int height = 0;  // pixels
  float scale = 1.0f;
  std::function<void(Canvas&)> draw;
};

class SceneRegistry {
 public:
  void add(Scene scene) { scenes_.push_back(std::move(scene)); }
  const std::vector<Scene>& scenes() const { return scenes_; }
  const Scene* find(std::string_view name) const;

 private:
  std::vector<Scene> scenes_;
};

// Every scene the project knows, in a stable order.
const SceneRegistry& builtInScenes();

// The scenes of each subsystem.
void addCanvasScenes(SceneRegistry& registry);
void addEditorScenes(SceneRegistry& registry);
void addMascotScenes(SceneRegistry& registry);
void addDancerScenes(SceneRegistry& registry);

// A fresh canvas of the scene's size and scale, fonts loaded, with the scene drawn into it.
Canvas render(const Scene& scene);

// FNV-1a (64-bit) over the size and the pixels: the fingerprint the golden tests compare.
std::uint64_t hashPixels(const Canvas& canvas);

// Writes the canvas as an 8-bit RGB PNG, each pixel as a zoom x zoom block (1..16) so edges can be
// inspected; false when the file cannot be written.
bool writePng(const std::string& path, const Canvas& canvas, int zoom = 1);

}  // namespace zv::snapshot
