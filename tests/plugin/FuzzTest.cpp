// Random and mutated input through the real interfaces: state streams into both halves of a
// module instance, parameter texts and values into the controller, preset and settings files from
// a private APPDATA. Nothing may crash or trip a sanitizer, and every value that comes out stays
// finite and in range. Fixed seeds and bounded counts, so a failure repeats exactly.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "ModuleFixture.h"
#include "SettingsFile.h"
#include "TempAppData.h"
#include "UserPresets.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using Bytes = std::string;  // any bytes, NULs included

namespace {

struct Rng {
  explicit Rng(uint32_t seed) : g(seed) {}
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(g() % n); }
  std::mt19937 g;
};

double specialDouble(Rng& r) {
  const double values[] = {std::nan(""), INFINITY, -INFINITY, 1e308,     -1e308, -0.0,
                           4.9e-324,     0.5,      1.0,       1.0000001, -1e-9,  0.9999};
  return values[r.below(sizeof values / sizeof values[0])];
}

Bytes noise(Rng& r, uint32_t maxLength) {
  Bytes bytes(r.below(maxLength + 1), '\0');
  for (char& c : bytes) c = static_cast<char>(r.below(256));
  return bytes;
}

// One to four edits: bit flips, random bytes, cuts, appended noise, and numbers that hurt.
Bytes mutate(Bytes bytes, Rng& r) {
  const int32_t versions[] = {0, -1, 1, 6, 7, 8, 1000, 1001, INT32_MAX, INT32_MIN};
  for (uint32_t edits = 1 + r.below(4); edits > 0; --edits) {
    const size_t at = bytes.empty() ? 0 : r.below(static_cast<uint32_t>(bytes.size()));
    const uint32_t kind = r.below(6);
    if (kind == 0 && !bytes.empty()) bytes[at] = static_cast<char>(bytes[at] ^ (1 << r.below(8)));
    if (kind == 1 && !bytes.empty()) bytes[at] = static_cast<char>(r.below(256));
    if (kind == 2) bytes.resize(at);
    if (kind == 3) bytes += noise(r, 16);
    if (kind == 4 && bytes.size() >= 8) {
      const double v = specialDouble(r);
      std::memcpy(&bytes[(at / 8) * 8 % (bytes.size() - 7)], &v, 8);
    }
    if (kind == 5 && bytes.size() >= 4) std::memcpy(&bytes[0], &versions[r.below(10)], 4);
  }
  return bytes;
}

void expectUnitRange(double v, const char* what) {
  EXPECT_TRUE(std::isfinite(v) && v >= 0.0 && v <= 1.0) << what << " " << v;
}

}  // namespace

TEST(Fuzz, StateStreamsLeaveEveryValueInRangeAndTheAudioFinite) {
  auto inst = zvtest::makeInstance();
  ASSERT_TRUE(inst->start(44100, 256));
  MemoryStream current;
  inst->component()->getState(&current);
  const std::vector<char> state = zvhost::streamBytes(&current);
  const Bytes valid(state.begin(), state.end());
  std::vector<std::vector<float>> in(2, std::vector<float>(64)), out(2, std::vector<float>(64));
  Rng r(0x5eed0001);
  for (int iteration = 0; iteration < 1500; ++iteration) {
    const Bytes bytes = r.below(4) == 0 ? noise(r, 160) : mutate(valid, r);
    for (int half = 0; half < 2; ++half) {
      MemoryStream stream;
      stream.write(const_cast<char*>(bytes.data()), static_cast<int32>(bytes.size()), nullptr);
      stream.seek(0, IBStream::kIBSeekSet, nullptr);
      const tresult result = half == 0 ? inst->component()->setState(&stream)
                                       : inst->controller()->setComponentState(&stream);
      ASSERT_TRUE(result == kResultOk || result == kResultFalse) << iteration;
    }
    const std::vector<double> values = zvtest::readState(inst->component());
    for (int id = 0; id < 16; ++id) {
      expectUnitRange(values[id], "processor");
      expectUnitRange(inst->controller()->getParamNormalized(id), "controller");
    }
    if (iteration % 8 == 0) {
      for (auto& channel : in)
        for (float& s : channel) s = static_cast<float>(r.below(2001)) / 1000.0f - 1.0f;
      inst->process(in, out, 64);
      for (auto& channel : out)
        for (float s : channel) ASSERT_TRUE(std::isfinite(s)) << iteration;
    }
  }
}

TEST(Fuzz, ParameterTextsAndValuesGiveInRangeValuesAndTerminatedTexts) {
  auto inst = zvtest::makeInstance();
  IEditController* c = inst->controller();
  Rng r(0x5eed0002);
  for (int iteration = 0; iteration < 4000; ++iteration) {
    const ParamID id = r.below(24);  // 22 and 23 are not parameters
    String128 text{};
    c->getParamStringByValue(id, r.below(2) ? specialDouble(r) : r.below(1001) / 1000.0, text);
    ASSERT_NE(std::find(text, text + 128, 0), text + 128) << "unterminated text of " << id;
    // Half the time a displayed text with edits, else noise of any UTF-16 code units.
    Bytes typed;
    if (r.below(2)) {
      for (int i = 0; text[i] != 0; ++i) typed.push_back(static_cast<char>(text[i]));
      typed = mutate(typed, r);
    } else {
      typed = noise(r, 140);
    }
    String128 wide{};
    for (size_t i = 0; i < typed.size() && i < 127; ++i)
      wide[i] =
          static_cast<TChar>(static_cast<unsigned char>(typed[i]) | (r.below(8) == 0 ? 0x100 : 0));
    ParamValue value = -7.0;
    if (c->getParamValueByString(id, wide, value) == kResultOk) {
      expectUnitRange(value, "parsed");
      c->setParamNormalized(id, value);
    }
    c->setParamNormalized(id, specialDouble(r));
    if (id >= 22) continue;
    expectUnitRange(c->getParamNormalized(id), "stored");
    expectUnitRange(c->plainParamToNormalized(id, c->normalizedParamToPlain(id, specialDouble(r))),
                    "plain round trip");
  }
}

TEST(Fuzz, PresetAndSettingsFilesLoadOnlyValidNamesAndInRangeValues) {
  zv::test::TempAppData appData;
  const auto folder = std::filesystem::path(zv::presetFolder());
  zv::UserPreset sample{"Seed", {}};
  sample.values.fill(0.3);
  const Bytes validPreset = zv::formatUserPreset(sample), validSettings = "size=1.50\n";
  const auto settings = std::filesystem::path(zv::settingsFilePath());
  Rng r(0x5eed0003);
  for (int iteration = 0; iteration < 300; ++iteration) {
    zv::test::writeBytes(folder / ("f" + std::to_string(iteration % 4) + ".zvp"),
                         r.below(4) == 0 ? noise(r, 400) : mutate(validPreset, r));
    zv::test::writeBytes(settings, r.below(4) == 0 ? noise(r, 40) : mutate(validSettings, r));
    std::vector<zv::UserPreset> list;
    zv::loadUserPresets(list);
    for (const auto& preset : list) {
      EXPECT_TRUE(zv::isValidPresetName(preset.name)) << iteration;
      for (double v : preset.values) expectUnitRange(v, "preset");
    }
    const float size = zv::readSizeFactor();
    EXPECT_TRUE(size == zv::kDefaultSizeFactor || (size >= 0.99f && size <= 2.01f)) << size;
  }
}
