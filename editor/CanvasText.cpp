// Text drawing and measuring of zv::Canvas: UTF-8 in, cached stb_truetype glyphs out.
#include <cmath>

#include "Canvas.h"
#include "Utf8.h"

namespace zv {

namespace {

// Far beyond any label at any editor size; keeps a wild size from rasterising huge bitmaps.
constexpr float kMaxPixelSize = 1000.0f;
// Pen positions beyond this are off every canvas and would overflow the rounding to long.
constexpr float kMaxPenPixels = 1e8f;

const FontFace& faceOf(const FontSet& fonts, bool bold) {
  return fonts.faces[bold ? kFaceBold : kFaceMedium];
}

float kerning(const FontFace& face, int previousGlyph, int glyphIndex, float fontScale) {
  return float(stbtt_GetGlyphKernAdvance(&face.info, previousGlyph, glyphIndex)) * fontScale;
}

}  // namespace

int Canvas::pixelSizeFor(float size) const {
  const float p = size * scale;
  if (!(p > 0.0f)) return 0;
  return int(std::lroundf(std::min(p, kMaxPixelSize)));
}

const Glyph& Canvas::glyph(int face, std::uint32_t codePoint, int pixelSize) {
  FontFace& f = fonts.faces[face == kFaceBold ? kFaceBold : kFaceMedium];
  const GlyphKey key{codePoint, pixelSize};
  const auto found = f.cache.find(key);
  if (found != f.cache.end()) return found->second;

  Glyph g;
  if (f.loaded && pixelSize > 0) {
    const float fontScale = f.scaleFor(pixelSize);
    g.glyphIndex = stbtt_FindGlyphIndex(&f.info, int(codePoint));
    int advanceUnits = 0, leftBearing = 0;
    stbtt_GetGlyphHMetrics(&f.info, g.glyphIndex, &advanceUnits, &leftBearing);
    g.advance = float(advanceUnits) * fontScale;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBoxSubpixel(&f.info, g.glyphIndex, fontScale, fontScale, 0.0f, 0.0f, &x0,
                                    &y0, &x1, &y1);
    g.width = x1 - x0;
    g.height = y1 - y0;
    g.xOffset = x0;
    g.yOffset = y0;
    ++f.rasterised;
    if (g.width >= 1 && g.height >= 1) {
      g.bitmap.resize(std::size_t(g.width) * std::size_t(g.height));
      stbtt_MakeGlyphBitmapSubpixel(&f.info, g.bitmap.data(), g.width, g.height, g.width, fontScale,
                                    fontScale, 0.0f, 0.0f, g.glyphIndex);
    }
  }
  return f.cache.emplace(key, std::move(g)).first->second;
}

float Canvas::textWidth(std::string_view text, float size, bool bold, float letterSpacing) {
  const FontFace& face = faceOf(fonts, bold);
  const float k = scale;
  if (!face.loaded || !(k > 0.0f)) return 0.0f;
  const int pixelSize = pixelSizeFor(size);
  const float fontScale = face.scaleFor(pixelSize);
  const bool kern = face.hasKerning();
  const int faceIndex = bold ? kFaceBold : kFaceMedium;
  float pen = 0.0f;
  int previous = -1;
  for (std::size_t pos = 0; !atTextEnd(text, pos);) {
    const Glyph& g = glyph(faceIndex, nextCodePoint(text, pos), pixelSize);
    if (previous >= 0 && kern) pen += kerning(face, previous, g.glyphIndex, fontScale);
    pen += g.advance + letterSpacing * k;
    previous = g.glyphIndex;
  }
  return pen / k;
}

void Canvas::text(std::string_view text, float x, float y, float size, const RGB& colour, int align,
                  bool bold, float letterSpacing, float alpha) {
  const FontFace& face = faceOf(fonts, bold);
  if (!face.loaded || !(alpha > 0.0f)) return;
  if (!fonts.gammaBuilt) fonts.buildGamma();
  const float k = scale;
  const int pixelSize = pixelSizeFor(size);
  if (pixelSize <= 0) return;

  const float measured = textWidth(text, size, bold, letterSpacing);
  if (align == 1) x -= measured * 0.5f;
  if (align == 2) x -= measured;
  float penX = x * k;
  const float baseline = y * k;
  if (!(std::fabs(penX) < kMaxPenPixels) || !(std::fabs(baseline) < kMaxPenPixels)) return;
  const long baseRow = std::lroundf(baseline);

  const float fontScale = face.scaleFor(pixelSize);
  const bool kern = face.hasKerning();
  const int faceIndex = bold ? kFaceBold : kFaceMedium;
  const float* gamma = fonts.gamma;
  int previous = -1;
  for (std::size_t pos = 0; !atTextEnd(text, pos);) {
    const Glyph& g = glyph(faceIndex, nextCodePoint(text, pos), pixelSize);
    if (previous >= 0 && kern) penX += kerning(face, previous, g.glyphIndex, fontScale);
    previous = g.glyphIndex;
    if (!(std::fabs(penX) < kMaxPenPixels)) break;

    const long left = std::lroundf(penX) + g.xOffset;
    const long top = baseRow + g.yOffset;
    // Only the part of the bitmap that lands on the canvas.
    const long r0 = std::max(0L, -top);
    const long r1 = std::min<long>(g.height, long(height) - top);
    const long c0 = std::max(0L, -left);
    const long c1 = std::min<long>(g.width, long(width) - left);
    for (long r = r0; r < r1; ++r) {
      const std::uint8_t* src = g.bitmap.data() + r * g.width;
      std::uint32_t* row = pixels.data() + std::size_t(top + r) * std::size_t(width);
      for (long c = c0; c < c1; ++c) {
        const std::uint8_t v = src[c];
        if (v == 0) continue;
        float a = gamma[v] * alpha;
        if (a > 1.0f) a = 1.0f;
        row[left + c] = blendPixel(row[left + c], colour, a);
      }
    }
    penX += g.advance + letterSpacing * k;
  }
}

}  // namespace zv
