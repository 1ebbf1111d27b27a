// memtable/CsvLineReader.cpp
#include "memtable/CsvLineReader.h"

#include <cstring>

#include "platform/rtl/Streams.h"

namespace {

bool IsLineBreak(char c) {
  return c == '\n' || c == '\r' || c == '\0';
}

}  // namespace

TvomCsvLineReader::TvomCsvLineReader(TStream* stream, char quote, char fieldDelimiter,
                                     char recordDelimiter, std::function<void(Integer)> onFill)
    : stream_(stream),
      quote_(quote),
      field_delimiter_(fieldDelimiter),
      record_delimiter_(recordDelimiter),
      on_fill_(std::move(onFill)) {}

bool TvomCsvLineReader::FillBuffer() {
  pos_ = 0;
  count_ = static_cast<Integer>(stream_->Read(buffer_.data(), kBufferSize));
  if (count_ <= 0) {
    count_ = 0;
    return false;
  }
  ++fills_;
  if (on_fill_) on_fill_(fills_);
  return true;
}

bool TvomCsvLineReader::ReadLine() {
  line_.clear();
  parse_ = 0;
  quote_unterminated_ = false;
  line_unterminated_ = false;
  for (;;) {
    if (pos_ == count_ && !FillBuffer()) {
      line_unterminated_ = !line_.empty();
      if (line_unterminated_) ++line_number_;
      return false;
    }
    const char* at = buffer_.data() + pos_;
    const char* end = buffer_.data() + count_;
    if (line_.empty()) {
      // The rest of the previous line's break (or blank lines).
      while (at != end && IsLineBreak(*at)) ++at;
    }
    const char* start = at;
    while (at != end && !IsLineBreak(*at)) ++at;
    line_.append(start, static_cast<std::size_t>(at - start));
    pos_ = static_cast<Integer>(at - buffer_.data());
    if (at != end) {
      ++line_number_;
      return true;
    }
  }
}

void TvomCsvLineReader::SetLine(const String& line) {
  line_ = line;
  parse_ = 0;
  quote_unterminated_ = false;
}

void TvomCsvLineReader::ReadField(bool& isNull, String& value) {
  value.clear();
  isNull = false;
  const std::size_t size = line_.size();
  const char* text = line_.data();

  if (quote_ == '\0') {
    std::size_t end = parse_;
    while (end < size && text[end] != field_delimiter_ &&
           (record_delimiter_ == '\0' || text[end] != record_delimiter_))
      ++end;
    value.assign(text + parse_, end - parse_);
    isNull = value.empty();
    parse_ = end < size ? end + 1 : end;
    return;
  }

  if (parse_ >= size) return;
  const char first = text[parse_];
  if (first == quote_) {
    std::size_t at = parse_ + 1;
    for (;;) {
      const void* found = std::memchr(text + at, quote_, size - at);
      if (found == nullptr) {
        // Unterminated: the value ends with the line.
        value.append(text + at, size - at);
        parse_ = size;
        quote_unterminated_ = true;
        return;
      }
      const std::size_t q = static_cast<std::size_t>(static_cast<const char*>(found) - text);
      value.append(text + at, q - at);
      if (q + 1 < size && text[q + 1] == quote_) {
        value.push_back(quote_);
        at = q + 2;
        continue;
      }
      // Past the closing quote and the character after it (normally D or R).
      parse_ = q + 2 < size ? q + 2 : size;
      return;
    }
  }
  if (first == field_delimiter_) {
    isNull = true;
    ++parse_;
    return;
  }
  const void* found = std::memchr(text + parse_, field_delimiter_, size - parse_);
  const std::size_t end =
      found ? static_cast<std::size_t>(static_cast<const char*>(found) - text) : size;
  value.assign(text + parse_, end - parse_);
  parse_ = end < size ? end + 1 : end;
}
