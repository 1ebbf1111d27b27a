// oracle/standin/StandinValue.cpp
#include "oracle/standin/StandinValue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace Standin {
namespace {

constexpr sb4 kUnsupportedType = 3115;
constexpr sb4 kTruncated = 1406;
constexpr sb4 kIntegerOverflow = 1455;
constexpr sb4 kNotADate = 1858;

const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Oracle's default date text, DD-MON-YY.
std::string DefaultDateText(const std::string& held) {
  ub1 image[7];
  if (!DateTextToImage(held, image)) return held;
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%s-%02d", image[3], kMonths[image[2] - 1],
                (image[1] - 100) % 100);
  return text;
}

bool ParseNumber(const std::string& text, TValue& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long long integer = std::strtoll(text.c_str(), &end, 10);
  if (*end == '\0') {
    out = TValue::Int(integer);
    return true;
  }
  const double real = std::strtod(text.c_str(), &end);
  if (*end != '\0') return false;
  out = TValue::Real(real);
  return true;
}

}  // namespace

std::string TValue::AsText() const {
  switch (kind) {
    case TKind::Null:
      return {};
    case TKind::Integer:
      return std::to_string(integer);
    case TKind::Real: {
      if (real == std::floor(real) && std::fabs(real) < 1e15)
        return std::to_string(static_cast<long long>(real));
      char text[40];
      std::snprintf(text, sizeof text, "%.15g", real);
      std::string result = text;
      // Oracle writes a fraction without its leading zero.
      if (result.rfind("0.", 0) == 0) result.erase(0, 1);
      if (result.rfind("-0.", 0) == 0) result.erase(1, 1);
      return result;
    }
    case TKind::Text:
    case TKind::Blob:
      return bytes;
  }
  return {};
}

bool DateTextToImage(const std::string& text, ub1 image[7]) {
  int year, month, day, hour = 0, minute = 0, second = 0;
  const int n =
      std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second);
  if (n != 3 && n != 6) return false;
  if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1 || year > 9999) return false;
  image[0] = static_cast<ub1>(year / 100 + 100);
  image[1] = static_cast<ub1>(year % 100 + 100);
  image[2] = static_cast<ub1>(month);
  image[3] = static_cast<ub1>(day);
  image[4] = static_cast<ub1>(hour + 1);
  image[5] = static_cast<ub1>(minute + 1);
  image[6] = static_cast<ub1>(second + 1);
  return true;
}

std::string DateImageToText(const ub1 image[7]) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d",
                (image[0] - 100) * 100 + (image[1] - 100), image[2], image[3], image[4] - 1,
                image[5] - 1, image[6] - 1);
  return text;
}

sb4 ReadExternal(const void* buffer, sb4 size, ub2 dty, const ub2* actual_length, TValue& out) {
  const auto* bytes = static_cast<const char*>(buffer);
  const std::size_t limit = actual_length ? *actual_length : static_cast<std::size_t>(size);
  auto text_value = [&](std::string text) {
    out = text.empty() ? TValue{} : TValue::Text(std::move(text));
    return 0;
  };
  switch (dty) {
    case kSqltChr:
    case kSqltAfc:
    case kSqltAvc:
    case kSqltLng:
      return text_value(std::string(bytes, limit));
    case kSqltStr: {
      const void* nul = std::memchr(bytes, '\0', static_cast<std::size_t>(size));
      const std::size_t length =
          nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
      return text_value(std::string(bytes, length));
    }
    case kSqltVcs: {
      sb2 length;
      std::memcpy(&length, bytes, sizeof length);
      return text_value(std::string(bytes + 2, static_cast<std::size_t>(length)));
    }
    case kSqltInt:
    case kSqltUin: {
      // Signed and unsigned apart: a conditional of the two would make both unsigned.
      const bool is_signed = dty == kSqltInt;
      std::int64_t v = 0;
      if (size == 1) {
        v = is_signed ? std::int64_t{*reinterpret_cast<const sb1*>(bytes)}
                      : std::int64_t{static_cast<ub1>(bytes[0])};
      } else if (size == 2) {
        sb2 s;
        std::memcpy(&s, bytes, 2);
        v = is_signed ? std::int64_t{s} : std::int64_t{static_cast<ub2>(s)};
      } else if (size == 4) {
        sb4 s;
        std::memcpy(&s, bytes, 4);
        v = is_signed ? std::int64_t{s} : std::int64_t{static_cast<ub4>(s)};
      } else if (size == 8) {
        std::memcpy(&v, bytes, 8);
      } else {
        return kUnsupportedType;
      }
      out = TValue::Int(v);
      return 0;
    }
    case kSqltFlt: {
      if (size == 4) {
        float f;
        std::memcpy(&f, bytes, 4);
        out = TValue::Real(f);
      } else if (size == 8) {
        double d;
        std::memcpy(&d, bytes, 8);
        out = TValue::Real(d);
      } else
        return kUnsupportedType;
      return 0;
    }
    case kSqltDat: {
      if (size < 7) return kUnsupportedType;
      out = TValue::Text(DateImageToText(reinterpret_cast<const ub1*>(bytes)));
      return 0;
    }
    case kSqltBin:
    case kSqltLbi:
      out = limit == 0 ? TValue{} : TValue::Blob(std::string(bytes, limit));
      return 0;
    default:
      return kUnsupportedType;
  }
}

sb4 WriteExternal(const TValue& value, const TColumnType& column, void* buffer, sb4 size, ub2 dty,
                  ub2* length, std::size_t* full) {
  auto* bytes = static_cast<char*>(buffer);
  if (full) *full = static_cast<std::size_t>(size > 0 ? size : 0);
  const std::size_t room = size > 0 ? static_cast<std::size_t>(size) : 0;
  auto put_text = [&](const std::string& text, bool terminate, bool pad) -> sb4 {
    const std::size_t capacity = terminate ? (room ? room - 1 : 0) : room;
    const std::size_t n = std::min(text.size(), capacity);
    std::memcpy(bytes, text.data(), n);
    std::size_t written = n;
    if (pad && n < capacity) {
      std::memset(bytes + n, ' ', capacity - n);
      written = capacity;
    }
    if (terminate && room) bytes[written] = '\0';
    if (length) *length = static_cast<ub2>(written);
    if (full) *full = std::max(text.size(), written);
    return n < text.size() ? kTruncated : 0;
  };
  std::string text = value.AsText();
  if (column.type == kSqltDat && value.kind == TValue::TKind::Text && dty != kSqltDat)
    text = DefaultDateText(value.bytes);
  switch (dty) {
    case kSqltStr:
      return put_text(text, true, false);
    case kSqltChr:
    case kSqltAvc:
    case kSqltLng:
    case kSqltBin:
    case kSqltLbi:
      return put_text(text, false, false);
    case kSqltAfc:
      return put_text(text, false, true);
    case kSqltVcs: {
      if (room < 2) return kTruncated;
      const std::size_t n = std::min(text.size(), room - 2);
      const sb2 stored = static_cast<sb2>(n);
      std::memcpy(bytes, &stored, 2);
      std::memcpy(bytes + 2, text.data(), n);
      if (length) *length = static_cast<ub2>(n + 2);
      if (full) *full = text.size() + 2;
      return n < text.size() ? kTruncated : 0;
    }
    case kSqltInt:
    case kSqltUin: {
      TValue number = value;
      if (number.kind == TValue::TKind::Text && !ParseNumber(number.bytes, number))
        return 1722;  // invalid number
      double real = number.kind == TValue::TKind::Real ? std::nearbyint(number.real)
                                                       : static_cast<double>(number.integer);
      const std::int64_t v = static_cast<std::int64_t>(real);
      if (size == 4) {
        if (real > std::numeric_limits<sb4>::max() || real < std::numeric_limits<sb4>::min())
          return kIntegerOverflow;
        const sb4 s = static_cast<sb4>(v);
        std::memcpy(bytes, &s, 4);
      } else if (size == 2) {
        if (real > std::numeric_limits<sb2>::max() || real < std::numeric_limits<sb2>::min())
          return kIntegerOverflow;
        const sb2 s = static_cast<sb2>(v);
        std::memcpy(bytes, &s, 2);
      } else if (size == 8)
        std::memcpy(bytes, &v, 8);
      else
        return kUnsupportedType;
      if (length) *length = static_cast<ub2>(size);
      return 0;
    }
    case kSqltFlt: {
      TValue number = value;
      if (number.kind == TValue::TKind::Text && !ParseNumber(number.bytes, number)) return 1722;
      const double d =
          number.kind == TValue::TKind::Real ? number.real : static_cast<double>(number.integer);
      if (size == 8)
        std::memcpy(bytes, &d, 8);
      else if (size == 4) {
        const float f = static_cast<float>(d);
        std::memcpy(bytes, &f, 4);
      } else
        return kUnsupportedType;
      if (length) *length = static_cast<ub2>(size);
      return 0;
    }
    case kSqltDat: {
      ub1 image[7];
      if (size < 7) return kTruncated;
      if (value.kind != TValue::TKind::Text || !DateTextToImage(value.bytes, image))
        return kNotADate;
      std::memcpy(bytes, image, 7);
      if (length) *length = 7;
      return 0;
    }
    default:
      return kUnsupportedType;
  }
}

}  // namespace Standin
