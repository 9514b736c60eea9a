// zvsnapshot: draws the named scenes and writes one PNG per scene, so a person can look at what
// the canvas produces.  zvsnapshot [--out DIR] [--zoom N] [--list] [--dance N] [SCENE...]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "MascotScenes.h"
#include "SceneRegistry.h"

namespace {

void usage() {
  std::puts(
      "usage: zvsnapshot [--out DIR] [--zoom N] [--list] [--dance N] [SCENE...]\n"
      "  Draws each named scene (all scenes when none is named) and writes DIR/SCENE.png.\n"
      "  --out DIR  folder for the PNG files (default: the current folder; created if missing)\n"
      "  --zoom N   writes every pixel as an N x N block (1..16, default 1)\n"
      "  --list     prints the scene names with their size, scale and pixel hash\n"
      "  --dance N  writes every N-th frame of the mascot's dance script as DIR/dance-FRAME.png\n"
      "             and DIR/dance.txt (frame, mood, sleepiness per line), then stops");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zv::snapshot;
  const SceneRegistry& registry = builtInScenes();
  std::string outDir = ".";
  int zoom = 1;
  bool list = false;
  int danceEvery = 0;
  std::vector<const Scene*> chosen;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      outDir = argv[++i];
    } else if (std::strcmp(argv[i], "--zoom") == 0 && i + 1 < argc) {
      zoom = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--dance") == 0 && i + 1 < argc) {
      danceEvery = std::atoi(argv[++i]);
      if (danceEvery < 1) danceEvery = 1;
    } else if (std::strcmp(argv[i], "--list") == 0) {
      list = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage();
      return 0;
    } else if (const Scene* scene = registry.find(argv[i])) {
      chosen.push_back(scene);
    } else {
      std::fprintf(stderr, "zvsnapshot: unknown scene or option '%s' (try --list)\n", argv[i]);
      return 2;
    }
  }
  if (danceEvery > 0) {
    std::error_code ignored;
    std::filesystem::create_directories(outDir, ignored);
    std::FILE* index = std::fopen((outDir + "/dance.txt").c_str(), "w");
    if (index == nullptr) {
      std::fprintf(stderr, "zvsnapshot: cannot write %s/dance.txt\n", outDir.c_str());
      return 1;
    }
    static const char* const kMoods[4] = {"idle", "singing", "delighted", "shocked"};
    int failures = 0;
    renderDance(
        1.15f, [danceEvery](int n) { return n % danceEvery == 0; },
        [&](int frame, const zv::Canvas& stage, const zv::Editor& e) {
          char name[32];
          std::snprintf(name, sizeof name, "dance-%04d.png", frame);
          if (!writePng(outDir + "/" + name, stage, zoom)) ++failures;
          const zv::MascotRig& rig = e.mascot;
          const char* shown = rig.sleepiness > 0.3f ? "sleepy" : kMoods[static_cast<int>(rig.mode)];
          if (rig.sleepiness > 0.75f) shown = "asleep";
          std::fprintf(index, "%s %s %.3f %zu\n", name, shown, static_cast<double>(rig.sleepiness),
                       rig.particles.size());
        });
    std::fclose(index);
    return failures == 0 ? 0 : 1;
  }
  if (chosen.empty()) {
    for (const Scene& scene : registry.scenes()) chosen.push_back(&scene);
  }

  if (!list) {
    std::error_code
        ignored;  // a folder that cannot be made shows up as files that cannot be written
    std::filesystem::create_directories(outDir, ignored);
  }
  int failures = 0;
  for (const Scene* scene : chosen) {
    const zv::Canvas canvas = render(*scene);
    const std::uint64_t hash = hashPixels(canvas);
    if (list) {
      std::printf("%-16s %5d x %-5d scale %-5g 0x%016" PRIx64 "\n", scene->name.c_str(),
                  scene->width, scene->height, double(scene->scale), hash);
      continue;
    }
    const std::string path = outDir + "/" + scene->name + ".png";
    if (writePng(path, canvas, zoom)) {
      std::printf("%s  0x%016" PRIx64 "\n", path.c_str(), hash);
    } else {
      std::fprintf(stderr, "zvsnapshot: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
