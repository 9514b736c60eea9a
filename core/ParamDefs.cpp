#include "ParamDefs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DecimalText.h"
#include "ParamRanges.h"

namespace zv {

// The plain ranges are the engine's, percentages aside.
const ParamDef kParamDefs[kNumParams] = {
    {"Key", "Key", "", kKeyRange.lo, kKeyRange.hi, 1, 11},
    {"Scale", "Scale", "", kScaleRange.lo, kScaleRange.hi, 0, 9},
    {"Speed", "Speed", "ms", kSpeedMsRange.lo, kSpeedMsRange.hi, 0, 0},
    {"Shift", "Shift", "st", kShiftStepsRange.lo, kShiftStepsRange.hi, 0, 21},
    {"Formant", "Formant", "st", kFormantSemitonesRange.lo, kFormantSemitonesRange.hi, 0, 0},
    {"Consonants", "Cons", "%", 0, 100, 100, 0},
    {"Mix", "Mix", "%", 0, 100, 100, 0},
    {"Output", "Output", "dB", kOutputDbRange.lo, kOutputDbRange.hi, 0, 0},
    {"Low Latency", "LowLat", "", 0, 1, 0, 1},
    {"Harmony", "Harm", "%", 0, 100, 0, 0},
    {"Harmony Steps", "HSteps", "st", kHarmonyStepsRange.lo, kHarmonyStepsRange.hi, 2, 14},
    {"Character", "Char", "", kCharacterRange.lo, kCharacterRange.hi, 0, 6},
    {"Character Amount", "CharAmt", "%", 0, 100, 50, 0},
    {"Stutter", "Stutter", "", kStutterRange.lo, kStutterRange.hi, 0, 2},
    {"Stutter Rate", "Rate", "", kStutterRateRange.lo, kStutterRateRange.hi, 3, 5},
    {"Detune", "Detune", "Hz", kA4HzRange.lo, kA4HzRange.hi, 440, 0},
    {"Pitch In", "PIn", "", 0, 1, 0, 0},
    {"Pitch Out", "POut", "", 0, 1, 0, 0},
    {"Level", "Level", "", 0, 1, 0, 0},
    {"Tempo", "BPM", "", 0, 1, 0, 0},
    {"Beat", "Beat", "", 0, 1, 0, 0},
    {"Playing", "Play", "", 0, 1, 0, 0},
};

const char* const kNoteNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                    "F#", "G",  "G#", "A",  "A#", "B"};
const char* const kScaleNames[10] = {"Minor",  "Major",           "Harm. Minor", "Phrygian",
                                     "Dorian", "Phryg. Dominant", "Minor Pent.", "Major Pent.",
                                     "Blues",  "Chromatic"};
const char* const kCharacterNames[7] = {"Off",    "Drive",      "Radio", "Crush",
                                        "Glitch", "Downsample", "Lo-Fi"};
const char* const kStutterModeNames[3] = {"Off", "Gate", "Repeat"};
const char* const kStutterRateNames[6] = {"1/4", "1/8", "1/8T", "1/16", "1/16T", "1/32"};

namespace {

bool validId(int32_t id) {
  return id >= 0 && id < kNumParams;
}

double clamp01(double v) {
  return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

// The mappings for an id already checked against the table. Each entry point checks once and
// calls these; a check repeated inside (and its "invalid" path reading on into the table) would
// leave the optimiser a path that indexes the table with an id outside it.
double linePlain(int32_t id, double normalized) {
  const ParamDef& def = kParamDefs[id];
  if (id == kSpeed) return def.maxValue * normalized * normalized;
  return def.minValue + (def.maxValue - def.minValue) * normalized;
}

double steppedPlain(int32_t id, double normalized) {
  const double plain = linePlain(id, clamp01(normalized));
  return kParamDefs[id].stepCount > 0 ? roundHalfAway(plain) : plain;
}

const char* listName(int32_t id, int index) {
  switch (id) {
    case kKey:
      return kNoteNames[index];
    case kScale:
      return kScaleNames[index];
    case kCharacter:
      return kCharacterNames[index];
    case kStutter:
      return kStutterModeNames[index];
    case kStutterRate:
      return kStutterRateNames[index];
    default:
      return "";
  }
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `text` begins with the first `length` characters of `name`, ignoring case.
bool startsWithNoCase(const char* text, const char* name, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '\0' || lower(text[i]) != lower(name[i])) return false;
  }
  return true;
}

int matchList(int32_t id, const char* text) {
  switch (id) {
    case kKey:  // last to first over the full name, so "C#" is tried before "C"
      for (int i = 11; i >= 0; --i)
        if (startsWithNoCase(text, kNoteNames[i], std::strlen(kNoteNames[i]))) return i;
      return -1;
    case kScale:  // first four characters only
      for (int i = 0; i < 10; ++i)
        if (startsWithNoCase(text, kScaleNames[i], 4)) return i;
      return -1;
    case kCharacter:
      for (int i = 0; i < 7; ++i)
        if (startsWithNoCase(text, kCharacterNames[i], 3)) return i;
      return -1;
    case kStutter:
      for (int i = 0; i < 3; ++i)
        if (startsWithNoCase(text, kStutterModeNames[i], 3)) return i;
      return -1;
    case kStutterRate:  // last to first, so "1/16T" is tried before "1/16"
      for (int i = 5; i >= 0; --i)
        if (startsWithNoCase(text, kStutterRateNames[i], std::strlen(kStutterRateNames[i])))
          return i;
      return -1;
    default:
      return -1;
  }
}

bool isSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// The text without white space at either end, cut to the buffer.
void trimmedCopy(const char* text, char* out, std::size_t capacity) {
  while (isSpace(*text)) ++text;
  std::size_t n = 0;
  for (; text[n] != '\0' && n + 1 < capacity; ++n) out[n] = text[n];
  while (n > 0 && isSpace(out[n - 1])) --n;
  out[n] = '\0';
}

bool equalNoCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (lower(*a) != lower(*b)) return false;
  return *a == *b;
}

// Every step of a stepped parameter, and the ends of a continuous one (where "Robot" and "-"
// live), compared with the text as it is displayed.
bool matchDisplayText(int32_t id, const char* text, double& normalizedOut) {
  const int32_t steps = kParamDefs[id].stepCount > 0 ? kParamDefs[id].stepCount : 1;
  char shown[64];
  for (int32_t step = 0; step <= steps; ++step) {
    const double v = static_cast<double>(step) / steps;
    formatParamValue(id, v, shown, sizeof shown);
    if (equalNoCase(text, shown)) {
      normalizedOut = v;
      return true;
    }
  }
  return false;
}

// "Db" -> C#: a note letter followed by a flat sign names the sharp below; -1 for anything else.
int flatKeyIndex(const char* text) {
  if (text[0] == '\0' || lower(text[1]) != 'b') return -1;
  for (int i = 0; i < 12; ++i)
    if (kNoteNames[i][1] == '\0' && lower(kNoteNames[i][0]) == lower(text[0])) return (i + 11) % 12;
  return -1;
}

// A number typed for a meter means what the meter displays: a note for the pitch meters (any
// number is a pitch, at least the lowest one shown; only "-" is none), beats per minute for the
// tempo.
double numberToNormalized(int32_t id, double number) {
  switch (id) {
    case kPitchIn:
    case kPitchOut:
      return std::max(kNoPitchBelow, clamp01(pitchMeterFromNote(number)));
    case kTempo:
      return tempoMeterFromBpm(number);
    default:
      return plainToNormalized(id, number);
  }
}

}  // namespace

int32_t paramFlags(int32_t id) {
  if (!validId(id)) return 0;
  if (id >= kPitchIn) return kFlagReadOnly | kFlagHidden;
  return isListParam(id) ? (kFlagCanAutomate | kFlagList) : kFlagCanAutomate;
}

bool isListParam(int32_t id) {
  return id == kKey || id == kScale || id == kCharacter || id == kStutter || id == kStutterRate;
}

double roundHalfAway(double v) {
  return std::round(v);
}

double continuousPlain(int32_t id, double normalized) {
  return validId(id) ? linePlain(id, normalized) : 0.0;
}

double normalizedToPlain(int32_t id, double normalized) {
  return validId(id) ? steppedPlain(id, normalized) : 0.0;
}

double plainToNormalized(int32_t id, double plain) {
  if (!validId(id)) return 0.0;
  const ParamDef& def = kParamDefs[id];
  double p = plain < def.minValue ? def.minValue : (plain > def.maxValue ? def.maxValue : plain);
  if (std::isnan(p)) p = def.minValue;
  if (id == kSpeed) return std::sqrt(p / def.maxValue);
  return (p - def.minValue) / (def.maxValue - def.minValue);
}

int formatParamValue(int32_t id, double v, char* buffer, std::size_t bufferSize) {
  if (!validId(id)) return std::snprintf(buffer, bufferSize, "%.2f", 0.0);
  // A NaN passes every clamp and would index the name lists with (int)NaN: it reads as 0, as at
  // every other entry point, and an infinity as the end of the range it points to.
  if (!std::isfinite(v)) v = v > 0.0 ? 1.0 : 0.0;
  const double c = clamp01(v);
  const double p = steppedPlain(id, c);
  const int i = static_cast<int>(p);
  switch (id) {
    case kSpeed: {
      if (v < 0) return std::snprintf(buffer, bufferSize, "Robot");
      if (v > 1) return std::snprintf(buffer, bufferSize, "%.0f ms", kParamDefs[kSpeed].maxValue);
      const double ms = linePlain(kSpeed, v);
      if (!(ms >= 0.5)) return std::snprintf(buffer, bufferSize, "Robot");
      return std::snprintf(buffer, bufferSize, "%.0f ms", ms);
    }
    case kKey:
    case kScale:
    case kCharacter:
    case kStutter:
    case kStutterRate:
      return std::snprintf(buffer, bufferSize, "%s", listName(id, i));
    case kShift:
    case kHarmonySteps:
      if (i == 0) return std::snprintf(buffer, bufferSize, "0 steps");
      return std::snprintf(buffer, bufferSize, "%+d step%s", i, (i == 1 || i == -1) ? "" : "s");
    case kFormant:
      if (p > -0.05 && p < 0.05) return std::snprintf(buffer, bufferSize, "0.0 st");
      return std::snprintf(buffer, bufferSize, "%+.1f st", p);
    case kConsonants:
    case kMix:
    case kHarmony:
    case kCharacterAmount:
      return std::snprintf(buffer, bufferSize, "%.0f%%", p);
    case kOutput:
      if (p > -0.05 && p < 0.05) return std::snprintf(buffer, bufferSize, "0.0 dB");
      return std::snprintf(buffer, bufferSize, "%+.1f dB", p);
    case kLowLatency:
      return std::snprintf(buffer, bufferSize, "%s", p > 0.5 ? "On" : "Off");
    case kDetune:
      if (std::fabs(p - std::round(p)) < 0.05)
        return std::snprintf(buffer, bufferSize, "%.0f Hz", p);
      return std::snprintf(buffer, bufferSize, "%.1f Hz", p);
    case kPitchIn:
    case kPitchOut: {
      const float m = static_cast<float>(noteFromPitchMeter(v));
      if (m < 0.0f) return std::snprintf(buffer, bufferSize, "-");
      return std::snprintf(buffer, bufferSize, "%.1f", static_cast<double>(m));
    }
    case kLevel:
    case kBeat:
    case kPlaying:
      return std::snprintf(buffer, bufferSize, "%.2f", v);
    case kTempo:
      return std::snprintf(buffer, bufferSize, "%.0f", bpmFromTempoMeter(v));
    default:
      return std::snprintf(buffer, bufferSize, "%.2f", p);
  }
}

bool parseParamText(int32_t id, const char* rawText, double& normalizedOut, bool requireNumber) {
  if (!validId(id) || rawText == nullptr) return false;
  char text[128];
  trimmedCopy(rawText, text, sizeof text);

  // A value's own display text reads back as that value, whatever the looser rules below would
  // make of it ("On", "Minor Pent.", "Phryg. Dominant").
  double shown = 0.0;
  if (matchDisplayText(id, text, shown)) {
    normalizedOut = shown;
    return true;
  }
  if (id == kKey) {
    // The list names sharps only; a flat is the sharp below ("Db" is C#, "Cb" is B).
    const int flat = flatKeyIndex(text);
    if (flat >= 0) {
      normalizedOut = plainToNormalized(id, flat);
      return true;
    }
  }
  if (isListParam(id)) {
    const int index = matchList(id, text);
    if (index < 0) return false;
    normalizedOut = plainToNormalized(id, index);
    return true;
  }
  DecimalRules rules;
  rules.nanAndInfWords = true;
  const LeadingDecimal read = readLeadingDecimal(text, rules);
  const double number = read.value;
  if (requireNumber && !read.found) return false;
  // "nan", "inf" and overflowing numbers would store a non-finite value the DSP cannot use.
  if (!std::isfinite(number)) return false;
  normalizedOut = numberToNormalized(id, number);
  return true;
}

}  // namespace zv
