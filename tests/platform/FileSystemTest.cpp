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

TEST(FileSystem, WidensAndNarrowsEveryByteUnchanged) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::wstring widened = zv::fs::widen(all);
  ASSERT_EQ(widened.size(), all.size());
  EXPECT_EQ(widened[0xE9 - 1], L'\u00e9');  // a high byte is its own code unit, not sign-extended
  EXPECT_EQ(zv::fs::narrow(widened), all);
}

TEST(FileSystem, ReadsTheEnvironmentAndTellsAnUnsetVariable) {
  TempAppData appData;
  std::wstring value;
  ASSERT_TRUE(zv::fs::environmentVariable(L"APPDATA", value));
  EXPECT_EQ(stdfs::path(value), appData.root());
  EXPECT_FALSE(zv::fs::environmentVariable(L"ZV_SURELY_NOT_SET_ANYWHERE", value));
}

TEST(FileSystem, CreatesAFolderOnceAndAcceptsOneThatExists) {
  TempAppData appData;
  const std::wstring folder = wide(appData.root()) + zv::fs::kPathSeparator + L"made";
  EXPECT_TRUE(zv::fs::createFolder(folder));
  EXPECT_TRUE(stdfs::is_directory(appData.root() / "made"));
  EXPECT_TRUE(zv::fs::createFolder(folder));
  writeBytes(appData.root() / "plain", "x");
  EXPECT_FALSE(zv::fs::createFolder(wide(appData.root() / "plain")));
}

TEST(FileSystem, ListsOnlyPlainFilesWithTheSuffix) {
  TempAppData appData;
  writeBytes(appData.root() / "a.zvp", "1");
  writeBytes(appData.root() / "b.zvp", "2");
  writeBytes(appData.root() / "c.txt", "3");
  writeBytes(appData.root() / "d.zvp.tmp", "4");
  stdfs::create_directory(appData.root() / "folder.zvp");
  std::vector<std::wstring> names = zv::fs::listFiles(wide(appData.root()), L".zvp");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a.zvp", L"b.zvp"}));
  EXPECT_TRUE(zv::fs::listFiles(wide(appData.root() / "missing"), L".zvp").empty());
}

TEST(FileSystem, OpensAnEightBitNameAsTheSameNameEverywhere) {
  TempAppData appData;
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

TEST(FileSystem, ReplacingWriteSwapsTheWholeFileOrFailsKeepingTheOldOneAndNoTemporary) {
  TempAppData appData;
  const stdfs::path target = appData.root() / "settings.txt";
  writeBytes(target, std::string(500, 'o'));
  ASSERT_TRUE(zv::fs::writeFileReplacing(wide(target), "new\n"));
  EXPECT_EQ(readBytes(target), "new\n");
  EXPECT_EQ(treeListing(appData.root()), "settings.txt\n");

  stdfs::create_directory(appData.root() / "settings.txt.tmp");  // no temporary can be made
  EXPECT_FALSE(zv::fs::writeFileReplacing(wide(target), "newer"));
  EXPECT_EQ(readBytes(target), "new\n");
  stdfs::remove(appData.root() / "settings.txt.tmp");

  const stdfs::path taken = appData.root() / "taken";
  stdfs::create_directory(taken);
  EXPECT_FALSE(zv::fs::writeFileReplacing(wide(taken), "data"));
  EXPECT_TRUE(stdfs::is_directory(taken));
  EXPECT_EQ(treeListing(appData.root()), "settings.txt\ntaken\n");
  EXPECT_TRUE(zv::fs::removeFile(wide(appData.root() / "never.zvp")));  // missing counts as gone
}

#ifndef _WIN32
// Where Linux programs keep settings: XDG_CONFIG_HOME when absolute, else ~/.config (made when
// missing), else the working folder.
TEST(FileSystem, UserSettingsBaseFollowsTheXdgRules) {
  TempAppData appData;
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
  EXPECT_TRUE(stdfs::is_directory(appData.root() / ".config"));
}
#endif

}  // namespace
