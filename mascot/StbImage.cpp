// The one place stb_image's implementation is compiled (the packaged library is native only).
// Only the PNG reader from memory: the mascot needs nothing else, and less code reads hostile
// bytes.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STB_IMAGE_STATIC
#include "StbImage.h"

#include <stb_image.h>

namespace zv {

unsigned char* decodePngRgba(const unsigned char* png, int size, int& width, int& height,
                             int& channelsInFile) {
  return stbi_load_from_memory(png, size, &width, &height, &channelsInFile, 4);
}

void freeDecodedPng(unsigned char* pixels) {
  stbi_image_free(pixels);
}

}  // namespace zv
