// oracle/ExpressionFunctions.h
//
// The built-in functions of filter expressions. A function node owns its
// parameter list (which may be absent: a function written without brackets
// has no parameters). Parameters are checked each time the node is evaluated,
// not when it is built: a wrong count or type raises "Invalid parameter to %s"
// with the function's name ("Invalid parameters to If" for IF).
//
//   DATE STRING FLOAT INTEGER BOOLEAN   TTypeCast: the node has the target type
//       and every read is passed to the first parameter as it is
//       (INTEGER('12') raises, as '12' cannot be read as an integer).
//   TRUNC ROUND                 TMathExpression, Integer: the parameter's float
//       truncated, or rounded to the nearest with halves to even
//   ABS ARCTAN COS EXP FRAC INT LN SIN SQR SQRT    Float, of the parameter's
//       float (ABS read as an integer: the absolute value of the parameter's
//       integer, EIntOverflow for the smallest)
//   PI                          Float, takes no parameter
//   POWER(x, y)                 Float: e to the power y * ln x
//       Math parameters must be Float, Integer or Boolean. Results beyond the
//       double range raise EOverflow; LN of 0 raises EZeroDivide, of a
//       negative number EInvalidOp, as SQRT of one does; TRUNC and ROUND of a
//       value beyond the integer range raise ERangeError.
//   UPPER LOWER                 TStringExpression, String: letters A to Z only
//   COPY(s, start, length)      String: `length` bytes from the 1-based
//       `start`, cut to the text (a start below 1 counts as 1)
//   POS(sub, s)                 Integer: 1-based byte position of sub in s, 0
//       when absent
//   LENGTH(s)                   Integer: the length in bytes
//       Text parameters may be of any type but Date; COPY's start and length
//       must be Integer or Boolean.
//   IF(c, a, b)                 TConditional: a when c is True, else b; c must
//       be Boolean. The node's type and every read come from the chosen branch.
//
// Reads in types other than a function's own use the default conversions of
// TExpression.
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "oracle/Expression.h"

// The arguments of a function call, in order; owns them.
class TParameterList {
 public:
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // REQUIRES: 0 <= index < Count() (else EListError).
  TExpression* Items(Integer index) const;
  void Add(std::unique_ptr<TExpression> item) { items_.push_back(std::move(item)); }

 private:
  std::vector<std::unique_ptr<TExpression>> items_;
};

class TFunction : public TExpression {
 public:
  explicit TFunction(std::unique_ptr<TParameterList> params) : params_(std::move(params)) {}

  // 0 without a list.
  Integer ParameterCount() const { return params_ ? params_->Count() : 0; }
  TExpression* Param(Integer index) const { return params_->Items(index); }

 protected:
  // Raises "Invalid parameter to <name>" unless there are `count` parameters
  // and parameter i's type is in allowed[i] (a bit per TExprType).
  void CheckParameters(const char* name, std::initializer_list<unsigned> allowed) const;

 private:
  std::unique_ptr<TParameterList> params_;
};

class TTypeCast : public TFunction {
 public:
  TTypeCast(std::unique_ptr<TParameterList> params, TExprType target)
      : TFunction(std::move(params)), target_(target) {}

  TDateTime AsDate() override { return Argument()->AsDate(); }
  String AsString() override { return Argument()->AsString(); }
  double AsFloat() override { return Argument()->AsFloat(); }
  Integer AsInteger() override { return Argument()->AsInteger(); }
  bool AsBoolean() override { return Argument()->AsBoolean(); }
  TExprType ExprType() override { return target_; }

 private:
  // A cast written without a parameter has nothing to read: "Invalid
  // parameter to" the cast's name.
  TExpression* Argument() const;

  TExprType target_;
};

enum TMathFunction {
  mfTrunc,
  mfRound,
  mfAbs,
  mfArcTan,
  mfCos,
  mfExp,
  mfFrac,
  mfInt,
  mfLn,
  mfPi,
  mfSin,
  mfSqr,
  mfSqrt,
  mfPower
};

class TMathExpression : public TFunction {
 public:
  TMathExpression(std::unique_ptr<TParameterList> params, TMathFunction kind)
      : TFunction(std::move(params)), kind_(kind) {}

  double AsFloat() override;
  Integer AsInteger() override;
  TExprType ExprType() override;

 private:
  void Check() const;

  TMathFunction kind_;
};

enum TStringFunction { sfUpper, sfLower, sfCopy, sfPos, sfLength };

class TStringExpression : public TFunction {
 public:
  TStringExpression(std::unique_ptr<TParameterList> params, TStringFunction kind)
      : TFunction(std::move(params)), kind_(kind) {}

  String AsString() override;
  Integer AsInteger() override;
  TExprType ExprType() override;

 private:
  void Check() const;

  TStringFunction kind_;
};

class TConditional : public TFunction {
 public:
  explicit TConditional(std::unique_ptr<TParameterList> params) : TFunction(std::move(params)) {}

  TDateTime AsDate() override { return Branch()->AsDate(); }
  String AsString() override { return Branch()->AsString(); }
  double AsFloat() override { return Branch()->AsFloat(); }
  Integer AsInteger() override { return Branch()->AsInteger(); }
  bool AsBoolean() override { return Branch()->AsBoolean(); }
  TExprType ExprType() override { return Branch()->ExprType(); }

 private:
  // Checks the parameters and evaluates the condition.
  TExpression* Branch() const;
};

namespace OracleFilter {

// The built-in function called `name` (upper case) over `params` (which it
// takes), or nullptr, leaving `params`, when no built-in has that name.
std::unique_ptr<TExpression> CreateFunction(const String& name,
                                            std::unique_ptr<TParameterList>& params);

}  // namespace OracleFilter
