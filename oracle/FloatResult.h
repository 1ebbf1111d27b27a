// oracle/FloatResult.h
//
// The filter evaluator's floating-point results are checked as the original
// platform's floating-point unit trapped them: a result that is not a number
// raises EInvalidOp, one beyond the double range EOverflow.
#pragma once

#include <cmath>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

inline double CheckFloatResult(double value) {
  if (std::isnan(value)) throw EInvalidOp("Invalid floating point operation");
  if (std::isinf(value)) throw EOverflow("Floating point overflow");
  return value;
}

// `value` truncated toward zero as an Integer; ERangeError when it does not
// fit (not-a-number never does).
inline Integer TruncToInteger(double value) {
  const double whole = std::trunc(value);
  if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) throw ERangeError("Range check error");
  return static_cast<Integer>(whole);
}
