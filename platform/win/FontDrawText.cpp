// platform/win/FontDrawText.cpp
//
// DrawText: prefixes, line breaks, word wrapping, ellipses, alignment,
// measuring and clipping, on top of the one-line drawing of FontText.cpp.
#include <algorithm>

#include "platform/win/FontText.h"

namespace {

// A line to draw: its characters and which of them a prefix underlines.
struct TTextLine {
  std::u32string text;
  std::vector<bool> underline;
  int width = 0;
};

void Append(TTextLine& line, char32_t c, bool underline) {
  line.text.push_back(c);
  line.underline.push_back(underline);
}

// Removes prefix marks: "&x" underlines x, "&&" is "&", a last "&" stays.
TTextLine StripPrefixes(const std::u32string& text, UINT format) {
  TTextLine out;
  const bool prefixes = !(format & DT_NOPREFIX);
  const bool show = !(format & DT_HIDEPREFIX);
  for (size_t i = 0; i < text.size(); ++i) {
    if (prefixes && text[i] == U'&' && i + 1 < text.size()) {
      ++i;
      Append(out, text[i], show && text[i] != U'&');
      continue;
    }
    Append(out, text[i], false);
  }
  return out;
}

TTextLine Slice(const TTextLine& l, size_t from, size_t to) {
  TTextLine s;
  s.text = l.text.substr(from, to - from);
  s.underline.assign(l.underline.begin() + static_cast<std::ptrdiff_t>(from),
                     l.underline.begin() + static_cast<std::ptrdiff_t>(to));
  return s;
}

std::vector<TTextLine> Paragraphs(const TTextLine& all, UINT format) {
  std::vector<TTextLine> out(1);
  for (size_t i = 0; i < all.text.size(); ++i) {
    const char32_t c = all.text[i];
    if (c == U'\r' || c == U'\n') {
      if (format & DT_SINGLELINE) continue;
      if (c == U'\r' && i + 1 < all.text.size() && all.text[i + 1] == U'\n') ++i;
      out.emplace_back();
      continue;
    }
    if (c == U'\t' && (format & DT_EXPANDTABS)) {
      do Append(out.back(), U' ', false);
      while (out.back().text.size() % 8);
      continue;
    }
    Append(out.back(), c, all.underline[i]);
  }
  return out;
}

// Greedy wrapping at spaces: a line takes words while they fit; spaces at
// a break are dropped; a word wider than the box stands alone.
void Wrap(TFontFace& face, const TTextLine& para, int maxWidth, std::vector<TTextLine>& lines) {
  const std::u32string& t = para.text;
  size_t start = 0;
  while (true) {
    size_t end = start, lastFit = start;
    int width = 0;
    bool broke = false;
    while (end < t.size()) {
      // The next word with the spaces before it.
      size_t next = end;
      while (next < t.size() && t[next] == U' ') ++next;
      while (next < t.size() && t[next] != U' ') ++next;
      const int w = gdi::Width(face, std::u32string_view(t).substr(end, next - end));
      if (width + w > maxWidth && lastFit > start) {
        broke = true;
        break;
      }
      width += w;
      end = lastFit = next;
    }
    lines.push_back(Slice(para, start, lastFit));
    if (!broke) return;
    start = lastFit;
    while (start < t.size() && t[start] == U' ') ++start;
    if (start >= t.size()) return;
  }
}

void AddEllipsis(TFontFace& face, TTextLine& line, int maxWidth) {
  if (line.width <= maxWidth) return;
  const int dots = gdi::Width(face, U"...");
  while (!line.text.empty() && gdi::Width(face, line.text) + dots > maxWidth) {
    line.text.pop_back();
    line.underline.pop_back();
  }
  for (int i = 0; i < 3; ++i) Append(line, U'.', false);
}

}  // namespace

int DrawText(HDC hdc, LPCSTR text, int count, RECT* rect, UINT format) {
  auto dc = gdi::Dc(hdc);
  if (!dc || !rect || (!text && count)) return 0;
  const auto face = gdi::FaceOf(*dc);
  const TEXTMETRIC& m = face->Metrics();
  const std::u32string chars = gdi::Decode(text ? text : "", text ? count : 0);
  if (chars.empty()) {
    if (format & DT_CALCRECT) {
      rect->right = rect->left;
      rect->bottom = rect->top;
    }
    return 0;
  }
  const TRect box = TRect::From(*rect);
  const int lineHeight = m.tmHeight + ((format & DT_EXTERNALLEADING) ? m.tmExternalLeading : 0);

  std::vector<TTextLine> lines;
  for (const TTextLine& para : Paragraphs(StripPrefixes(chars, format), format)) {
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE))
      Wrap(*face, para, box.Width(), lines);
    else
      lines.push_back(para);
  }
  int widest = 0;
  for (TTextLine& l : lines) {
    l.width = gdi::Width(*face, l.text);
    if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
      AddEllipsis(*face, l, box.Width());
      l.width = gdi::Width(*face, l.text);
    }
    widest = std::max(widest, l.width);
  }
  const int height = lineHeight * static_cast<int>(lines.size());

  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }

  int top = box.y0;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      top = box.y0 + (box.Height() - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      top = box.y1 - lineHeight;
  }
  TPainter painter = gdi::PainterOf(*dc);
  const TPoint o = gdi::ToDevice(*dc, 0, 0);
  const TRect deviceBox = box.Translated(o);
  const TRect* clip = (format & DT_NOCLIP) ? nullptr : &deviceBox;
  const TPaint back = TPaint::Solid(PixelOfColor(dc->attrs.bkColor));
  int y = top;
  for (const TTextLine& l : lines) {
    int x = box.x0;
    if (format & DT_CENTER)
      x = box.x0 + (box.Width() - l.width) / 2;
    else if (format & DT_RIGHT)
      x = box.x1 - l.width;
    std::vector<size_t> underlined;
    for (size_t i = 0; i < l.underline.size(); ++i)
      if (l.underline[i]) underlined.push_back(i);
    if (dc->attrs.bkMode == OPAQUE) {
      TRect cell = TRect::Sized(x + o.x, y + o.y, l.width, m.tmHeight);
      if (clip) cell = cell.Intersected(*clip);
      painter.Fill(cell, back, R2_COPYPEN);
    }
    gdi::DrawLine(*dc, painter, x + o.x, y + o.y, l.text, nullptr, clip, &underlined);
    y += lineHeight;
  }
  if (format & DT_SINGLELINE && (format & (DT_VCENTER | DT_BOTTOM)))
    return top - box.y0 + lineHeight;
  return height;
}
