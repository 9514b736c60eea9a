#include "FactoryPresets.h"

#include <cstring>

#include "ParamDefs.h"

namespace zv {

const int32_t kPresetParamIds[kNumPresetParams] = {
    kSpeed,   kShift,        kFormant,   kConsonants,      kMix,     kOutput,
    kHarmony, kHarmonySteps, kCharacter, kCharacterAmount, kStutter, kStutterRate};

// clang-format off
//  Speed ms, Shift steps, Formant st, Consonants %, Mix %, Output dB, Harmony %, Harmony Steps,
//  Character, Character Amount %, Stutter, Stutter Rate
const FactoryPreset kFactoryPresets[kNumFactoryPresets] = {
    {"Default",       { 0,  0,  0.0f, 100, 100,  0,  0,  2, 0, 50, 0, 3}},
    {"Robot Crush",   { 0,  0,  0.0f,  90, 100,  0,  0,  2, 3, 40, 0, 3}},
    {"Bit Lead",      { 0,  2,  1.0f,  80, 100,  0,  0,  2, 3, 65, 0, 3}},
    {"Tape Robot",    {12,  0, -0.5f,  95, 100,  0,  0,  2, 6, 60, 0, 3}},
    {"Glitch Bars",   { 0,  0,  0.0f, 100, 100,  0,  0,  2, 4, 45, 0, 3}},
    {"Metal Down",    { 0,  0, -1.0f,  85, 100,  0,  0,  2, 5, 50, 0, 3}},
    {"Gate 1/16",     { 0,  0,  0.0f, 100, 100,  0,  0,  2, 3, 30, 1, 3}},
    {"Stutter Hook",  { 0,  0,  0.0f, 100, 100,  0,  0,  2, 0, 50, 2, 3}},
    {"Soft Duet",     {25,  0,  0.0f, 100, 100,  0, 28,  2, 0, 50, 0, 3}},
    {"Telephone",     {10,  0,  1.0f,  70, 100,  0,  0,  2, 2, 65, 0, 3}},
    {"Warm Drive",    {10,  0,  0.0f, 100, 100,  0,  0,  2, 1, 30, 0, 3}},
    {"Natural Fix",   {70,  0,  0.0f, 100, 100,  0,  0,  2, 0, 50, 0, 3}},
    {"Chipmunk Flow", { 0,  4,  6.0f, 100, 100,  0,  0,  2, 0, 50, 0, 3}},
    {"Demon Mode",    { 0, -5, -5.0f,  90, 100,  1,  0,  2, 1, 40, 0, 3}},
    {"Octave Angel",  { 0,  0,  1.0f, 100, 100,  0, 45,  7, 0, 50, 0, 3}},
    {"Deep Double",   { 0,  0,  0.0f, 100, 100,  0, 40, -7, 0, 50, 0, 3}},
    {"Alien Radio",   { 0,  0,  4.0f,  80, 100,  0,  0,  2, 2, 75, 0, 3}},
    {"Glitch Angel",  { 0,  2,  3.0f,  90, 100,  0, 25,  2, 4, 55, 0, 3}},
    {"Lo-Fi Dream",   {15,  0,  0.0f, 100, 100,  0, 20,  4, 6, 55, 0, 3}},
    {"Trap Stutter",  { 0,  0,  0.0f, 100, 100,  0,  0,  2, 3, 35, 2, 4}},
    {"Dark Crush",    { 0,  0, -3.0f,  90, 100,  0,  0,  2, 3, 60, 0, 3}},
    {"8-Bit Choir",   { 0,  0,  0.0f, 100, 100, -1, 35,  4, 5, 60, 0, 3}},
    {"Chop 1/32",     { 0,  0,  0.0f, 100, 100,  0,  0,  2, 0, 50, 1, 5}},
};
// clang-format on

PresetValues factoryPresetValues(int32_t index) {
  PresetValues out{};
  if (index < 0 || index >= kNumFactoryPresets) return out;
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    out[j] = plainToNormalized(kPresetParamIds[j], kFactoryPresets[index].values[j]);
  return out;
}

int32_t findFactoryPreset(const char* name) {
  if (!name) return -1;
  for (int32_t i = 0; i < kNumFactoryPresets; ++i)
    if (std::strcmp(kFactoryPresets[i].name, name) == 0) return i;
  return -1;
}

}  // namespace zv
