// platform/win/Png.h
//
// PNG files in and out (libpng). Reading gives 32-bit pixels with straight
// alpha (opaque images get alpha 255); writing stores RGB, or RGBA when
// asked, since drawing leaves the alpha byte at 0 (Surface.h).
#pragma once

#include <optional>

#include "platform/rtl/Types.h"
#include "platform/win/Surface.h"
#include "platform/win/WinTypes.h"

// Nothing when the file cannot be read or is no PNG.
std::optional<TSurface> ReadPng(const String& path);
std::optional<TSurface> ReadPngMemory(const void* data, size_t size);
bool WritePng(const TSurface& surface, const String& path, bool withAlpha = false);

// A 32-bit top-down DIB section holding the picture (with its alpha);
// nullptr when the file cannot be read.
HBITMAP LoadPngBitmap(const String& path);
// Writes a bitmap's pixels; FALSE for an invalid handle or a failed write.
BOOL SaveBitmapPng(HBITMAP bitmap, const String& path, bool withAlpha = false);
