// Golden images of the mascot: poses drawn with flat test cards (independent of the SVG
// rasteriser), and the real figure at rest and every face on the assembled head.
#include "GoldenCheck.h"

namespace zv {
namespace {

// To accept a deliberate change: look at the PNGs `zvsnapshot mascot-...` writes, then copy the
// new hashes from `zvsnapshot --list`.
constexpr Golden kMascotGoldens[] = {
    {"mascot-testcard-poses", 0x68c4d22ade087c75ull},
    {"mascot-testcard-stage", 0x7eb4e8c57e03755bull},
    {"mascot-figure", 0xb68ffe21bee5eb65ull},
    {"mascot-faces", 0x6e72f928a55e7567ull},
};

TEST(MascotGoldenImages, PosesAndFacesRenderTheirRecordedPixels) {
  expectGoldenScenes(kMascotGoldens);
}

}  // namespace
}  // namespace zv
