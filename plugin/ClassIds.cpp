#include "ClassIds.h"

namespace zv {

const Steinberg::FUID kProcessorUID(0x5A6F7175, 0x61566F32, 0x9A3C51E7, 0x0B5D2F41);
const Steinberg::FUID kControllerUID(0x5A6F7175, 0x61566F32, 0x6C1E88A2, 0x73D9C4B6);

}  // namespace zv
