// oracle/Expression.cpp
#include "oracle/Expression.h"

#include <cmath>

#include "oracle/FloatResult.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringUtils.h"

namespace {

bool case_insensitive_option = false;
bool partial_compare_option = false;

[[noreturn]] void RaiseCannotRead(TExprType type, const char* as) {
  throw EExpression(Format("Cannot read %s as %s", ExprTypeName(type), as));
}

}  // namespace

const char* ExprTypeName(TExprType type) {
  static const char* const names[] = {"Date", "String", "Float", "Integer", "Boolean"};
  return names[type];
}

const char* OperatorName(TOperator op) {
  static const char* const names[] = {"opNot", "opMult", "opDivide", "opDiv",   "opMod", "opAnd",
                                      "opShl", "opShr",  "opPlus",   "opMinus", "opOr",  "opXor",
                                      "opEq",  "opNEQ",  "opLT",     "opGT",    "opLTE", "opGTE"};
  return names[op];
}

TExprType ResultType(TOperator op, TExprType operand) {
  const bool relational = op >= opEq;
  switch (operand) {
    case etDate:
      if (op == opPlus || op == opMinus) return etDate;
      if (relational) return etBoolean;
      break;
    case etString:
      if (op == opPlus) return etString;
      if (relational) return etBoolean;
      break;
    case etFloat:
      if (op == opMult || op == opDivide || op == opPlus || op == opMinus) return etFloat;
      if (relational) return etBoolean;
      break;
    case etInteger:
      if (op == opDivide) return etFloat;
      return relational ? etBoolean : etInteger;
    case etBoolean:
      if (op == opNot || op == opAnd || op == opOr || op == opXor || op == opEq || op == opNEQ)
        return etBoolean;
      break;
  }
  throw EExpression(
      Format("Operator %s incompatible with %s", OperatorName(op), ExprTypeName(operand)));
}

void RaiseInternalError(Integer code) {
  throw EExpression(Format("Internal parser error. Code %d", code));
}

namespace OracleFilter {

void SetOptions(bool caseInsensitive, bool partialCompare) {
  case_insensitive_option = caseInsensitive;
  partial_compare_option = partialCompare;
}
bool CaseInsensitiveOption() {
  return case_insensitive_option;
}
bool PartialCompareOption() {
  return partial_compare_option;
}

}  // namespace OracleFilter

TExpression::TExpression()
    : case_insensitive_(case_insensitive_option), partial_compare_(partial_compare_option) {}

// The default conversions, by the node's own type. Each read either raises or
// turns into a read of the node's own type, which the node class answers; no
// chain leads back to where it started.
//
//   reading as  Date node   String node   Float node  Integer node  Boolean node
//   AsDate      error       parsed text   AsFloat     AsInteger     error
//   AsString    date text   error         float text  decimal text  TRUE / FALSE
//   AsFloat     AsDate      error         error       AsInteger     1 / 0
//   AsInteger   AsDate cut  error         error       error         1 / 0
//   AsBoolean   error for every type

TDateTime TExpression::AsDate() {
  const TExprType type = ExprType();
  switch (type) {
    case etString:
      return StrToDateTime(AsString());
    case etFloat:
      return AsFloat();
    case etInteger:
      return AsInteger();
    default:
      RaiseCannotRead(type, "Date");
  }
}

String TExpression::AsString() {
  const TExprType type = ExprType();
  switch (type) {
    case etDate: {
      const TDateTime value = AsDate();
      double whole;
      return FormatDateTime(std::modf(value, &whole) == 0 ? "ddddd" : "ddddd tt", value);
    }
    case etFloat:
      return FloatToStr(AsFloat());
    case etInteger:
      return IntToStr(AsInteger());
    case etBoolean:
      return AsBoolean() ? "TRUE" : "FALSE";
    default:
      RaiseCannotRead(type, "String");
  }
}

double TExpression::AsFloat() {
  const TExprType type = ExprType();
  switch (type) {
    case etDate:
      return AsDate();
    case etInteger:
      return AsInteger();
    case etBoolean:
      return AsBoolean() ? 1 : 0;
    default:
      RaiseCannotRead(type, "Float");
  }
}

Integer TExpression::AsInteger() {
  const TExprType type = ExprType();
  switch (type) {
    case etDate:
      return TruncToInteger(AsDate());
    case etBoolean:
      return AsBoolean() ? 1 : 0;
    default:
      RaiseCannotRead(type, "integer");
  }
}

bool TExpression::AsBoolean() {
  RaiseCannotRead(ExprType(), "boolean");
}
