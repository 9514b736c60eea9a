// Compares snapshot scenes against recorded pixel hashes. A mismatch writes the scene to
// golden-failures/NAME.png, so a failure is something to look at rather than a number.
#pragma once

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>

#include "SceneRegistry.h"

namespace zv {

struct Golden {
  const char* scene;
  std::uint64_t hash;
};

inline std::string goldenHex(std::uint64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%016" PRIx64, v);
  return buf;
}

// To accept a deliberate change: look at the PNGs zvsnapshot writes, then copy the new hashes
// from `zvsnapshot --list` (or from the failure messages).
template <std::size_t N>
void expectGoldenScenes(const Golden (&goldens)[N]) {
  const auto& registry = snapshot::builtInScenes();
  for (const Golden& golden : goldens) {
    SCOPED_TRACE(golden.scene);
    const snapshot::Scene* scene = registry.find(golden.scene);
    ASSERT_NE(scene, nullptr) << "scene not registered";
    const Canvas canvas = snapshot::render(*scene);
    const std::uint64_t hash = snapshot::hashPixels(canvas);
    if (hash == golden.hash) continue;
    std::error_code ec;
    std::filesystem::create_directories("golden-failures", ec);
    const std::string path = std::string("golden-failures/") + golden.scene + ".png";
    const bool written = snapshot::writePng(path, canvas);
    ADD_FAILURE() << "scene \"" << golden.scene << "\" hashes " << goldenHex(hash) << ", expected "
                  << goldenHex(golden.hash) << (written ? "; written to " : "; could not write ")
                  << path;
  }
}

}  // namespace zv
