#include "ZVParam.h"

#include "ParamDefs.h"
#include "StringWiden.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

ZVParam::ZVParam(int32 rowIndex) : row_(rowIndex) {
  const zv::ParamDef& def = zv::kParamDefs[rowIndex];
  zv::widen(def.name, info.title, 128);
  zv::widen(def.shortName, info.shortTitle, 128);
  zv::widen(def.units, info.units, 128);
  info.id = static_cast<ParamID>(rowIndex);
  info.unitId = kRootUnitId;
  info.stepCount = def.stepCount;
  info.defaultNormalizedValue = zv::plainToNormalized(rowIndex, def.defaultValue);
  info.flags = zv::paramFlags(rowIndex);
  valueNormalized = info.defaultNormalizedValue;
}

void ZVParam::toString(ParamValue valueNormalized, String128 string) const {
  char text[64];
  zv::formatParamValue(row_, valueNormalized, text, sizeof(text));
  zv::widen(text, string, 128);
}

bool ZVParam::fromString(const TChar* string, ParamValue& valueNormalized) const {
  if (!string) return false;
  char text[128];
  zv::narrow(string, text, sizeof(text));
  return zv::parseParamText(row_, text, valueNormalized);
}

ParamValue ZVParam::toPlain(ParamValue valueNormalized) const {
  return zv::normalizedToPlain(row_, valueNormalized);
}

ParamValue ZVParam::toNormalized(ParamValue plainValue) const {
  return zv::plainToNormalized(row_, plainValue);
}
