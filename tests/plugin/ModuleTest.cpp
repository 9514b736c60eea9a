#include <cstring>
#include <string>

#include "ModuleFixture.h"

using namespace Steinberg;
using namespace zvtest;

namespace {

// The ids as hosts write them into projects; the byte order inside a TUID differs by platform.
std::string idText(const TUID cid) {
  char8 text[33] = {};
  FUID::fromTUID(cid).toString(text);
  return text;
}

}  // namespace

TEST(Factory, InformationNamesTheVendorInUnicodeMode) {
  Factory factory;
  PFactoryInfo info;
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Zoqua");
  EXPECT_STREQ(info.email, "");
  EXPECT_EQ(info.flags, 0x10);
}

// What a host stores in its projects and shows in its lists, both classes in every record form.
TEST(Factory, ClassRecordsNameBothClassesWithTheirIdsInEveryForm) {
  Factory factory;
  IPtr<IPluginFactory3> factory3;
  ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid, reinterpret_cast<void**>(&factory3)),
            kResultOk);
  factory3 = owned(factory3.take());
  ASSERT_EQ(factory->countClasses(), 2);
  const struct {
    const char* id;
    const char* category;
    const char* name;
    const char* subCategories;
    uint32 flags;
  } classes[2] = {
      {"5A6F717561566F329A3C51E70B5D2F41", "Audio Module Class", "ZoquaVoce", "Fx|Pitch Shift", 1},
      {"5A6F717561566F326C1E88A273D9C4B6", "Component Controller Class", "ZoquaVoce Controller", "",
       0}};
  for (int32 i = 0; i < 2; ++i) {
    PClassInfo info;
    PClassInfo2 info2;
    PClassInfoW infoW;
    ASSERT_EQ(factory->getClassInfo(i, &info), kResultOk);
    ASSERT_EQ(factory3->getClassInfo2(i, &info2), kResultOk);
    ASSERT_EQ(factory3->getClassInfoUnicode(i, &infoW), kResultOk);
    EXPECT_EQ(idText(info.cid), classes[i].id);
    EXPECT_STREQ(info.category, classes[i].category);
    EXPECT_STREQ(info.name, classes[i].name);
    EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
    EXPECT_EQ(std::memcmp(info2.cid, info.cid, 16), 0);
    EXPECT_EQ(std::memcmp(infoW.cid, info.cid, 16), 0);
    EXPECT_STREQ(info2.subCategories, classes[i].subCategories);
    EXPECT_STREQ(infoW.subCategories, classes[i].subCategories);
    EXPECT_EQ(info2.classFlags, classes[i].flags);
    EXPECT_EQ(infoW.classFlags, classes[i].flags);
    EXPECT_STREQ(info2.version, "4.6.0");
    EXPECT_STREQ(info2.sdkVersion, "VST 3.8.1");
    for (int k = 0; info.name[k]; ++k) EXPECT_EQ(infoW.name[k], static_cast<char16>(info.name[k]));
    EXPECT_EQ(infoW.version[0], u'4');
  }
  PClassInfo info;
  EXPECT_NE(factory->getClassInfo(2, &info), kResultOk);
  EXPECT_NE(factory->getClassInfo(-1, &info), kResultOk);
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
