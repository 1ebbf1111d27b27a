// platform/rtl/Filer.cpp
#include "platform/rtl/Filer.h"

namespace {
constexpr Integer kDefaultBufSize = 4096;
}

TFiler::TFiler(TStream* stream, Integer bufSize)
    : stream_(stream), buffer_(static_cast<std::size_t>(bufSize > 0 ? bufSize : kDefaultBufSize)) {}
