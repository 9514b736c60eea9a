#include <cstring>

#include "ModuleFixture.h"

using namespace Steinberg;
using namespace zvtest;

namespace {

const uint8_t kProcessorIdWindows[16] = {0x75, 0x71, 0x6F, 0x5A, 0x56, 0x61, 0x32, 0x6F,
                                         0x9A, 0x3C, 0x51, 0xE7, 0x0B, 0x5D, 0x2F, 0x41};
const uint8_t kControllerIdWindows[16] = {0x75, 0x71, 0x6F, 0x5A, 0x56, 0x61, 0x32, 0x6F,
                                          0x6C, 0x1E, 0x88, 0xA2, 0x73, 0xD9, 0xC4, 0xB6};
// Elsewhere the SDK keeps the four words big-endian.
const uint8_t kProcessorIdPlain[16] = {0x5A, 0x6F, 0x71, 0x75, 0x61, 0x56, 0x6F, 0x32,
                                       0x9A, 0x3C, 0x51, 0xE7, 0x0B, 0x5D, 0x2F, 0x41};
const uint8_t kControllerIdPlain[16] = {0x5A, 0x6F, 0x71, 0x75, 0x61, 0x56, 0x6F, 0x32,
                                        0x6C, 0x1E, 0x88, 0xA2, 0x73, 0xD9, 0xC4, 0xB6};

#if defined(_WIN32)
const uint8_t* const kExpectedIds[2] = {kProcessorIdWindows, kControllerIdWindows};
#else
const uint8_t* const kExpectedIds[2] = {kProcessorIdPlain, kControllerIdPlain};
#endif

}  // namespace

TEST(Factory, InformationNamesTheVendorInUnicodeMode) {
  Factory factory;
  PFactoryInfo info;
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Zoqua");
  EXPECT_STREQ(info.email, "");
  EXPECT_EQ(info.flags, 0x10);
}

TEST(Factory, OffersTheProcessorThenTheControllerWithTheirIds) {
  Factory factory;
  ASSERT_EQ(factory->countClasses(), 2);
  PClassInfo info;
  ASSERT_EQ(factory->getClassInfo(0, &info), kResultOk);
  EXPECT_EQ(std::memcmp(info.cid, kExpectedIds[0], 16), 0);
  EXPECT_STREQ(info.category, "Audio Module Class");
  EXPECT_STREQ(info.name, "ZoquaVoce");
  EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
  ASSERT_EQ(factory->getClassInfo(1, &info), kResultOk);
  EXPECT_EQ(std::memcmp(info.cid, kExpectedIds[1], 16), 0);
  EXPECT_STREQ(info.category, "Component Controller Class");
  EXPECT_STREQ(info.name, "ZoquaVoce Controller");
  EXPECT_NE(factory->getClassInfo(2, &info), kResultOk);
  EXPECT_NE(factory->getClassInfo(-1, &info), kResultOk);
}

TEST(Factory, ClassRecordsTwoAndUnicodeAgree) {
  Factory factory;
  IPtr<IPluginFactory3> factory3;
  ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid, reinterpret_cast<void**>(&factory3)), kResultOk);
  factory3 = owned(factory3.take());
  const char* subCategories[2] = {"Fx|Pitch Shift", ""};
  const uint32 flags[2] = {1, 0};
  for (int32 i = 0; i < 2; ++i) {
    PClassInfo2 info2;
    PClassInfoW infoW;
    ASSERT_EQ(factory3->getClassInfo2(i, &info2), kResultOk);
    ASSERT_EQ(factory3->getClassInfoUnicode(i, &infoW), kResultOk);
    EXPECT_EQ(std::memcmp(info2.cid, kExpectedIds[i], 16), 0);
    EXPECT_STREQ(info2.subCategories, subCategories[i]);
    EXPECT_EQ(info2.classFlags, flags[i]);
    EXPECT_STREQ(info2.vendor, "");
    EXPECT_STREQ(info2.version, "4.6.0");
    EXPECT_STREQ(info2.sdkVersion, "VST 3.8.1");
    EXPECT_EQ(std::memcmp(infoW.cid, info2.cid, 16), 0);
    EXPECT_EQ(infoW.classFlags, info2.classFlags);
    EXPECT_STREQ(infoW.subCategories, info2.subCategories);
    for (int k = 0; info2.name[k]; ++k) EXPECT_EQ(infoW.name[k], static_cast<char16>(info2.name[k]));
    EXPECT_EQ(infoW.version[0], u'4');
    EXPECT_EQ(infoW.sdkVersion[0], u'V');
  }
}

TEST(Factory, EveryCallReturnsTheSameObjectWithOneMoreReference) {
  IPluginFactory* first = module().getFactory();
  IPluginFactory* second = module().getFactory();
  EXPECT_EQ(first, second);
  const uint32 countAfterTwo = first->addRef();
  first->release();
  IPluginFactory* third = module().getFactory();
  EXPECT_EQ(third->addRef(), countAfterTwo + 1);
  third->release();
  third->release();
  second->release();
  first->release();
}

TEST(Factory, CreatesBothClassesAndRefusesUnknownIds) {
  Factory factory;
  PClassInfo info;
  factory->getClassInfo(0, &info);
  void* obj = nullptr;
  ASSERT_EQ(factory->createInstance(info.cid, Vst::IAudioProcessor::iid, &obj), kResultOk);
  ASSERT_NE(obj, nullptr);
  static_cast<Vst::IAudioProcessor*>(obj)->release();
  factory->getClassInfo(1, &info);
  ASSERT_EQ(factory->createInstance(info.cid, Vst::IEditController::iid, &obj), kResultOk);
  static_cast<Vst::IEditController*>(obj)->release();
  TUID unknown = {};
  EXPECT_NE(factory->createInstance(unknown, Vst::IAudioProcessor::iid, &obj), kResultOk);
  EXPECT_EQ(obj, nullptr);
}

TEST(ModuleEntry, ExitBeyondInitIsRefusedAndBalancedCallsSucceed) {
#if defined(_WIN32)
  auto init = reinterpret_cast<bool (*)()>(module().symbol("InitDll"));
  auto exitFn = reinterpret_cast<bool (*)()>(module().symbol("ExitDll"));
  ASSERT_TRUE(init && exitFn);
  EXPECT_TRUE(init());
#else
  auto entry = reinterpret_cast<bool (*)(void*)>(module().symbol("ModuleEntry"));
  auto exitFn = reinterpret_cast<bool (*)()>(module().symbol("ModuleExit"));
  ASSERT_TRUE(entry && exitFn);
  EXPECT_TRUE(entry(nullptr));
#endif
  // The fixture holds one init; with ours there are two.
  EXPECT_TRUE(exitFn());
  EXPECT_TRUE(exitFn());
  EXPECT_FALSE(exitFn());
  // Restore the fixture's own reference for the tests that follow.
#if defined(_WIN32)
  init();
#else
  entry(nullptr);
#endif
}
