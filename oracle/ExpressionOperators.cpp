// oracle/ExpressionOperators.cpp
#include "oracle/ExpressionOperators.h"

#include "oracle/FloatResult.h"
#include "oracle/PatternMatch.h"
#include "platform/rtl/Checked.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringUtils.h"

namespace {

// A shift of a negative value, or by a count outside 0..31, has no meaning in
// a filter and is undefined in C++: both are range errors.
Integer Shift(TOperator op, Integer value, Integer count) {
  if (value < 0 || count < 0 || count > 31) RaiseRangeError();
  const auto bits = static_cast<Cardinal>(value);
  return static_cast<Integer>(op == opShl ? bits << count : bits >> count);
}

bool Holds(TOperator op, int comparison) {
  switch (op) {
    case opEq:
      return comparison == 0;
    case opNEQ:
      return comparison != 0;
    case opLT:
      return comparison < 0;
    case opGT:
      return comparison > 0;
    case opLTE:
      return comparison <= 0;
    default:
      return comparison >= 0;
  }
}

template <class T>
int Compare(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

// ---------------------------------------------------------------- TUnaryOp

TUnaryOp::TUnaryOp(TOperator op, std::unique_ptr<TExpression> operand)
    : operand_(std::move(operand)), op_(op) {
  if (op != opNot && op != opPlus && op != opMinus)
    throw EExpression(Format("%s is not simple unary operator", OperatorName(op)));
  operand_type_ = operand_->ExprType();
}

TDateTime TUnaryOp::AsDate() {
  // The sign of a date: the same day count, or its negation.
  if (op_ != opNot && ExprType() == etDate)
    return op_ == opPlus ? operand_->AsDate() : -operand_->AsDate();
  return TExpression::AsDate();
}

double TUnaryOp::AsFloat() {
  switch (op_) {
    case opPlus:
      return operand_->AsFloat();
    case opMinus:
      return -operand_->AsFloat();
    default:
      return TExpression::AsFloat();
  }
}

Integer TUnaryOp::AsInteger() {
  switch (op_) {
    case opPlus:
      return operand_->AsInteger();
    case opMinus:
      return CheckedSub(0, operand_->AsInteger());
    default:
      if (operand_type_ == etInteger) return ~operand_->AsInteger();
      if (operand_type_ == etBoolean) return operand_->AsBoolean() ? 0 : 1;
      RaiseInternalError(6);
  }
}

bool TUnaryOp::AsBoolean() {
  if (op_ == opNot) return !operand_->AsBoolean();
  return TExpression::AsBoolean();
}

// ---------------------------------------------------------------- TBinaryOp

TBinaryOp::TBinaryOp(TOperator op, std::unique_ptr<TExpression> left,
                     std::unique_ptr<TExpression> right)
    : left_(std::move(left)), right_(std::move(right)), op_(op) {
  if (op < opMult || op > opXor)
    throw EExpression(Format("%s is not a simple binary operator", OperatorName(op)));
  common_type_ = CommonType(left_->ExprType(), right_->ExprType());
}

TDateTime TBinaryOp::AsDate() {
  if (ExprType() != etDate) return TExpression::AsDate();
  switch (op_) {
    case opPlus:
      return CheckFloatResult(left_->AsDate() + right_->AsDate());
    case opMinus:
      return CheckFloatResult(left_->AsDate() - right_->AsDate());
    default:
      RaiseInternalError(14);
  }
}

String TBinaryOp::AsString() {
  if (ExprType() != etString) return TExpression::AsString();
  if (op_ != opPlus) RaiseInternalError(10);
  return left_->AsString() + right_->AsString();
}

double TBinaryOp::AsFloat() {
  switch (ExprType()) {
    case etString:
      return 0;
    case etFloat:
      break;
    default:
      return TExpression::AsFloat();
  }
  const double left = left_->AsFloat();
  const double right = right_->AsFloat();
  switch (op_) {
    case opMult:
      return CheckFloatResult(left * right);
    case opDivide:
      return CheckFloatResult(CheckedDivide(left, right));
    case opPlus:
      return CheckFloatResult(left + right);
    case opMinus:
      return CheckFloatResult(left - right);
    default:
      RaiseInternalError(11);
  }
}

Integer TBinaryOp::AsInteger() {
  if (ExprType() != etInteger) return TExpression::AsInteger();
  const Integer left = left_->AsInteger();
  const Integer right = right_->AsInteger();
  switch (op_) {
    case opMult:
      return CheckedMul(left, right);
    case opDiv:
      return CheckedDiv(left, right);
    case opMod:
      return CheckedMod(left, right);
    case opAnd:
      return left & right;
    case opOr:
      return left | right;
    case opXor:
      return left ^ right;
    case opShl:
    case opShr:
      return Shift(op_, left, right);
    case opPlus:
      return CheckedAdd(left, right);
    case opMinus:
      return CheckedSub(left, right);
    default:
      RaiseInternalError(12);
  }
}

bool TBinaryOp::AsBoolean() {
  if (ExprType() != etBoolean) return TExpression::AsBoolean();
  switch (op_) {
    case opAnd:
      return left_->AsBoolean() && right_->AsBoolean();
    case opOr:
      return left_->AsBoolean() || right_->AsBoolean();
    case opXor: {
      const bool left = left_->AsBoolean();
      return left != right_->AsBoolean();
    }
    default:
      RaiseInternalError(13);
  }
}

// ------------------------------------------------------------ TRelationalOp

TRelationalOp::TRelationalOp(TOperator op, std::unique_ptr<TExpression> left,
                             std::unique_ptr<TExpression> right)
    : left_(std::move(left)), right_(std::move(right)), op_(op) {
  if (op < opEq || op > opGTE)
    throw EExpression(Format("%s is not relational operator", OperatorName(op)));
}

bool TRelationalOp::AsBoolean() {
  const bool left_null = left_->IsNull();
  const bool right_null = right_->IsNull();
  if (left_null || right_null) {
    if (op_ == opEq) return left_null && right_null;
    if (op_ == opNEQ) return !(left_null && right_null);
    return false;
  }
  switch (CommonType(left_->ExprType(), right_->ExprType())) {
    case etDate:
      return Holds(op_, Compare(left_->AsDate(), right_->AsDate()));
    case etFloat:
      return Holds(op_, Compare(left_->AsFloat(), right_->AsFloat()));
    case etInteger:
      return Holds(op_, Compare(left_->AsInteger(), right_->AsInteger()));
    case etString:
      return CompareTexts();
    case etBoolean:
      if (op_ != opEq && op_ != opNEQ)
        throw EExpression(Format("cannot apply %s to boolean operands", OperatorName(op_)));
      return (left_->AsBoolean() == right_->AsBoolean()) == (op_ == opEq);
  }
  return false;
}

bool TRelationalOp::CompareTexts() {
  String left = left_->AsString();
  String right = right_->AsString();
  if (CaseInsensitive()) {
    left = AnsiUpperCase(left);
    right = AnsiUpperCase(right);
  }
  if ((op_ == opEq || op_ == opNEQ) && PartialCompare())
    return OracleFilter::MatchPattern(left, right) == (op_ == opEq);
  if (op_ == opEq) return left == right;
  if (op_ == opNEQ) return left != right;
  return Holds(op_, CompareStr(left, right));
}
