#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "PresetBrowser.h"

using namespace zv;

namespace zvtest {

// Every parameter at its default, as a fresh instance holds them (the file tests use it too).
ParamValues freshValues() {
  ParamValues v{};
  for (int32_t id = 0; id < kNumParams; ++id)
    v[id] = plainToNormalized(id, kParamDefs[id].defaultValue);
  return v;
}

}  // namespace zvtest

namespace {

using zvtest::freshValues;

UserPreset userPreset(const std::string& name, double speed) {
  UserPreset p{name, factoryPresetValues(0)};
  p.values[0] = speed;
  return p;
}

TEST(FactoryPresets, EveryValueLiesInRangeAndStepColumnsAreWhole) {
  for (const FactoryPreset& p : kFactoryPresets)
    for (int32_t j = 0; j < kNumPresetParams; ++j) {
      const ParamDef& def = kParamDefs[kPresetParamIds[j]];
      EXPECT_GE(p.values[j], def.minValue) << p.name << " column " << j;
      EXPECT_LE(p.values[j], def.maxValue) << p.name << " column " << j;
      EXPECT_TRUE(def.stepCount == 0 || p.values[j] == std::round(p.values[j])) << p.name;
    }
}

// Factory presets match on the columns they use, within the tolerance, and come first; user
// presets match on every column.
TEST(CurrentPreset, MatchesFactoryColumnsInUseFirstThenUserPresetsOnAllColumns) {
  const std::vector<UserPreset> users = {userPreset("Same As Default", 0.0),
                                         userPreset("Slow", 0.5)};
  const std::tuple<const char*, int32_t, std::vector<std::pair<int32_t, double>>> cases[] = {
      {"fresh parameters, also a user preset's", 0, {}},
      {"amount while Character is Off", 0, {{kCharacterAmount, 0.9}}},
      {"Drive at 90 %", kNoPreset, {{kCharacterAmount, 0.9}, {kCharacter, 1.0 / 6.0}}},
      // Drive with 30 % is "Warm Drive" only at 10 ms.
      {"Drive at 30 %", kNoPreset, {{kCharacterAmount, 0.3}, {kCharacter, 1.0 / 6.0}}},
      {"Warm Drive",
       findFactoryPreset("Warm Drive"),
       {{kCharacterAmount, 0.3}, {kCharacter, 1.0 / 6.0}, {kSpeed, std::sqrt(10.0 / 400.0)}}},
      // Under half a percent of harmony is within the tolerance of 0: its steps do not count.
      {"rate and steps unused", 0, {{kStutterRate, 0.0}, {kHarmonySteps, 1.0}, {kHarmony, 0.0039}}},
      {"Repeat at 1/4", kNoPreset, {{kStutterRate, 0.0}, {kStutter, 1.0}}},
      {"Repeat", findFactoryPreset("Stutter Hook"), {{kStutter, 1.0}}},
      {"mix inside the tolerance", 0, {{kMix, 1.0 - 0.0039}}},
      {"mix outside the tolerance", kNoPreset, {{kMix, 1.0 - 0.0041}}},
      {"mix not a number", kNoPreset, {{kMix, std::nan("")}}},
      {"a user preset", kFirstUserPreset + 1, {{kSpeed, 0.5}}},
      {"a user preset's unused column", kNoPreset, {{kSpeed, 0.5}, {kCharacterAmount, 0.9}}},
  };
  for (const auto& [what, expected, edits] : cases) {
    ParamValues v = freshValues();
    for (const auto& [id, value] : edits) v[id] = value;
    EXPECT_EQ(currentPresetIndex(v, users), expected) << what;
  }
}

TEST(StepPreset, RunsThroughFactoryThenUserPresetsAndWrapsFromCustomToTheEnds) {
  const int32_t lastFactory = kNumFactoryPresets - 1, lastUser = kFirstUserPreset + 1;
  const std::vector<UserPreset> users = {userPreset("A", 0.3), userPreset("B", 0.6)};
  ParamValues v = freshValues();
  EXPECT_EQ(stepPreset(-1, v, {}, {}), lastFactory);
  EXPECT_EQ(currentPresetIndex(v, {}), findFactoryPreset("Chop 1/32"));
  EXPECT_EQ(stepPreset(+1, v, {}, {}), 0);
  EXPECT_EQ(currentPresetIndex(v, {}), 0);
  applyPresetValues(factoryPresetValues(lastFactory), v, {});
  EXPECT_EQ(stepPreset(+1, v, users, {}), kFirstUserPreset);
  EXPECT_EQ(stepPreset(+1, v, users, {}), lastUser);
  EXPECT_DOUBLE_EQ(v[kSpeed], 0.6);
  EXPECT_EQ(stepPreset(+1, v, users, {}), 0);
  EXPECT_EQ(stepPreset(-1, v, users, {}), lastUser);
  // From a custom setting: forward to Default, back to the last entry.
  for (const auto& [step, list, expected] :
       {std::tuple{+1, users, 0}, std::tuple{-1, users, lastUser},
        std::tuple{-1, std::vector<UserPreset>{}, lastFactory}}) {
    v = freshValues();
    v[kMix] = 0.5;
    EXPECT_EQ(stepPreset(step, v, list, {}), expected) << step << " " << list.size();
  }
}

// Twelve begin/perform/end gestures in column order; the editor's copy changes inside each
// gesture (after begin, before perform), each value clamped and on its step, and the columns a
// preset leaves out keep their values.
TEST(ApplyPreset, SendsTwelveGesturesInColumnOrderWithSteppedValuesAndKeepsTheRest) {
  ParamValues v = freshValues();
  v[kKey] = 5.0 / 11.0;
  v[kScale] = 1.0 / 9.0;
  v[kLowLatency] = 1.0;
  v[kDetune] = 0.3;
  const ParamValues before = v;
  std::string calls, expected;
  const HostEdits edits{[&](int32_t id) {
                          EXPECT_EQ(v[id], before[id]) << id;
                          calls += "begin " + std::to_string(id) + ";";
                        },
                        [&](int32_t id, double x) {
                          EXPECT_EQ(v[id], x) << id;
                          calls += "perform " + std::to_string(id) + ";";
                        },
                        [&](int32_t id) { calls += "end " + std::to_string(id) + ";"; }};
  const int32_t deepDouble = findFactoryPreset("Deep Double");
  applyPresetValues(factoryPresetValues(deepDouble), v, edits);
  for (int32_t id : kPresetParamIds) {
    const std::string n = std::to_string(id);
    expected += "begin " + n + ";perform " + n + ";end " + n + ";";
  }
  EXPECT_EQ(calls, expected);
  EXPECT_DOUBLE_EQ(v[kHarmonySteps], 0.0);
  EXPECT_DOUBLE_EQ(v[kHarmony], 0.4);
  for (int32_t id : {kKey, kScale, kLowLatency, kDetune}) EXPECT_EQ(v[id], before[id]);
  EXPECT_EQ(currentPresetIndex(v, {}), deepDouble);
  // Stepped values land on their steps (the perform check above covers what the host gets).
  PresetValues odd = factoryPresetValues(0);
  odd[1] = 0.5;    // Shift: 10.5 of 21 steps rounds away from zero to 11
  odd[8] = 0.55;   // Character: 3.3 of 6 becomes Crush
  odd[11] = 0.15;  // Stutter Rate: 0.75 of 5 becomes 1/8
  odd[0] = 1.5;
  odd[4] = -2.0;
  odd[2] = std::nan("");
  applyPresetValues(odd, v, {});
  EXPECT_DOUBLE_EQ(v[kShift], 11.0 / 21.0);
  EXPECT_DOUBLE_EQ(v[kCharacter], 0.5);
  EXPECT_DOUBLE_EQ(v[kStutterRate], 0.2);
  EXPECT_DOUBLE_EQ(v[kSpeed], 1.0);
  EXPECT_DOUBLE_EQ(v[kMix], 0.0);
  EXPECT_DOUBLE_EQ(v[kFormant], 0.0);
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

// Only a save that succeeded changes the list; an unsafe name never reaches the save.
TEST(SavePreset, TrimsTheNameKeepsTheListSortedAndChangesNothingWhenTheSaveFails) {
  std::vector<UserPreset> users = {userPreset("beta", 0.1), userPreset("zeta", 0.2)};
  std::vector<UserPreset> saved;
  bool succeed = true;
  const SavePresetFn save = [&](const UserPreset& p) {
    saved.push_back(p);
    return succeed;
  };
  ParamValues v = freshValues();
  v[kShift] = 0.123;
  for (const char* name : {"", "    ", "a/b", "..", "x\\y", "123456789012345678901"})
    EXPECT_FALSE(commitPresetSave(name, v, users, save)) << name;
  EXPECT_TRUE(saved.empty());
  ASSERT_TRUE(commitPresetSave("  alpha  ", v, users, save));
  v[kSpeed] = 0.8;
  ASSERT_TRUE(commitPresetSave("alpha", v, users, save));  // updates its entry
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].name, "alpha");
  EXPECT_DOUBLE_EQ(saved[0].values[1], 0.123);  // unquantised
  ASSERT_EQ(users.size(), 3u);
  EXPECT_EQ(users[0].name + users[1].name + users[2].name, "alphabetazeta");
  EXPECT_DOUBLE_EQ(users[0].values[0], 0.8);
  succeed = false;
  v[kSpeed] = 0.9;
  EXPECT_FALSE(commitPresetSave("beta", v, users, save));
  EXPECT_FALSE(commitPresetSave("Other", v, users, save));
  ASSERT_EQ(users.size(), 3u);
  EXPECT_DOUBLE_EQ(users[1].values[0], 0.1);
}

// A second press within three seconds deletes the current user preset; nothing happens without
// one, and an entry whose file stays is kept.
TEST(DeletePreset, NeedsASecondPressWithinThreeSecondsOnACurrentUserPreset) {
  std::vector<UserPreset> users = {userPreset("A", 0.2), userPreset("B", 0.4),
                                   userPreset("C", 0.6)};
  std::string deleted;
  bool succeed = true;
  const DeletePresetFn remove = [&](const std::string& name) {
    deleted += name;
    return succeed;
  };
  ParamValues v = freshValues();
  float timer = 0.0f;
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));  // a factory preset
  v[kMix] = 0.3;
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));  // none current
  EXPECT_EQ(timer, 0.0f);
  v = freshValues();
  v[kSpeed] = 0.4;
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));
  EXPECT_FLOAT_EQ(timer, 3.0f);
  for (int frame = 0; frame < 31; ++frame) timer = advanceDeleteConfirmation(timer, 0.1f);
  EXPECT_EQ(timer, 0.0f);
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));  // expired: arms again
  timer = advanceDeleteConfirmation(timer, 2.0f);            // a stalled frame counts as 0.1 s only
  EXPECT_FLOAT_EQ(timer, 2.9f);
  succeed = false;
  EXPECT_FALSE(pressPresetDelete(timer, v, users, remove));  // the file stays, so does the entry
  EXPECT_EQ(timer, 0.0f);
  succeed = true;
  timer = 1.0f;
  EXPECT_TRUE(pressPresetDelete(timer, v, users, remove));
  EXPECT_EQ(deleted, "BB");
  EXPECT_EQ(timer, 0.0f);
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(users[0].name + users[1].name, "AC");
}

}  // namespace
