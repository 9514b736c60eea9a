// PNG decoding for the mascot's embedded parts, kept behind two functions so stb_image stays in
// one source file.
#pragma once

namespace zv {

// RGBA pixels of an in-memory PNG (other formats are refused), or null; free with freeDecodedPng.
unsigned char* decodePngRgba(const unsigned char* png, int size, int& width, int& height,
                             int& channelsInFile);
void freeDecodedPng(unsigned char* pixels);

}  // namespace zv
