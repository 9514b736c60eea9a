#include "FontSet.h"

#include "PortableMath.h"

namespace zv {

void FontSet::load(const unsigned char* mediumData, const unsigned char* boldData) {
  const unsigned char* data[2] = {mediumData, boldData};
  for (int i = 0; i < 2; ++i) {
    FontFace& face = faces[i];
    face = FontFace{};
    face.loaded = data[i] != nullptr && stbtt_InitFont(&face.info, data[i], 0) != 0;
  }
}

void FontSet::buildGamma() {
  // pm::pow rather than std::pow: the table must be bit-identical on every platform.
  for (int i = 0; i < 256; ++i) gamma[i] = float(pm::pow(i / 255.0, 0.78));
  gammaBuilt = true;
}

}  // namespace zv
