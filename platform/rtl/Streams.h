// platform/rtl/Streams.h
//
// Byte streams: the abstract TStream, streams over an open file handle
// (THandleStream) and over a named file (TFileStream), and the in-memory
// TMemoryStream and TStringStream.
//
// Positions and sizes are 64-bit byte counts. Read and Write move as many
// bytes as they can and return that count; ReadBuffer and WriteBuffer insist
// on the whole count and raise EReadError "Stream read error" or EWriteError
// "Stream write error" otherwise.
//
// Threads: a stream object is used by one thread at a time.
#pragma once

#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

// Seek origins.
enum : Word { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// TFileStream modes: one access mode, optionally OR-ed with one share mode.
// fmCreate creates the file (or empties an existing one) and opens it for
// reading and writing.
enum : Word {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

class TStream : public TObject {
  ZORVET_CLASS_NAME(TStream)

 public:
  // Reads up to `count` bytes at the position; returns how many were read
  // (0 at the end) and moves the position by that much.
  virtual Int64 Read(void* buffer, Int64 count) = 0;
  // Writes up to `count` bytes at the position; returns how many were written.
  virtual Int64 Write(const void* buffer, Int64 count) = 0;
  // Moves the position and returns the new one. `origin` is soFromBeginning,
  // soFromCurrent or soFromEnd.
  virtual Int64 Seek(Int64 offset, Word origin) = 0;

  Int64 Position() { return Seek(0, soFromCurrent); }
  void SetPosition(Int64 position) { Seek(position, soFromBeginning); }
  virtual Int64 Size();
  // Changes the size; the position stays unless it lies beyond the new end.
  // The base class refuses with EStreamError.
  virtual void SetSize(Int64 size);

  // Reads exactly `count` bytes, or raises EReadError "Stream read error"
  // (the bytes that could be read have been consumed then).
  void ReadBuffer(void* buffer, Int64 count);
  // Writes exactly `count` bytes, or raises EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, Int64 count);

  // Copies `count` bytes from the source's position to this stream's position.
  // A count of 0 copies the whole source from its beginning. Returns the count
  // copied; a source that ends early raises EReadError.
  Int64 CopyFrom(TStream* source, Int64 count);
};

// A stream over an open file descriptor, which it does not own.
class THandleStream : public TStream {
  ZORVET_CLASS_NAME(THandleStream)

 public:
  explicit THandleStream(int handle) : handle_(handle) {}

  int Handle() const { return handle_; }
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, Word origin) override;
  // Truncates or extends the file (EStreamError with the system's reason).
  void SetSize(Int64 size) override;

 protected:
  int handle_;
};

// A stream over a named file, drive form ("D:\dir\a.txt") or native form
// ("/home/u/a.txt"). The file is closed when the stream is destroyed.
//
// Sharing, as the catalogue needs it: a stream opened for writing
// (fmOpenWrite, fmOpenReadWrite or fmCreate) holds an exclusive advisory lock
// on the file for its lifetime, so a second writer, in this process or
// another, is refused; readers take no lock and may read while one writes.
// fmShareDenyNone lets a writer do without the lock.
//
// Failures: EFCreateError for fmCreate, EFOpenError otherwise; the message
// names the file and gives the system's reason.
class TFileStream : public THandleStream {
  ZORVET_CLASS_NAME(TFileStream)

 public:
  TFileStream(const String& fileName, Word mode);
  ~TFileStream() override;

  const String& FileName() const { return file_name_; }

 private:
  String file_name_;
};

// A stream over a growable block held in `Storage` (a byte vector or a
// String): the common part of TMemoryStream and TStringStream. Seeking
// beyond the end is allowed; writing there fills the gap with zeros. A
// negative position raises EStreamError.
template <class Storage>
class TStorageStream : public TStream {
 public:
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, Word origin) override;
  Int64 Size() override { return static_cast<Int64>(data_.size()); }
  void SetSize(Int64 size) override;

 protected:
  TStorageStream() = default;
  explicit TStorageStream(Storage data) : data_(std::move(data)) {}

  Storage data_;
  Int64 position_ = 0;
};

// A growable block of memory. Memory() stays valid until the size changes.
class TMemoryStream : public TStorageStream<std::vector<Byte>> {
  ZORVET_CLASS_NAME(TMemoryStream)

 public:
  TMemoryStream() = default;

  Byte* Memory() { return data_.data(); }
  const Byte* Memory() const { return data_.data(); }
  // Empties the stream and frees its memory.
  void Clear();

  // Replaces the content with the whole of `stream` (from its beginning) and
  // rewinds to 0.
  void LoadFromStream(TStream* stream);
  void LoadFromFile(const String& fileName);
  // Writes the whole content to `stream` at its position.
  void SaveToStream(TStream* stream);
  void SaveToFile(const String& fileName);
};

// A stream over a String; DataString() is its content.
class TStringStream : public TStorageStream<String> {
  ZORVET_CLASS_NAME(TStringStream)

 public:
  explicit TStringStream(String data = String()) : TStorageStream(std::move(data)) {}

  const String& DataString() const { return data_; }
  // Reads up to `count` bytes as text.
  String ReadString(Int64 count);
  // Writes `text` at the position.
  void WriteString(const String& text);
};
