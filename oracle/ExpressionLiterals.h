// oracle/ExpressionLiterals.h
//
// The constants of a filter expression: 'text', 1.5, 42, TRUE. Each answers
// the reads of its own type directly, and a few more:
//   text     also reads as a date (the text parsed as date and time)
//   float    also reads as a date (its value) and as text (general float text)
//   integer  also reads as a date, as text and as a float
//   Boolean  also reads as text ("TRUE"/"FALSE"), as a float and an integer
//            (1/0), and as a date (its float value)
// Other reads raise as the default conversions of TExpression do.
#pragma once

#include "oracle/Expression.h"

class TStringLiteral : public TExpression {
 public:
  explicit TStringLiteral(String value) : value_(std::move(value)) {}
  TDateTime AsDate() override;
  String AsString() override { return value_; }
  TExprType ExprType() override { return etString; }

 private:
  String value_;
};

class TFloatLiteral : public TExpression {
 public:
  explicit TFloatLiteral(double value) : value_(value) {}
  TDateTime AsDate() override { return value_; }
  String AsString() override;
  double AsFloat() override { return value_; }
  TExprType ExprType() override { return etFloat; }

 private:
  double value_;
};

class TIntegerLiteral : public TExpression {
 public:
  explicit TIntegerLiteral(Integer value) : value_(value) {}
  TDateTime AsDate() override { return value_; }
  String AsString() override;
  double AsFloat() override { return value_; }
  Integer AsInteger() override { return value_; }
  TExprType ExprType() override { return etInteger; }

 private:
  Integer value_;
};

class TBooleanLiteral : public TExpression {
 public:
  explicit TBooleanLiteral(bool value) : value_(value) {}
  TDateTime AsDate() override { return AsFloat(); }
  String AsString() override { return value_ ? "TRUE" : "FALSE"; }
  double AsFloat() override { return value_ ? 1 : 0; }
  Integer AsInteger() override { return value_ ? 1 : 0; }
  bool AsBoolean() override { return value_; }
  TExprType ExprType() override { return etBoolean; }

 private:
  bool value_;
};
