// oracle/Expression.h
//
// The filter-expression tree of the Oracle dataset: a filter text such as
// ([DEPTNO] = 10) and (UPPER([ENAME]) = 'S*') is parsed once
// (oracle/ExpressionParser.h) into nodes that the dataset evaluates for every
// record. This file holds what every node shares: the five value types, the
// operators, the error class, the type rules of the operators and
// `TExpression`, the root class, with its default conversions.
//
// Value types, ordered: Date, String, Float, Integer, Boolean. Where two
// operands meet, the common type is the smaller one (Date + Integer is Date,
// Integer + Float is Float, String + Float is String).
//
// Each node reads itself in any of the five types. A node class answers the
// reads it can compute; the rest fall back to the default conversions of
// `TExpression`, chosen by the node's type (see the .cpp for the table): an
// Integer node read as text gives its decimal text, a Boolean node read as a
// number gives 1 or 0, a String node read as a date parses its text, and a
// read that makes no sense ("Cannot read String as Float") raises.
//
// Options: every node copies the process-wide case-insensitive and
// partial-compare flags when it is created; the parser sets them for each
// parse, so one tree always carries the options of its own parse.
//
// Errors: everything this library raises about an expression is an
// `EExpression`; arithmetic errors of the platform (EDivByZero, EIntOverflow,
// ERangeError, EZeroDivide, EInvalidOp, EOverflow) pass through as they are.
//
// Threads: a tree may be evaluated on any one thread at a time. The option
// flags are process-wide: parses must not run on two threads at once.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

// The value types, in the order that decides common types.
enum TExprType { etDate, etString, etFloat, etInteger, etBoolean };

// The operators (codes 0 to 17); their names are the texts messages use.
enum TOperator {
  opNot,
  opMult,
  opDivide,
  opDiv,
  opMod,
  opAnd,
  opShl,
  opShr,
  opPlus,
  opMinus,
  opOr,
  opXor,
  opEq,
  opNEQ,
  opLT,
  opGT,
  opLTE,
  opGTE
};

// An error in a filter expression. Errors found while parsing carry the
// 1-based byte position in the filter text where the parser stood; errors
// of evaluation carry 0.
class EExpression : public Exception {
 public:
  explicit EExpression(String message, Integer position = 0)
      : Exception(std::move(message)), position_(position) {}

  Integer Position() const { return position_; }
  void SetPosition(Integer position) { position_ = position; }

 private:
  Integer position_;
};

// "Date", "String", "Float", "Integer", "Boolean".
const char* ExprTypeName(TExprType type);
// "opNot" ... "opGTE".
const char* OperatorName(TOperator op);

// The smaller of the two types: the type in which two operands meet.
inline TExprType CommonType(TExprType a, TExprType b) {
  return a < b ? a : b;
}

// The type of `op` applied to operands of type `operand`; raises EExpression
// "Operator %s incompatible with %s" where the operator has no meaning for
// the type (opMult on String, opPlus on Boolean).
TExprType ResultType(TOperator op, TExprType operand);

// Raises EExpression "Internal parser error. Code %d": an operator reached an
// evaluation it cannot compute.
[[noreturn]] void RaiseInternalError(Integer code);

namespace OracleFilter {

// The process-wide options that nodes copy when they are created. Both are
// off until the first parse sets them.
void SetOptions(bool caseInsensitive, bool partialCompare);
bool CaseInsensitiveOption();
bool PartialCompareOption();

}  // namespace OracleFilter

class TExpression {
 public:
  TExpression();
  virtual ~TExpression() = default;
  TExpression(const TExpression&) = delete;
  TExpression& operator=(const TExpression&) = delete;

  virtual TDateTime AsDate();
  virtual String AsString();
  virtual double AsFloat();
  virtual Integer AsInteger();
  virtual bool AsBoolean();
  // False for every node of the tree itself; column nodes answer for their
  // current value.
  virtual bool IsNull() { return false; }
  // May raise "Operator %s incompatible with %s" for an operator node built
  // on operands its operator does not accept.
  virtual TExprType ExprType() = 0;

  // The options in force when the node was created.
  bool CaseInsensitive() const { return case_insensitive_; }
  bool PartialCompare() const { return partial_compare_; }

 private:
  bool case_insensitive_;
  bool partial_compare_;
};
