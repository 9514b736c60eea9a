// The mascot's sixteen embedded PNG parts, in the order of the rig's part table.
#pragma once

#include <cstddef>

namespace zv::res {

struct EmbeddedImage {
  const unsigned char* data;
  std::size_t size;
};

constexpr int kMascotImageCount = 16;
// Part i's PNG bytes (i in 0..15; anything else gives an empty image).
EmbeddedImage mascotImage(int index);

}  // namespace zv::res
