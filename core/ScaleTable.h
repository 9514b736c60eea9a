// The ten scales of the "Scale" parameter as semitone offsets from the key note.
#pragma once

namespace zv {

struct Scale {
  int degrees;      // K: notes per octave
  int offsets[12];  // semitones above the key note, ascending
};

constexpr int kNumScales = 10;
extern const Scale kScaleTable[kNumScales];

// Degree index g counts scale notes across octaves, g = 0 being key note `key` in MIDI octave 0.
// Returns its MIDI note: key + 12*floor(g/K) + offset[g mod K].
int degreePitch(int key, const Scale& scale, int degreeIndex);

}  // namespace zv
