// The embedded TrueType faces: Poppins Medium for regular text, Poppins Bold for bold text.
#pragma once

#include <cstddef>

namespace zv::res {

extern const unsigned char poppinsMedium[];
extern const std::size_t poppinsMediumSize;
extern const unsigned char poppinsBold[];
extern const std::size_t poppinsBoldSize;

}  // namespace zv::res
