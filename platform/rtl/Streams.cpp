// platform/rtl/Streams.cpp
#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/rtl/Paths.h"

namespace {

constexpr Int64 kCopyChunk = 64 * 1024;

String SystemReason(int error) {
  return std::strerror(error);
}

// Where a memory-backed stream's Seek lands; a negative position is refused.
Int64 SeekTarget(Int64 position, Int64 size, Int64 offset, Word origin) {
  Int64 target;
  switch (origin) {
    case soFromBeginning:
      target = offset;
      break;
    case soFromCurrent:
      target = position + offset;
      break;
    case soFromEnd:
      target = size + offset;
      break;
    default:
      throw EStreamError("Invalid seek origin");
  }
  if (target < 0) throw EStreamError("Invalid stream position");
  return target;
}

}  // namespace

// ---- TStream ----

Int64 TStream::Size() {
  const Int64 position = Seek(0, soFromCurrent);
  const Int64 size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

void TStream::SetSize(Int64) {
  throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, Int64 count) {
  Byte* out = static_cast<Byte*>(buffer);
  while (count > 0) {
    const Int64 n = Read(out, count);
    if (n <= 0) throw EReadError("Stream read error");
    out += n;
    count -= n;
  }
}

void TStream::WriteBuffer(const void* buffer, Int64 count) {
  const Byte* in = static_cast<const Byte*>(buffer);
  while (count > 0) {
    const Int64 n = Write(in, count);
    if (n <= 0) throw EWriteError("Stream write error");
    in += n;
    count -= n;
  }
}

Int64 TStream::CopyFrom(TStream* source, Int64 count) {
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  const Int64 total = count;
  std::unique_ptr<Byte[]> chunk(
      new Byte[static_cast<std::size_t>(std::min(count, kCopyChunk) + 1)]);
  while (count > 0) {
    const Int64 n = std::min(count, kCopyChunk);
    source->ReadBuffer(chunk.get(), n);
    WriteBuffer(chunk.get(), n);
    count -= n;
  }
  return total;
}

// ---- THandleStream ----

Int64 THandleStream::Read(void* buffer, Int64 count) {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::read(handle_, buffer, static_cast<std::size_t>(count));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

Int64 THandleStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::write(handle_, buffer, static_cast<std::size_t>(count));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

Int64 THandleStream::Seek(Int64 offset, Word origin) {
  int whence = SEEK_SET;
  if (origin == soFromCurrent)
    whence = SEEK_CUR;
  else if (origin == soFromEnd)
    whence = SEEK_END;
  else if (origin != soFromBeginning)
    throw EStreamError("Invalid seek origin");
  const off_t result = ::lseek(handle_, static_cast<off_t>(offset), whence);
  if (result < 0) throw EStreamError("Cannot seek: " + SystemReason(errno));
  return result;
}

void THandleStream::SetSize(Int64 size) {
  const Int64 position = Position();
  if (::ftruncate(handle_, static_cast<off_t>(size)) != 0)
    throw EStreamError("Cannot change the file size: " + SystemReason(errno));
  if (position > size) Seek(size, soFromBeginning);
}

// ---- TFileStream ----

namespace {

String NativeFileName(const String& fileName, bool creating);

[[noreturn]] void FileError(bool creating, const String& fileName, const String& reason) {
  if (creating) throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
  throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
}

}  // namespace

TFileStream::TFileStream(const String& fileName, Word mode)
    : THandleStream(-1), file_name_(fileName) {
  const bool creating = (mode & fmCreate) == fmCreate;
  const Word access =
      creating ? static_cast<Word>(fmOpenReadWrite) : static_cast<Word>(mode & 0x0003);
  const Word share = static_cast<Word>(mode & 0x00F0);
  int flags = O_CLOEXEC;
  if (access == fmOpenWrite)
    flags |= O_WRONLY;
  else if (access == fmOpenReadWrite)
    flags |= O_RDWR;
  else if (access == fmOpenRead)
    flags |= O_RDONLY;
  else
    FileError(creating, fileName, "Invalid file open mode.");
  if (creating) flags |= O_CREAT;  // not O_TRUNC: the content goes only once the lock is ours

  const String native = NativeFileName(fileName, creating);
  int fd;
  do {
    fd = ::open(native.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) FileError(creating, fileName, SystemReason(errno));

  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    FileError(creating, fileName, SystemReason(EISDIR));
  }
  // Writers exclude each other so that two saves never interleave; readers
  // stay free to read while a writer works.
  const bool writer = access != fmOpenRead;
  if (writer && share != fmShareDenyNone) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      FileError(creating, fileName,
                error == EWOULDBLOCK ? String("The file is being written by another program.")
                                     : SystemReason(error));
    }
  }
  if (creating && ::ftruncate(fd, 0) != 0) {
    const int error = errno;
    ::close(fd);
    FileError(creating, fileName, SystemReason(error));
  }
  handle_ = fd;
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);  // closing also releases the lock
}

// ---- TStorageStream ----

template <class Storage>
Int64 TStorageStream<Storage>::Read(void* buffer, Int64 count) {
  const Int64 size = Size();
  if (count <= 0 || position_ >= size) return 0;
  const Int64 n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

template <class Storage>
Int64 TStorageStream<Storage>::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  const Int64 end = position_ + count;
  if (end > Size()) data_.resize(static_cast<std::size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

template <class Storage>
Int64 TStorageStream<Storage>::Seek(Int64 offset, Word origin) {
  position_ = SeekTarget(position_, Size(), offset, origin);
  return position_;
}

template <class Storage>
void TStorageStream<Storage>::SetSize(Int64 size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<std::size_t>(size));
  if (position_ > size) position_ = size;
}

template class TStorageStream<std::vector<Byte>>;
template class TStorageStream<String>;

// ---- TMemoryStream ----

void TMemoryStream::Clear() {
  std::vector<Byte>().swap(data_);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  stream->SetPosition(0);
  const Int64 size = stream->Size();
  std::vector<Byte> data(static_cast<std::size_t>(size));
  if (size > 0) stream->ReadBuffer(data.data(), size);
  data_.swap(data);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TMemoryStream::SaveToStream(TStream* stream) {
  if (!data_.empty()) stream->WriteBuffer(data_.data(), Size());
}

void TMemoryStream::SaveToFile(const String& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

// ---- TStringStream ----

String TStringStream::ReadString(Int64 count) {
  const Int64 n = std::max<Int64>(0, std::min(count, Size() - position_));
  String result = data_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(n));
  position_ += n;
  return result;
}

void TStringStream::WriteString(const String& text) {
  Write(text.data(), static_cast<Int64>(text.size()));
}

namespace {
// Drive paths go through the drive mapping; native and relative names are
// used as they are.
String NativeFileName(const String& fileName, bool creating) {
  if (!IsDrivePath(fileName)) return fileName;
  String native;
  if (!ResolvePath(fileName, native))
    FileError(creating, fileName, "The drive is not mapped to a folder.");
  return native;
}
}  // namespace
