// memtable/LengthBuffer.cpp
#include "memtable/LengthBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "memtable/MemTableErrors.h"

namespace {

void StoreLength(Byte* buffer, Integer length) {
  const auto n = static_cast<std::uint32_t>(length);
  buffer[0] = static_cast<Byte>(n);
  buffer[1] = static_cast<Byte>(n >> 8);
  buffer[2] = static_cast<Byte>(n >> 16);
  buffer[3] = static_cast<Byte>(n >> 24);
}

}  // namespace

Byte* AllocLengthBuffer(Integer length) {
  if (length < 0) throw ERangeError(SvomInvalidArgument);
  auto* buffer = static_cast<Byte*>(std::calloc(static_cast<std::size_t>(length) + 4, 1));
  if (buffer == nullptr) throw std::bad_alloc();
  StoreLength(buffer, length);
  return buffer;
}

Byte* MakeLengthBuffer(const void* data, Integer length) {
  Byte* buffer = AllocLengthBuffer(length);
  if (length > 0) std::memcpy(LengthBufferData(buffer), data, static_cast<std::size_t>(length));
  return buffer;
}

Byte* DuplicateLengthBuffer(const Byte* buffer) {
  if (buffer == nullptr) return nullptr;
  return MakeLengthBuffer(LengthBufferData(buffer), LengthBufferSize(buffer));
}

void FreeLengthBuffer(Byte* buffer) {
  std::free(buffer);
}

Integer LengthBufferSize(const Byte* buffer) {
  const std::uint32_t n = std::uint32_t(buffer[0]) | (std::uint32_t(buffer[1]) << 8) |
                          (std::uint32_t(buffer[2]) << 16) | (std::uint32_t(buffer[3]) << 24);
  return static_cast<Integer>(n);
}
