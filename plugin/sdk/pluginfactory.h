// CPluginFactory: the SDK's class factory, missing from the SDK copy we build against.
// Holds class records with their creation functions and answers IPluginFactory 1 to 3.
#pragma once

#include <vector>

#include "pluginterfaces/base/ipluginbase.h"

namespace Steinberg {

using FactoryCreateFunction = FUnknown* (*)(void* context);

class CPluginFactory : public IPluginFactory3 {
 public:
  explicit CPluginFactory(const PFactoryInfo& info);
  virtual ~CPluginFactory();

  bool registerClass(const PClassInfo2* info, FactoryCreateFunction createFunc,
                     void* context = nullptr);
  bool isClassRegistered(const FUID& cid) const;

  DECLARE_FUNKNOWN_METHODS

  // IPluginFactory
  tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
  int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
  tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
  tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) SMTG_OVERRIDE;
  // IPluginFactory2
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;
  // IPluginFactory3
  tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
  tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE { return kNotImplemented; }

 private:
  struct ClassEntry {
    PClassInfo2 info2;
    PClassInfoW infoW;
    FactoryCreateFunction createFunc;
    void* context;
  };

  PFactoryInfo factoryInfo;
  std::vector<ClassEntry> classes;
};

// The module's one factory; cleared when the last reference goes.
extern CPluginFactory* gPluginFactory;

}  // namespace Steinberg
