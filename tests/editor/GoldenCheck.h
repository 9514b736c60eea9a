// Compares snapshot scenes against recorded pixel hashes. A mismatch writes the scene to
// golden-failures/NAME.png, so a failure is something to look at rather than a number. To accept
// a deliberate change: look at the PNGs zvsnapshot writes, then copy the new hashes from
// `zvsnapshot --list` (or from the failure messages).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "SceneRegistry.h"

namespace zv {

struct Golden {
  const char* scene;
  std::uint64_t hash;
};

template <std::size_t N>
void expectGoldenScenes(const Golden (&goldens)[N]) {
  for (const Golden& golden : goldens) {
    const snapshot::Scene* scene = snapshot::builtInScenes().find(golden.scene);
    ASSERT_NE(scene, nullptr) << golden.scene << " not registered";
    const Canvas canvas = snapshot::render(*scene);
    const std::uint64_t hash = snapshot::hashPixels(canvas);
    if (hash == golden.hash) continue;
    std::error_code ec;
    std::filesystem::create_directories("golden-failures", ec);
    const std::string path = std::string("golden-failures/") + golden.scene + ".png";
    const bool written = snapshot::writePng(path, canvas);
    ADD_FAILURE() << "scene \"" << golden.scene << "\" hashes " << std::hex << std::showbase << hash
                  << ", expected " << golden.hash
                  << (written ? "; written to " : "; could not write ") << path;
  }
}

}  // namespace zv
