#include "platform/rtl/ScopeExit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/rtl/Exceptions.h"

TEST(ScopeExit, StepErrorReachesCallerOnlyWhenNothingElseIsOnItsWay) {
  // A clean-up that fails after a normal end is the caller's error.
  EXPECT_THROW({ TScopeExit fail([] { throw EConvertError("clean-up"); }); }, EConvertError);
  // A clean-up that fails while an error unwinds must not end the program
  // nor hide the error that caused the unwinding.
  try {
    TScopeExit fail([] { throw EConvertError("clean-up"); });
    throw EInvalidOperation("first");
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "first");
  }
}

namespace {

// Runs a guard whose step fails inside a destructor that runs while an
// error unwinds, and notes whether the step's error came out of the guard.
struct TUnwindingWork {
  bool& caught;
  ~TUnwindingWork() {
    try {
      TScopeExit step([] { throw EConvertError("step"); });
    } catch (const EConvertError&) {
      caught = true;
    }
  }
};

}  // namespace

TEST(ScopeExit, GuardMadeDuringUnwindingStillReportsItsOwnError) {
  // The guard compares the count of errors in flight with the count when it
  // was made: one already unwinding around it is not its business.
  bool caught = false;
  try {
    TUnwindingWork work{caught};
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(caught);
}

TEST(SetForScope, PutsThePreviousValueBackOnEveryWayOut) {
  bool flag = false;
  {
    const auto set = SetForScope(flag, true);
    EXPECT_TRUE(flag);
  }
  EXPECT_FALSE(flag);

  try {
    const auto set = SetForScope(flag, true);
    throw std::runtime_error("out");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(flag);

  // Nested guards on the same variable unwind to each one's own previous
  // value, not to the outermost one.
  std::vector<bool> seen;
  {
    const auto outer = SetForScope(flag, true);
    {
      const auto inner = SetForScope(flag, false);
      seen.push_back(flag);
    }
    seen.push_back(flag);
  }
  seen.push_back(flag);
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

TEST(SetForScope, KeepsValuesThatAreMovedRatherThanCopied) {
  String text = "before";
  {
    const auto set = SetForScope(text, String("during"));
    EXPECT_EQ(text, "during");
    text += " and changed";
  }
  EXPECT_EQ(text, "before");
}
