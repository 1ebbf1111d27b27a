// platform/rtl/Variant.h
//
// `Variant`: one value of any of the kinds that fields, keys and filter
// expressions pass around, tagged with its type code (the conventional
// numbering, so stored codes and VarType checks read the same):
//
//   varEmpty (unassigned)  varNull   the integers varShortInt, varByte,
//   varSmallint, varWord, varInteger, varLongWord, varInt64   varSingle
//   varDouble   varCurrency   varDate (a TDateTime)   varString (UTF-8 text)
//   varBoolean   and arrays: varArray | element type, with bounds per
//   dimension; byte arrays (varArray | varByte) keep their bytes packed.
//
// Conversions (As...) follow the runtime's rules: Empty reads as 0, "" or
// False; Null converts to nothing and raises EVariantTypeCastError
// "Could not convert variant of type (Null) into type (...)" (VarToStr gives
// ""); a Boolean is -1 (True) or 0 as a number and "True"/"False" as text; a
// string reads as a number (integer text exactly, else FloatText's forms), a
// date (DateTime's forms) or a Boolean ("True"/"False" in any case, or a
// number); a float becomes an integer by rounding half to even. A value too
// large for the target raises EVariantOverflowError.
//
// Comparison (VarCompareValue, ==, <=>): Null equals Null and is unequal and
// unordered against everything else; Empty equals Empty and otherwise stands
// for the other side's zero ("", 0, False). Numbers compare by value across
// kinds; strings ordinally by bytes (VarCompareText: ignoring case, in the
// process locale); a string against a number is read as a number and
// against a date as a date, and raises EVariantTypeCastError when it cannot
// be; Booleans order False before True. Arrays do not compare (EVariantError).
//
// Arithmetic (+ - * / % VarIntDiv, unary -): Null in gives Null out; Empty
// counts as 0 (as "" for +). "+" of two strings concatenates; a string
// against a number is read as a number and added (raising when it is not
// one), as the runtime does, so "2" + 3 is 5 and "a" + 3 raises. Integers
// give Integer while the result fits 32 bits, else Int64, and Int64 overflow
// gives Double; Currency stays Currency; anything with a float gives Double
// (Single with Single stays Single); a date plus or minus a number stays a
// date, a date minus a date is a Double; "/" always divides exactly (Double,
// or Currency for currency by currency or integer). Division by zero raises
// EZeroDivide ("/") or EDivByZero (VarIntDiv, %).
//
// Logic (VarAnd, VarOr, VarNot): Booleans, strings and Empty combine as
// Booleans, with Null as unknown (False and Null is False, True or Null is
// True, otherwise Null); any other number makes the operation bitwise on
// integers.
//
// Inspecting a Variant (its type, its numbers, comparisons) does not
// allocate; copying a string or array value, or AsString, does.
#pragma once

#include <compare>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

using TVarType = Word;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;  // only as a VarAsType target: gives varString
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;  // array element type: any Variant
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;
inline constexpr TVarType varByRef = 0x4000;  // never produced: no Variant refers to another's data

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

struct TVarArrayData;

class Variant {
 public:
  Variant() noexcept : type_(varEmpty), int_(0) {}
  Variant(bool value) noexcept : type_(varBoolean), bool_(value) {}
  // Every integer type but the character types: the type code follows the
  // width and signedness (int8 varShortInt ... uint32 varLongWord, 64 bits
  // varInt64). An unsigned 64-bit value above the Int64 range raises
  // EVariantOverflowError.
  template <typename T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
           !std::is_same_v<T, wchar_t> && !std::is_same_v<T, char8_t> &&
           !std::is_same_v<T, char16_t> && !std::is_same_v<T, char32_t>) Variant(T value)
      : type_(IntegerTypeOf<T>()), int_(static_cast<Int64>(value)) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) == 8)
      if (value > static_cast<T>(INT64_MAX)) RaiseUnsignedOverflow();
  }
  Variant(float value) noexcept : type_(varSingle), double_(value) {}
  Variant(double value) noexcept : type_(varDouble), double_(value) {}
  Variant(Currency value) noexcept : type_(varCurrency), int_(value.Scaled()) {}
  Variant(const char* text) : type_(varString) { new (&string_) String(text ? text : ""); }
  Variant(std::string_view text) : type_(varString) { new (&string_) String(text); }
  Variant(String text) noexcept : type_(varString) { new (&string_) String(std::move(text)); }
  // Any other pointer would quietly become a Boolean.
  template <typename T>
  requires(!std::is_same_v<std::remove_cv_t<T>, char>) Variant(T*)
  = delete;

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { Reset(); }

  // The type code; arrays carry varArray with their element type.
  TVarType Type() const noexcept { return type_; }
  bool IsNull() const noexcept { return type_ == varNull; }
  bool IsEmpty() const noexcept { return type_ == varEmpty; }
  bool IsArray() const noexcept { return (type_ & varArray) != 0; }

  Integer AsInteger() const;
  Int64 AsInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  String AsString() const;
  TDateTime AsDateTime() const;
  Currency AsCurrency() const;

  // The element at `index` of a one-dimensional array (see VarArrayGet).
  Variant operator[](Integer index) const;

  friend bool operator==(const Variant& a, const Variant& b);
  // Unordered where VarCompareValue answers vrNotEqual.
  friend std::partial_ordering operator<=>(const Variant& a, const Variant& b);

  friend Variant operator+(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a, const Variant& b);
  friend Variant operator*(const Variant& a, const Variant& b);
  friend Variant operator/(const Variant& a, const Variant& b);
  friend Variant operator%(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a);

 private:
  friend class VariantAccess;

  template <typename T>
  static constexpr TVarType IntegerTypeOf() {
    if constexpr (sizeof(T) == 1)
      return std::is_signed_v<T> ? varShortInt : varByte;
    else if constexpr (sizeof(T) == 2)
      return std::is_signed_v<T> ? varSmallint : varWord;
    else if constexpr (sizeof(T) == 4)
      return std::is_signed_v<T> ? varInteger : varLongWord;
    else
      return varInt64;
  }
  [[noreturn]] static void RaiseUnsignedOverflow();

  void Reset() noexcept;
  void CopyScalar(const Variant& other) noexcept;
  void CopyFrom(const Variant& other);
  void MoveFrom(Variant& other) noexcept;

  TVarType type_;
  union {
    Int64 int_;      // every integer type; Currency in ten-thousandths
    double double_;  // varSingle (rounded to float), varDouble, varDate
    bool bool_;
    String string_;
    std::unique_ptr<TVarArrayData> array_;
  };
};

Variant Null();
Variant Unassigned();
Variant VarFromDateTime(TDateTime value);

TVarType VarType(const Variant& value);
bool VarIsNull(const Variant& value);
bool VarIsEmpty(const Variant& value);
// Empty (unassigned); Null is not clear.
bool VarIsClear(const Variant& value);
bool VarIsArray(const Variant& value);
// AsString, with Null giving "".
String VarToStr(const Variant& value);
// The value converted to `type` (varOleStr gives varString, varVariant a
// copy); raises as the As... conversions do.
Variant VarAsType(const Variant& value, TVarType type);

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
// As VarCompareValue, with strings compared ignoring case in the process locale.
TVariantRelationship VarCompareText(const Variant& a, const Variant& b);

// Integer division and remainder; floats are rounded first.
Variant VarIntDiv(const Variant& a, const Variant& b);
Variant VarMod(const Variant& a, const Variant& b);
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);

// Arrays. Bounds come in pairs, low then high, one pair per dimension:
// VarArrayCreate({0, 9}, varVariant). Elements start as the element type's
// zero (Empty for varVariant). An index outside the bounds, or a wrong count
// of indices, raises EVariantBadIndexError; a non-array raises EVariantError.
Variant VarArrayCreate(std::initializer_list<Integer> bounds, TVarType element_type);
// A one-dimensional varVariant array [0 .. count - 1] of the values.
Variant VarArrayOf(std::vector<Variant> values);
// A one-dimensional byte array [0 .. size - 1] holding a copy of the bytes.
Variant VarByteArray(const void* data, std::size_t size);
// 0 for a value that is not an array.
Integer VarArrayDimCount(const Variant& value);
// `dim` counts from 1.
Integer VarArrayLowBound(const Variant& value, Integer dim);
Integer VarArrayHighBound(const Variant& value, Integer dim);
Variant VarArrayGet(const Variant& array, std::initializer_list<Integer> indices);
// Stores the value converted to the element type.
void VarArrayPut(Variant& array, const Variant& value, std::initializer_list<Integer> indices);
// Changes the high bound of the last dimension, keeping the elements that
// remain and giving new ones the element type's zero.
void VarArrayRedim(Variant& array, Integer high_bound);
// The packed bytes of a byte array, first element first; raises EVariantError
// for any other value.
Byte* VarArrayBytes(Variant& array);
const Byte* VarArrayBytes(const Variant& array);
// The total element count of an array (0 for a value that is not one).
std::size_t VarArrayElementCount(const Variant& value);
