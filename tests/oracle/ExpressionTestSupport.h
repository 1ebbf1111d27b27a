// tests/oracle/ExpressionTestSupport.h
//
// Helpers of the filter-expression tests: parsing with a resolver that knows
// a few columns of a fake current record, and reading the error of a text.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

#include "oracle/ExpressionParser.h"

// A column of the fake record: a value of one type, or null.
struct TFakeValue {
  TExprType type = etString;
  String text;
  double number = 0;
  bool null = false;
};

// Reads its value as the dataset's columns do, each read in the column's own
// type (other reads use the default conversions).
class TFakeColumn : public TExpression {
 public:
  explicit TFakeColumn(const TFakeValue* value) : value_(value) {}
  TDateTime AsDate() override {
    return value_->type == etDate ? value_->number : TExpression::AsDate();
  }
  String AsString() override {
    return value_->type == etString ? value_->text : TExpression::AsString();
  }
  double AsFloat() override {
    return value_->type == etFloat ? value_->number : TExpression::AsFloat();
  }
  Integer AsInteger() override {
    return value_->type == etInteger ? static_cast<Integer>(value_->number)
                                     : TExpression::AsInteger();
  }
  bool AsBoolean() override {
    return value_->type == etBoolean ? value_->number != 0 : TExpression::AsBoolean();
  }
  bool IsNull() override { return value_->null; }
  TExprType ExprType() override { return value_->type; }

 private:
  const TFakeValue* value_;
};

class ExpressionTest : public ::testing::Test {
 protected:
  void Text(const String& name, String value) { columns_[name] = {etString, std::move(value)}; }
  void Int(const String& name, Integer value) { columns_[name] = {etInteger, "", double(value)}; }
  void Float(const String& name, double value) { columns_[name] = {etFloat, "", value}; }
  void Bool(const String& name, bool value) { columns_[name] = {etBoolean, "", value ? 1.0 : 0.0}; }
  void Null(const String& name, TExprType type = etString) { columns_[name] = {type, "", 0, true}; }

  OracleFilter::TResolveNameEvent Resolver() {
    return [this](const String& name,
                  std::unique_ptr<TParameterList>& params) -> std::unique_ptr<TExpression> {
      last_params_ = params ? params->Count() : -1;
      auto found = columns_.find(name);
      if (name == "NULL") return std::make_unique<TFakeColumn>(&null_);
      if (found == columns_.end()) return nullptr;
      return std::make_unique<TFakeColumn>(&found->second);
    };
  }

  std::unique_ptr<TExpression> Parse(const String& text, TFilterOptions options = {}) {
    return OracleFilter::ParseFilterExpression(text, options, Resolver());
  }

  bool True(const String& text, TFilterOptions options = {}) {
    return Parse(text, options)->AsBoolean();
  }
  String Str(const String& text) { return Parse(text)->AsString(); }
  double Flt(const String& text) { return Parse(text)->AsFloat(); }
  Integer Int(const String& text) { return Parse(text)->AsInteger(); }
  TExprType Type(const String& text) { return Parse(text)->ExprType(); }

  // The message of the error that parsing `text` raises ("" when none).
  String ParseError(const String& text, Integer* position = nullptr) {
    try {
      Parse(text);
    } catch (const EExpression& e) {
      if (position) *position = e.Position();
      return e.Message();
    }
    return "";
  }

  std::map<String, TFakeValue> columns_;
  TFakeValue null_{etString, "", 0, true};
  Integer last_params_ = -2;
};

// The message of an EExpression that `body` raises.
template <class F>
String ErrorOf(F body) {
  try {
    body();
  } catch (const EExpression& e) {
    return e.Message();
  }
  return "";
}
