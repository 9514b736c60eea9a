// Golden images of the editor face: a handful of states rendered through the snapshot scenes,
// whose pixel hashes must match the table. A mismatch writes the face to
// golden-failures/NAME.png, so a failure is something to look at.
#include "GoldenCheck.h"

namespace zv {
namespace {

// To accept a deliberate change: look at the PNGs `zvsnapshot editor-...` writes, then copy the
// new hashes from `zvsnapshot --list`.
constexpr Golden kEditorGoldens[] = {
    {"editor-default", 0x20f360a5b9ba30e5ull},
    {"editor-busy", 0xd5d34779593c8b68ull},
    {"editor-key-list", 0xa40aa55dc35d42e0ull},
    {"editor-naming", 0x7803fc2a6d406ca0ull},
    {"editor-value-entry", 0xafee2a8537b45fc1ull},
    {"editor-user-preset-sure", 0xa297b6cb6d565fd7ull},
    {"editor-popped-out", 0x1d99be2ca7bf6408ull},
    {"editor-hover-scale-up", 0xf5e720be499056cfull},
    {"editor-size-200", 0x9053b12b9b19ed39ull},
    {"editor-long-texts", 0x7cd55153d1639223ull},
};

TEST(EditorGoldenImages, FaceStatesRenderTheirRecordedPixels) {
  expectGoldenScenes(kEditorGoldens);
}

}  // namespace
}  // namespace zv
