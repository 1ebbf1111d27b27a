// memtable/CsvLineReader.h
//
// TvomCsvLineReader reads a CSV table file line by line and column by column
// through a buffer of 8192 bytes, without allocating per line or per column
// once its line and the caller's value string have grown to size.
//
// Lines. Any run of the characters #0, LF and CR ends a line; the line comes
// without them and the next starts at the first other character, so blank
// lines never reach the caller. ReadLine returns false at the end of the
// stream; the characters gathered until then still form the line.
//
// Columns (ReadField), from the parse position within the current line, with
// the file's quote Q, field delimiter D and record delimiter R:
// - Q is #0: the value runs to the next D or R or the line's end and is null
//   when empty; the D or R after it is skipped.
// - otherwise the first character decides. Q opens a quoted value that runs
//   to the next single Q (a doubled Q stands for one; an unterminated value
//   runs to the line's end) and the character after the closing Q is
//   skipped; D alone is a null column and is skipped; anything else starts
//   an unquoted value that runs to the next D (skipped) or the line's end.
//   At the line's end the value is empty and not null. R is no terminator
//   here: with R equal to D a trailing R reads as one more null column.
//
// The stream is not owned and must outlive the reader. Threads: one thread.
#pragma once

#include <array>
#include <functional>

#include "platform/rtl/Types.h"

class TStream;

class TvomCsvLineReader {
 public:
  static constexpr Integer kBufferSize = 8192;

  // `onFill` is called after every fill of the buffer that brought bytes,
  // with the number of such fills so far (progress reporting).
  TvomCsvLineReader(TStream* stream, char quote, char fieldDelimiter, char recordDelimiter,
                    std::function<void(Integer fills)> onFill = {});

  // Reads up to kBufferSize bytes into the buffer, replacing what is there;
  // true when at least one byte came.
  bool FillBuffer();
  // See "Lines" above.
  bool ReadLine();
  // See "Columns" above. `value` is replaced.
  void ReadField(bool& isNull, String& value);

  const String& Line() const { return line_; }
  // Lines read so far, counting from 1 (blank lines not counted).
  Integer LineNumber() const { return line_number_; }
  // Whether the last ReadLine ended at the end of the stream rather than at
  // a line break.
  bool LineUnterminated() const { return line_unterminated_; }
  // Whether a quoted value of the current line ran to the line's end
  // without its closing quote.
  bool QuoteUnterminated() const { return quote_unterminated_; }
  // Whether the parse position is still inside the current line.
  bool InLine() const { return parse_ < line_.size(); }
  // Makes `line` the current line, parsed from its start.
  void SetLine(const String& line);
  // Parses the current line again from its start.
  void RestartLine() {
    parse_ = 0;
    quote_unterminated_ = false;
  }

 private:
  TStream* stream_;
  char quote_;
  char field_delimiter_;
  char record_delimiter_;
  std::function<void(Integer)> on_fill_;
  std::array<char, kBufferSize> buffer_;
  Integer pos_ = 0;    // next unread byte in the buffer
  Integer count_ = 0;  // bytes in the buffer
  Integer fills_ = 0;
  String line_;
  std::size_t parse_ = 0;
  Integer line_number_ = 0;
  bool line_unterminated_ = false;
  bool quote_unterminated_ = false;
};
