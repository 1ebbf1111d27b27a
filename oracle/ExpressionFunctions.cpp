// oracle/ExpressionFunctions.cpp
#include "oracle/ExpressionFunctions.h"

#include <cmath>

#include "oracle/FloatResult.h"
#include "platform/rtl/Checked.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr unsigned Bit(TExprType type) {
  return 1u << type;
}
constexpr unsigned kNumber = Bit(etFloat) | Bit(etInteger) | Bit(etBoolean);
constexpr unsigned kText = Bit(etString) | kNumber;
constexpr unsigned kCount = Bit(etInteger) | Bit(etBoolean);

const char* const kCastNames[] = {"DATE", "STRING", "FLOAT", "INTEGER", "BOOLEAN"};
const char* const kMathNames[] = {"TRUNC", "ROUND", "ABS", "ARCTAN", "COS", "EXP",  "FRAC",
                                  "INT",   "LN",    "PI",  "SIN",    "SQR", "SQRT", "POWER"};
const char* const kStringNames[] = {"UPPER", "LOWER", "COPY", "POS", "LENGTH"};

[[noreturn]] void RaiseInvalidParameter(const char* name) {
  throw EExpression(Format("Invalid parameter to %s", name));
}

// The natural logarithm, raising where the original platform trapped.
double Ln(double x) {
  if (x == 0) throw EZeroDivide("Floating point division by zero");
  if (x < 0 || std::isnan(x)) throw EInvalidOp("Invalid floating point operation");
  return std::log(x);
}

}  // namespace

TExpression* TParameterList::Items(Integer index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  return items_[static_cast<std::size_t>(index)].get();
}

void TFunction::CheckParameters(const char* name, std::initializer_list<unsigned> allowed) const {
  if (ParameterCount() != static_cast<Integer>(allowed.size())) RaiseInvalidParameter(name);
  Integer index = 0;
  for (unsigned types : allowed)
    if ((Bit(Param(index++)->ExprType()) & types) == 0) RaiseInvalidParameter(name);
}

// ---------------------------------------------------------------- TTypeCast

TExpression* TTypeCast::Argument() const {
  if (ParameterCount() < 1) RaiseInvalidParameter(kCastNames[target_]);
  return Param(0);
}

// ---------------------------------------------------------- TMathExpression

void TMathExpression::Check() const {
  const char* name = kMathNames[kind_];
  if (kind_ == mfPi) return;
  if (kind_ == mfPower)
    CheckParameters(name, {kNumber, kNumber});
  else
    CheckParameters(name, {kNumber});
}

TExprType TMathExpression::ExprType() {
  return kind_ == mfTrunc || kind_ == mfRound ? etInteger : etFloat;
}

double TMathExpression::AsFloat() {
  if (kind_ == mfTrunc || kind_ == mfRound) return TExpression::AsFloat();
  Check();
  if (kind_ == mfPi) return 3.141592653589793;
  const double x = Param(0)->AsFloat();
  switch (kind_) {
    case mfAbs:
      return std::fabs(x);
    case mfArcTan:
      return CheckFloatResult(std::atan(x));
    case mfCos:
      return CheckFloatResult(std::cos(x));
    case mfExp:
      return CheckFloatResult(std::exp(x));
    case mfFrac:
      return CheckFloatResult(x - std::trunc(x));
    case mfInt:
      return std::trunc(x);
    case mfLn:
      return Ln(x);
    case mfSin:
      return CheckFloatResult(std::sin(x));
    case mfSqr:
      return CheckFloatResult(x * x);
    case mfSqrt:
      if (x < 0) throw EInvalidOp("Invalid floating point operation");
      return std::sqrt(x);
    case mfPower:
      return CheckFloatResult(std::exp(Param(1)->AsFloat() * Ln(x)));
    default:
      return 0;  // the integer kinds answered above
  }
}

Integer TMathExpression::AsInteger() {
  switch (kind_) {
    case mfTrunc:
      Check();
      return TruncToInteger(Param(0)->AsFloat());
    case mfRound: {
      Check();
      // The default rounding mode rounds halves to even.
      return TruncToInteger(std::nearbyint(Param(0)->AsFloat()));
    }
    case mfAbs: {
      Check();
      const Integer x = Param(0)->AsInteger();
      return x < 0 ? CheckedSub(0, x) : x;
    }
    default:
      return TExpression::AsInteger();
  }
}

// -------------------------------------------------------- TStringExpression

void TStringExpression::Check() const {
  const char* name = kStringNames[kind_];
  switch (kind_) {
    case sfCopy:
      CheckParameters(name, {kText, kCount, kCount});
      break;
    case sfPos:
      CheckParameters(name, {kText, kText});
      break;
    default:
      CheckParameters(name, {kText});
      break;
  }
}

TExprType TStringExpression::ExprType() {
  return kind_ == sfPos || kind_ == sfLength ? etInteger : etString;
}

String TStringExpression::AsString() {
  switch (kind_) {
    case sfUpper:
      Check();
      return UpperCase(Param(0)->AsString());
    case sfLower:
      Check();
      return LowerCase(Param(0)->AsString());
    case sfCopy:
      Check();
      return Copy(Param(0)->AsString(), Param(1)->AsInteger(), Param(2)->AsInteger());
    default:
      return TExpression::AsString();
  }
}

Integer TStringExpression::AsInteger() {
  switch (kind_) {
    case sfPos:
      Check();
      return Pos(Param(0)->AsString(), Param(1)->AsString());
    case sfLength:
      Check();
      return RangeChecked<Integer>(Param(0)->AsString().size());
    default:
      return TExpression::AsInteger();
  }
}

// ------------------------------------------------------------- TConditional

TExpression* TConditional::Branch() const {
  if (ParameterCount() != 3 || Param(0)->ExprType() != etBoolean)
    throw EExpression("Invalid parameters to If");
  return Param(0)->AsBoolean() ? Param(1) : Param(2);
}

// ------------------------------------------------------------------ lookup

namespace OracleFilter {

std::unique_ptr<TExpression> CreateFunction(const String& name,
                                            std::unique_ptr<TParameterList>& params) {
  if (name == "IF") return std::make_unique<TConditional>(std::move(params));
  for (int i = etDate; i <= etBoolean; ++i)
    if (name == kCastNames[i])
      return std::make_unique<TTypeCast>(std::move(params), static_cast<TExprType>(i));
  for (int i = mfTrunc; i <= mfPower; ++i)
    if (name == kMathNames[i])
      return std::make_unique<TMathExpression>(std::move(params), static_cast<TMathFunction>(i));
  for (int i = sfUpper; i <= sfLength; ++i)
    if (name == kStringNames[i])
      return std::make_unique<TStringExpression>(std::move(params),
                                                 static_cast<TStringFunction>(i));
  return nullptr;
}

}  // namespace OracleFilter
