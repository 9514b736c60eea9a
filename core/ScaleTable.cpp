#include "ScaleTable.h"

namespace zv {

const Scale kScaleTable[kNumScales] = {
    {7, {0, 2, 3, 5, 7, 8, 10}},                   // Minor
    {7, {0, 2, 4, 5, 7, 9, 11}},                   // Major
    {7, {0, 2, 3, 5, 7, 8, 11}},                   // Harm. Minor
    {7, {0, 1, 3, 5, 7, 8, 10}},                   // Phrygian
    {7, {0, 2, 3, 5, 7, 9, 10}},                   // Dorian
    {7, {0, 1, 4, 5, 7, 8, 10}},                   // Phryg. Dominant
    {5, {0, 3, 5, 7, 10}},                         // Minor Pent.
    {5, {0, 2, 4, 7, 9}},                          // Major Pent.
    {6, {0, 3, 5, 6, 7, 10}},                      // Blues
    {12, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},  // Chromatic
};

int degreePitch(int key, const Scale& scale, int degreeIndex) {
  const int k = scale.degrees;
  int octave = degreeIndex / k;
  int degree = degreeIndex % k;
  if (degree < 0) {  // floor division with a non-negative remainder
    degree += k;
    --octave;
  }
  return key + 12 * octave + scale.offsets[degree];
}

}  // namespace zv
