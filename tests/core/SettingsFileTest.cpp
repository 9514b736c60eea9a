#include <gtest/gtest.h>

#include "SettingsFile.h"
#include "TempAppData.h"

namespace {

using zv::test::readBytes;
using zv::test::TempAppData;
using zv::test::treeListing;
using zv::test::writeBytes;
namespace stdfs = std::filesystem;

TEST(SettingsFile, LivesInTheProductFolderAndWithoutItTheEditorOpensAt115) {
  TempAppData appData;
  EXPECT_EQ(stdfs::path(zv::settingsFilePath()), appData.product() / "settings.txt");
  EXPECT_TRUE(stdfs::is_directory(appData.presets()));
  EXPECT_EQ(zv::readSizeFactor(), 1.15f);
  EXPECT_FALSE(stdfs::exists(appData.product() / "settings.txt"));
}

TEST(SettingsFile, ReadsTheLastExactSizeLineFrom099To201Except125) {
  const std::pair<std::string, float> cases[] = {
      {"size=1.5\n", 1.5f},
      {"size=1.6", 1.6f},  // not snapped to an offered size
      {"size=0.99\n", 0.99f},
      {"size=2.01\n", 2.01f},
      {"size=1.5\r\n", 1.5f},
      {"size= +1.5e0x\n", 1.5f},
      {"size=1.25\n", 1.15f},
      {"size=2.5\n", 1.15f},
      {"size=0.98\n", 1.15f},
      {"size=nan\n", 1.15f},
      {"size=big\n", 1.15f},
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
  TempAppData appData;
  stdfs::create_directories(appData.product());
  for (const auto& [contents, expected] : cases) {
    writeBytes(appData.product() / "settings.txt", contents);
    EXPECT_EQ(zv::readSizeFactor(), expected) << contents;
  }
}

TEST(SettingsFile, WritesOneLineWithTwoDecimalsOverALongerFile) {
  TempAppData appData;
  const stdfs::path file = appData.product() / "settings.txt";
  stdfs::create_directories(appData.product());
  writeBytes(file, "size=1.75\n" + std::string(1000, '#') + "\n");
  const std::pair<float, const char*> cases[] = {{1.3f, "size=1.30\n"},  {1.0f, "size=1.00\n"},
                                                 {1.15f, "size=1.15\n"}, {1.5f, "size=1.50\n"},
                                                 {1.75f, "size=1.75\n"}, {2.0f, "size=2.00\n"}};
  for (const auto& [factor, bytes] : cases) {
    ASSERT_TRUE(zv::writeSizeFactor(factor));
    EXPECT_EQ(readBytes(file), bytes);
    EXPECT_EQ(zv::readSizeFactor(), factor);
  }
  EXPECT_EQ(treeListing(appData.product()), "Presets\nsettings.txt\n");
}

TEST(SettingsFile, AnUnwritableFileIsReportedAndReadsAsTheDefault) {
  TempAppData appData;
  stdfs::create_directories(appData.product() / "settings.txt");
  EXPECT_FALSE(zv::writeSizeFactor(1.5f));
  EXPECT_EQ(zv::readSizeFactor(), 1.15f);
  EXPECT_TRUE(stdfs::is_directory(appData.product() / "settings.txt"));
}

}  // namespace
