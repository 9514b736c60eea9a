// Golden images of the editor face: a handful of states rendered through the snapshot scenes,
// whose pixel hashes must match the table. A mismatch writes the face to
// golden-failures/NAME.png, so a failure is something to look at.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>

#include "SceneRegistry.h"

namespace zv {
namespace {

struct Golden {
  const char* scene;
  std::uint64_t hash;
};

// To accept a deliberate change: look at the PNGs `zvsnapshot editor-...` writes, then copy the
// new hashes from `zvsnapshot --list`.
constexpr Golden kEditorGoldens[] = {
    {"editor-default", 0x20f360a5b9ba30e5ull},
    {"editor-busy", 0x87c8dcaabbafbde6ull},
    {"editor-key-list", 0xa40aa55dc35d42e0ull},
    {"editor-naming", 0x7803fc2a6d406ca0ull},
    {"editor-value-entry", 0xafee2a8537b45fc1ull},
    {"editor-user-preset-sure", 0xa297b6cb6d565fd7ull},
    {"editor-popped-out", 0x1d99be2ca7bf6408ull},
    {"editor-hover-scale-up", 0xf5e720be499056cfull},
    {"editor-size-200", 0xc0e31d0d90928c4bull},
};

TEST(EditorGoldenImages, FaceStatesRenderTheirRecordedPixels) {
  const auto& registry = snapshot::builtInScenes();
  for (const Golden& golden : kEditorGoldens) {
    SCOPED_TRACE(golden.scene);
    const snapshot::Scene* scene = registry.find(golden.scene);
    ASSERT_NE(scene, nullptr) << "scene not registered";
    const Canvas canvas = snapshot::render(*scene);
    const std::uint64_t hash = snapshot::hashPixels(canvas);
    if (hash != golden.hash) {
      std::error_code ec;
      std::filesystem::create_directories("golden-failures", ec);
      const std::string path = std::string("golden-failures/") + golden.scene + ".png";
      const bool written = snapshot::writePng(path, canvas);
      char text[32];
      std::snprintf(text, sizeof text, "0x%016" PRIx64, hash);
      ADD_FAILURE() << "scene \"" << golden.scene << "\" hashes " << text
                    << (written ? "; written to " : "; could not write ") << path;
    }
  }
}

}  // namespace
}  // namespace zv
