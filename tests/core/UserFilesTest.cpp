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

ParamValues freshValues() {
  ParamValues v{};
  for (int32_t id = 0; id < kNumParams; ++id)
    v[id] = plainToNormalized(id, kParamDefs[id].defaultValue);
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

TEST(PresetFolder, IsCreatedUnderAppDataOrWithoutItInTheWorkingFolder) {
  TempAppData appData;
  EXPECT_EQ(stdfs::path(presetFolder()), appData.presets());
  EXPECT_TRUE(stdfs::is_directory(appData.presets()));
  stdfs::remove_all(appData.product());
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
  stdfs::current_path(previous);
  EXPECT_EQ(folder, std::wstring(L".") + fs::kPathSeparator + L"ZoquaVoce" + fs::kPathSeparator +
                        L"Presets");
  EXPECT_TRUE(stdfs::is_directory(appData.presets()));
}

TEST(PresetFile, RoundTripsToNineDecimalsUnderItsNameWithNoTemporaryLeft) {
  TempAppData appData;
  UserPreset p{"Round Trip", {}};
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    p.values[j] = std::fmod(0.1234567891234 * (j + 1), 1.0);
  ASSERT_TRUE(saveUserPreset(p));
  EXPECT_EQ(treeListing(appData.presets()), "Round Trip.zvp\n");
  EXPECT_EQ(readBytes(appData.presets() / "Round Trip.zvp")
                .rfind("ZoquaVocePreset 1\nname=Round Trip\nv0=0.123456789\nv1=", 0),
            0u);
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Round Trip");
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    EXPECT_NEAR(list[0].values[j], p.values[j], 5e-10) << j;
}

TEST(PresetFile, OnlyFilesWithTheMagicLineANameAndTheExtensionAreListed) {
  TempAppData appData;
  writePreset(appData, "nomagic.zvp", "name=NoMagic\nv0=0.5\n");
  writePreset(appData, "noname.zvp", "ZoquaVocePreset 1\nname=\nv0=0.5\n");
  writePreset(appData, "empty.zvp", "");
  writePreset(appData, "other.txt", "ZoquaVocePreset 1\nname=Other\n");
  stdfs::create_directories(appData.presets() / "folder.zvp");
  // The magic line may come anywhere; missing columns keep their defaults.
  writePreset(appData, "late.zvp", "name=Late\nv1=0.5\nZoquaVocePreset 7 whatever\n");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Late");
  PresetValues expected = defaults();
  expected[1] = 0.5;
  EXPECT_EQ(list[0].values, expected);
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
  const std::pair<int, double> read[] = {{0, 0.123}, {5, 1.0}, {6, 0.0}, {7, 0.0},
                                         {4, 0.0},   {3, 0.0}, {9, 0.2}};
  for (auto [j, v] : read) expected[j] = v;
  EXPECT_EQ(list[0].name, "Second");
  EXPECT_EQ(list[0].values, expected);
}

TEST(PresetFile, ReadsLongLinesIn255CharacterPiecesInTheFolderAndAsASingleFile) {
  TempAppData appData;
  // The second piece of the first line reads as a line of its own; the name line's tail is cut.
  const std::string body = std::string(255, 'x') + "v2=0.75\nZoquaVocePreset 1\nname=Piece\n" +
                           std::string(300, 'y') + "\n";
  writePreset(appData, "long.zvp", body);
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].values[2], 0.75);

  const stdfs::path file = appData.root() / "loose.txt";
  writeBytes(file, body);
  UserPreset p;
  ASSERT_TRUE(readUserPresetFile(fs::widen(file.string()), p));
  EXPECT_EQ(p.name, "Piece");
  EXPECT_EQ(p.values[2], 0.75);
  writeBytes(file, "ZoquaVocePreset 1\nname=a/b\n");
  EXPECT_FALSE(readUserPresetFile(fs::widen(file.string()), p));
  EXPECT_FALSE(readUserPresetFile(fs::widen((appData.root() / "missing").string()), p));
}

TEST(PresetFile, SortsByUnsignedBytes) {
  // A high byte sorts after every ASCII letter, as an unsigned byte would.
  std::vector<UserPreset> list;
  for (const char* name : {"beta", "caf\xE9", "alpha", "cafz", "Alpha", "caf", "Alp"})
    list.push_back({name, {}});
  sortUserPresets(list);
  std::vector<std::string> names;
  for (const UserPreset& p : list) names.push_back(p.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Alp", "Alpha", "alpha", "beta", "caf", "cafz", "caf\xE9"}));
}

TEST(PresetFile, SavingANameAgainKeepsOneFileAndNamesDifferingInCaseShareOneOnWindows) {
  TempAppData appData;
  ParamValues v = freshValues();
  std::vector<UserPreset> list;
  for (double speed : {0.3, 0.6}) {
    v[kSpeed] = speed;
    ASSERT_TRUE(commitPresetSave("My Preset 1", v, list, saveUserPreset));
  }
  EXPECT_EQ(treeListing(appData.presets()), "My Preset 1.zvp\n");
  ASSERT_EQ(list.size(), 1u);
  ASSERT_EQ(loadSorted().size(), 1u);
  EXPECT_DOUBLE_EQ(loadSorted()[0].values[0], 0.6);

  v[kSpeed] = 0.75;
  ASSERT_TRUE(commitPresetSave("my preset 1", v, list, saveUserPreset));
  EXPECT_EQ(list.size(), 2u);
  const std::vector<UserPreset> loaded = loadSorted();
#ifdef _WIN32
  ASSERT_EQ(loaded.size(), 1u);  // the file system folds case: the last save won
  EXPECT_EQ(loaded[0].name, "my preset 1");
  EXPECT_DOUBLE_EQ(loaded[0].values[0], 0.75);
#else
  EXPECT_EQ(loaded.size(), 2u);
#endif
}

TEST(PresetFile, AFailedSaveIsReportedAndKeepsTheListAndThePreviousFile) {
  TempAppData appData;
  stdfs::create_directories(appData.presets() / "Lead.zvp");  // a folder stands at the file's path
  std::vector<UserPreset> list = {{"Keep", defaults()}};
  ParamValues v = freshValues();
  EXPECT_FALSE(commitPresetSave("Lead", v, list, saveUserPreset));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Keep");
  EXPECT_EQ(treeListing(appData.presets()), "Lead.zvp\n");

  UserPreset p{"Keep", defaults()};
  ASSERT_TRUE(saveUserPreset(p));
  const std::string before = readBytes(appData.presets() / "Keep.zvp");
  stdfs::create_directories(appData.presets() / "Keep.zvp.tmp");  // no temporary can be made
  p.values[0] = 0.9;
  EXPECT_FALSE(saveUserPreset(p));
  EXPECT_EQ(readBytes(appData.presets() / "Keep.zvp"), before);
}

TEST(HostileNames, FilesWithUnsafeNamesAreLeftOut) {
  TempAppData appData;
  std::vector<std::string> unsafe = {"..\\x", "../x",  "a/b",     "C:\\x",     " lead",
                                     "lead ", "..",    ".",       "tab\there", "q?",
                                     "star*", "pipe|", "quote\"", "<a>",       "caf\xE9"};
  unsafe.push_back(std::string(300, 'n'));
  unsafe.push_back(std::string(21, 'n'));
  for (size_t n = 0; n < unsafe.size(); ++n)
    writePreset(appData, "f" + std::to_string(n) + ".zvp",
                "ZoquaVocePreset 1\nname=" + unsafe[n] + "\n");
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

TEST(PresetBrowsing, LoadedPresetsMatchLikeSavedOnesAndDeleteRemovesOnlyTheirFile) {
  TempAppData appData;
  ParamValues v = freshValues();
  v[kMix] = 0.4;
  std::vector<UserPreset> saved;
  ASSERT_TRUE(saveUserPreset({"Other", defaults()}));
  ASSERT_TRUE(commitPresetSave("Quiet", v, saved, saveUserPreset));
  EXPECT_EQ(currentPresetIndex(v, loadSorted()), kFirstUserPreset + 1);
  float timer = 0.0f;
  pressPresetDelete(timer, v, saved, deleteUserPreset);
  EXPECT_TRUE(pressPresetDelete(timer, v, saved, deleteUserPreset));
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(treeListing(appData.presets()), "Other.zvp\n");
  EXPECT_TRUE(deleteUserPreset("Quiet"));  // already gone counts as deleted
}

}  // namespace
