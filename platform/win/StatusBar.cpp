// platform/win/StatusBar.cpp
#include "platform/win/StatusBar.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/ControlWindow.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

struct TPart {
  std::string text;
  UINT type = 0;
};

struct TStatusBarState {
  std::vector<int> rights{-1};
  std::vector<TPart> parts{TPart{}};
  TPart simple;
  bool isSimple = false;
  HFONT font = nullptr;
};

TStatusBarState* State(HWND hwnd) {
  return ControlWindowState<TStatusBarState>(hwnd).get();
}

constexpr int kGripSize = 12;

UINT PartIndex(WPARAM w) {
  return static_cast<UINT>(w & 0xFF);
}

bool HasGrip(HWND hwnd) {
  return (GetWindowLongPtr(hwnd, GWL_STYLE) & SBARS_SIZEGRIP) != 0;
}

// The rectangle of part `i` (SB_SIMPLEID: the simple part) in client
// coordinates; parts are two pixels apart below a two-pixel top margin.
RECT PartRect(HWND hwnd, const TStatusBarState& s, UINT i) {
  RECT client;
  GetClientRect(hwnd, &client);
  RECT r{0, 2, client.right, client.bottom};
  if (i == SB_SIMPLEID || s.isSimple) return r;
  r.left = i == 0 ? 0 : s.rights[i - 1] + 2;
  r.right = s.rights[i] < 0 ? client.right : s.rights[i];
  // The last part stops short of the grip.
  if (i + 1 == s.rights.size() && HasGrip(hwnd))
    r.right = std::min(r.right, client.right - kGripSize);
  r.right = std::max(r.left, r.right);
  return r;
}

void DrawPart(HDC dc, RECT r, const TPart& part) {
  if (!(part.type & SBT_NOBORDERS))
    DrawEdge(dc, &r, (part.type & SBT_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
             BF_RECT | BF_ADJUST);
  InflateRect(&r, -2, 0);
  // Up to three pieces: left, after one tab centred, after two tabs right.
  std::string pieces[3];
  int at = 0;
  for (char ch : part.text) {
    if (ch == '\t' && at < 2)
      ++at;
    else
      pieces[at] += ch;
  }
  static const UINT kAlign[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
  for (int i = 0; i < 3; ++i)
    if (!pieces[i].empty())
      DrawText(dc, pieces[i].c_str(), static_cast<int>(pieces[i].size()), &r,
               kAlign[i] | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void DrawGrip(HDC dc, const RECT& client) {
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(dc, dark);
  // Three diagonal ridges, each a shadow pair under a highlight.
  for (int d = 3; d <= 11; d += 4) {
    for (int k = 0; k < 3; ++k) {
      SelectObject(dc, k == 2 ? light : dark);
      const int off = d + k;
      MoveToEx(dc, client.right - off, client.bottom - 1, nullptr);
      LineTo(dc, client.right, client.bottom - 1 - off);
    }
  }
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

void Paint(HWND hwnd, HDC dc) {
  TStatusBarState& s = *State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, ControlFont(s.font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  if (s.isSimple) {
    DrawPart(dc, PartRect(hwnd, s, SB_SIMPLEID), s.simple);
  } else {
    for (UINT i = 0; i < s.parts.size(); ++i) DrawPart(dc, PartRect(hwnd, s, i), s.parts[i]);
  }
  if (HasGrip(hwnd)) DrawGrip(dc, client);
  SelectObject(dc, oldFont);
}

// The part a message names, nullptr when there is none.
TPart* PartOf(TStatusBarState& s, UINT index) {
  if (index == SB_SIMPLEID) return &s.simple;
  return index < s.parts.size() ? &s.parts[index] : nullptr;
}

LRESULT StatusBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<TStatusBarState> s = ControlWindowState<TStatusBarState>(hwnd, msg);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &Paint, r))
    return r;
  switch (msg) {
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case SB_SETPARTS: {
      const int n = static_cast<int>(wParam);
      const auto* rights = reinterpret_cast<const int*>(lParam);
      if (n <= 0 || n > kStatusBarMaxParts || !rights) return FALSE;
      s->rights.assign(rights, rights + n);
      s->parts.resize(n);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case SB_GETPARTS: {
      const int n = static_cast<int>(s->rights.size());
      if (auto* out = reinterpret_cast<int*>(lParam))
        std::copy_n(s->rights.begin(), std::min<int>(n, static_cast<int>(wParam)), out);
      return n;
    }
    case SB_SETTEXT: {
      TPart* part = PartOf(*s, PartIndex(wParam));
      if (!part) return FALSE;
      part->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      part->type = static_cast<UINT>(wParam) & 0xFF00;
      // Drawn now: the caller may be busy for a while before it looks at
      // its message queue again.
      if (s->isSimple == (PartIndex(wParam) == SB_SIMPLEID)) {
        RECT r = PartRect(hwnd, *s, PartIndex(wParam));
        InvalidateRect(hwnd, &r, TRUE);
        UpdateWindow(hwnd);
      }
      return TRUE;
    }
    case SB_GETTEXT:
    case SB_GETTEXTLENGTH: {
      const TPart* part = PartOf(*s, PartIndex(wParam));
      if (!part) return 0;
      if (msg == SB_GETTEXT && lParam)
        std::memcpy(reinterpret_cast<char*>(lParam), part->text.c_str(), part->text.size() + 1);
      return static_cast<LRESULT>((part->text.size() & 0xFFFF) | (part->type << 16));
    }
    case SB_GETRECT: {
      auto* out = reinterpret_cast<RECT*>(lParam);
      if (!out || (wParam >= s->parts.size() && wParam != SB_SIMPLEID)) return FALSE;
      *out = PartRect(hwnd, *s, static_cast<UINT>(wParam));
      return TRUE;
    }
    case SB_SIMPLE:
      if (s->isSimple != (wParam != 0)) {
        s->isSimple = wParam != 0;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case SB_ISSIMPLE:
      return s->isSimple;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterStatusBarClass() {
  RegisterControlWindowClass(STATUSCLASSNAME, &StatusBarProc);
}
