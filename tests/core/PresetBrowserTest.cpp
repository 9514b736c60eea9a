#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "PresetBrowser.h"

namespace {

using namespace zv;

ParamValues freshValues() {
  ParamValues v{};
  for (int32_t id = 0; id < kNumParams; ++id)
    v[id] = plainToNormalized(id, kParamDefs[id].defaultValue);
  return v;
}

struct Recorder {
  std::vector<std::string> calls;
  HostEdits edits() {
    return {[this](int32_t id) { calls.push_back("begin " + std::to_string(id)); },
            [this](int32_t id, double v) {
              calls.push_back("perform " + std::to_string(id) + " " + std::to_string(v));
            },
            [this](int32_t id) { calls.push_back("end " + std::to_string(id)); }};
  }
};

UserPreset userPreset(const std::string& name, double speed) {
  UserPreset p{name, factoryPresetValues(0)};
  p.values[0] = speed;
  return p;
}

int32_t factoryIndex(const char* name) {
  const int32_t index = findFactoryPreset(name);
  EXPECT_GE(index, 0) << name;
  return index;
}

TEST(FactoryPresets, EveryValueLiesInRangeAndStepColumnsAreWhole) {
  for (const FactoryPreset& p : kFactoryPresets)
    for (int32_t j = 0; j < kNumPresetParams; ++j) {
      const ParamDef& def = kParamDefs[kPresetParamIds[j]];
      EXPECT_GE(p.values[j], def.minValue) << p.name << " column " << j;
      EXPECT_LE(p.values[j], def.maxValue) << p.name << " column " << j;
      if (def.stepCount > 0) {
        EXPECT_EQ(p.values[j], std::round(p.values[j])) << p.name;
      }
    }
}

TEST(CurrentPreset, MatchesFactoryColumnsWithinTheToleranceIgnoringUnusedOnes) {
  struct Case {
    const char* what;
    std::vector<std::pair<int32_t, double>> edits;
    int32_t expected;
  };
  const Case cases[] = {
      {"fresh parameters", {}, 0},
      {"amount while Character is Off", {{kCharacterAmount, 0.9}}, 0},
      {"Drive at 90 %", {{kCharacterAmount, 0.9}, {kCharacter, 1.0 / 6.0}}, kNoPreset},
      // Drive with 30 % is "Warm Drive" only at 10 ms.
      {"Drive at 30 %", {{kCharacterAmount, 0.3}, {kCharacter, 1.0 / 6.0}}, kNoPreset},
      {"Warm Drive",
       {{kCharacterAmount, 0.3}, {kCharacter, 1.0 / 6.0}, {kSpeed, std::sqrt(10.0 / 400.0)}},
       findFactoryPreset("Warm Drive")},
      // Under half a percent of harmony is within the tolerance of 0: its steps do not count.
      {"rate and steps unused", {{kStutterRate, 0.0}, {kHarmonySteps, 1.0}, {kHarmony, 0.0039}}, 0},
      {"Repeat at 1/4", {{kStutterRate, 0.0}, {kStutter, 1.0}}, kNoPreset},
      {"Repeat", {{kStutter, 1.0}}, findFactoryPreset("Stutter Hook")},
      {"mix inside the tolerance", {{kMix, 1.0 - 0.0039}}, 0},
      {"mix outside the tolerance", {{kMix, 1.0 - 0.0041}}, kNoPreset},
      {"mix not a number", {{kMix, std::nan("")}}, kNoPreset},
  };
  for (const Case& c : cases) {
    ParamValues v = freshValues();
    for (const auto& [id, value] : c.edits) v[id] = value;
    EXPECT_EQ(currentPresetIndex(v, {}), c.expected) << c.what;
  }
}

TEST(CurrentPreset, TriesFactoryPresetsFirstThenUserPresetsOnAllColumns) {
  ParamValues v = freshValues();
  std::vector<UserPreset> users = {userPreset("Same As Default", 0.0), userPreset("Slow", 0.5)};
  EXPECT_EQ(currentPresetIndex(v, users), 0);
  v[kSpeed] = 0.5;
  EXPECT_EQ(currentPresetIndex(v, users), kFirstUserPreset + 1);
  v[kCharacterAmount] = 0.9;  // not ignored for user presets, although Character is Off
  EXPECT_EQ(currentPresetIndex(v, users), kNoPreset);
}

TEST(StepPreset, RunsThroughFactoryThenUserPresetsAndWrapsFromCustomToTheEnds) {
  const std::vector<UserPreset> users = {userPreset("A", 0.3), userPreset("B", 0.6)};
  ParamValues v = freshValues();
  EXPECT_EQ(stepPreset(-1, v, {}, {}), 22);
  EXPECT_EQ(currentPresetIndex(v, {}), factoryIndex("Chop 1/32"));
  EXPECT_EQ(stepPreset(+1, v, {}, {}), 0);
  EXPECT_EQ(currentPresetIndex(v, {}), 0);
  applyPresetValues(factoryPresetValues(22), v, {});
  EXPECT_EQ(stepPreset(+1, v, users, {}), 23);
  EXPECT_EQ(stepPreset(+1, v, users, {}), 24);
  EXPECT_DOUBLE_EQ(v[kSpeed], 0.6);
  EXPECT_EQ(stepPreset(+1, v, users, {}), 0);
  EXPECT_EQ(stepPreset(-1, v, users, {}), 24);
  // From a custom setting: forward to Default, back to the last entry.
  ParamValues custom = freshValues();
  custom[kMix] = 0.5;
  for (const auto& [step, list, expected] : {std::tuple{+1, users, 0}, std::tuple{-1, users, 24},
                                             std::tuple{-1, std::vector<UserPreset>{}, 22}}) {
    v = custom;
    EXPECT_EQ(stepPreset(step, v, list, {}), expected) << step << " " << list.size();
  }
}

TEST(ApplyPreset, SendsTwelveGesturesInColumnOrderAndKeepsTheRest) {
  ParamValues v = freshValues();
  v[kKey] = 5.0 / 11.0;
  v[kScale] = 1.0 / 9.0;
  v[kLowLatency] = 1.0;
  v[kDetune] = 0.3;
  const ParamValues before = v;
  Recorder host;
  HostEdits edits = host.edits();
  // The editor's copy changes inside the gesture: after begin, before perform.
  edits.begin = [&, inner = edits.begin](int32_t id) {
    EXPECT_EQ(v[id], before[id]) << id;
    inner(id);
  };
  edits.perform = [&, inner = edits.perform](int32_t id, double x) {
    EXPECT_EQ(v[id], x) << id;
    inner(id, x);
  };
  applyPresetValues(factoryPresetValues(factoryIndex("Deep Double")), v, edits);
  ASSERT_EQ(host.calls.size(), 36u);
  for (int32_t j = 0; j < kNumPresetParams; ++j) {
    const std::string id = std::to_string(kPresetParamIds[j]);
    EXPECT_EQ(host.calls[3 * j], "begin " + id);
    EXPECT_EQ(host.calls[3 * j + 1].rfind("perform " + id + " ", 0), 0u);
    EXPECT_EQ(host.calls[3 * j + 2], "end " + id);
  }
  EXPECT_DOUBLE_EQ(v[kHarmonySteps], 0.0);
  EXPECT_DOUBLE_EQ(v[kHarmony], 0.4);
  for (int32_t id : {kKey, kScale, kLowLatency, kDetune}) EXPECT_EQ(v[id], before[id]);
  EXPECT_EQ(currentPresetIndex(v, {}), factoryIndex("Deep Double"));
}

TEST(ApplyPreset, PutsSteppedValuesOnTheirStepsAndClampsOutliers) {
  PresetValues values = factoryPresetValues(0);
  values[1] = 0.5;    // Shift: 10.5 of 21 steps rounds away from zero to 11
  values[8] = 0.55;   // Character: 3.3 of 6 becomes Crush
  values[11] = 0.15;  // Stutter Rate: 0.75 of 5 becomes 1/8
  values[0] = 1.5;
  values[4] = -2.0;
  values[2] = std::nan("");
  ParamValues v = freshValues();
  double performed[kNumParams] = {};
  applyPresetValues(values, v,
                    {nullptr, [&](int32_t id, double x) { performed[id] = x; }, nullptr});
  EXPECT_DOUBLE_EQ(v[kShift], 11.0 / 21.0);
  EXPECT_DOUBLE_EQ(v[kCharacter], 0.5);
  EXPECT_DOUBLE_EQ(v[kStutterRate], 0.2);
  EXPECT_DOUBLE_EQ(v[kSpeed], 1.0);
  EXPECT_DOUBLE_EQ(v[kMix], 0.0);
  EXPECT_DOUBLE_EQ(v[kFormant], 0.0);
  EXPECT_DOUBLE_EQ(performed[kShift], v[kShift]);
}

TEST(PresetName, ProposesTheCurrentUserPresetsNameOrTheSmallestFreeNumber) {
  ParamValues v = freshValues();
  v[kMix] = 0.5;
  EXPECT_EQ(proposePresetName(v, {}), "My Preset 1");
  const std::vector<UserPreset> users = {userPreset("My Preset 1", 0.2),
                                         userPreset("My Preset 3", 0.4),
                                         userPreset("my preset 2", 0.6)};
  EXPECT_EQ(proposePresetName(v, users), "My Preset 2");
  v = freshValues();
  v[kSpeed] = 0.4;  // saving overwrites the current user preset
  EXPECT_EQ(proposePresetName(v, users), "My Preset 3");
}

struct SaveSpy {
  std::vector<UserPreset> saved;
  bool succeed = true;
  SavePresetFn fn() {
    return [this](const UserPreset& p) {
      saved.push_back(p);
      return succeed;
    };
  }
};

TEST(SavePreset, TrimsTheNameStoresUnquantisedColumnsAndKeepsTheListSorted) {
  std::vector<UserPreset> users = {userPreset("beta", 0.1), userPreset("zeta", 0.2)};
  ParamValues v = freshValues();
  v[kShift] = 0.123;
  SaveSpy spy;
  ASSERT_TRUE(commitPresetSave("  alpha  ", v, users, spy.fn()));
  v[kSpeed] = 0.8;
  ASSERT_TRUE(commitPresetSave("alpha", v, users, spy.fn()));  // updates its entry
  ASSERT_EQ(spy.saved.size(), 2u);
  EXPECT_EQ(spy.saved[0].name, "alpha");
  EXPECT_DOUBLE_EQ(spy.saved[0].values[1], 0.123);
  ASSERT_EQ(users.size(), 3u);
  EXPECT_EQ(users[0].name, "alpha");
  EXPECT_DOUBLE_EQ(users[0].values[0], 0.8);
  EXPECT_EQ(users[1].name, "beta");
}

TEST(SavePreset, AnUnsafeNameOrAFailedSaveLeavesTheListAsItWas) {
  std::vector<UserPreset> users = {userPreset("Lead", 0.1)};
  ParamValues v = freshValues();
  v[kSpeed] = 0.9;
  SaveSpy spy;
  for (const char* name : {"", "    ", "a/b", "..", "x\\y", "123456789012345678901"})
    EXPECT_FALSE(commitPresetSave(name, v, users, spy.fn())) << name;
  EXPECT_TRUE(spy.saved.empty());
  spy.succeed = false;
  EXPECT_FALSE(commitPresetSave("Lead", v, users, spy.fn()));
  EXPECT_FALSE(commitPresetSave("Other", v, users, spy.fn()));
  ASSERT_EQ(users.size(), 1u);
  EXPECT_DOUBLE_EQ(users[0].values[0], 0.1);
}

TEST(DeletePreset, NeedsASecondPressWithinThreeSeconds) {
  std::vector<UserPreset> users = {userPreset("A", 0.2), userPreset("B", 0.4),
                                   userPreset("C", 0.6)};
  ParamValues v = freshValues();
  v[kSpeed] = 0.4;
  std::vector<std::string> deleted;
  const DeletePresetFn remove = [&](const std::string& name) {
    deleted.push_back(name);
    return true;
  };
  float timer = 0.0f;
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));
  EXPECT_FLOAT_EQ(timer, 3.0f);
  for (int frame = 0; frame < 31; ++frame) timer = advanceDeleteConfirmation(timer, 0.1f);
  EXPECT_EQ(timer, 0.0f);
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));  // expired: arms again
  EXPECT_TRUE(deleted.empty());
  timer = advanceDeleteConfirmation(timer, 2.0f);  // a stalled frame counts as 0.1 s only
  EXPECT_FLOAT_EQ(timer, 2.9f);
  EXPECT_TRUE(pressPresetDelete(timer, v, users, remove));
  EXPECT_EQ(deleted, std::vector<std::string>{"B"});
  EXPECT_EQ(timer, 0.0f);
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(users[0].name, "A");
  EXPECT_EQ(users[1].name, "C");
}

TEST(DeletePreset, DoesNothingWithoutACurrentUserPresetAndKeepsOneWhoseFileStays) {
  std::vector<UserPreset> users = {userPreset("A", 0.2)};
  ParamValues v = freshValues();
  float timer = 0.0f;
  const DeletePresetFn remove = [](const std::string&) { return true; };
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));  // a factory preset
  v[kMix] = 0.3;
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));  // none current
  EXPECT_EQ(timer, 0.0f);
  v = freshValues();
  v[kSpeed] = 0.2;
  timer = 1.0f;
  EXPECT_FALSE(pressPresetDelete(timer, v, users, [](const std::string&) { return false; }));
  EXPECT_EQ(users.size(), 1u);
  EXPECT_EQ(timer, 0.0f);
}

}  // namespace
