#include <cmath>
#include <cstring>
#include <string>

#include "ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace zvtest;

// What a host stores in its projects and shows in its lists: the vendor, both classes in every
// record form with the ids as text (the byte order inside a TUID differs by platform), each class
// created for the interface a host asks for, and nothing for an unknown id or index.
TEST(Factory, DescribesAndCreatesBothClassesInEveryRecordForm) {
  auto factory = owned(module().getFactory());
  PFactoryInfo about;
  ASSERT_EQ(factory->getFactoryInfo(&about), kResultOk);
  EXPECT_STREQ(about.vendor, "Zoqua");
  EXPECT_STREQ(about.email, "");
  EXPECT_EQ(about.flags, 0x10);  // Unicode
  FUnknownPtr<IPluginFactory3> factory3(factory);
  ASSERT_TRUE(factory3);
  ASSERT_EQ(factory->countClasses(), 2);
  const struct {
    const char* id;
    const char* category;
    const char* name;
    const char* subCategories;
    uint32 flags;
    const TUID& iid;
  } classes[2] = {{"5A6F717561566F329A3C51E70B5D2F41", "Audio Module Class", "ZoquaVoce",
                   "Fx|Pitch Shift", 1, IComponent::iid},
                  {"5A6F717561566F326C1E88A273D9C4B6", "Component Controller Class",
                   "ZoquaVoce Controller", "", 0, IEditController::iid}};
  for (int32 i = 0; i < 2; ++i) {
    PClassInfo info;
    PClassInfo2 info2;
    PClassInfoW infoW;
    ASSERT_EQ(factory->getClassInfo(i, &info), kResultOk);
    ASSERT_EQ(factory3->getClassInfo2(i, &info2), kResultOk);
    ASSERT_EQ(factory3->getClassInfoUnicode(i, &infoW), kResultOk);
    char8 idText[33] = {};
    FUID::fromTUID(info.cid).toString(idText);
    EXPECT_STREQ(idText, classes[i].id);
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
    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(info.cid, classes[i].iid, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    static_cast<IPluginBase*>(obj)->release();
  }
  PClassInfo info;
  EXPECT_NE(factory->getClassInfo(2, &info), kResultOk);
  EXPECT_NE(factory->getClassInfo(-1, &info), kResultOk);
  TUID unknown = {};
  void* obj = &info;
  EXPECT_NE(factory->createInstance(unknown, IComponent::iid, &obj), kResultOk);
  EXPECT_EQ(obj, nullptr);
}

TEST(Factory, EveryCallReturnsTheSameObjectWithOneMoreReference) {
  IPluginFactory* first = module().getFactory();
  const uint32 references = first->addRef();
  IPluginFactory* second = module().getFactory();
  EXPECT_EQ(second, first);
  EXPECT_EQ(second->addRef(), references + 2);
  for (int k = 0; k < 4; ++k) first->release();
}

// The module counts its inits; an exit beyond them is refused (called here past the host's own
// count, which stays balanced for the module's unload).
TEST(ModuleEntry, ExitBeyondInitIsRefusedAndBalancedCallsSucceed) {
  void* exitDll = module().symbol("ExitDll");
  auto exitRaw = reinterpret_cast<bool (*)()>(exitDll ? exitDll : module().symbol("ModuleExit"));
  ASSERT_TRUE(exitRaw);
  ASSERT_TRUE(module().callInit());  // the fixture holds one init; with ours there are two
  EXPECT_TRUE(module().callExit());
  EXPECT_TRUE(module().callExit());
  EXPECT_FALSE(exitRaw());
  ASSERT_TRUE(module().callInit());  // the fixture's own, for the tests that follow
}

// Twenty-two parameters in id order. A host that sets a value from the text it displayed
// (automation lanes, generic editors) must get the same value back: every step of a stepped
// parameter, a sweep of the continuous ones. Values out of range show as the nearest end (NaN once
// indexed the name lists: it shows as 0), and texts that mean nothing for a parameter are refused
// rather than read as the bottom end. State lives in the processor alone, and the only view the
// controller knows is the editor (none here: no window system is attached).
TEST(Controller, RegistersTwentyTwoParametersWhoseDisplayedValuesReadBack) {
  auto inst = makeInstance();
  IEditController* c = inst->controller();
  auto show = [c](int32 id, double v) {
    String128 text{};
    EXPECT_EQ(c->getParamStringByValue(id, v, text), kResultOk);
    return std::basic_string<TChar>(text);
  };
  ASSERT_EQ(c->getParameterCount(), 22);
  for (int32 id = 0; id < 22; ++id) {
    ParameterInfo info{};
    ASSERT_EQ(c->getParameterInfo(id, info), kResultOk);
    EXPECT_EQ(info.id, static_cast<ParamID>(id));
    EXPECT_EQ(info.unitId, kRootUnitId);
    const int32 points = info.stepCount > 0 ? info.stepCount : 400;
    for (int32 k = 0; k <= points; ++k) {
      const ParamValue v = static_cast<double>(k) / points;
      const auto shown = show(id, v);
      ParamValue back = -1;
      ASSERT_EQ(c->getParamValueByString(id, const_cast<TChar*>(shown.c_str()), back), kResultOk)
          << id << " " << v;
      EXPECT_EQ(show(id, back), shown) << id << " " << v;
      EXPECT_TRUE(info.stepCount == 0 || std::abs(back - v) < 1e-12) << id << " " << back;
    }
    EXPECT_EQ(show(id, std::nan("")), show(id, 0.0)) << id;
    EXPECT_EQ(show(id, -INFINITY), show(id, 0.0)) << id;
    EXPECT_EQ(show(id, INFINITY), show(id, 1.0)) << id;
    if (id < 16) {  // meters show what they are given
      EXPECT_EQ(show(id, -1.0), show(id, 0.0)) << id;
      EXPECT_EQ(show(id, 2.0), show(id, 1.0)) << id;
    }
  }
  ParameterInfo key{};
  c->getParameterInfo(0, key);
  EXPECT_EQ(key.stepCount, 11);
  EXPECT_EQ(key.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList);
  EXPECT_NEAR(c->getParamNormalized(0), 1.0 / 11, 1e-15);
  EXPECT_EQ(c->getParamNormalized(99), 0.0);
  ParamValue v = -1;
  String128 number = {u'3', 0}, nan = {u'n', u'a', u'n', 0};
  EXPECT_NE(c->getParamValueByString(1, number, v), kResultOk);
  EXPECT_NE(c->getParamValueByString(6, nan, v), kResultOk);
  EXPECT_EQ(v, -1);
  EXPECT_DOUBLE_EQ(c->normalizedParamToPlain(2, 0.5), 100.0);
  EXPECT_DOUBLE_EQ(c->plainParamToNormalized(2, 100.0), 0.5);
  MemoryStream stream;
  EXPECT_EQ(c->getState(&stream), kNotImplemented);
  EXPECT_EQ(c->setState(&stream), kNotImplemented);
  for (const char* name : {"Editor", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(c->createView(name), nullptr);
}
