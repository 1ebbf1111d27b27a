// platform/rtl/Object.cpp
#include "platform/rtl/Object.h"

#include "platform/rtl/StringUtils.h"

namespace {
bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
}  // namespace

bool TObject::ClassNameIs(const String& name) const {
  return SameIdent(ClassName(), name);
}

bool IsValidIdent(const String& ident) {
  if (ident.empty() || !IsIdentStart(ident[0])) return false;
  for (char c : ident)
    if (!IsIdentStart(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

bool SameIdent(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}
