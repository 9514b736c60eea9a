#include "SceneRegistry.h"

namespace zv::snapshot {

const Scene* SceneRegistry::find(std::string_view name) const {
  for (const Scene& scene : scenes_) {
    if (scene.name == name) return &scene;
  }
  return nullptr;
}

const SceneRegistry& builtInScenes() {
  static const SceneRegistry registry = [] {
    SceneRegistry r;
    addCanvasScenes(r);
    addEditorScenes(r);
    addMascotScenes(r);
    addDancerScenes(r);
    return r;
  }();
  return registry;
}

Canvas render(const Scene& scene) {
  Canvas canvas(scene.width, scene.height, scene.scale);
  canvas.loadFonts();
  if (scene.draw) scene.draw(canvas);
  return canvas;
}

std::uint64_t hashPixels(const Canvas& canvas) {
  std::uint64_t h = 14695981039346656037ull;
  auto eat = [&h](std::uint32_t word) {
    for (int i = 0; i < 4; ++i) {
      h ^= (word >> (8 * i)) & 0xFFu;
      h *= 1099511628211ull;
    }
  };
  eat(std::uint32_t(canvas.width));
  eat(std::uint32_t(canvas.height));
  for (std::uint32_t p : canvas.pixels) eat(p);
  return h;
}

}  // namespace zv::snapshot
