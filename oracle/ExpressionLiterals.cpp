// oracle/ExpressionLiterals.cpp
#include "oracle/ExpressionLiterals.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/StringUtils.h"

TDateTime TStringLiteral::AsDate() {
  return StrToDateTime(value_);
}

String TFloatLiteral::AsString() {
  return FloatToStr(value_);
}

String TIntegerLiteral::AsString() {
  return IntToStr(value_);
}
