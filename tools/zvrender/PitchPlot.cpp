#include "PitchPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "AudioFile.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_easy_font.h>
#include <stb/stb_image_write.h>

namespace zvrender {

namespace {

struct Color {
  float r, g, b;
};

const Color kBackground{0.08f, 0.09f, 0.12f};
const Color kScaleLine{0.24f, 0.26f, 0.32f};
const Color kRootLine{0.40f, 0.42f, 0.50f};
const Color kOtherLine{0.13f, 0.14f, 0.18f};
const Color kText{0.80f, 0.82f, 0.88f};
const Color kInput{0.98f, 0.55f, 0.25f};
const Color kOutput{0.30f, 0.85f, 0.95f};

class Image {
 public:
  Image(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h * 3) {}
  int width() const { return w_; }
  int height() const { return h_; }
  std::vector<unsigned char>& pixels() { return px_; }

  void blend(int x, int y, const Color& c, float alpha) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || alpha <= 0.0f) return;
    alpha = std::min(alpha, 1.0f);
    unsigned char* p = &px_[(static_cast<size_t>(y) * w_ + x) * 3];
    const float src[3] = {c.r, c.g, c.b};
    for (int k = 0; k < 3; ++k) {
      const float v = p[k] / 255.0f * (1.0f - alpha) + src[k] * alpha;
      p[k] = static_cast<unsigned char>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    }
  }
  void fill(int x0, int y0, int x1, int y1, const Color& c, float alpha = 1.0f) {
    for (int y = std::max(0, y0); y < std::min(h_, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(w_, x1); ++x) blend(x, y, c, alpha);
  }
  // An anti-aliased round-capped segment: coverage from the distance to the segment.
  void line(double ax, double ay, double bx, double by, double radius, const Color& c) {
    const int x0 = static_cast<int>(std::floor(std::min(ax, bx) - radius - 1));
    const int x1 = static_cast<int>(std::ceil(std::max(ax, bx) + radius + 1));
    const int y0 = static_cast<int>(std::floor(std::min(ay, by) - radius - 1));
    const int y1 = static_cast<int>(std::ceil(std::max(ay, by) + radius + 1));
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    for (int y = std::max(0, y0); y <= std::min(h_ - 1, y1); ++y) {
      for (int x = std::max(0, x0); x <= std::min(w_ - 1, x1); ++x) {
        const double px = x + 0.5 - ax, py = y + 0.5 - ay;
        const double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0.0;
        const double ex = px - t * dx, ey = py - t * dy;
        const double d = std::sqrt(ex * ex + ey * ey);
        blend(x, y, c, static_cast<float>(std::clamp(radius + 0.5 - d, 0.0, 1.0)));
      }
    }
  }
  // stb_easy_font quads, scaled up by an integer factor.
  void text(int x, int y, const std::string& s, const Color& c, int scale = 2) {
    static char buffer[60000];
    const int quads =
        stb_easy_font_print(0, 0, const_cast<char*>(s.c_str()), nullptr, buffer, sizeof buffer);
    for (int q = 0; q < quads; ++q) {
      const float* v = reinterpret_cast<const float*>(buffer + q * 4 * 16);
      // Vertices are x, y, z, colour (16 bytes); quads are axis-aligned rectangles.
      const float qx0 = v[0], qy0 = v[1], qx1 = v[4 * 2], qy1 = v[4 * 2 + 1];
      fill(x + static_cast<int>(qx0 * scale), y + static_cast<int>(qy0 * scale),
           x + static_cast<int>(qx1 * scale), y + static_cast<int>(qy1 * scale), c);
    }
  }
  static int textWidth(const std::string& s, int scale = 2) {
    return stb_easy_font_width(const_cast<char*>(s.c_str())) * scale;
  }

 private:
  int w_, h_;
  std::vector<unsigned char> px_;
};

// The title over the plot's left edge, the legend at its right; the title gives way to the
// legend on narrow images.
void drawTitleAndLegend(Image& img, const std::string& title, int left, int right) {
  const int legendWidth =
      36 + Image::textWidth("input pitch") + 24 + 36 + Image::textWidth("output pitch");
  const int titleScale =
      Image::textWidth(title, 3) + legendWidth + 40 < img.width() - left - right ? 3 : 2;
  img.text(left, titleScale == 3 ? 16 : 20, title, kText, titleScale);
  const int inputWidth = 36 + Image::textWidth("input pitch") + 24;
  int lx = img.width() - right - inputWidth - 36 - Image::textWidth("output pitch");
  img.fill(lx, 24, lx + 28, 28, kInput);
  img.text(lx + 36, 18, "input pitch", kText);
  lx += inputWidth;
  img.fill(lx, 24, lx + 28, 28, kOutput);
  img.text(lx + 36, 18, "output pitch", kText);
}

}  // namespace

std::vector<unsigned char> drawPitchPlot(const std::vector<MeterRow>& rows,
                                         const PitchPlotStyle& style) {
  Image img(std::max(200, style.width), std::max(120, style.height));
  img.fill(0, 0, img.width(), img.height(), kBackground);

  // Note range: what was sung and produced, with a margin, at least an octave.
  double lo = 1e9, hi = -1e9, tEnd = 0.0;
  for (const MeterRow& r : rows) {
    tEnd = std::max(tEnd, r.timeSeconds);
    for (double n : {r.pitchInNote, r.pitchOutNote})
      if (std::isfinite(n)) lo = std::min(lo, n), hi = std::max(hi, n);
  }
  if (lo > hi) lo = 57, hi = 69;
  lo = std::floor(lo) - 2;
  hi = std::ceil(hi) + 2;
  if (hi - lo < 12) {
    const double mid = 0.5 * (lo + hi);
    lo = std::floor(mid - 6), hi = lo + 12;
  }
  if (tEnd <= 0.0) tEnd = 1.0;

  const int left = 64, right = 24, top = 56, bottom = 44;
  const int plotW = img.width() - left - right, plotH = img.height() - top - bottom;
  auto xOf = [&](double t) { return left + t / tEnd * plotW; };
  auto yOf = [&](double note) { return top + (hi - note) / (hi - lo) * plotH; };

  // Note grid: scale notes brighter, the root brightest and labelled with its octave.
  for (int n = static_cast<int>(lo); n <= static_cast<int>(hi); ++n) {
    const int pc = ((n - style.keyRoot) % 12 + 12) % 12;
    const bool inScale =
        std::find(style.scaleSteps.begin(), style.scaleSteps.end(), pc) != style.scaleSteps.end();
    const Color& c = pc == 0 ? kRootLine : (inScale ? kScaleLine : kOtherLine);
    const int y = static_cast<int>(std::lround(yOf(n)));
    img.fill(left, y, left + plotW, y + 1, c);
    if (inScale && (hi - lo) <= 40) {
      const std::string label = std::string(zv::kNoteNames[n % 12]) + std::to_string(n / 12 - 1);
      img.text(left - 10 - Image::textWidth(label), y - 6, label,
               pc == 0 ? kText : Color{0.6f, 0.62f, 0.7f});
    }
  }
  // Time axis: one tick per second (or per 10 s for long files).
  const double step = tEnd > 60 ? 10.0 : 1.0;
  for (double t = 0; t <= tEnd + 1e-9; t += step) {
    const int x = static_cast<int>(std::lround(xOf(t)));
    img.fill(x, top + plotH, x + 1, top + plotH + 6, kText);
    char label[32];
    std::snprintf(label, sizeof label, "%gs", t);
    img.text(x - Image::textWidth(label) / 2, top + plotH + 12, label, kText);
  }

  // Traces: connect neighbouring blocks unless the pitch vanished or jumped by more than 1.5 notes.
  auto trace = [&](double MeterRow::*field, const Color& c, double radius) {
    for (size_t i = 0; i < rows.size(); ++i) {
      const double n = rows[i].*field;
      if (!std::isfinite(n)) continue;
      const double x = xOf(rows[i].timeSeconds), y = yOf(n);
      if (i + 1 < rows.size() && std::isfinite(rows[i + 1].*field) &&
          std::fabs(rows[i + 1].*field - n) < 1.5)
        img.line(x, y, xOf(rows[i + 1].timeSeconds), yOf(rows[i + 1].*field), radius, c);
      else
        img.line(x, y, x, y, radius, c);
    }
  };
  trace(&MeterRow::pitchInNote, kInput, 1.6);
  trace(&MeterRow::pitchOutNote, kOutput, 1.1);

  drawTitleAndLegend(img, style.title.empty() ? "Pitch" : style.title, left, right);
  return std::move(img.pixels());
}

bool writePitchPlot(const std::string& path, const std::vector<MeterRow>& rows,
                    const PitchPlotStyle& style, std::string& error) {
  const int w = std::max(200, style.width), h = std::max(120, style.height);
  const std::vector<unsigned char> pixels = drawPitchPlot(rows, style);
  PendingFile file;
  if (!file.create(path, error)) return false;
  if (!stbi_write_png(file.tempPath().c_str(), w, h, 3, pixels.data(), w * 3)) {
    error = "cannot write \"" + path + "\"";
    return false;
  }
  return file.commit(error);
}

}  // namespace zvrender
