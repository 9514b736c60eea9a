// zvsnapshot: draws the named scenes and writes one PNG per scene, so a person can look at what
// the canvas produces.  zvsnapshot [--out DIR] [--zoom N] [--list] [--dance N] [SCENE...]
#include <algorithm>
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

// What the command line asks for.
struct Options {
  std::string outDir = ".";
  int zoom = 1;
  bool list = false;
  int danceEvery = 0;  // 0: no dance frames
  std::vector<const zv::snapshot::Scene*> chosen;
};

// 0 to go on; otherwise the exit status (help shown, or a word that is neither option nor scene).
int parseArguments(int argc, char** argv, const zv::snapshot::SceneRegistry& registry,
                   Options& options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      options.outDir = argv[++i];
    } else if (std::strcmp(argv[i], "--zoom") == 0 && i + 1 < argc) {
      options.zoom = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--dance") == 0 && i + 1 < argc) {
      options.danceEvery = std::max(std::atoi(argv[++i]), 1);
    } else if (std::strcmp(argv[i], "--list") == 0) {
      options.list = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage();
      return -1;
    } else if (const zv::snapshot::Scene* scene = registry.find(argv[i])) {
      options.chosen.push_back(scene);
    } else {
      std::fprintf(stderr, "zvsnapshot: unknown scene or option '%s' (try --list)\n", argv[i]);
      return 2;
    }
  }
  return 0;
}

int writeDance(const Options& options) {
  using namespace zv::snapshot;
  const std::string& outDir = options.outDir;
  std::error_code ignored;
  std::filesystem::create_directories(outDir, ignored);
  std::FILE* index = std::fopen((outDir + "/dance.txt").c_str(), "w");
  if (index == nullptr) {
    std::fprintf(stderr, "zvsnapshot: cannot write %s/dance.txt\n", outDir.c_str());
    return 1;
  }
  static const char* const kMoods[4] = {"idle", "singing", "delighted", "shocked"};
  const int every = options.danceEvery;
  int failures = 0;
  renderDance(
      1.15f, [every](int n) { return n % every == 0; },
      [&](int frame, const zv::Canvas& stage, const zv::Editor& e) {
        char name[32];
        std::snprintf(name, sizeof name, "dance-%04d.png", frame);
        if (!writePng(outDir + "/" + name, stage, options.zoom)) ++failures;
        const zv::MascotRig& rig = e.mascot;
        const char* shown = rig.sleepiness > 0.3f ? "sleepy" : kMoods[static_cast<int>(rig.mode)];
        if (rig.sleepiness > 0.75f) shown = "asleep";
        std::fprintf(index, "%s %s %.3f %zu\n", name, shown, static_cast<double>(rig.sleepiness),
                     rig.particles.size());
      });
  std::fclose(index);
  return failures == 0 ? 0 : 1;
}

// Lists the scenes with their hashes, or writes one PNG each.
int writeScenes(const Options& options) {
  using namespace zv::snapshot;
  if (!options.list) {
    std::error_code
        ignored;  // a folder that cannot be made shows up as files that cannot be written
    std::filesystem::create_directories(options.outDir, ignored);
  }
  int failures = 0;
  for (const Scene* scene : options.chosen) {
    const zv::Canvas canvas = render(*scene);
    const std::uint64_t hash = hashPixels(canvas);
    if (options.list) {
      std::printf("%-16s %5d x %-5d scale %-5g 0x%016" PRIx64 "\n", scene->name.c_str(),
                  scene->width, scene->height, double(scene->scale), hash);
      continue;
    }
    const std::string path = options.outDir + "/" + scene->name + ".png";
    if (writePng(path, canvas, options.zoom)) {
      std::printf("%s  0x%016" PRIx64 "\n", path.c_str(), hash);
    } else {
      std::fprintf(stderr, "zvsnapshot: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const zv::snapshot::SceneRegistry& registry = zv::snapshot::builtInScenes();
  Options options;
  const int stop = parseArguments(argc, argv, registry, options);
  if (stop != 0) return stop < 0 ? 0 : stop;
  if (options.danceEvery > 0) return writeDance(options);
  if (options.chosen.empty()) {
    for (const zv::snapshot::Scene& scene : registry.scenes()) options.chosen.push_back(&scene);
  }
  return writeScenes(options);
}
