// catalog/GlU.cpp
#include "catalog/GlU.h"

#include <algorithm>

namespace GlU {

Integer CountChar(std::string_view s, char c) {
  return static_cast<Integer>(std::count(s.begin(), s.end(), c));
}

String GetDelimitedToken(std::string_view s, Integer n, char c) {
  if (n < 1) return String();
  std::size_t start = 0;
  for (Integer token = 1; token < n; ++token) {
    const std::size_t delimiter = s.find(c, start);
    if (delimiter == std::string_view::npos) return String();
    start = delimiter + 1;
  }
  const std::size_t end = s.find(c, start);
  return String(
      s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

}  // namespace GlU
