// Golden images of the editor face: a handful of states rendered through the snapshot scenes.
#include "GoldenCheck.h"

namespace zv {
namespace {

constexpr Golden kEditorGoldens[] = {
    {"editor-default", 0xb70327be732c18abull},
    {"editor-busy", 0xf05ddc76645480bfull},
    {"editor-key-list", 0x408e98a2fd44864dull},
    {"editor-naming", 0x603317343376d48dull},
    {"editor-value-entry", 0x8a0fd3457c143b6cull},
    {"editor-user-preset-sure", 0x5c57df8a4f3e869aull},
    {"editor-popped-out", 0x1d99be2ca7bf6408ull},
    {"editor-hover-scale-up", 0xadb1eedd3e38295eull},
    {"editor-size-200", 0xec4e275bb948d879ull},
    {"editor-long-texts", 0x4408380d70c1731aull},
};

TEST(EditorGoldenImages, FaceStatesRenderTheirRecordedPixels) {
  expectGoldenScenes(kEditorGoldens);
}

}  // namespace
}  // namespace zv
