#include "PitchPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace zvtest {

bool plotTraces(const std::string& path, const std::vector<Trace>& traces, float lowNote,
                float highNote, int width, int height) {
  std::vector<unsigned char> px(static_cast<size_t>(width * height * 3), 255);
  auto put = [&](int x, int y, unsigned rgb) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    unsigned char* p = &px[static_cast<size_t>((y * width + x) * 3)];
    p[0] = static_cast<unsigned char>(rgb >> 16);
    p[1] = static_cast<unsigned char>(rgb >> 8);
    p[2] = static_cast<unsigned char>(rgb);
  };
  auto yOf = [&](float note) {
    return static_cast<int>(std::lround((highNote - note) / (highNote - lowNote) * (height - 1)));
  };
  for (int n = static_cast<int>(std::ceil(lowNote)); n <= static_cast<int>(highNote); ++n) {
    const unsigned grid = n % 12 == 0 ? 0x9090b0u : 0xe0e0e0u;
    for (int x = 0; x < width; ++x) put(x, yOf(static_cast<float>(n)), grid);
  }
  for (const Trace& t : traces) {
    const size_t count = t.notes.size();
    if (count == 0) continue;
    for (int x = 0; x < width; ++x) {
      const size_t i =
          std::min(count - 1, static_cast<size_t>(static_cast<double>(x) / width * count));
      if (t.notes[i] < 0.0f) continue;
      const int y = yOf(t.notes[i]);
      put(x, y, t.rgb);
      put(x, y + 1, t.rgb);
    }
  }
  return stbi_write_png(path.c_str(), width, height, 3, px.data(), width * 3) != 0;
}

std::string plotPath(const std::string& name) {
  const char* dir = std::getenv("ZV_PLOT_DIR");
  return (dir && *dir) ? std::string(dir) + "/" + name : name;
}

}  // namespace zvtest
