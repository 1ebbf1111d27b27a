// memtable/LengthBuffer.h
//
// Length-prefixed buffers: the separate allocations that hold the values of
// indirect fields (long strings, bytes, blobs). Format: a 4-byte little-endian
// length n, followed by n bytes. A buffer is referred to by the address of its
// length; nullptr stands for "no buffer" everywhere.
//
// Ownership: a buffer belongs to the record whose indirect entry points at it
// (see Record.h); whoever clears that entry frees the buffer.
#pragma once

#include "platform/rtl/Types.h"

// A new buffer of `length` zero bytes. REQUIRES: length >= 0.
Byte* AllocLengthBuffer(Integer length);

// A new buffer holding a copy of `length` bytes at `data`.
Byte* MakeLengthBuffer(const void* data, Integer length);

// A new buffer with the same length and bytes; nullptr for nullptr.
Byte* DuplicateLengthBuffer(const Byte* buffer);

// Frees the buffer; nullptr is ignored.
void FreeLengthBuffer(Byte* buffer);

// The stored length. REQUIRES: buffer != nullptr.
Integer LengthBufferSize(const Byte* buffer);

// The address of the bytes after the length. REQUIRES: buffer != nullptr.
inline Byte* LengthBufferData(Byte* buffer) {
  return buffer + 4;
}
inline const Byte* LengthBufferData(const Byte* buffer) {
  return buffer + 4;
}
