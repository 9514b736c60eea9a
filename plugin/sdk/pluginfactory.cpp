#include "pluginfactory.h"

#include <cstring>

namespace Steinberg {

CPluginFactory* gPluginFactory = nullptr;

IMPLEMENT_REFCOUNT(CPluginFactory)

CPluginFactory::CPluginFactory(const PFactoryInfo& info)
    : factoryInfo(info){FUNKNOWN_CTOR}

      CPluginFactory::~CPluginFactory() {
  // A host that releases the factory and asks again gets a fresh one, never a dangling pointer.
  if (gPluginFactory == this) gPluginFactory = nullptr;
  FUNKNOWN_DTOR
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID _iid, void** obj) {
  QUERY_INTERFACE(_iid, obj, IPluginFactory::iid, IPluginFactory)
  QUERY_INTERFACE(_iid, obj, IPluginFactory2::iid, IPluginFactory2)
  QUERY_INTERFACE(_iid, obj, IPluginFactory3::iid, IPluginFactory3)
  QUERY_INTERFACE(_iid, obj, FUnknown::iid, IPluginFactory)
  *obj = nullptr;
  return kNoInterface;
}

bool CPluginFactory::registerClass(const PClassInfo2* info, FactoryCreateFunction createFunc,
                                   void* context) {
  if (!info || !createFunc) return false;
  ClassEntry entry{};
  entry.info2 = *info;
  entry.infoW.fromAscii(*info);
  entry.createFunc = createFunc;
  entry.context = context;
  classes.push_back(entry);
  return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) const {
  for (const auto& entry : classes)
    if (FUnknownPrivate::iidEqual(cid, entry.info2.cid)) return true;
  return false;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
  if (!info) return kInvalidArgument;
  std::memcpy(info, &factoryInfo, sizeof(PFactoryInfo));
  return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() {
  return static_cast<int32>(classes.size());
}

namespace {

// The class queries' one rule: a null record is refused, and so is an index out of range, with
// the record zeroed so a host never reads what an earlier query left in it.
template <typename Info, typename Fill>
tresult answerClassQuery(int32 index, int32 count, Info* info, Fill&& fill) {
  if (!info) return kInvalidArgument;
  if (index < 0 || index >= count) {
    std::memset(info, 0, sizeof(Info));
    return kInvalidArgument;
  }
  fill(*info);
  return kResultOk;
}

}  // namespace

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
  return answerClassQuery(index, countClasses(), info, [&](PClassInfo& out) {
    const PClassInfo2& src = classes[index].info2;
    std::memcpy(out.cid, src.cid, sizeof(TUID));
    out.cardinality = src.cardinality;
    std::memcpy(out.category, src.category, sizeof(out.category));
    std::memcpy(out.name, src.name, sizeof(out.name));
  });
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
  return answerClassQuery(index, countClasses(), info, [&](PClassInfo2& out) {
    std::memcpy(&out, &classes[index].info2, sizeof(PClassInfo2));
  });
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
  return answerClassQuery(index, countClasses(), info, [&](PClassInfoW& out) {
    std::memcpy(&out, &classes[index].infoW, sizeof(PClassInfoW));
  });
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString _iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!cid || !_iid) return kInvalidArgument;
  for (const auto& entry : classes) {
    if (!FUnknownPrivate::iidEqual(entry.info2.cid, cid)) continue;
    FUnknown* instance = entry.createFunc(entry.context);
    if (!instance) return kOutOfMemory;
    tresult result = instance->queryInterface(_iid, obj);
    if (result != kResultOk) *obj = nullptr;
    instance->release();
    return result == kResultOk ? kResultOk : kNoInterface;
  }
  return kNoInterface;
}

}  // namespace Steinberg
