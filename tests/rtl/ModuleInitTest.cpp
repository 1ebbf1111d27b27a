#include "platform/rtl/ModuleInit.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

TEST(Modules, StartInOrderAndEndInReverse) {
  std::vector<String> trace;
  auto module = [&](const char* name) {
    return TModuleInit{name, [&trace, name] { trace.push_back(String("+") + name); },
                       [&trace, name] { trace.push_back(String("-") + name); }};
  };
  InitializeModules({module("a"), module("b")});
  InitializeModules({module("c")});
  FinalizeModules();
  EXPECT_EQ(trace, (std::vector<String>{"+a", "+b", "+c", "-c", "-b", "-a"}));
}

TEST(Modules, AFailingStartEndsWhatHadStarted) {
  std::vector<String> trace;
  std::vector<TModuleInit> list = {
      {"a", [&] { trace.push_back("+a"); }, [&] { trace.push_back("-a"); }},
      {"b", [] { throw EInvalidOperation("b fails"); }, [&] { trace.push_back("-b"); }},
      {"c", [&] { trace.push_back("+c"); }, nullptr}};
  EXPECT_THROW(InitializeModules(list), EInvalidOperation);
  EXPECT_EQ(trace, (std::vector<String>{"+a", "-a"}));
}

}  // namespace
