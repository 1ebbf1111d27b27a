// platform/win/PngFile.cpp
//
// PNG reading and writing through libpng's simplified interface, which
// converts every colour type and bit depth to 8-bit BGRA for us.
#include <png.h>

#include <cstring>
#include <vector>

#include "platform/win/GdiObjects.h"
#include "platform/win/Png.h"

namespace {

std::optional<TSurface> FromImage(png_image& image, const std::vector<png_byte>& buffer) {
  TSurface s(static_cast<int>(image.width), static_cast<int>(image.height));
  for (int y = 0; y < s.Height(); ++y)
    std::memcpy(s.Row(y), buffer.data() + static_cast<size_t>(y) * image.width * 4,
                image.width * 4u);
  return s;
}

std::optional<TSurface> Finish(png_image& image) {
  if (PNG_IMAGE_FAILED(image)) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_BGRA;
  std::vector<png_byte> buffer(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return FromImage(image, buffer);
}

}  // namespace

std::optional<TSurface> ReadPng(const String& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  return Finish(image);
}

std::optional<TSurface> ReadPngMemory(const void* data, size_t size) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return std::nullopt;
  return Finish(image);
}

bool WritePng(const TSurface& surface, const String& path, bool withAlpha) {
  if (surface.Width() == 0 || surface.Height() == 0) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(surface.Width());
  image.height = static_cast<png_uint_32>(surface.Height());
  image.format = withAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  const int channels = withAlpha ? 4 : 3;
  std::vector<png_byte> rows(static_cast<size_t>(surface.Width()) * surface.Height() * channels);
  size_t i = 0;
  for (int y = 0; y < surface.Height(); ++y)
    for (int x = 0; x < surface.Width(); ++x) {
      const TPixel p = surface.Row(y)[x];
      rows[i++] = static_cast<png_byte>(PixelB(p));
      rows[i++] = static_cast<png_byte>(PixelG(p));
      rows[i++] = static_cast<png_byte>(PixelR(p));
      if (withAlpha) rows[i++] = static_cast<png_byte>(PixelA(p));
    }
  const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rows.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

HBITMAP LoadPngBitmap(const String& path) {
  auto picture = ReadPng(path);
  if (!picture) return nullptr;
  auto b = std::make_shared<TBitmapObject>(0, 0, false);
  *b->surface = *picture;
  b->dib = true;
  gdi::Register(b);
  return gdi::HandleOf<HBITMAP>(b);
}

BOOL SaveBitmapPng(HBITMAP bitmap, const String& path, bool withAlpha) {
  auto b = gdi::Bitmap(bitmap);
  return b && WritePng(*b->surface, path, withAlpha) ? TRUE : FALSE;
}
