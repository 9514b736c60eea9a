// The one place stb_image_write's implementation is compiled (the packaged library is native only).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "SceneRegistry.h"

namespace zv::snapshot {

bool writePng(const std::string& path, const Canvas& canvas, int zoom) {
  if (canvas.width <= 0 || canvas.height <= 0) return false;
  zoom = zoom < 1 ? 1 : (zoom > 16 ? 16 : zoom);
  const int w = canvas.width * zoom;
  const int h = canvas.height * zoom;
  std::vector<unsigned char> rgb(std::size_t(w) * std::size_t(h) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = canvas.pixelAt(x / zoom, y / zoom);
      unsigned char* out = &rgb[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
      out[0] = (p >> 16) & 0xFF;
      out[1] = (p >> 8) & 0xFF;
      out[2] = p & 0xFF;
    }
  }
  return stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3) != 0;
}

}  // namespace zv::snapshot
