// Golden images: every reference scene rendered to pixels whose hash must match the table. The same
// table holds for the Linux and the Windows build, so a difference between the platforms' maths
// shows up here. A mismatch writes the scene to golden-failures/NAME.png to look at.
#include "GoldenCheck.h"

namespace zv {
namespace {

constexpr Golden kGoldens[] = {
    {"shapes", 0xe46a704b133bc0f4ull},     {"gradients", 0x9299ddc62fa76251ull},
    {"arcs", 0xd26751042eb82954ull},       {"arcs-2x", 0xbfd6ae61dc475dbaull},
    {"glows", 0xa142e8d3263c5eacull},      {"text-1x", 0x264297262e279935ull},
    {"text-1.25x", 0xaae0e8b806d14fefull}, {"text-2x", 0xffc1360e615ab5b6ull},
    {"clipped", 0x933b6e9f730c5f15ull},
};

TEST(GoldenImages, ReferenceScenesRenderTheirRecordedPixels) {
  expectGoldenScenes(kGoldens);
}

}  // namespace
}  // namespace zv
