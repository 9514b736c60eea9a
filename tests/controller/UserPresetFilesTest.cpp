#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "FileSystem.h"
#include "PresetBrowser.h"
#include "TempAppData.h"
#include "UserPresets.h"

namespace {

using namespace zv;
using zv::test::readBytes;
using zv::test::TempAppData;
using zv::test::treeListing;
using zv::test::writeBytes;
namespace stdfs = std::filesystem;

PresetValues defaults() {
  PresetValues v{};
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    v[j] = plainToNormalized(kPresetParamIds[j], kParamDefs[kPresetParamIds[j]].defaultValue);
  return v;
}

std::vector<UserPreset> loadSorted() {
  std::vector<UserPreset> list;
  loadUserPresets(list);
  sortUserPresets(list);
  return list;
}

// Writes a preset file by hand under its own file name.
void writePreset(const TempAppData& appData, const std::string& fileName, const std::string& body) {
  stdfs::create_directories(appData.presets());
  writeBytes(appData.presets() / fileName, body);
}

TEST(PresetFolder, IsCreatedUnderAppData) {
  TempAppData appData;
  EXPECT_EQ(stdfs::path(presetFolder()), appData.presets());
  EXPECT_TRUE(stdfs::is_directory(appData.presets()));
}

TEST(PresetFolder, FallsBackToTheWorkingFolderWithoutAppData) {
  TempAppData appData;
  const stdfs::path previous = stdfs::current_path();
  stdfs::current_path(appData.root());
  zv::test::setAppData(nullptr);
#ifndef _WIN32
  // Without a home folder either there is no ~/.config to fall back to.
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  unsetenv("HOME");
#endif
  const std::wstring folder = presetFolder();
#ifndef _WIN32
  setenv("HOME", home.c_str(), 1);
#endif
  const bool created = stdfs::is_directory(appData.root() / "ZoquaVoce" / "Presets");
  stdfs::current_path(previous);
  EXPECT_EQ(folder, std::wstring(L".") + fs::kPathSeparator + L"ZoquaVoce" + fs::kPathSeparator +
                        L"Presets");
  EXPECT_TRUE(created);
}

TEST(PresetFile, IsWrittenByteForByte) {
  TempAppData appData;
  UserPreset p{"Lead", defaults()};
  p.values[0] = 0.25;
  p.values[2] = 0.5;
  ASSERT_TRUE(saveUserPreset(p));
  EXPECT_EQ(readBytes(appData.presets() / "Lead.zvp"),
            "ZoquaVocePreset 1\nname=Lead\nv0=0.250000000\nv1=0.333333333\nv2=0.500000000\n"
            "v3=1.000000000\nv4=1.000000000\nv5=0.666666667\nv6=0.000000000\nv7=0.642857143\n"
            "v8=0.000000000\nv9=0.500000000\nv10=0.000000000\nv11=0.600000000\n");
  EXPECT_EQ(treeListing(appData.presets()), "Lead.zvp\n");  // no temporary left behind
}

TEST(PresetFile, ReadsBackToNineDecimals) {
  TempAppData appData;
  UserPreset p{"Round Trip", {}};
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    p.values[j] = std::fmod(0.1234567891234 * (j + 1), 1.0);
  ASSERT_TRUE(saveUserPreset(p));
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Round Trip");
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    EXPECT_NEAR(list[0].values[j], p.values[j], 5e-10) << j;
}

TEST(PresetFile, MissingColumnsKeepTheirDefaults) {
  TempAppData appData;
  writePreset(appData, "lead.zvp", "ZoquaVocePreset 1\nname=Lead\nv0=0.25\n");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Lead");
  PresetValues expected = defaults();
  expected[0] = 0.25;
  EXPECT_EQ(list[0].values, expected);
}

TEST(PresetFile, NeedsTheMagicLineAndANonEmptyName) {
  TempAppData appData;
  writePreset(appData, "nomagic.zvp", "name=NoMagic\nv0=0.5\n");
  writePreset(appData, "noname.zvp", "ZoquaVocePreset 1\nname=\nv0=0.5\n");
  writePreset(appData, "empty.zvp", "");
  writePreset(appData, "late.zvp", "name=Late\nv1=0.5\nZoquaVocePreset 7 whatever\n");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Late");
}

TEST(PresetFile, ReadsValueLinesByTheLettersOfTheFormat) {
  TempAppData appData;
  writePreset(appData, "rules.zvp",
              "ZoquaVocePreset 1\r\n"
              "name=First\r\n"
              "v12=0.5\n"         // no such column
              "v-1=0.5\n"         // no such column
              "v3 0.5\n"          // no "="
              "vx=0.123\n"        // atoi reads "x" as column 0
              "v5=1.7\n"          // clamped to 1
              "v6=-3\n"           // clamped to 0
              "v7=nan\n"          // no digits: 0, as the Windows C runtime reads it
              "v4=inf\n"          // likewise
              "v3=0x1p-1\n"       // no hexadecimal either: the leading "0"
              "v9=0.1\nv9=0.2\n"  // later lines win
              "v2\n"              // too short to be a value line
              "v=\n"              // likewise, although "=" follows
              "name=Second\r\n");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  PresetValues expected = defaults();
  expected[0] = 0.123;
  expected[5] = 1.0;
  expected[6] = 0.0;
  expected[7] = 0.0;
  expected[4] = 0.0;
  expected[3] = 0.0;
  expected[9] = 0.2;
  EXPECT_EQ(list[0].name, "Second");
  EXPECT_EQ(list[0].values, expected);
}

TEST(PresetFile, ReadsLongLinesIn255CharacterPieces) {
  TempAppData appData;
  // The second piece of the first line reads as a line of its own; the name line's tail is cut.
  writePreset(appData, "long.zvp",
              std::string(255, 'x') + "v2=0.75\nZoquaVocePreset 1\nname=Piece\n" +
                  std::string(300, 'y') + "\n");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].values[2], 0.75);
}

TEST(PresetFile, ASingleFileReadsByTheSameRulesWherever) {
  TempAppData appData;
  const stdfs::path file = appData.root() / "loose.txt";
  writeBytes(file, "v1=0.5\nZoquaVocePreset 1\nname=Loose\n");
  UserPreset p;
  ASSERT_TRUE(readUserPresetFile(fs::widen(file.string()), p));
  EXPECT_EQ(p.name, "Loose");
  EXPECT_EQ(p.values[1], 0.5);
  writeBytes(file, "ZoquaVocePreset 1\nname=a/b\n");
  EXPECT_FALSE(readUserPresetFile(fs::widen(file.string()), p));
  EXPECT_FALSE(readUserPresetFile(fs::widen((appData.root() / "missing").string()), p));
}

TEST(PresetFile, SkipsFoldersAndOtherExtensions) {
  TempAppData appData;
  writePreset(appData, "good.zvp", "ZoquaVocePreset 1\nname=Good\n");
  writePreset(appData, "other.txt", "ZoquaVocePreset 1\nname=Other\n");
  stdfs::create_directories(appData.presets() / "folder.zvp");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Good");
}

TEST(PresetFile, SortsByUnsignedBytes) {
  TempAppData appData;
  // Distinct file names: on Windows "Alpha" and "alpha" would be one file.
  writePreset(appData, "1.zvp", "ZoquaVocePreset 1\nname=beta\n");
  writePreset(appData, "2.zvp", "ZoquaVocePreset 1\nname=alpha\n");
  writePreset(appData, "3.zvp", "ZoquaVocePreset 1\nname=Alpha\n");
  writePreset(appData, "4.zvp", "ZoquaVocePreset 1\nname=Alp\n");
  std::vector<std::string> names;
  for (const UserPreset& p : loadSorted()) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alp", "Alpha", "alpha", "beta"}));

  // A high byte sorts after every ASCII letter, as an unsigned byte would.
  std::vector<UserPreset> list = {{"caf\xE9", {}}, {"cafz", {}}, {"caf", {}}};
  sortUserPresets(list);
  EXPECT_EQ(list[0].name, "caf");
  EXPECT_EQ(list[1].name, "cafz");
  EXPECT_EQ(list[2].name, "caf\xE9");
}

TEST(PresetFile, SavingTheSameNameTwiceKeepsOneFileAndOneEntry) {
  TempAppData appData;
  std::vector<UserPreset> list;
  ParamValues v{};
  for (int32_t id = 0; id < kNumParams; ++id)
    v[id] = plainToNormalized(id, kParamDefs[id].defaultValue);
  v[kSpeed] = 0.3;
  ASSERT_TRUE(commitPresetSave("My Preset 1", v, list, saveUserPreset));
  v[kSpeed] = 0.6;
  ASSERT_TRUE(commitPresetSave("My Preset 1", v, list, saveUserPreset));
  EXPECT_EQ(treeListing(appData.presets()), "My Preset 1.zvp\n");
  ASSERT_EQ(list.size(), 1u);
  const std::vector<UserPreset> loaded = loadSorted();
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_DOUBLE_EQ(loaded[0].values[0], 0.6);
}

TEST(PresetFile, NamesDifferingInCaseAreTwoEntriesButOneFileOnWindows) {
  TempAppData appData;
  ParamValues v{};
  std::vector<UserPreset> list;
  v[kSpeed] = 0.25;
  ASSERT_TRUE(commitPresetSave("Case", v, list, saveUserPreset));
  v[kSpeed] = 0.75;
  ASSERT_TRUE(commitPresetSave("case", v, list, saveUserPreset));
  EXPECT_EQ(list.size(), 2u);
  const std::vector<UserPreset> loaded = loadSorted();
#ifdef _WIN32
  ASSERT_EQ(loaded.size(), 1u);  // the file system folds case: the last save won
  EXPECT_EQ(loaded[0].name, "case");
  EXPECT_DOUBLE_EQ(loaded[0].values[0], 0.75);
#else
  EXPECT_EQ(loaded.size(), 2u);
#endif
}

TEST(PresetFile, AnUnwritableSaveIsReportedAndLeavesTheListAlone) {
  TempAppData appData;
  stdfs::create_directories(appData.presets() / "Lead.zvp");  // a folder stands at the file's path
  std::vector<UserPreset> list = {{"Keep", defaults()}};
  ParamValues v{};
  v[kSpeed] = 0.5;
  EXPECT_FALSE(commitPresetSave("Lead", v, list, saveUserPreset));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Keep");
  EXPECT_EQ(treeListing(appData.presets()), "Lead.zvp\n");
}

TEST(PresetFile, AFailedSaveKeepsThePreviousFileWhole) {
  TempAppData appData;
  UserPreset p{"Lead", defaults()};
  ASSERT_TRUE(saveUserPreset(p));
  const std::string before = readBytes(appData.presets() / "Lead.zvp");
  stdfs::create_directories(appData.presets() / "Lead.zvp.tmp");
  p.values[0] = 0.9;
  EXPECT_FALSE(saveUserPreset(p));
  EXPECT_EQ(readBytes(appData.presets() / "Lead.zvp"), before);
}

TEST(PresetFile, DeleteRemovesOnlyThatFile) {
  TempAppData appData;
  ASSERT_TRUE(saveUserPreset({"One", defaults()}));
  ASSERT_TRUE(saveUserPreset({"Two", defaults()}));
  EXPECT_TRUE(deleteUserPreset("One"));
  EXPECT_EQ(treeListing(appData.presets()), "Two.zvp\n");
  EXPECT_TRUE(deleteUserPreset("One"));  // already gone
}

TEST(HostileNames, FilesWithUnsafeNamesAreLeftOut) {
  TempAppData appData;
  const std::string unsafe[] = {"..\\x",
                                "../x",
                                "a/b",
                                "C:\\x",
                                std::string(300, 'n'),
                                std::string(21, 'n'),
                                " lead",
                                "lead ",
                                "..",
                                ".",
                                "tab\there",
                                "q?",
                                "star*",
                                "pipe|",
                                "quote\"",
                                "<a>",
                                "caf\xE9"};
  int n = 0;
  for (const std::string& name : unsafe)
    writePreset(appData, "f" + std::to_string(n++) + ".zvp",
                "ZoquaVocePreset 1\nname=" + name + "\n");
  writePreset(appData, "ok.zvp", "ZoquaVocePreset 1\nname=" + std::string(20, 'k') + "\n");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, std::string(20, 'k'));
}

TEST(HostileNames, NeverReachAPathForWritingOrDeleting) {
  TempAppData appData;
  presetFolder();
  writeBytes(appData.product() / "x.zvp", "victim");
  writeBytes(appData.root() / "x.zvp", "victim");
  writeBytes(appData.presets() / "b.zvp", "victim");
  const std::string before = treeListing(appData.root());
  const std::string names[] = {"..\\x", "../x",  "..\\..\\x", "../../x",
                               "a/b",   "C:\\x", "..",        std::string(300, 'x')};
  for (const std::string& name : names) {
    EXPECT_FALSE(saveUserPreset({name, defaults()})) << name;
    EXPECT_FALSE(deleteUserPreset(name)) << name;
  }
  EXPECT_EQ(treeListing(appData.root()), before);
}

TEST(PresetBrowsing, LoadedPresetsStepAndMatchLikeSavedOnes) {
  TempAppData appData;
  ParamValues v{};
  for (int32_t id = 0; id < kNumParams; ++id)
    v[id] = plainToNormalized(id, kParamDefs[id].defaultValue);
  v[kMix] = 0.4;
  std::vector<UserPreset> saved;
  ASSERT_TRUE(commitPresetSave("Quiet", v, saved, saveUserPreset));
  const std::vector<UserPreset> list = loadSorted();
  EXPECT_EQ(currentPresetIndex(v, list), kFirstUserPreset);
  float timer = 0.0f;
  pressPresetDelete(timer, v, saved, deleteUserPreset);
  EXPECT_TRUE(pressPresetDelete(timer, v, saved, deleteUserPreset));
  EXPECT_TRUE(saved.empty());
  EXPECT_TRUE(loadSorted().empty());
}

}  // namespace
