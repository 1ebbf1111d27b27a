// platform/rtl/Format.h
//
// `Format(fmt, args...)`: text from a format string and arguments, in the
// classic runtime's style (not printf's). A specifier is
//
//   "%" [index ":"] ["-"] [width] ["." precision] type
//
// index, width and precision are decimal numbers or "*" (the value is taken
// from the next argument, which must be an integer). The index counts from 0
// and moves the argument cursor: "%1:s %0:s %s" uses arguments 1, 0, 1.
// "-" pads on the right instead of the left; padding is with blanks. "%%" is
// one "%". Types (letter case does not matter):
//
//   d  signed decimal; precision = least digits (zero-filled after the sign)
//   u  unsigned decimal; a negative 32-bit (64-bit) integer reads as its
//      32-bit (64-bit) two's complement
//   x  hexadecimal, upper-case digits (for "%x" too, as the classic runtime
//      has it); precision = least digits
//   e  scientific "-d.dddE+ddd": precision = significant digits (default 15)
//   f  fixed "-ddd.dd": precision = decimals (default 2)
//   g  general: the shorter of fixed and scientific, precision = significant
//      digits (default 15), trailing zeros dropped ("1.5", "1E20", "1E-7")
//   n  as f with thousand separators
//   m  money: CurrencyString, CurrencyFormat and NegCurrFormat of the format
//      settings; precision = decimals (default CurrencyDecimals)
//   p  pointer, 16 upper-case hexadecimal digits
//   s  text; precision = most bytes taken (never splitting a UTF-8 sequence)
//
// e, f, g, n and m use FormatSettings()'s DecimalSeparator and
// ThousandSeparator (a ThousandSeparator of '\0' means none); not-a-number
// and infinities are written "NAN", "INF" and "-INF". Widths and precisions
// count bytes.
//
// Arguments: integers (d u x, and "*"); floating-point values and Currency
// (e f g n m; Currency amounts are written exactly); text — String,
// string_view, const char*, char, UTF-16 text — (s); pointers (p). Any other
// pairing raises EConvertError "Format '%s' invalid or incompatible with
// argument" (with the format string); a missing argument raises
// EConvertError "No argument for format '%s'". A type of our own joins by
// declaring `TFormatArg MakeFormatArg(const T&)` beside it.
//
// Threads: reads the process-wide format settings; see FormatSettings.h.
#pragma once

#include <concepts>
#include <cstddef>
#include <string_view>
#include <type_traits>

#include "platform/rtl/Types.h"

// One argument, as Format sees it. It refers to, and does not own, text.
struct TFormatArg {
  enum class Kind : unsigned char {
    Signed,
    Unsigned,
    Float,
    Currency,
    Text,
    WideText,
    Char,
    Pointer
  };

  Kind kind = Kind::Signed;
  unsigned char bits = 64;  // width of a Signed or Unsigned: 32 or 64
  union {
    Int64 i;        // Signed; Currency in ten-thousandths; Char
    UInt64 u;       // Unsigned
    double d;       // Float
    const void* p;  // Text, WideText, Pointer
  };
  std::size_t length = 0;  // Text and WideText, in code units

  TFormatArg() : i(0) {}

  // Text, wide text or a pointer: refers to `length` code units at `data`.
  static TFormatArg Referring(Kind kind, const void* data, std::size_t length) {
    TFormatArg a;
    a.kind = kind;
    a.p = data;
    a.length = length;
    return a;
  }

  // A currency amount held as an integer count of ten-thousandths.
  static TFormatArg FromCurrency(Int64 ten_thousandths) {
    TFormatArg a;
    a.kind = Kind::Currency;
    a.i = ten_thousandths;
    return a;
  }
};

inline TFormatArg MakeFormatArg(const TFormatArg& arg) {
  return arg;
}

template <std::integral T>
TFormatArg MakeFormatArg(T value) {
  static_assert(!std::same_as<T, bool>, "Format has no specifier for Boolean values");
  TFormatArg a;
  a.bits = sizeof(T) > 4 ? 64 : 32;
  if constexpr (std::is_signed_v<T>) {
    a.kind = TFormatArg::Kind::Signed;
    a.i = value;
  } else {
    a.kind = TFormatArg::Kind::Unsigned;
    a.u = value;
  }
  return a;
}

inline TFormatArg MakeFormatArg(char c) {
  TFormatArg a;
  a.kind = TFormatArg::Kind::Char;
  a.i = static_cast<unsigned char>(c);
  return a;
}

template <std::floating_point T>
TFormatArg MakeFormatArg(T value) {
  TFormatArg a;
  a.kind = TFormatArg::Kind::Float;
  a.d = static_cast<double>(value);
  return a;
}

inline TFormatArg MakeFormatArg(std::string_view text) {
  return TFormatArg::Referring(TFormatArg::Kind::Text, text.data(), text.size());
}
inline TFormatArg MakeFormatArg(const String& text) {
  return MakeFormatArg(std::string_view(text));
}
inline TFormatArg MakeFormatArg(const char* text) {
  return MakeFormatArg(text ? std::string_view(text) : std::string_view());
}
inline TFormatArg MakeFormatArg(char* text) {
  return MakeFormatArg(static_cast<const char*>(text));
}

inline TFormatArg MakeFormatArg(std::u16string_view text) {
  return TFormatArg::Referring(TFormatArg::Kind::WideText, text.data(), text.size());
}
inline TFormatArg MakeFormatArg(const WideString& text) {
  return MakeFormatArg(std::u16string_view(text));
}
inline TFormatArg MakeFormatArg(const char16_t* text) {
  return MakeFormatArg(text ? std::u16string_view(text) : std::u16string_view());
}

template <class T>
TFormatArg MakeFormatArg(T* pointer) {
  return TFormatArg::Referring(TFormatArg::Kind::Pointer, pointer, 0);
}
TFormatArg MakeFormatArg(std::nullptr_t) = delete;  // ambiguous: say (void*)nullptr or a typed null

class Currency;
TFormatArg MakeFormatArg(const Currency& amount);  // exact, for e f g n m

// The non-template core: `count` arguments at `args`.
String FormatArgs(std::string_view format, const TFormatArg* args, std::size_t count);

template <class... Args>
String Format(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatArgs(format, nullptr, 0);
  } else {
    const TFormatArg list[] = {MakeFormatArg(args)...};
    return FormatArgs(format, list, sizeof...(Args));
  }
}
