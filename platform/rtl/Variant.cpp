// platform/rtl/Variant.cpp
#include "platform/rtl/Variant.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/Checked.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/StringUtils.h"

// An array's elements in column-major order (the first index varies
// fastest), so changing the last dimension only cuts or extends the tail.
struct TVarArrayData {
  TVarType element_type = varVariant;
  std::vector<std::pair<Integer, Integer>> bounds;  // low, high per dimension
  std::vector<Variant> items;                       // every element type but varByte
  std::vector<Byte> bytes;                          // varByte

  std::size_t Offset(std::initializer_list<Integer> indices) const {
    if (indices.size() != bounds.size())
      throw EVariantBadIndexError("Variant array has " + std::to_string(bounds.size()) +
                                  " dimensions, indexed with " + std::to_string(indices.size()));
    std::size_t offset = 0, stride = 1;
    std::size_t dim = 0;
    for (Integer index : indices) {
      auto [low, high] = bounds[dim++];
      if (index < low || index > high)
        throw EVariantBadIndexError("Variant array index " + std::to_string(index) +
                                    " out of bounds " + std::to_string(low) + ".." +
                                    std::to_string(high));
      offset += static_cast<std::size_t>(static_cast<Int64>(index) - low) * stride;
      stride *= static_cast<std::size_t>(static_cast<Int64>(high) - low + 1);
    }
    return offset;
  }
};

class VariantAccess {
 public:
  static Int64 Int(const Variant& v) { return v.int_; }
  static double Real(const Variant& v) { return v.double_; }
  static bool Bool(const Variant& v) { return v.bool_; }
  static const String& Str(const Variant& v) { return v.string_; }
  static TVarArrayData& Array(const Variant& v) { return *v.array_; }

  static Variant Make(TVarType type, double value) {
    Variant v;
    v.type_ = type;
    v.double_ = value;
    return v;
  }
  static Variant MakeNull() {
    Variant v;
    v.type_ = varNull;
    return v;
  }
  static Variant MakeArray(std::unique_ptr<TVarArrayData> data) {
    Variant v;
    v.type_ = static_cast<TVarType>(varArray | data->element_type);
    new (&v.array_) std::unique_ptr<TVarArrayData>(std::move(data));
    return v;
  }
};

namespace {

using VA = VariantAccess;

enum class Kind { Empty, Null, Int, Single, Double, Currency, Date, Boolean, String, Array };

Kind KindOf(TVarType type) {
  if (type & varArray) return Kind::Array;
  switch (type) {
    case varEmpty:
      return Kind::Empty;
    case varNull:
      return Kind::Null;
    case varSingle:
      return Kind::Single;
    case varDouble:
      return Kind::Double;
    case varCurrency:
      return Kind::Currency;
    case varDate:
      return Kind::Date;
    case varBoolean:
      return Kind::Boolean;
    case varString:
      return Kind::String;
    default:
      return Kind::Int;
  }
}

Kind KindOf(const Variant& v) {
  return KindOf(v.Type());
}

String TypeName(TVarType type) {
  if (type & varArray) return "Array " + TypeName(type & varTypeMask);
  switch (type) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint";
    case varInteger:
      return "Integer";
    case varSingle:
      return "Single";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varOleStr:
      return "OleStr";
    case varBoolean:
      return "Boolean";
    case varVariant:
      return "Variant";
    case varShortInt:
      return "ShortInt";
    case varByte:
      return "Byte";
    case varWord:
      return "Word";
    case varLongWord:
      return "LongWord";
    case varInt64:
      return "Int64";
    case varString:
      return "String";
    default:
      return "Unknown";
  }
}

[[noreturn]] void RaiseCast(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + TypeName(from) +
                              ") into type (" + TypeName(to) + ")");
}

[[noreturn]] void RaiseOverflow(TVarType from, TVarType to) {
  throw EVariantOverflowError("Variant of type (" + TypeName(from) +
                              ") holds a value out of range for type (" + TypeName(to) + ")");
}

[[noreturn]] void RaiseInvalidOperation() {
  throw EVariantError("Invalid variant operation");
}

// Half to even, as the runtime's float-to-integer conversion rounds.
bool RoundToInt64(double value, Int64& out) {
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return false;
  out = static_cast<Int64>(std::nearbyint(value));
  return true;
}

Int64 RoundCurrency(Currency value) {
  Int64 scaled = value.Scaled();
  Int64 q = scaled / Currency::Scale, r = scaled % Currency::Scale;
  if (r > 5000 || (r == 5000 && (q & 1))) ++q;
  if (r < -5000 || (r == -5000 && (q & 1))) --q;
  return q;
}

bool FitsInteger(Int64 value) {
  return value >= std::numeric_limits<Integer>::min() &&
         value <= std::numeric_limits<Integer>::max();
}

bool IsTrueText(const String& s) {
  return SameText(s, "True");
}
bool IsFalseText(const String& s) {
  return SameText(s, "False");
}

// A value on its way into arithmetic or a comparison. `wide` marks integers
// that came from 64-bit kinds (or did not fit 32 bits), which decides the
// result's type.
struct Number {
  Kind kind = Kind::Int;
  bool wide = false;
  Int64 i = 0;   // Int; Currency in ten-thousandths
  double d = 0;  // Single, Double, Date
};

Number ToNumber(const Variant& v) {
  Number n;
  switch (KindOf(v)) {
    case Kind::Empty:
      break;
    case Kind::Int:
      n.i = VA::Int(v);
      n.wide = v.Type() == varInt64 || v.Type() == varLongWord;
      break;
    case Kind::Single:
    case Kind::Double:
    case Kind::Date:
      n.kind = KindOf(v);
      n.d = VA::Real(v);
      break;
    case Kind::Currency:
      n.kind = Kind::Currency;
      n.i = VA::Int(v);
      break;
    case Kind::Boolean:
      n.i = VA::Bool(v) ? -1 : 0;
      break;
    case Kind::String: {
      const String& s = VA::Str(v);
      if (TryStrToInt64(s, n.i)) {
        n.wide = !FitsInteger(n.i);
      } else if (TryStrToFloat(s, n.d)) {
        n.kind = Kind::Double;
      } else {
        RaiseCast(varString, varDouble);
      }
      break;
    }
    case Kind::Null:
    case Kind::Array:
      RaiseCast(v.Type(), varDouble);
  }
  return n;
}

double AsReal(const Number& n) {
  switch (n.kind) {
    case Kind::Int:
      return static_cast<double>(n.i);
    case Kind::Currency:
      return Currency::FromScaled(n.i).ToDouble();
    default:
      return n.d;
  }
}

bool IsFloatKind(Kind k) {
  return k == Kind::Single || k == Kind::Double || k == Kind::Date;
}

Variant MakeInteger(Int64 value, bool wide) {
  if (!wide && FitsInteger(value)) return Variant(static_cast<Integer>(value));
  return Variant(value);
}

// A number rounded to an integer for div, mod and bitwise logic.
Int64 ToIntegral(const Variant& v, bool& wide) {
  Number n = ToNumber(v);
  wide = n.wide;
  switch (n.kind) {
    case Kind::Int:
      return n.i;
    case Kind::Currency:
      return RoundCurrency(Currency::FromScaled(n.i));
    default: {
      Int64 out;
      if (!RoundToInt64(n.d, out)) RaiseOverflow(v.Type(), varInt64);
      wide = wide || !FitsInteger(out);
      return out;
    }
  }
}

TVariantRelationship Relation(int c) {
  return c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual;
}

TVariantRelationship CompareReals(double a, double b) {
  if (a < b) return vrLessThan;
  if (a > b) return vrGreaterThan;
  if (a == b) return vrEqual;
  return vrNotEqual;  // NaN
}

TVariantRelationship CompareNumbers(const Number& a, const Number& b) {
  if (IsFloatKind(a.kind) || IsFloatKind(b.kind)) return CompareReals(AsReal(a), AsReal(b));
  if (a.kind == Kind::Currency || b.kind == Kind::Currency) {
    __int128 x = a.kind == Kind::Currency ? a.i : static_cast<__int128>(a.i) * Currency::Scale;
    __int128 y = b.kind == Kind::Currency ? b.i : static_cast<__int128>(b.i) * Currency::Scale;
    return x < y ? vrLessThan : x > y ? vrGreaterThan : vrEqual;
  }
  return a.i < b.i ? vrLessThan : a.i > b.i ? vrGreaterThan : vrEqual;
}

TVariantRelationship Compare(const Variant& a, const Variant& b, bool ignore_case) {
  Kind ka = KindOf(a), kb = KindOf(b);
  if (ka == Kind::Null || kb == Kind::Null) return ka == kb ? vrEqual : vrNotEqual;
  if (ka == Kind::Array || kb == Kind::Array) RaiseInvalidOperation();
  if (ka == Kind::Empty && kb == Kind::Empty) return vrEqual;
  auto texty = [](Kind k) { return k == Kind::String || k == Kind::Empty; };
  if (texty(ka) && texty(kb)) {
    std::string_view x = ka == Kind::String ? std::string_view(VA::Str(a)) : std::string_view();
    std::string_view y = kb == Kind::String ? std::string_view(VA::Str(b)) : std::string_view();
    return Relation(ignore_case ? AnsiCompareText(x, y) : CompareStr(x, y));
  }
  if ((ka == Kind::Boolean && (kb == Kind::Boolean || texty(kb))) ||
      (kb == Kind::Boolean && texty(ka))) {
    bool x = a.AsBoolean(), y = b.AsBoolean();
    return x == y ? vrEqual : (!x ? vrLessThan : vrGreaterThan);
  }
  if ((ka == Kind::Date && kb == Kind::String) || (ka == Kind::String && kb == Kind::Date))
    return CompareReals(a.AsDateTime(), b.AsDateTime());
  return CompareNumbers(ToNumber(a), ToNumber(b));
}

enum class ArithOp { Add, Subtract, Multiply, Divide };

double ApplyReal(ArithOp op, double x, double y) {
  switch (op) {
    case ArithOp::Add:
      return x + y;
    case ArithOp::Subtract:
      return x - y;
    case ArithOp::Multiply:
      return x * y;
    case ArithOp::Divide:
      return CheckedDivide(x, y);
  }
  return 0;
}

Variant Arithmetic(const Variant& a, const Variant& b, ArithOp op) {
  Kind ka = KindOf(a), kb = KindOf(b);
  if (ka == Kind::Null || kb == Kind::Null) return Null();
  if (ka == Kind::Array || kb == Kind::Array) RaiseInvalidOperation();
  if (ka == Kind::Empty && kb == Kind::Empty && op != ArithOp::Divide) return Variant();
  if (op == ArithOp::Add && (ka == Kind::String || ka == Kind::Empty) &&
      (kb == Kind::String || kb == Kind::Empty)) {
    if (ka == Kind::Empty) return b;
    if (kb == Kind::Empty) return a;
    String joined;
    joined.reserve(VA::Str(a).size() + VA::Str(b).size());
    joined += VA::Str(a);
    joined += VA::Str(b);
    return Variant(std::move(joined));
  }
  Number x = ToNumber(a), y = ToNumber(b);
  if (x.kind == Kind::Date || y.kind == Kind::Date) {
    double r = ApplyReal(op, AsReal(x), AsReal(y));
    bool stays_date = op == ArithOp::Add ||
                      (op == ArithOp::Subtract && !(x.kind == Kind::Date && y.kind == Kind::Date));
    return stays_date ? VarFromDateTime(r) : Variant(r);
  }
  if (IsFloatKind(x.kind) || IsFloatKind(y.kind)) {
    double r = ApplyReal(op, AsReal(x), AsReal(y));
    if (x.kind == Kind::Single && y.kind == Kind::Single) return Variant(static_cast<float>(r));
    return Variant(r);
  }
  if (x.kind == Kind::Currency || y.kind == Kind::Currency) {
    Currency cx = x.kind == Kind::Currency ? Currency::FromScaled(x.i) : Currency::FromInt64(x.i);
    Currency cy = y.kind == Kind::Currency ? Currency::FromScaled(y.i) : Currency::FromInt64(y.i);
    switch (op) {
      case ArithOp::Add:
        return Variant(cx + cy);
      case ArithOp::Subtract:
        return Variant(cx - cy);
      case ArithOp::Multiply:
        return Variant(cx * cy);
      case ArithOp::Divide:
        return Variant(cx / cy);
    }
  }
  if (op == ArithOp::Divide)
    return Variant(CheckedDivide(static_cast<double>(x.i), static_cast<double>(y.i)));
  Int64 r;
  bool overflow = op == ArithOp::Add        ? __builtin_add_overflow(x.i, y.i, &r)
                  : op == ArithOp::Subtract ? __builtin_sub_overflow(x.i, y.i, &r)
                                            : __builtin_mul_overflow(x.i, y.i, &r);
  if (overflow) return Variant(ApplyReal(op, static_cast<double>(x.i), static_cast<double>(y.i)));
  return MakeInteger(r, x.wide || y.wide);
}

bool IsLogicalKind(Kind k) {
  return k == Kind::Boolean || k == Kind::String || k == Kind::Empty || k == Kind::Null;
}

Variant Logic(const Variant& a, const Variant& b, bool is_and) {
  Kind ka = KindOf(a), kb = KindOf(b);
  if (ka == Kind::Array || kb == Kind::Array) RaiseInvalidOperation();
  if (IsLogicalKind(ka) && IsLogicalKind(kb)) {
    if (ka == Kind::Null && kb == Kind::Null) return Null();
    if (ka == Kind::Null || kb == Kind::Null) {
      // Null is "unknown": it decides nothing unless the other side does.
      bool other = (ka == Kind::Null ? b : a).AsBoolean();
      if (is_and) return other ? Null() : Variant(false);
      return other ? Variant(true) : Null();
    }
    bool x = a.AsBoolean(), y = b.AsBoolean();
    return Variant(is_and ? (x && y) : (x || y));
  }
  if (ka == Kind::Null || kb == Kind::Null) return Null();
  bool wide_a, wide_b;
  Int64 x = ToIntegral(a, wide_a), y = ToIntegral(b, wide_b);
  return MakeInteger(is_and ? (x & y) : (x | y), wide_a || wide_b);
}

Variant ZeroOf(TVarType element_type) {
  if (element_type == varVariant) return Variant();
  if (element_type == varString) return Variant(String());
  return VarAsType(Variant(0), element_type);
}

void CheckElementType(TVarType element_type) {
  switch (element_type) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varBoolean:
    case varVariant:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varString:
      return;
    default:
      throw EVariantError("Invalid variant array element type (" + TypeName(element_type) + ")");
  }
}

TVarArrayData& ArrayOf(const Variant& v) {
  if (!v.IsArray()) throw EVariantError("Variant is not an array");
  return VA::Array(v);
}

std::size_t ElementCount(const TVarArrayData& data) {
  std::size_t count = 1;
  for (auto [low, high] : data.bounds)
    count *= static_cast<std::size_t>(static_cast<Int64>(high) - low + 1);
  return count;
}

Int64 CheckedIntegral(const Variant& value, TVarType target, Int64 low, Int64 high) {
  Int64 v = value.AsInt64();
  if (v < low || v > high) RaiseOverflow(value.Type(), target);
  return v;
}

}  // namespace

// ---- Variant members -----------------------------------------------------

void Variant::RaiseUnsignedOverflow() {
  RaiseOverflow(varInt64, varInt64);
}

void Variant::Reset() noexcept {
  if (type_ == varString)
    string_.~String();
  else if (type_ & varArray)
    array_.~unique_ptr();
  type_ = varEmpty;
  int_ = 0;
}

void Variant::CopyScalar(const Variant& other) noexcept {
  switch (KindOf(other.type_)) {
    case Kind::Single:
    case Kind::Double:
    case Kind::Date:
      double_ = other.double_;
      break;
    case Kind::Boolean:
      bool_ = other.bool_;
      break;
    default:
      int_ = other.int_;
      break;
  }
}

void Variant::CopyFrom(const Variant& other) {
  if (other.type_ == varString)
    new (&string_) String(other.string_);
  else if (other.IsArray())
    new (&array_) std::unique_ptr<TVarArrayData>(std::make_unique<TVarArrayData>(*other.array_));
  else
    CopyScalar(other);
  type_ = other.type_;
}

void Variant::MoveFrom(Variant& other) noexcept {
  if (other.type_ == varString)
    new (&string_) String(std::move(other.string_));
  else if (other.IsArray())
    new (&array_) std::unique_ptr<TVarArrayData>(std::move(other.array_));
  else
    CopyScalar(other);
  type_ = other.type_;
  other.Reset();
}

Variant::Variant(const Variant& other) : type_(varEmpty), int_(0) {
  CopyFrom(other);
}

Variant::Variant(Variant&& other) noexcept : type_(varEmpty), int_(0) {
  MoveFrom(other);
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);  // the old value stays if copying throws
    Reset();
    MoveFrom(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    // `other` may live inside this value (an element of its array): detach first.
    Variant taken;
    taken.MoveFrom(other);
    Reset();
    MoveFrom(taken);
  }
  return *this;
}

Int64 Variant::AsInt64() const {
  switch (KindOf(type_)) {
    case Kind::Empty:
      return 0;
    case Kind::Int:
      return int_;
    case Kind::Single:
    case Kind::Double:
    case Kind::Date: {
      Int64 out;
      if (!RoundToInt64(double_, out)) RaiseOverflow(type_, varInt64);
      return out;
    }
    case Kind::Currency:
      return RoundCurrency(Currency::FromScaled(int_));
    case Kind::Boolean:
      return bool_ ? -1 : 0;
    case Kind::String: {
      Int64 out;
      if (TryStrToInt64(string_, out)) return out;
      double d;
      if (!TryStrToFloat(string_, d)) RaiseCast(type_, varInt64);
      if (!RoundToInt64(d, out)) RaiseOverflow(type_, varInt64);
      return out;
    }
    default:
      RaiseCast(type_, varInt64);
  }
}

Integer Variant::AsInteger() const {
  Int64 value;
  try {
    value = AsInt64();
  } catch (const EVariantTypeCastError&) {
    RaiseCast(type_, varInteger);
  } catch (const EVariantOverflowError&) {
    RaiseOverflow(type_, varInteger);
  }
  if (!FitsInteger(value)) RaiseOverflow(type_, varInteger);
  return static_cast<Integer>(value);
}

double Variant::AsDouble() const {
  switch (KindOf(type_)) {
    case Kind::Empty:
      return 0;
    case Kind::Int:
      return static_cast<double>(int_);
    case Kind::Single:
    case Kind::Double:
    case Kind::Date:
      return double_;
    case Kind::Currency:
      return Currency::FromScaled(int_).ToDouble();
    case Kind::Boolean:
      return bool_ ? -1 : 0;
    case Kind::String: {
      double d;
      if (!TryStrToFloat(string_, d)) RaiseCast(type_, varDouble);
      return d;
    }
    default:
      RaiseCast(type_, varDouble);
  }
}

TDateTime Variant::AsDateTime() const {
  if (type_ == varString) {
    TDateTime value;
    if (TryStrToDateTime(string_, value) || TryStrToFloat(string_, value)) return value;
    RaiseCast(type_, varDate);
  }
  if (type_ == varNull || IsArray()) RaiseCast(type_, varDate);
  return AsDouble();
}

Currency Variant::AsCurrency() const {
  switch (KindOf(type_)) {
    case Kind::Empty:
      return Currency();
    case Kind::Currency:
      return Currency::FromScaled(int_);
    case Kind::Int:
    case Kind::Boolean:
      try {
        return Currency::FromInt64(AsInt64());
      } catch (const EMathError&) {
        RaiseOverflow(type_, varCurrency);
      }
    case Kind::Single:
    case Kind::Double:
    case Kind::Date:
      try {
        return Currency::FromDouble(double_);
      } catch (const EMathError&) {
        RaiseOverflow(type_, varCurrency);
      }
    case Kind::String: {
      Currency value;
      if (!TryStrToCurr(string_, value)) RaiseCast(type_, varCurrency);
      return value;
    }
    default:
      RaiseCast(type_, varCurrency);
  }
}

bool Variant::AsBoolean() const {
  switch (KindOf(type_)) {
    case Kind::Empty:
      return false;
    case Kind::Boolean:
      return bool_;
    case Kind::Int:
    case Kind::Currency:
      return int_ != 0;
    case Kind::Single:
    case Kind::Double:
    case Kind::Date:
      return double_ != 0;
    case Kind::String: {
      if (IsTrueText(string_)) return true;
      if (IsFalseText(string_)) return false;
      double d;
      if (!TryStrToFloat(string_, d)) RaiseCast(type_, varBoolean);
      return d != 0;
    }
    default:
      RaiseCast(type_, varBoolean);
  }
}

String Variant::AsString() const {
  switch (KindOf(type_)) {
    case Kind::Empty:
      return String();
    case Kind::String:
      return string_;
    case Kind::Int:
      return IntToStr(int_);
    case Kind::Single:
      return FloatToStr(double_, 7);
    case Kind::Double:
      return FloatToStr(double_);
    case Kind::Currency:
      return CurrToStr(Currency::FromScaled(int_));
    case Kind::Date:
      return DateTimeToStr(double_);
    case Kind::Boolean:
      return bool_ ? "True" : "False";
    default:
      RaiseCast(type_, varString);
  }
}

Variant Variant::operator[](Integer index) const {
  return VarArrayGet(*this, {index});
}

bool operator==(const Variant& a, const Variant& b) {
  return Compare(a, b, false) == vrEqual;
}

std::partial_ordering operator<=>(const Variant& a, const Variant& b) {
  switch (Compare(a, b, false)) {
    case vrLessThan:
      return std::partial_ordering::less;
    case vrGreaterThan:
      return std::partial_ordering::greater;
    case vrEqual:
      return std::partial_ordering::equivalent;
    default:
      return std::partial_ordering::unordered;
  }
}

Variant operator+(const Variant& a, const Variant& b) {
  return Arithmetic(a, b, ArithOp::Add);
}
Variant operator-(const Variant& a, const Variant& b) {
  return Arithmetic(a, b, ArithOp::Subtract);
}
Variant operator*(const Variant& a, const Variant& b) {
  return Arithmetic(a, b, ArithOp::Multiply);
}
Variant operator/(const Variant& a, const Variant& b) {
  return Arithmetic(a, b, ArithOp::Divide);
}
Variant operator%(const Variant& a, const Variant& b) {
  return VarMod(a, b);
}

Variant operator-(const Variant& a) {
  Kind k = KindOf(a);
  if (k == Kind::Null || k == Kind::Empty) return a;
  if (k == Kind::Array) RaiseInvalidOperation();
  Number n = ToNumber(a);
  switch (n.kind) {
    case Kind::Int:
      if (n.i == std::numeric_limits<Int64>::min()) return Variant(-static_cast<double>(n.i));
      return MakeInteger(-n.i, n.wide);
    case Kind::Single:
      return Variant(static_cast<float>(-n.d));
    case Kind::Currency:
      return Variant(-Currency::FromScaled(n.i));
    case Kind::Date:
      return VarFromDateTime(-n.d);
    default:
      return Variant(-n.d);
  }
}

// ---- Free functions ------------------------------------------------------

Variant Null() {
  return VA::MakeNull();
}
Variant Unassigned() {
  return Variant();
}
Variant VarFromDateTime(TDateTime value) {
  return VA::Make(varDate, value);
}

TVarType VarType(const Variant& value) {
  return value.Type();
}
bool VarIsNull(const Variant& value) {
  return value.IsNull();
}
bool VarIsEmpty(const Variant& value) {
  return value.IsEmpty();
}
bool VarIsClear(const Variant& value) {
  return value.IsEmpty();
}
bool VarIsArray(const Variant& value) {
  return value.IsArray();
}

String VarToStr(const Variant& value) {
  return value.IsNull() ? String() : value.AsString();
}

Variant VarAsType(const Variant& value, TVarType type) {
  if (type == value.Type() || type == varVariant) return value;
  switch (type) {
    case varEmpty:
      return Variant();
    case varNull:
      return Null();
    case varShortInt:
      return Variant(static_cast<ShortInt>(CheckedIntegral(value, type, INT8_MIN, INT8_MAX)));
    case varByte:
      return Variant(static_cast<Byte>(CheckedIntegral(value, type, 0, UINT8_MAX)));
    case varSmallint:
      return Variant(static_cast<SmallInt>(CheckedIntegral(value, type, INT16_MIN, INT16_MAX)));
    case varWord:
      return Variant(static_cast<Word>(CheckedIntegral(value, type, 0, UINT16_MAX)));
    case varInteger:
      return Variant(value.AsInteger());
    case varLongWord:
      return Variant(static_cast<LongWord>(CheckedIntegral(value, type, 0, UINT32_MAX)));
    case varInt64:
      return Variant(value.AsInt64());
    case varSingle: {
      double d = value.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
        RaiseOverflow(value.Type(), type);
      return Variant(static_cast<float>(d));
    }
    case varDouble:
      return Variant(value.AsDouble());
    case varCurrency:
      return Variant(value.AsCurrency());
    case varDate:
      return VarFromDateTime(value.AsDateTime());
    case varBoolean:
      return Variant(value.AsBoolean());
    case varOleStr:
    case varString:
      return Variant(value.AsString());
    default:
      RaiseCast(value.Type(), type);
  }
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  return Compare(a, b, false);
}
TVariantRelationship VarCompareText(const Variant& a, const Variant& b) {
  return Compare(a, b, true);
}

Variant VarIntDiv(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Null();
  if (a.IsArray() || b.IsArray()) RaiseInvalidOperation();
  bool wide_a, wide_b;
  Int64 x = ToIntegral(a, wide_a), y = ToIntegral(b, wide_b);
  return MakeInteger(CheckedDiv(x, y), wide_a || wide_b);
}

Variant VarMod(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Null();
  if (a.IsArray() || b.IsArray()) RaiseInvalidOperation();
  bool wide_a, wide_b;
  Int64 x = ToIntegral(a, wide_a), y = ToIntegral(b, wide_b);
  return MakeInteger(CheckedMod(x, y), wide_a || wide_b);
}

Variant VarAnd(const Variant& a, const Variant& b) {
  return Logic(a, b, true);
}
Variant VarOr(const Variant& a, const Variant& b) {
  return Logic(a, b, false);
}

Variant VarNot(const Variant& a) {
  Kind k = KindOf(a);
  if (k == Kind::Null) return Null();
  if (k == Kind::Array) RaiseInvalidOperation();
  if (IsLogicalKind(k)) return Variant(!a.AsBoolean());
  bool wide;
  Int64 x = ToIntegral(a, wide);
  return MakeInteger(~x, wide);
}

Variant VarArrayCreate(std::initializer_list<Integer> bounds, TVarType element_type) {
  if (element_type == varOleStr) element_type = varString;
  CheckElementType(element_type);
  if (bounds.size() == 0 || bounds.size() % 2 != 0)
    throw EVariantError("Variant array bounds must come in low-high pairs");
  auto data = std::make_unique<TVarArrayData>();
  data->element_type = element_type;
  for (auto it = bounds.begin(); it != bounds.end(); it += 2) {
    Integer low = it[0], high = it[1];
    if (static_cast<Int64>(high) < static_cast<Int64>(low) - 1)
      throw EVariantError("Invalid variant array bounds " + std::to_string(low) + ".." +
                          std::to_string(high));
    data->bounds.emplace_back(low, high);
  }
  std::size_t count = ElementCount(*data);
  if (element_type == varByte)
    data->bytes.assign(count, 0);
  else
    data->items.assign(count, ZeroOf(element_type));
  return VA::MakeArray(std::move(data));
}

Variant VarArrayOf(std::vector<Variant> values) {
  auto data = std::make_unique<TVarArrayData>();
  data->bounds.emplace_back(0, static_cast<Integer>(values.size()) - 1);
  data->items = std::move(values);
  return VA::MakeArray(std::move(data));
}

Variant VarByteArray(const void* bytes, std::size_t size) {
  auto data = std::make_unique<TVarArrayData>();
  data->element_type = varByte;
  data->bounds.emplace_back(0, static_cast<Integer>(size) - 1);
  data->bytes.resize(size);
  if (size != 0) std::memcpy(data->bytes.data(), bytes, size);
  return VA::MakeArray(std::move(data));
}

Integer VarArrayDimCount(const Variant& value) {
  return value.IsArray() ? static_cast<Integer>(VA::Array(value).bounds.size()) : 0;
}

Integer VarArrayLowBound(const Variant& value, Integer dim) {
  const TVarArrayData& data = ArrayOf(value);
  if (dim < 1 || dim > static_cast<Integer>(data.bounds.size()))
    throw EVariantBadIndexError("Variant array has no dimension " + std::to_string(dim));
  return data.bounds[dim - 1].first;
}

Integer VarArrayHighBound(const Variant& value, Integer dim) {
  const TVarArrayData& data = ArrayOf(value);
  if (dim < 1 || dim > static_cast<Integer>(data.bounds.size()))
    throw EVariantBadIndexError("Variant array has no dimension " + std::to_string(dim));
  return data.bounds[dim - 1].second;
}

Variant VarArrayGet(const Variant& array, std::initializer_list<Integer> indices) {
  const TVarArrayData& data = ArrayOf(array);
  std::size_t offset = data.Offset(indices);
  if (data.element_type == varByte) return Variant(data.bytes[offset]);
  return data.items[offset];
}

void VarArrayPut(Variant& array, const Variant& value, std::initializer_list<Integer> indices) {
  TVarArrayData& data = ArrayOf(array);
  std::size_t offset = data.Offset(indices);
  if (data.element_type == varByte)
    data.bytes[offset] = static_cast<Byte>(CheckedIntegral(value, varByte, 0, UINT8_MAX));
  else if (data.element_type == varVariant)
    data.items[offset] = value;
  else
    data.items[offset] = VarAsType(value, data.element_type);
}

void VarArrayRedim(Variant& array, Integer high_bound) {
  TVarArrayData& data = ArrayOf(array);
  Integer low = data.bounds.back().first;
  if (static_cast<Int64>(high_bound) < static_cast<Int64>(low) - 1)
    throw EVariantError("Invalid variant array bounds " + std::to_string(low) + ".." +
                        std::to_string(high_bound));
  data.bounds.back().second = high_bound;
  std::size_t count = ElementCount(data);
  if (data.element_type == varByte)
    data.bytes.resize(count, 0);
  else
    data.items.resize(count, ZeroOf(data.element_type));
}

Byte* VarArrayBytes(Variant& array) {
  TVarArrayData& data = ArrayOf(array);
  if (data.element_type != varByte) throw EVariantError("Variant array does not hold bytes");
  return data.bytes.data();
}

const Byte* VarArrayBytes(const Variant& array) {
  return VarArrayBytes(const_cast<Variant&>(array));
}

std::size_t VarArrayElementCount(const Variant& value) {
  return value.IsArray() ? ElementCount(VA::Array(value)) : 0;
}
