// platform/rtl/ModuleInit.cpp
#include "platform/rtl/ModuleInit.h"

#include <utility>

namespace {
std::vector<TModuleInit>& Started() {
  static std::vector<TModuleInit> modules;
  return modules;
}
}  // namespace

void InitializeModules(std::vector<TModuleInit> modules) {
  for (TModuleInit& m : modules) {
    try {
      if (m.Initialize) m.Initialize();
    } catch (...) {
      FinalizeModules();
      throw;
    }
    Started().push_back(std::move(m));
  }
}

void FinalizeModules() {
  auto& started = Started();
  while (!started.empty()) {
    TModuleInit m = std::move(started.back());
    started.pop_back();
    if (m.Finalize) m.Finalize();
  }
}
