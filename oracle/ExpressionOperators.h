// oracle/ExpressionOperators.h
//
// The operator nodes of a filter expression. Each owns its operands and frees
// them with itself, also when its constructor raises.
//
// TUnaryOp: NOT, unary + and -. The node's type is the operator's result type
// on the operand's type (ResultType); the constructor asks the operand's type,
// so an operand built on an incompatible operator raises there.
//   AsFloat    + the operand's float, - its negation
//   AsInteger  + the operand's integer, - its negation (EIntOverflow for the
//              smallest integer); NOT the bitwise complement of an Integer
//              operand, or 1/0 for the negation of a Boolean operand
//   AsBoolean  NOT: the negated Boolean of the operand
//   AsDate     + and - on a Date operand: the operand's date, or its negation
//
// TBinaryOp: * / DIV MOD AND SHL SHR + - OR XOR. The operands meet in their
// common type (asked by the constructor); the node's type is the operator's
// result type on it, and the node computes in that type:
//   Date     date + date or date - date of the operands' date values
//            (a date plus an integer adds days)
//   String   + concatenates the operands' texts; read as a float it gives 0
//   Float    * / + - of the operands' floats; x / 0 raises EZeroDivide
//            (0 / 0 EInvalidOp), a result beyond the double range EOverflow
//   Integer  * + - raise EIntOverflow when the result does not fit;
//            DIV and MOD truncate, raise EDivByZero for a zero divisor and
//            EIntOverflow for the smallest integer DIV -1;
//            AND OR XOR are bitwise; SHL and SHR are logical shifts of a
//            value that is not negative by 0 to 31 places, anything else
//            raises ERangeError
//   Boolean  AND and OR read the right operand only when the left does not
//            decide; XOR reads both
// Reads in other types use the default conversions of TExpression.
//
// TRelationalOp: = <> < > <= >=, always of type Boolean; the constructor asks
// nothing of its operands. AsBoolean:
//   1. When either operand is null, = holds only when both are, <> unless
//      both are, and every other comparison is False.
//   2. Otherwise the operands meet in their common type, taken now:
//      Date, Float and Integer compare their values numerically; String
//      compares texts, upper-cased by the locale first when the node is
//      case-insensitive; with partial compare, = and <> match the left text
//      against the right one as a pattern (OracleFilter::MatchPattern), and
//      without it they compare exactly; < > <= >= compare by character
//      codes. Boolean operands take = and <> only, others raise
//      "cannot apply %s to boolean operands".
#pragma once

#include <memory>

#include "oracle/Expression.h"

class TUnaryOp : public TExpression {
 public:
  // Raises "%s is not simple unary operator" for operators but NOT, + and -.
  TUnaryOp(TOperator op, std::unique_ptr<TExpression> operand);

  TDateTime AsDate() override;
  double AsFloat() override;
  Integer AsInteger() override;
  bool AsBoolean() override;
  TExprType ExprType() override { return ResultType(op_, operand_type_); }

 private:
  std::unique_ptr<TExpression> operand_;
  TOperator op_;
  TExprType operand_type_;
};

class TBinaryOp : public TExpression {
 public:
  // Raises "%s is not a simple binary operator" for operators outside
  // opMult to opXor.
  TBinaryOp(TOperator op, std::unique_ptr<TExpression> left, std::unique_ptr<TExpression> right);

  TDateTime AsDate() override;
  String AsString() override;
  double AsFloat() override;
  Integer AsInteger() override;
  bool AsBoolean() override;
  TExprType ExprType() override { return ResultType(op_, common_type_); }

 private:
  std::unique_ptr<TExpression> left_;
  std::unique_ptr<TExpression> right_;
  TOperator op_;
  TExprType common_type_;
};

class TRelationalOp : public TExpression {
 public:
  // Raises "%s is not relational operator" for operators outside opEq to opGTE.
  TRelationalOp(TOperator op, std::unique_ptr<TExpression> left,
                std::unique_ptr<TExpression> right);

  bool AsBoolean() override;
  TExprType ExprType() override { return etBoolean; }

 private:
  bool CompareTexts();

  std::unique_ptr<TExpression> left_;
  std::unique_ptr<TExpression> right_;
  TOperator op_;
};
