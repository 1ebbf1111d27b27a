// platform/win/FontText.h
//
// Text helpers shared by the text calls and DrawText. Internal to the
// drawing layer.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/FontFace.h"
#include "platform/win/GdiDevice.h"

namespace gdi {

std::shared_ptr<TFontFace> FaceOf(TFontObject& font);
// The face of the DC's font (the system font when none is selected).
std::shared_ptr<TFontFace> FaceOf(TDcObject& dc);
// UTF-8 to code points; bad bytes become U+FFFD. count < 0: up to the zero.
std::u32string Decode(LPCSTR text, int count);
int Width(TFontFace& face, std::u32string_view text);
// Draws one line with its top-left at (x, top) in device coordinates, in
// the DC's text colour and font (underline, strike-out); `dx` gives the
// advances, `clip` (device) limits the pixels, `underlined` lists the
// characters that get a prefix underline.
void DrawLine(TDcObject& dc, TPainter& painter, int x, int top, std::u32string_view text,
              const int* dx, const TRect* clip, const std::vector<size_t>* underlined);

}  // namespace gdi
