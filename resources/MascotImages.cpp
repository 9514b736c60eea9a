#include "MascotImages.h"

namespace zv::res {

#define ZV_MASCOT_PART(n)                     \
  extern const unsigned char mascotPart##n[]; \
  extern const std::size_t mascotPart##n##Size;
ZV_MASCOT_PART(00)
ZV_MASCOT_PART(01)
ZV_MASCOT_PART(02)
ZV_MASCOT_PART(03)
ZV_MASCOT_PART(04)
ZV_MASCOT_PART(05)
ZV_MASCOT_PART(06)
ZV_MASCOT_PART(07)
ZV_MASCOT_PART(08)
ZV_MASCOT_PART(09)
ZV_MASCOT_PART(10)
ZV_MASCOT_PART(11)
ZV_MASCOT_PART(12)
ZV_MASCOT_PART(13)
ZV_MASCOT_PART(14)
ZV_MASCOT_PART(15)
#undef ZV_MASCOT_PART

EmbeddedImage mascotImage(int index) {
  switch (index) {
    case 0:
      return {mascotPart00, mascotPart00Size};
    case 1:
      return {mascotPart01, mascotPart01Size};
    case 2:
      return {mascotPart02, mascotPart02Size};
    case 3:
      return {mascotPart03, mascotPart03Size};
    case 4:
      return {mascotPart04, mascotPart04Size};
    case 5:
      return {mascotPart05, mascotPart05Size};
    case 6:
      return {mascotPart06, mascotPart06Size};
    case 7:
      return {mascotPart07, mascotPart07Size};
    case 8:
      return {mascotPart08, mascotPart08Size};
    case 9:
      return {mascotPart09, mascotPart09Size};
    case 10:
      return {mascotPart10, mascotPart10Size};
    case 11:
      return {mascotPart11, mascotPart11Size};
    case 12:
      return {mascotPart12, mascotPart12Size};
    case 13:
      return {mascotPart13, mascotPart13Size};
    case 14:
      return {mascotPart14, mascotPart14Size};
    case 15:
      return {mascotPart15, mascotPart15Size};
    default:
      return {nullptr, 0};
  }
}

}  // namespace zv::res
