// memtable/MemTableInternal.h
//
// Small helpers shared by the memory table's own source files; not part of
// the table's interface.
#pragma once

#include <exception>
#include <utility>

// Runs `f` when the scope is left, also by an exception. When an exception
// is already on its way out, an error of `f` itself is dropped so that the
// first one reaches the caller.
template <class F>
class TvomScopeExit {
 public:
  explicit TvomScopeExit(F f) : f_(std::move(f)), uncaught_(std::uncaught_exceptions()) {}
  ~TvomScopeExit() noexcept(false) {
    if (std::uncaught_exceptions() == uncaught_) {
      f_();
      return;
    }
    try {
      f_();
    } catch (...) {
    }
  }
  TvomScopeExit(const TvomScopeExit&) = delete;
  TvomScopeExit& operator=(const TvomScopeExit&) = delete;

 private:
  F f_;
  int uncaught_;
};
