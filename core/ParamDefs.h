// The one table of every parameter, shared by processor, controller, presets and editor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "MeterScales.h"

namespace zv {

struct ParamDef {
  const char* name;
  const char* shortName;
  const char* units;
  double minValue;
  double maxValue;
  double defaultValue;
  int32_t stepCount;  // 0 = continuous; for lists, entries - 1
};

enum ParamId : int32_t {
  kKey = 0,
  kScale,
  kSpeed,
  kShift,
  kFormant,
  kConsonants,
  kMix,
  kOutput,
  kLowLatency,
  kHarmony,
  kHarmonySteps,
  kCharacter,
  kCharacterAmount,
  kStutter,
  kStutterRate,
  kDetune,
  kPitchIn,
  kPitchOut,
  kLevel,
  kTempo,
  kBeat,
  kPlaying,
  kNumParams
};

// The writable parameters come first and are the ones stored in the component state; the
// read-only meters the processor sends follow them, in the order of the enum.
constexpr int32_t kNumWritableParams = kPitchIn;
constexpr int32_t kFirstMeterParam = kPitchIn;
constexpr int32_t kNumMeterParams = kNumParams - kFirstMeterParam;

// Host flags (ParameterInfo::ParameterFlags values), kept here so the table does not need the SDK.
constexpr int32_t kFlagCanAutomate = 1;
constexpr int32_t kFlagReadOnly = 2;
constexpr int32_t kFlagList = 8;
constexpr int32_t kFlagHidden = 16;

extern const ParamDef kParamDefs[kNumParams];

extern const char* const kNoteNames[12];
extern const char* const kScaleNames[10];
extern const char* const kCharacterNames[7];
extern const char* const kStutterModeNames[3];
extern const char* const kStutterRateNames[6];

int32_t paramFlags(int32_t id);
bool isListParam(int32_t id);

// Rounds halves away from zero, the rule for every stepped value.
double roundHalfAway(double v);

// The continuous plain value of a normalized one, neither clamped nor rounded to a step: Speed
// follows a square law (half the travel is 100 ms, so the quick settings get most of it), every
// other parameter a straight line over its range (Detune: 415 + 51 * v Hz).
double continuousPlain(int32_t id, double normalized);
// The same clamped to 0..1 first and rounded to a step for stepped parameters.
double normalizedToPlain(int32_t id, double normalized);
// The inverse, the plain value clamped into its range first (NaN taking the bottom).
double plainToNormalized(int32_t id, double plain);

// Writes the display text like snprintf (truncated to the buffer) and returns what snprintf
// reports.
int formatParamValue(int32_t id, double normalized, char* buffer, std::size_t bufferSize);

// Text typed by a user or sent by a host, already narrowed to 8 bits; white space at either end
// and letter case do not matter. Read in this order: the display text of a value gives that value
// back; for Key a flat names the sharp below; list names by their prefix rules; anything else by
// its leading number (units ignored). Without a number a host's text reads as 0, as atof would;
// with `requireNumber` (an editor field, a script) it is refused instead, so a typo never becomes
// the bottom of the range. Returns false and leaves `normalizedOut` alone when the text means
// nothing for the parameter.
bool parseParamText(int32_t id, const char* text, double& normalizedOut,
                    bool requireNumber = false);

}  // namespace zv
