// The parameter object the controller registers: the SDK's Parameter with our table's conversions.
#pragma once

#include "public.sdk/source/vst/vstparameters.h"

class ZVParam : public Steinberg::Vst::Parameter {
 public:
  explicit ZVParam(Steinberg::int32 rowIndex);

  void toString(Steinberg::Vst::ParamValue valueNormalized,
                Steinberg::Vst::String128 string) const override;
  bool fromString(const Steinberg::Vst::TChar* string,
                  Steinberg::Vst::ParamValue& valueNormalized) const override;
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue valueNormalized) const override;
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plainValue) const override;

  Steinberg::int32 row() const { return row_; }

 private:
  Steinberg::int32 row_;
};
