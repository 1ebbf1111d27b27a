#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ExceptionHandling, ReplacedHandlerSeesErrorsButNotAborts) {
  std::vector<String> seen;
  TExceptionHandler previous =
      SetExceptionHandler([&](const std::exception& e) { seen.push_back(e.what()); });
  HandleException(EConvertError("'x' is not a valid integer value"));
  try {
    Abort();
  } catch (...) {
    HandleCurrentException();
  }
  try {
    throw std::runtime_error("plain");
  } catch (...) {
    HandleCurrentException();
  }
  SetExceptionHandler(previous);
  EXPECT_EQ(seen, (std::vector<String>{"'x' is not a valid integer value", "plain"}));
}

TEST(ExceptionHandling, HierarchyLetsCallersCatchByFamily) {
  try {
    throw EFOpenError("Cannot open file \"x\"");
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"x\"");
  }
  try {
    throw EIntOverflow("Integer overflow");
  } catch (const EIntError&) {
    SUCCEED();
  }
}
