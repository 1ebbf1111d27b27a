// platform/rtl/ScopeExit.h
//
// TScopeExit runs a clean-up step when its scope is left, by return or by an
// exception: the "protected block" of the program's code. An error of the
// step itself reaches the caller, unless another exception is already on its
// way out; then the step's error is dropped so that the first one wins.
#pragma once

#include <exception>
#include <utility>

template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F f) : f_(std::move(f)), uncaught_(std::uncaught_exceptions()) {}
  ~TScopeExit() noexcept(false) {
    if (std::uncaught_exceptions() == uncaught_) {
      f_();
      return;
    }
    try {
      f_();
    } catch (...) {
    }
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F f_;
  int uncaught_;
};

// Gives `variable` the value `value` until the returned guard leaves its
// scope, then puts back the value it had before: the usual guard of a
// re-entrancy or "busy" flag.
//   const auto busy = SetForScope(busy_, true);
template <class T, class U>
[[nodiscard]] auto SetForScope(T& variable, U&& value) {
  T previous = std::exchange(variable, std::forward<U>(value));
  return TScopeExit(
      [&variable, previous = std::move(previous)]() mutable { variable = std::move(previous); });
}
