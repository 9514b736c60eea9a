// The files kept on the user's machine, preset files and the settings file, in a private APPDATA.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "FileSystem.h"
#include "PresetBrowser.h"
#include "SettingsFile.h"
#include "TempAppData.h"
#include "UserPresets.h"

namespace zvtest {
zv::ParamValues freshValues();  // PresetBrowserTest.cpp
}  // namespace zvtest

namespace {

using namespace zv;
using zv::test::readBytes;
using zv::test::TempAppData;
using zv::test::treeListing;
using zv::test::writeBytes;
using zvtest::freshValues;
namespace stdfs = std::filesystem;

PresetValues defaults() {
  return presetColumns(freshValues());
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

// Only a file with the extension, the magic line (anywhere) and a safe name is listed; a hostile
// name never becomes a preset. Value lines are read by the letters of the format, and missing
// columns keep their defaults.
TEST(PresetFile, OnlyFilesWithTheMagicLineASafeNameAndTheExtensionAreListed) {
  TempAppData appData;
  writePreset(appData, "nomagic.zvp", "name=NoMagic\nv0=0.5\n");
  writePreset(appData, "noname.zvp", "ZoquaVocePreset 1\nname=\nv0=0.5\n");
  writePreset(appData, "empty.zvp", "");
  writePreset(appData, "other.txt", "ZoquaVocePreset 1\nname=Other\n");
  stdfs::create_directories(appData.presets() / "folder.zvp");
  std::vector<std::string> unsafe = {"..\\x", "../x",  "a/b",     "C:\\x",     " lead",
                                     "lead ", "..",    ".",       "tab\there", "q?",
                                     "star*", "pipe|", "quote\"", "<a>",       "caf\xE9"};
  unsafe.push_back(std::string(300, 'n'));
  unsafe.push_back(std::string(21, 'n'));
  for (size_t n = 0; n < unsafe.size(); ++n)
    writePreset(appData, "f" + std::to_string(n) + ".zvp",
                "ZoquaVocePreset 1\nname=" + unsafe[n] + "\n");
  writePreset(appData, "ok.zvp", "ZoquaVocePreset 1\nname=" + std::string(20, 'k') + "\n");
  writePreset(appData, "rules.zvp",
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
              "ZoquaVocePreset 7 whatever\r\n"
              "name=Rules\r\n");
  const std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "Rules");
  EXPECT_EQ(list[1].name, std::string(20, 'k'));
  PresetValues expected = defaults();
  EXPECT_EQ(list[1].values, expected);
  const std::pair<int, double> read[] = {{0, 0.123}, {5, 1.0}, {6, 0.0}, {7, 0.0},
                                         {4, 0.0},   {3, 0.0}, {9, 0.2}};
  for (auto [j, v] : read) expected[j] = v;
  EXPECT_EQ(list[0].values, expected);
}

// A long line is read in 255-character pieces: the second piece of the first line reads as a
// line of its own and the name line's tail is cut. A single file is read by the folder's rules.
TEST(PresetFile, ReadsLongLinesIn255CharacterPiecesAndASingleFileByTheFolderRules) {
  TempAppData appData;
  const stdfs::path file = appData.root() / "loose.txt";
  writeBytes(file, std::string(255, 'x') + "v2=0.75\nZoquaVocePreset 1\nname=Piece\n" +
                       std::string(300, 'y') + "\n");
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
  std::string names;
  for (const UserPreset& p : list) names += p.name + " ";
  EXPECT_EQ(names, "Alp Alpha alpha beta caf cafz caf\xE9 ");
}

// A preset file keeps nine decimals under its own name with no temporary left, and deleting
// removes it. Saving a name again keeps one file (names differing in case share one on Windows);
// a save that fails is reported and leaves the list and any previous file as they were.
TEST(PresetFile, RoundTripsUnderItsNameAndASaveReplacesTheOneFileOfItsName) {
  TempAppData appData;
  UserPreset p{"Round Trip", {}};
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    p.values[j] = std::fmod(0.1234567891234 * (j + 1), 1.0);
  ASSERT_TRUE(saveUserPreset(p));
  EXPECT_EQ(treeListing(appData.presets()), "Round Trip.zvp\n");
  EXPECT_EQ(readBytes(appData.presets() / "Round Trip.zvp")
                .rfind("ZoquaVocePreset 1\nname=Round Trip\nv0=0.123456789\nv1=", 0),
            0u);
  std::vector<UserPreset> list = loadSorted();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Round Trip");
  for (int32_t j = 0; j < kNumPresetParams; ++j)
    EXPECT_NEAR(list[0].values[j], p.values[j], 5e-10) << j;
  EXPECT_TRUE(deleteUserPreset("Round Trip"));
  EXPECT_TRUE(deleteUserPreset("Round Trip"));  // already gone counts as deleted
  EXPECT_EQ(treeListing(appData.presets()), "");

  ParamValues v = freshValues();
  list.clear();
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

  stdfs::create_directories(appData.presets() / "Lead.zvp");  // a folder stands at the file's path
  EXPECT_FALSE(commitPresetSave("Lead", v, list, saveUserPreset));
  EXPECT_EQ(list.size(), 2u);
  EXPECT_FALSE(stdfs::exists(appData.presets() / "Lead.zvp.tmp"));
  const std::string before = readBytes(appData.presets() / "My Preset 1.zvp");
  stdfs::create_directories(appData.presets() / "My Preset 1.zvp.tmp");  // no temporary possible
  EXPECT_FALSE(saveUserPreset({"My Preset 1", defaults()}));
  EXPECT_EQ(readBytes(appData.presets() / "My Preset 1.zvp"), before);
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

// Without a file, or with one that holds no acceptable size, the editor opens at 1.15. The last
// exact "size=" line counts, from 0.99 to 2.01 except 1.25.
TEST(SettingsFile, ReadsTheLastExactSizeLineFrom099To201Except125) {
  TempAppData appData;
  const stdfs::path file = appData.product() / "settings.txt";
  EXPECT_EQ(stdfs::path(zv::settingsFilePath()), file);
  EXPECT_TRUE(stdfs::is_directory(appData.presets()));
  EXPECT_EQ(zv::readSizeFactor(), 1.15f);
  EXPECT_FALSE(stdfs::exists(file));
  const std::pair<std::string, float> cases[] = {
      {"size=1.6", 1.6f},  // not snapped to an offered size
      {"size=0.99\n", 0.99f},
      {"size=2.01\n", 2.01f},
      {"size=1.5\r\n", 1.5f},
      {"size= +1.5e0x\n", 1.5f},
      {"size=1.25\n", 1.15f},
      {"size=0.98\n", 1.15f},
      {"size=nan\n", 1.15f},
      {"size=0x1p0\n", 1.15f},
      {"width=1.5\n", 1.15f},
      {"", 1.15f},
      {" size=1.5\n", 1.15f},
      {"SIZE=1.5\n", 1.15f},
      {"size 1.5\n", 1.15f},
      {"size=1.3\nother\nsize=1.75\n", 1.75f},
      {"size=1.3\nsize=9\n", 1.15f},  // the last line wins even when it is unusable
      // Long lines are read in 127-character pieces.
      {std::string(127, 'x') + "size=1.5\n", 1.5f},
      {"size=1.5" + std::string(200, ' ') + "size=1.75\n", 1.5f},
  };
  for (const auto& [contents, expected] : cases) {
    writeBytes(file, contents);
    EXPECT_EQ(zv::readSizeFactor(), expected) << contents;
  }
}

// Every offered size reads back as written, from one line of two decimals that replaces a longer
// file; an unwritable file is reported and reads as the default.
TEST(SettingsFile, EveryOfferedSizeRoundTripsThroughOneLine) {
  TempAppData appData;
  const stdfs::path file = appData.product() / "settings.txt";
  stdfs::create_directories(appData.product());
  writeBytes(file, "size=1.75\n" + std::string(1000, '#') + "\n");
  for (float factor : {1.0f, 1.15f, 1.3f, 1.5f, 1.75f, 2.0f}) {
    ASSERT_TRUE(zv::writeSizeFactor(factor));
    EXPECT_EQ(zv::readSizeFactor(), factor);
  }
  EXPECT_EQ(readBytes(file), "size=2.00\n");
  EXPECT_EQ(treeListing(appData.product()), "Presets\nsettings.txt\n");
  stdfs::remove(file);
  stdfs::create_directories(file);
  EXPECT_FALSE(zv::writeSizeFactor(1.5f));
  EXPECT_EQ(zv::readSizeFactor(), 1.15f);
  EXPECT_TRUE(stdfs::is_directory(file));
}

}  // namespace
