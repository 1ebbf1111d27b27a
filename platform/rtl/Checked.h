// platform/rtl/Checked.h
//
// Integer arithmetic and conversions that fail loudly where the program's
// arithmetic relied on overflow and range checking: instead of wrapping
// around, a result that does not fit raises.
//   CheckedAdd / CheckedSub / CheckedMul   EIntOverflow "Integer overflow"
//   CheckedDiv / CheckedMod                EDivByZero "Division by zero",
//                                          EIntOverflow (smallest value DIV -1)
//   CheckedDivide (floating point)         EZeroDivide "Floating point division
//                                          by zero", EInvalidOp for 0 / 0
//   RangeChecked<To>(value)                ERangeError "Range check error"
//   CheckIndex(index, count)               ERangeError "Range check error"
// Each is usable in constant expressions when it does not raise.
#pragma once

#include <cmath>
#include <concepts>
#include <utility>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

[[noreturn]] inline void RaiseIntOverflow() {
  throw EIntOverflow("Integer overflow");
}
[[noreturn]] inline void RaiseRangeError() {
  throw ERangeError("Range check error");
}

template <class T>
concept CheckedInteger = std::same_as<T, Integer> || std::same_as<T, Int64>;

// For Integer and Int64 (both operands of one type).
template <CheckedInteger T>
constexpr T CheckedAdd(T a, T b) {
  T r;
  return __builtin_add_overflow(a, b, &r) ? (RaiseIntOverflow(), r) : r;
}
template <CheckedInteger T>
constexpr T CheckedSub(T a, T b) {
  T r;
  return __builtin_sub_overflow(a, b, &r) ? (RaiseIntOverflow(), r) : r;
}
template <CheckedInteger T>
constexpr T CheckedMul(T a, T b) {
  T r;
  return __builtin_mul_overflow(a, b, &r) ? (RaiseIntOverflow(), r) : r;
}

// Quotient and remainder truncated toward zero, as integer division does. The
// quotient of the smallest value by -1 does not fit and raises; its remainder
// is 0, which fits, so CheckedMod answers it.
template <CheckedInteger T>
constexpr T CheckedDiv(T a, T b) {
  if (b == 0) throw EDivByZero("Division by zero");
  if (b == -1) return CheckedSub(T(0), a);
  return a / b;
}
template <CheckedInteger T>
constexpr T CheckedMod(T a, T b) {
  if (b == 0) throw EDivByZero("Division by zero");
  if (b == -1) return 0;
  return a % b;
}

// Floating-point division that raises where the floating-point unit of the
// original platform trapped: a finite or infinite value by zero, and zero (or
// not-a-number) by zero.
inline double CheckedDivide(double x, double y) {
  if (y == 0) {
    if (x == 0 || std::isnan(x)) throw EInvalidOp("Invalid floating point operation");
    throw EZeroDivide("Floating point division by zero");
  }
  return x / y;
}

// `value` converted to the integer type `To`; raises when it does not fit
// (a negative value never fits an unsigned type).
template <std::integral To, std::integral From>
constexpr To RangeChecked(From value) {
  if (!std::in_range<To>(value)) RaiseRangeError();
  return static_cast<To>(value);
}

// Raises unless 0 <= index < count.
template <std::integral I, std::integral C>
constexpr void CheckIndex(I index, C count) {
  if (std::cmp_less(index, 0) || !std::cmp_less(index, count)) RaiseRangeError();
}
