// The two faces a canvas draws text with, their glyph caches and the coverage gamma curve.
#pragma once

#include <stb_truetype.h>

#include <cstdint>
#include <map>
#include <vector>

namespace zv {

constexpr int kFaceMedium = 0;  // regular text
constexpr int kFaceBold = 1;

// One rasterised glyph at one pixel size. The bitmap's top-left corner sits at
// (pen x + xOffset, baseline + yOffset); bitmap is empty when the glyph has no outline.
struct Glyph {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t xOffset = 0;
  std::int32_t yOffset = 0;
  float advance = 0.0f;              // pixels
  int glyphIndex = 0;                // in the face, for kerning; 0 is the missing-glyph outline
  std::vector<std::uint8_t> bitmap;  // width * height coverage bytes, row-major
};

struct GlyphKey {
  std::uint32_t codePoint;
  std::int32_t pixelSize;
  bool operator<(const GlyphKey& o) const {
    return codePoint != o.codePoint ? codePoint < o.codePoint : pixelSize < o.pixelSize;
  }
};

struct FontFace {
  stbtt_fontinfo info{};
  bool loaded = false;
  // Never evicted: an editor only ever meets a few hundred (character, size) pairs.
  std::map<GlyphKey, Glyph> cache;
  // How many glyphs this face has rasterised, so a cache miss shows up in tests and benchmarks.
  std::uint32_t rasterised = 0;

  bool hasKerning() const { return loaded && (info.kern != 0 || info.gpos != 0); }
  // Pixels per font unit at pixel height P: P / (hhea ascent - descent).
  float scaleFor(int pixelSize) const { return stbtt_ScaleForPixelHeight(&info, float(pixelSize)); }
};

struct FontSet {
  FontFace faces[2];  // kFaceMedium, kFaceBold
  // Glyph coverage goes through (v / 255)^0.78 before blending, which gives thin light-on-dark
  // text more body; built on first use.
  float gamma[256] = {};
  bool gammaBuilt = false;

  // Parses both faces from font data that must outlive the set (the data is not copied).
  void load(const unsigned char* mediumData, const unsigned char* boldData);
  void buildGamma();
};

}  // namespace zv
