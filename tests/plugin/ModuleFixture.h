// Loads the built module once per test program, as a host would.
#pragma once

#include <gtest/gtest.h>

#include "ModuleHost.h"

namespace zvtest {

inline zvhost::Module& module() {
  static std::unique_ptr<zvhost::Module> instance = [] {
    std::string error;
    auto m = zvhost::Module::load(ZV_MODULE_FILE, error);
    if (!m) {
      fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return m;
  }();
  return *instance;
}

// A factory reference released at scope end.
struct Factory {
  Factory() : ptr(module().getFactory()) {}
  ~Factory() {
    if (ptr) ptr->release();
  }
  Steinberg::IPluginFactory* operator->() { return ptr; }
  Steinberg::IPluginFactory* ptr;
};

inline std::unique_ptr<zvhost::PluginInstance> makeInstance() {
  Factory factory;
  std::string error;
  auto inst = zvhost::PluginInstance::create(factory.ptr, error);
  EXPECT_TRUE(inst) << error;
  return inst;
}

}  // namespace zvtest
