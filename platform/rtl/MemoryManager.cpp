// platform/rtl/MemoryManager.cpp
#include "platform/rtl/MemoryManager.h"

#include <malloc.h>

namespace {

// 32 MB is the largest threshold the C library adjusts to by itself; fixing
// it here only skips the warm-up in which the first big blocks of every
// size are mapped, unmapped and faulted in again.
constexpr int kMapThreshold = 32 * 1024 * 1024;
constexpr int kTrimThreshold = 256 * 1024 * 1024;

}  // namespace

bool InitMemoryManager() {
  const bool mapped = mallopt(M_MMAP_THRESHOLD, kMapThreshold) == 1;
  const bool trimmed = mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 1;
  return mapped && trimmed;
}
