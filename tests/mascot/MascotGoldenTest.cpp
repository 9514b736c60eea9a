// Golden images of the mascot: poses drawn with flat test cards (independent of the SVG
// rasteriser), the real figure at rest, every face on the assembled head, moments of the dance.
#include "GoldenCheck.h"

namespace zv {
namespace {

constexpr Golden kMascotGoldens[] = {
    {"mascot-testcard-poses", 0x7631c2d7ae35d3baull},
    {"mascot-testcard-stage", 0x9330ec58b58527c4ull},
    {"mascot-figure", 0xcad143e5a90e0ed5ull},
    {"mascot-faces", 0x6e72f928a55e7567ull},
    {"mascot-dance-moments", 0x4ce5bf5a8b39b6feull},
};

TEST(MascotGoldenImages, PosesAndFacesRenderTheirRecordedPixels) {
  expectGoldenScenes(kMascotGoldens);
}

}  // namespace
}  // namespace zv
