// One renderer per test program, holding the built module loaded through its entry points.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Renderer.h"

namespace zvtest {

inline zvrender::Renderer& sharedRenderer() {
  static zvrender::Renderer* instance = [] {
    auto* r = new zvrender::Renderer();
    std::string error;
    if (!r->loadModule(ZV_MODULE_FILE, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return r;
  }();
  return *instance;
}

}  // namespace zvtest
