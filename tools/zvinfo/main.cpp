// Prints what a host sees of a module: factory information, class records and parameters.
//   zvinfo MODULE
#include <cstdio>
#include <string>

#include "ModuleHost.h"

using namespace Steinberg;

namespace {

std::string hexId(const TUID id) {
  std::string out;
  char byte[4];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(byte, sizeof(byte), "%02X", static_cast<unsigned char>(id[i]));
    out += byte;
    if (i < 15) out += ' ';
  }
  return out;
}

std::string narrow(const Vst::TChar* s) {
  std::string out;
  for (int i = 0; s[i]; ++i) out += static_cast<char>(s[i] & 0xFF);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr,
                 "usage: zvinfo MODULE\n  Prints the factory, class records and parameters of a "
                 "VST 3 module.\n");
    return argc == 2 ? 0 : 2;
  }
  std::string error;
  auto module = zvhost::Module::load(argv[1], error);
  if (!module) {
    std::fprintf(stderr, "zvinfo: %s\n", error.c_str());
    return 1;
  }
  IPluginFactory* factory = module->getFactory();
  PFactoryInfo info;
  factory->getFactoryInfo(&info);
  std::printf("factory: vendor \"%s\", url \"%s\", flags 0x%X\n", info.vendor, info.url,
              info.flags);

  IPluginFactory2* factory2 = nullptr;
  factory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&factory2));
  for (int32 i = 0; i < factory->countClasses(); ++i) {
    PClassInfo2 ci;
    if (!factory2 || factory2->getClassInfo2(i, &ci) != kResultOk) continue;
    std::printf(
        "class %d: \"%s\" (%s)\n  id       %s\n  flags    %u, sub-categories \"%s\"\n"
        "  version  %s, %s\n",
        i, ci.name, ci.category, hexId(ci.cid).c_str(), ci.classFlags, ci.subCategories, ci.version,
        ci.sdkVersion);
  }
  if (factory2) factory2->release();

  auto instance = zvhost::PluginInstance::create(factory, error);
  if (instance) {
    Vst::IEditController* controller = instance->controller();
    std::printf("parameters: %d\n", controller->getParameterCount());
    for (int32 i = 0; i < controller->getParameterCount(); ++i) {
      Vst::ParameterInfo p{};
      controller->getParameterInfo(i, p);
      Vst::String128 text{};
      controller->getParamStringByValue(p.id, p.defaultNormalizedValue, text);
      std::printf("  %2u %-18s steps %2d flags %2d default %s\n", p.id, narrow(p.title).c_str(),
                  p.stepCount, p.flags, narrow(text).c_str());
    }
    std::printf("latency at 44100 Hz: ");
    instance->start(44100.0, 512);
    std::printf("%u samples\n", instance->processor()->getLatencySamples());
  }
  instance.reset();
  factory->release();
  return 0;
}
