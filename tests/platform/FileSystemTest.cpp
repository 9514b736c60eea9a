#include <gtest/gtest.h>

#include <algorithm>

#include "FileSystem.h"
#include "TempAppData.h"

namespace {

using zv::test::readBytes;
using zv::test::TempAppData;
using zv::test::treeListing;
using zv::test::writeBytes;
namespace stdfs = std::filesystem;

std::wstring wide(const stdfs::path& p) {
  return zv::fs::widen(p.string());
}

class FileSystem : public testing::Test {
 protected:
  stdfs::path at(const char* name) const { return appData.root() / name; }
  TempAppData appData;
};

TEST_F(FileSystem, WidensAndNarrowsEveryByteAndReadsTheEnvironment) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::wstring widened = zv::fs::widen(all);
  ASSERT_EQ(widened.size(), all.size());
  EXPECT_EQ(widened[0xE9 - 1], L'\u00e9');  // a high byte is its own code unit, not sign-extended
  EXPECT_EQ(zv::fs::narrow(widened), all);
  std::wstring value;
  ASSERT_TRUE(zv::fs::environmentVariable(L"APPDATA", value));
  EXPECT_EQ(stdfs::path(value), appData.root());
  EXPECT_FALSE(zv::fs::environmentVariable(L"ZV_SURELY_NOT_SET_ANYWHERE", value));
}

// A folder is made once and one that exists is accepted; a listing holds only plain files with
// the suffix.
TEST_F(FileSystem, CreatesFoldersAndListsOnlyPlainFilesWithTheSuffix) {
  const std::wstring folder = wide(appData.root()) + zv::fs::kPathSeparator + L"made.zvp";
  EXPECT_TRUE(zv::fs::createFolder(folder));
  EXPECT_TRUE(stdfs::is_directory(at("made.zvp")));
  EXPECT_TRUE(zv::fs::createFolder(folder));
  for (const char* name : {"a.zvp", "b.zvp", "c.txt", "d.zvp.tmp"}) writeBytes(at(name), "1");
  EXPECT_FALSE(zv::fs::createFolder(wide(at("a.zvp"))));
  std::vector<std::wstring> names = zv::fs::listFiles(wide(appData.root()), L".zvp");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a.zvp", L"b.zvp"}));
  EXPECT_TRUE(zv::fs::listFiles(wide(at("missing")), L".zvp").empty());
}

TEST_F(FileSystem, OpensAnEightBitNameAsTheSameNameEverywhere) {
  const std::wstring name = zv::fs::widen("caf\xE9.zvp");
  const std::wstring path = wide(appData.root()) + zv::fs::kPathSeparator + name;
  std::FILE* file = zv::fs::openFile(path, "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("x", file);
  std::fclose(file);
  EXPECT_EQ(zv::fs::listFiles(wide(appData.root()), L".zvp"), std::vector<std::wstring>{name});
  file = zv::fs::openFile(path, "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::fgetc(file), 'x');
  std::fclose(file);
  EXPECT_TRUE(zv::fs::removeFile(path));
  EXPECT_TRUE(zv::fs::listFiles(wide(appData.root()), L".zvp").empty());
}

TEST_F(FileSystem, ReplacingWriteSwapsTheWholeFileOrFailsKeepingTheOldOneAndNoTemporary) {
  const stdfs::path target = at("settings.txt");
  writeBytes(target, std::string(500, 'o'));
  ASSERT_TRUE(zv::fs::writeFileReplacing(wide(target), "new\n"));
  EXPECT_EQ(readBytes(target), "new\n");
  EXPECT_EQ(treeListing(appData.root()), "settings.txt\n");

  stdfs::create_directory(at("settings.txt.tmp"));  // no temporary can be made
  EXPECT_FALSE(zv::fs::writeFileReplacing(wide(target), "newer"));
  EXPECT_EQ(readBytes(target), "new\n");
  stdfs::remove(at("settings.txt.tmp"));

  stdfs::create_directory(at("taken"));
  EXPECT_FALSE(zv::fs::writeFileReplacing(wide(at("taken")), "data"));
  EXPECT_TRUE(stdfs::is_directory(at("taken")));
  EXPECT_EQ(treeListing(appData.root()), "settings.txt\ntaken\n");
  EXPECT_TRUE(zv::fs::removeFile(wide(at("never.zvp"))));  // missing counts as gone
}

#ifndef _WIN32
// Where Linux programs keep settings: XDG_CONFIG_HOME when absolute, else ~/.config (made when
// missing), else the working folder.
TEST_F(FileSystem, UserSettingsBaseFollowsTheXdgRules) {
  const std::string root = appData.root().string();
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  struct Case {
    const char* xdg;  // nullptr: unset
    const char* home;
    std::string expected;
  } cases[] = {
      {root.c_str(), "/nonexistent", root},
      {"relative/config", root.c_str(), root + "/.config"},
      {"", root.c_str(), root + "/.config"},
      {nullptr, root.c_str(), root + "/.config"},
      {nullptr, nullptr, "."},
  };
  for (const Case& c : cases) {
    c.xdg ? setenv("XDG_CONFIG_HOME", c.xdg, 1) : unsetenv("XDG_CONFIG_HOME");
    c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
    EXPECT_EQ(zv::fs::narrow(zv::fs::userSettingsBase()), c.expected)
        << (c.xdg ? c.xdg : "(unset)");
  }
  setenv("HOME", home.c_str(), 1);
  EXPECT_TRUE(stdfs::is_directory(at(".config")));
}
#endif

}  // namespace
