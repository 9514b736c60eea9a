// Golden images of the editor face: a handful of states rendered through the snapshot scenes,
// whose pixel hashes must match the table. A mismatch writes the face to
// golden-failures/NAME.png, so a failure is something to look at.
#include "GoldenCheck.h"

namespace zv {
namespace {

// To accept a deliberate change: look at the PNGs `zvsnapshot editor-...` writes, then copy the
// new hashes from `zvsnapshot --list`.
constexpr Golden kEditorGoldens[] = {
    {"editor-default", 0x993d0d4220eb7200ull},
    {"editor-busy", 0xff150996cc7c5597ull},
    {"editor-key-list", 0x00e71830bc310f13ull},
    {"editor-naming", 0xd1e53e0665e184dbull},
    {"editor-value-entry", 0x66ad8eba5f08dadeull},
    {"editor-user-preset-sure", 0xd31d4a1e4ccf5628ull},
    {"editor-popped-out", 0x1d99be2ca7bf6408ull},
    {"editor-hover-scale-up", 0xc75982e4ee91aec4ull},
    {"editor-size-200", 0xe1cf08f9858beec9ull},
    {"editor-long-texts", 0x94c48abed75580e4ull},
};

TEST(EditorGoldenImages, FaceStatesRenderTheirRecordedPixels) {
  expectGoldenScenes(kEditorGoldens);
}

}  // namespace
}  // namespace zv
