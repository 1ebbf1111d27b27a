// platform/rtl/FloatText.h
//
// Text of floating-point and currency values, as files and filters write and
// read them. The decimal separator is the process-wide
// FormatSettings().DecimalSeparator; no thousand separators are written or
// accepted. Parsing ignores blanks and control characters around the text
// and raises EConvertError naming the text (the Try... forms return false).
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

// The shortest general text of `value` at `precision` significant digits
// (15 unless a caller knows its value holds fewer, as a single does with 7):
// plain notation when the value is 0, or when its rounded magnitude is at
// least 1E-5 and it has at most `precision` integer digits; otherwise a
// mantissa, "E", a "-" only for a negative exponent and the exponent without
// leading zeros ("1E20", "1.5E-7"). Trailing zeros are never written.
// NaN and the infinities give "NAN", "INF" and "-INF".
String FloatToStr(double value, int precision = 15);

// Accepts an optional sign, digits with an optional decimal separator (at
// least one digit in all), and an optional exponent "E" or "e" with an
// optional sign: "1E+20", "-1e-5", ".5", "7.". Values beyond the double
// range fail.
bool TryStrToFloat(const String& text, double& value);
double StrToFloat(const String& text);
double StrToFloatDef(const String& text, double default_value);

// Every digit of the amount, the four decimals without trailing zeros:
// "1234.5", "-0.0001", "17".
String CurrToStr(Currency value);
// Reads the same forms as StrToFloat; digits beyond the fourth decimal round
// half away from zero, and plain decimal text converts exactly.
bool TryStrToCurr(const String& text, Currency& value);
Currency StrToCurr(const String& text);
