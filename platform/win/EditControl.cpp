// platform/win/EditControl.cpp
//
// The edit control (Edit.h). Its state lives in the window's control slot;
// every handler keeps a reference to it, because a notification sent to the
// parent may destroy the window while the handler still runs.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/rtl/Unicode.h"
#include "platform/win/Clipboard.h"
#include "platform/win/ControlWindow.h"
#include "platform/win/Cursor.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/Timer.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

namespace {

// What an edit takes when no limit is set (EM_LIMITTEXT with 0).
constexpr size_t kNoLimit = 0x7FFFFFFE;

// The caret blinks on this timer while the edit has the focus.
constexpr UINT_PTR kCaretTimer = 1;
constexpr UINT kCaretBlink = 530;

// EM_SCROLL's codes.
constexpr WPARAM kLineUp = 0, kLineDown = 1, kPageUp = 2, kPageDown = 3;

struct TLine {
  size_t start, end;  // bytes, without the line break
};

struct TEditState {
  String text;
  size_t anchor = 0, caret = 0;  // the selection runs between them
  size_t limit = kNoLimit;
  HFONT font = nullptr;
  int leftMargin = 0, rightMargin = 0;
  bool customRect = false;
  RECT rect;
  int scrollX = 0;
  int firstLine = 0;
  bool modified = false;
  char32_t passwordChar = U'*';
  bool canUndo = false;
  String undoText;
  size_t undoAnchor = 0, undoCaret = 0;
  bool typing = false;    // the last change was a typed character: the next one joins its undo step
  bool tracking = false;  // the left button drags the selection
  bool caretOn = true;    // the blinking caret's present phase
};

using TEditPtr = std::shared_ptr<TEditState>;

TEditPtr StateOf(HWND hwnd) {
  return ControlWindowState<TEditState>(hwnd);
}

DWORD StyleOf(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
}
bool IsMulti(HWND hwnd) {
  return StyleOf(hwnd) & ES_MULTILINE;
}

// --- Characters and lines ------------------------------------------------------

size_t NextPos(const String& t, size_t pos) {
  if (pos >= t.size()) return t.size();
  if (t[pos] == '\r' && pos + 1 < t.size() && t[pos + 1] == '\n') return pos + 2;
  return pos + std::max<size_t>(1, Utf8SequenceLength(t, pos));
}

size_t PrevPos(const String& t, size_t pos) {
  if (pos == 0) return 0;
  pos = std::min(pos, t.size());
  if (pos >= 2 && t[pos - 1] == '\n' && t[pos - 2] == '\r') return pos - 2;
  for (size_t back = 1; back <= 4 && back <= pos; ++back)
    if (Utf8SequenceLength(t, pos - back) == back) return pos - back;
  return pos - 1;  // a bad byte is a character of its own
}

// Moves a position inside a character (or between CR and LF) to its start.
size_t Snap(const String& t, size_t pos) {
  if (pos >= t.size()) return t.size();
  if (pos > 0 && t[pos] == '\n' && t[pos - 1] == '\r') return pos - 1;
  for (size_t back = 1; back <= 3 && back <= pos; ++back)
    if (Utf8SequenceLength(t, pos - back) > back) return pos - back;
  return pos;
}

char32_t CodePointAt(const String& t, size_t pos) {
  size_t p = pos;
  return NextCodePoint(t, p);
}

bool IsBlank(char32_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0;
}

// Ctrl+Right: past the rest of this word and the blanks after it.
size_t NextWord(const String& t, size_t pos) {
  while (pos < t.size() && !IsBlank(CodePointAt(t, pos))) pos = NextPos(t, pos);
  while (pos < t.size() && IsBlank(CodePointAt(t, pos))) pos = NextPos(t, pos);
  return pos;
}

// Ctrl+Left: back over blanks, then to the start of the word before them.
size_t PrevWord(const String& t, size_t pos) {
  while (pos > 0 && IsBlank(CodePointAt(t, PrevPos(t, pos)))) pos = PrevPos(t, pos);
  while (pos > 0 && !IsBlank(CodePointAt(t, PrevPos(t, pos)))) pos = PrevPos(t, pos);
  return pos;
}

// The hard lines: split at the line breaks only.
std::vector<TLine> HardLinesOf(HWND hwnd, const String& t) {
  std::vector<TLine> lines;
  if (!IsMulti(hwnd)) return {{0, t.size()}};
  size_t start = 0;
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i] == '\n') {
      lines.push_back({start, (i > start && t[i - 1] == '\r') ? i - 1 : i});
      start = i + 1;
    }
  lines.push_back({start, t.size()});
  return lines;
}

// A position where a wrapped line ends is also where the next one starts:
// it belongs to the next line.
int LineIndexOf(const std::vector<TLine>& lines, size_t pos) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (pos <= lines[i].end && (i + 1 == lines.size() || pos < lines[i + 1].start))
      return static_cast<int>(i);
  return static_cast<int>(lines.size()) - 1;
}

// --- Measuring -------------------------------------------------------------------

// What the user sees of a line: the text, or a mask character for each
// character of a password.
String Shown(HWND hwnd, const TEditState& e, const TLine& line, size_t upTo) {
  upTo = std::min(upTo, line.end);
  if (!(StyleOf(hwnd) & ES_PASSWORD) || e.passwordChar == 0)
    return e.text.substr(line.start, upTo - line.start);
  String mask, out;
  AppendUtf8(mask, e.passwordChar);
  for (size_t p = line.start; p < upTo; p = NextPos(e.text, p)) out += mask;
  return out;
}

int Width(HDC dc, const String& s) {
  SIZE size{0, 0};
  if (!s.empty()) GetTextExtentPoint32(dc, s.data(), static_cast<int>(s.size()), &size);
  return size.cx;
}

int LineHeight(HDC dc) {
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  return std::max<int>(1, tm.tmHeight);
}

// Pixels from the line's start to `pos`.
int XOf(HWND hwnd, const TEditState& e, HDC dc, const TLine& line, size_t pos) {
  return Width(dc, Shown(hwnd, e, line, pos));
}

// The character boundary of a line nearest to `x` pixels from its start.
size_t PosAtX(HWND hwnd, const TEditState& e, HDC dc, const TLine& line, int x) {
  size_t pos = line.start;
  int left = 0;
  while (pos < line.end) {
    const size_t next = NextPos(e.text, pos);
    const int right = XOf(hwnd, e, dc, line, next);
    if (x < (left + right + 1) / 2) break;
    pos = next;
    left = right;
  }
  return pos;
}

RECT FormatRect(HWND hwnd, const TEditState& e) {
  if (e.customRect) return e.rect;
  RECT c;
  GetClientRect(hwnd, &c);
  c.left += e.leftMargin;
  c.right = std::max(c.left, c.right - e.rightMargin);
  return c;
}

// A multi-line edit without horizontal scrolling breaks its lines to the
// formatting rectangle's width.
bool Wraps(HWND hwnd) {
  const DWORD style = StyleOf(hwnd);
  return (style & ES_MULTILINE) && !(style & ES_AUTOHSCROLL);
}

// Breaks a hard line into lines no wider than `width`: after the last blank
// that fits, or, for a word longer than the width, after the last character
// that fits (at least one character per line).
void WrapLine(HWND hwnd, const TEditState& e, HDC dc, TLine hard, int width,
              std::vector<TLine>& out) {
  size_t start = hard.start;
  while (true) {
    const TLine rest{start, hard.end};
    if (XOf(hwnd, e, dc, rest, hard.end) <= width) {
      out.push_back(rest);
      return;
    }
    size_t fit = start, afterBlank = start;
    for (size_t p = start; p < hard.end;) {
      const size_t next = NextPos(e.text, p);
      if (XOf(hwnd, e, dc, rest, next) > width) break;
      if (IsBlank(CodePointAt(e.text, p))) afterBlank = next;
      fit = next;
      p = next;
    }
    // Blanks that run past the edge stay on their line rather than start the next.
    size_t end = afterBlank > start ? afterBlank : std::max(fit, NextPos(e.text, start));
    while (afterBlank > start && end < hard.end && IsBlank(CodePointAt(e.text, end)))
      end = NextPos(e.text, end);
    if (end >= hard.end) {
      out.push_back(rest);
      return;
    }
    out.push_back({start, end});
    start = end;
  }
}

// The lines shown: the hard lines, broken to the width where the edit wraps.
std::vector<TLine> LinesOf(HWND hwnd, const TEditState& e) {
  std::vector<TLine> hard = HardLinesOf(hwnd, e.text);
  if (!Wraps(hwnd)) return hard;
  const RECT r = FormatRect(hwnd, e);
  const int width = std::max<int>(1, r.right - r.left);
  TMeasureDC m(e.font);
  std::vector<TLine> lines;
  for (const TLine& line : hard) WrapLine(hwnd, e, m.Dc(), line, width, lines);
  return lines;
}

// Where a line starts within the formatting rectangle: ES_CENTER and
// ES_RIGHT move lines narrower than the rectangle.
int LineLeft(HWND hwnd, const TEditState& e, HDC dc, const TLine& line) {
  const DWORD style = StyleOf(hwnd);
  if (!(style & (ES_CENTER | ES_RIGHT))) return 0;
  const RECT r = FormatRect(hwnd, e);
  const int room = (r.right - r.left) - XOf(hwnd, e, dc, line, line.end);
  if (room <= 0) return 0;
  return (style & ES_RIGHT) ? room - 1 : room / 2;
}

// Pixels from the formatting rectangle's left edge (before scrolling) to `pos`.
int XInRect(HWND hwnd, const TEditState& e, HDC dc, const TLine& line, size_t pos) {
  return LineLeft(hwnd, e, dc, line) + XOf(hwnd, e, dc, line, pos);
}

// The nearest boundary to `x` pixels from the rectangle's left edge.
size_t PosAtRectX(HWND hwnd, const TEditState& e, HDC dc, const TLine& line, int x) {
  return PosAtX(hwnd, e, dc, line, x - LineLeft(hwnd, e, dc, line));
}

// Scrolls so that the caret is inside the formatting rectangle, and no
// further than the text needs.
void ScrollToCaret(HWND hwnd, TEditState& e) {
  TMeasureDC m(e.font);
  const RECT r = FormatRect(hwnd, e);
  const int w = std::max<int>(1, r.right - r.left);
  const auto lines = LinesOf(hwnd, e);
  const int li = LineIndexOf(lines, e.caret);
  const int x = XInRect(hwnd, e, m.Dc(), lines[li], e.caret);
  if (x < e.scrollX) e.scrollX = std::max(0, x - w / 4);
  if (x - e.scrollX > w - 1) e.scrollX = std::min(x, x - w + 1 + w / 4);
  int widest = 0;
  for (const TLine& line : lines)
    widest = std::max(widest, XInRect(hwnd, e, m.Dc(), line, line.end));
  e.scrollX = std::max(0, std::min(e.scrollX, widest - w + 1));
  const int visible = std::max<int>(1, (r.bottom - r.top) / LineHeight(m.Dc()));
  if (li < e.firstLine) e.firstLine = li;
  if (li >= e.firstLine + visible) e.firstLine = li - visible + 1;
  e.firstLine = std::max(0, std::min(e.firstLine, static_cast<int>(lines.size()) - visible));
}

size_t PosFromPoint(HWND hwnd, const TEditState& e, POINT pt) {
  TMeasureDC m(e.font);
  const RECT r = FormatRect(hwnd, e);
  const auto lines = LinesOf(hwnd, e);
  int li = e.firstLine + (pt.y >= r.top ? (pt.y - r.top) / LineHeight(m.Dc()) : -1);
  li = std::max(0, std::min(li, static_cast<int>(lines.size()) - 1));
  return PosAtRectX(hwnd, e, m.Dc(), lines[li], pt.x - r.left + e.scrollX);
}

// --- Changes ---------------------------------------------------------------------

void Notify(HWND hwnd, WORD code) {
  if (!(StyleOf(hwnd) & WS_CHILD)) return;
  HWND parent = GetParent(hwnd);
  if (parent)
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                reinterpret_cast<LPARAM>(hwnd));
}

// The caret shows at once after any change or move, and blinks from there.
void ShowCaretNow(HWND hwnd, TEditState& e) {
  e.caretOn = true;
  if (GetFocus() == hwnd) SetTimer(hwnd, kCaretTimer, kCaretBlink);
}

void Changed(HWND hwnd, TEditState& e) {
  ShowCaretNow(hwnd, e);
  ScrollToCaret(hwnd, e);
  Notify(hwnd, EN_UPDATE);
  if (!IsWindow(hwnd)) return;
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, EN_CHANGE);
}

void Redraw(HWND hwnd, TEditState& e) {
  ShowCaretNow(hwnd, e);
  ScrollToCaret(hwnd, e);
  InvalidateRect(hwnd, nullptr, TRUE);
}

// Scrolls the view by lines (down for positive) and characters (right),
// within the text; the parent hears of it before the edit is redrawn.
// Returns the lines scrolled.
int ScrollView(HWND hwnd, TEditState& e, int lines, int chars) {
  TMeasureDC m(e.font);
  const RECT r = FormatRect(hwnd, e);
  const auto all = LinesOf(hwnd, e);
  const int visible = std::max<int>(1, (r.bottom - r.top) / LineHeight(m.Dc()));
  const int first =
      std::max(0, std::min(e.firstLine + lines, static_cast<int>(all.size()) - visible));
  TEXTMETRIC tm;
  GetTextMetrics(m.Dc(), &tm);
  int widest = 0;
  for (const TLine& line : all) widest = std::max(widest, XInRect(hwnd, e, m.Dc(), line, line.end));
  const int x = std::max(0, std::min(e.scrollX + chars * std::max<int>(1, tm.tmAveCharWidth),
                                     widest - (r.right - r.left) + 1));
  const int moved = first - e.firstLine;
  const bool movedX = x != e.scrollX;
  if (moved) Notify(hwnd, EN_VSCROLL);
  if (movedX && IsWindow(hwnd)) Notify(hwnd, EN_HSCROLL);
  if (!IsWindow(hwnd)) return moved;
  e.firstLine = first;
  e.scrollX = x;
  if (moved || movedX) InvalidateRect(hwnd, nullptr, TRUE);
  return moved;
}

size_t SelLo(const TEditState& e) {
  return std::min(e.anchor, e.caret);
}
size_t SelHi(const TEditState& e) {
  return std::max(e.anchor, e.caret);
}

// Puts `insert` in place of [from, to), cut to the limit. `typed` joins the
// change to the previous typed one for undo. Returns whether anything changed.
bool Replace(HWND hwnd, TEditState& e, size_t from, size_t to, String insert, bool undoable,
             bool typed) {
  const size_t kept = e.text.size() - (to - from);
  bool cut = false;
  if (kept + insert.size() > e.limit) {
    insert = CutUtf8(insert, e.limit > kept ? e.limit - kept : 0);
    cut = true;
  }
  if (from == to && insert.empty()) {
    if (cut) Notify(hwnd, EN_MAXTEXT);
    return false;
  }
  if (undoable && !(typed && e.typing && from == to && from == e.caret)) {
    e.undoText = e.text;
    e.undoAnchor = e.anchor;
    e.undoCaret = e.caret;
    e.canUndo = true;
  }
  e.typing = typed;
  e.text.replace(from, to - from, insert);
  e.anchor = e.caret = from + insert.size();
  e.modified = true;
  Changed(hwnd, e);
  if (cut && IsWindow(hwnd)) Notify(hwnd, EN_MAXTEXT);
  return true;
}

bool ReadOnly(HWND hwnd) {
  return StyleOf(hwnd) & ES_READONLY;
}

// The user's own changes; a read-only edit refuses them with a beep.
bool UserReplace(HWND hwnd, TEditState& e, size_t from, size_t to, const String& insert,
                 bool typed = false) {
  if (ReadOnly(hwnd)) {
    MessageBeep(0);
    return false;
  }
  return Replace(hwnd, e, from, to, insert, true, typed);
}

void Copy(HWND hwnd, const TEditState& e) {
  // A password never leaves its edit.
  if ((StyleOf(hwnd) & ES_PASSWORD) || e.anchor == e.caret) return;
  SetClipboardText(e.text.substr(SelLo(e), SelHi(e) - SelLo(e)));
}

void Clear(HWND hwnd, TEditState& e) {
  if (e.anchor != e.caret) UserReplace(hwnd, e, SelLo(e), SelHi(e), "");
}

void Paste(HWND hwnd, TEditState& e) {
  if (!HasClipboardText()) return;
  String text = GetClipboardText();
  // A single line takes the clipboard's first line only.
  if (!IsMulti(hwnd)) text = text.substr(0, text.find_first_of("\r\n"));
  UserReplace(hwnd, e, SelLo(e), SelHi(e), text);
}

void Undo(HWND hwnd, TEditState& e) {
  if (!e.canUndo) return;
  std::swap(e.text, e.undoText);
  std::swap(e.anchor, e.undoAnchor);
  std::swap(e.caret, e.undoCaret);
  e.typing = false;
  e.modified = true;
  Changed(hwnd, e);
}

void MoveCaret(HWND hwnd, TEditState& e, size_t pos, bool extend) {
  e.caret = pos;
  if (!extend) e.anchor = pos;
  e.typing = false;
  Redraw(hwnd, e);
}

// --- Keys ------------------------------------------------------------------------

void KeyDown(HWND hwnd, TEditState& e, UINT vk) {
  const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool multi = IsMulti(hwnd);
  const String& t = e.text;
  const auto lines = LinesOf(hwnd, e);
  const TLine& line = lines[LineIndexOf(lines, e.caret)];
  const bool selected = e.anchor != e.caret;
  if (!multi && vk == VK_UP) vk = VK_LEFT;
  if (!multi && vk == VK_DOWN) vk = VK_RIGHT;
  switch (vk) {
    case VK_LEFT:
      if (selected && !shift && !ctrl) return MoveCaret(hwnd, e, SelLo(e), false);
      return MoveCaret(hwnd, e, ctrl ? PrevWord(t, e.caret) : PrevPos(t, e.caret), shift);
    case VK_RIGHT:
      if (selected && !shift && !ctrl) return MoveCaret(hwnd, e, SelHi(e), false);
      return MoveCaret(hwnd, e, ctrl ? NextWord(t, e.caret) : NextPos(t, e.caret), shift);
    case VK_HOME:
      return MoveCaret(hwnd, e, ctrl ? 0 : line.start, shift);
    case VK_END:
      return MoveCaret(hwnd, e, ctrl ? t.size() : line.end, shift);
    case VK_UP:
    case VK_DOWN: {
      const int li = LineIndexOf(lines, e.caret) + (vk == VK_UP ? -1 : 1);
      if (li < 0) return MoveCaret(hwnd, e, 0, shift);
      if (li >= static_cast<int>(lines.size())) return MoveCaret(hwnd, e, t.size(), shift);
      TMeasureDC m(e.font);
      const int x = XInRect(hwnd, e, m.Dc(), line, e.caret);
      return MoveCaret(hwnd, e, PosAtRectX(hwnd, e, m.Dc(), lines[li], x), shift);
    }
    case VK_DELETE:
      if (shift) {
        Copy(hwnd, e);
        return Clear(hwnd, e);
      }
      if (selected) return Clear(hwnd, e);
      if (e.caret < t.size()) UserReplace(hwnd, e, e.caret, NextPos(t, e.caret), "");
      return;
    case VK_INSERT:
      if (ctrl) return Copy(hwnd, e);
      if (shift) return Paste(hwnd, e);
      return;
    default:
      return;
  }
}

void Char(HWND hwnd, TEditState& e, char32_t ch) {
  const DWORD style = StyleOf(hwnd);
  const bool multi = style & ES_MULTILINE;
  switch (ch) {
    case 0x01:  // Ctrl+A
      e.anchor = 0;
      return MoveCaret(hwnd, e, e.text.size(), true);
    case 0x03:  // Ctrl+C
      return Copy(hwnd, e);
    case 0x16:  // Ctrl+V
      return Paste(hwnd, e);
    case 0x18:  // Ctrl+X
      Copy(hwnd, e);
      return Clear(hwnd, e);
    case 0x1A:  // Ctrl+Z
      return Undo(hwnd, e);
    case 0x08:  // Backspace
      if (e.anchor != e.caret) return Clear(hwnd, e);
      if (e.caret > 0) UserReplace(hwnd, e, PrevPos(e.text, e.caret), e.caret, "");
      return;
    case '\r':
    case '\n':
      if (multi) UserReplace(hwnd, e, SelLo(e), SelHi(e), "\r\n");
      return;
    case '\t':
      if (multi) UserReplace(hwnd, e, SelLo(e), SelHi(e), "\t", true);
      return;
    default:
      break;
  }
  if (ch < 0x20 || ch == 0x7F) return;  // other control characters type nothing
  if ((style & ES_NUMBER) && (ch < '0' || ch > '9')) {
    MessageBeep(0);
    return;
  }
  if ((style & ES_UPPERCASE) && ch >= 'a' && ch <= 'z') ch -= 'a' - 'A';
  if ((style & ES_LOWERCASE) && ch >= 'A' && ch <= 'Z') ch += 'a' - 'A';
  String s;
  AppendUtf8(s, ch);
  UserReplace(hwnd, e, SelLo(e), SelHi(e), s, true);
}

// --- Painting --------------------------------------------------------------------

void Paint(HWND hwnd, HDC dc) {
  const TEditState& e = *StateOf(hwnd);
  // The clip, colours and font go back as they were on a context the caller gave.
  const int saved = SaveDC(dc);
  const DWORD style = StyleOf(hwnd);
  const bool enabled = IsWindowEnabled(hwnd);
  const bool grey = !enabled || (style & ES_READONLY);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  SetBkColor(dc, GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
  HBRUSH brush = GetSysColorBrush(grey ? COLOR_BTNFACE : COLOR_WINDOW);
  // The parent may choose the colours, as dialogs do.
  if (HWND parent = (style & WS_CHILD) ? GetParent(hwnd) : nullptr)
    if (LRESULT b = SendMessage(parent, grey ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)))
      brush = reinterpret_cast<HBRUSH>(b);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, brush);
  SelectObject(dc, ControlFont(e.font));
  const RECT r = FormatRect(hwnd, e);
  IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  SetBkMode(dc, TRANSPARENT);
  const int lh = LineHeight(dc);
  const auto lines = LinesOf(hwnd, e);
  const bool focused = GetFocus() == hwnd;
  const bool showSel = e.anchor != e.caret && (focused || (style & ES_NOHIDESEL));
  for (int i = e.firstLine; i < static_cast<int>(lines.size()); ++i) {
    const int y = r.top + (i - e.firstLine) * lh;
    if (y >= r.bottom) break;
    const TLine& line = lines[i];
    const int x0 = r.left - e.scrollX + LineLeft(hwnd, e, dc, line);
    const String shown = Shown(hwnd, e, line, line.end);
    TextOut(dc, x0, y, shown.data(), static_cast<int>(shown.size()));
    if (!showSel || SelHi(e) < line.start || SelLo(e) > line.end) continue;
    const size_t lo = std::max(SelLo(e), line.start), hi = std::min(SelHi(e), line.end);
    RECT sel{x0 + XOf(hwnd, e, dc, line, lo), y, x0 + XOf(hwnd, e, dc, line, hi), y + lh};
    // A selection that goes on past the line's end shows its line break.
    if (SelHi(e) > line.end) sel.right += std::max(2, lh / 4);
    FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
    const COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    ExtTextOut(dc, x0, y, ETO_CLIPPED, &sel, shown.data(), static_cast<UINT>(shown.size()),
               nullptr);
    SetTextColor(dc, oldColor);
  }
  if (focused && e.caretOn) {
    const int li = LineIndexOf(lines, e.caret);
    const int y = r.top + (li - e.firstLine) * lh;
    const int x = r.left - e.scrollX + XInRect(hwnd, e, dc, lines[li], e.caret);
    RECT caret{std::min<int>(x, r.right - 1), y, std::min<int>(x, r.right - 1) + 1, y + lh};
    FillRect(dc, &caret, GetSysColorBrush(COLOR_WINDOWTEXT));
  }
  RestoreDC(dc, saved);
}

// --- Messages --------------------------------------------------------------------

LRESULT GetSel(const TEditState& e, WPARAM wParam, LPARAM lParam) {
  if (auto* p = reinterpret_cast<DWORD*>(wParam)) *p = static_cast<DWORD>(SelLo(e));
  if (auto* p = reinterpret_cast<DWORD*>(lParam)) *p = static_cast<DWORD>(SelHi(e));
  if (SelHi(e) > 0xFFFF) return -1;
  return MAKELRESULT(static_cast<int>(SelLo(e)), static_cast<int>(SelHi(e)));
}

void SetSel(HWND hwnd, TEditState& e, WPARAM wParam, LPARAM lParam) {
  const auto start = static_cast<std::intptr_t>(static_cast<int>(wParam));
  const auto end = static_cast<std::intptr_t>(static_cast<int>(lParam));
  const size_t n = e.text.size();
  e.typing = false;
  if (start < 0) {  // -1 drops the selection and keeps the caret
    e.anchor = e.caret;
  } else {
    e.anchor = Snap(e.text, std::min<size_t>(static_cast<size_t>(start), n));
    e.caret = end < 0 ? n : Snap(e.text, std::min<size_t>(static_cast<size_t>(end), n));
  }
  Redraw(hwnd, e);
}

void SetMargins(HWND hwnd, TEditState& e, WPARAM which, LPARAM lParam) {
  int left = LOWORD(static_cast<UINT_PTR>(lParam)), right = HIWORD(static_cast<UINT_PTR>(lParam));
  if (which == EC_USEFONTINFO) {
    TMeasureDC m(e.font);
    TEXTMETRIC tm;
    GetTextMetrics(m.Dc(), &tm);
    left = right = tm.tmAveCharWidth / 2;
    which = EC_LEFTMARGIN | EC_RIGHTMARGIN;
  }
  if (which & EC_LEFTMARGIN) e.leftMargin = left;
  if (which & EC_RIGHTMARGIN) e.rightMargin = right;
  e.customRect = false;
  Redraw(hwnd, e);
}

LRESULT EditMessage(HWND hwnd, TEditState& e, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT:
      e.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      e.anchor = e.caret = 0;
      e.scrollX = e.firstLine = 0;
      e.canUndo = e.modified = e.typing = false;
      Changed(hwnd, e);
      return TRUE;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(e.text.size());
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lParam);
      if (!buf || wParam == 0) return 0;
      const size_t n = CutUtf8(e.text, wParam - 1).size();
      std::memcpy(buf, e.text.data(), n);
      buf[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS |
             (IsMulti(hwnd) ? DLGC_WANTALLKEYS : 0);
    case WM_SIZE:
      e.customRect = false;
      Redraw(hwnd, e);
      return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
      ShowCaretNow(hwnd, e);
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      KillTimer(hwnd, kCaretTimer);
      e.tracking = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, e, static_cast<UINT>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam != kCaretTimer) return DefWindowProc(hwnd, msg, wParam, lParam);
      if (GetFocus() != hwnd) {
        KillTimer(hwnd, kCaretTimer);
        e.caretOn = true;
        return 0;
      }
      e.caretOn = !e.caretOn;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_MOUSEWHEEL: {
      if (!IsMulti(hwnd)) return 0;
      const int notches = static_cast<short>(HIWORD(static_cast<UINT_PTR>(wParam))) / 120;
      ScrollView(hwnd, e, -3 * notches, 0);
      return 0;
    }
    case EM_LINESCROLL:
      if (!IsMulti(hwnd)) return FALSE;
      ScrollView(hwnd, e, static_cast<int>(lParam), static_cast<int>(wParam));
      return TRUE;
    case EM_SCROLL: {
      if (!IsMulti(hwnd)) return FALSE;
      TMeasureDC m(e.font);
      const RECT r = FormatRect(hwnd, e);
      const int page = std::max<int>(1, (r.bottom - r.top) / LineHeight(m.Dc()));
      int by = 0;
      switch (wParam) {
        case kLineUp:
          by = -1;
          break;
        case kLineDown:
          by = 1;
          break;
        case kPageUp:
          by = -page;
          break;
        case kPageDown:
          by = page;
          break;
        default:
          return FALSE;
      }
      const int moved = ScrollView(hwnd, e, by, 0);
      return MAKELRESULT(static_cast<WORD>(moved), TRUE);
    }
    case WM_CHAR:
      Char(hwnd, e, static_cast<char32_t>(wParam));
      return 0;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd)) return 0;
      MoveCaret(hwnd, e, PosFromPoint(hwnd, e, PointFromLParam(lParam)), (wParam & MK_SHIFT) != 0);
      SetCapture(hwnd);
      e.tracking = true;
      return 0;
    }
    case WM_MOUSEMOVE:
      if (e.tracking && GetCapture() == hwnd)
        MoveCaret(hwnd, e, PosFromPoint(hwnd, e, PointFromLParam(lParam)), true);
      return 0;
    case WM_LBUTTONUP:
      if (e.tracking) {
        e.tracking = false;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      e.tracking = false;
      return 0;
    case WM_LBUTTONDBLCLK: {
      const size_t pos = PosFromPoint(hwnd, e, PointFromLParam(lParam));
      size_t start = pos, end = pos;
      while (start > 0 && !IsBlank(CodePointAt(e.text, PrevPos(e.text, start))))
        start = PrevPos(e.text, start);
      while (end < e.text.size() && !IsBlank(CodePointAt(e.text, end))) end = NextPos(e.text, end);
      e.anchor = start;
      MoveCaret(hwnd, e, end, true);
      return 0;
    }
    case WM_CUT:
      Copy(hwnd, e);
      Clear(hwnd, e);
      return 0;
    case WM_COPY:
      Copy(hwnd, e);
      return 0;
    case WM_PASTE:
      Paste(hwnd, e);
      return 0;
    case WM_CLEAR:
      Clear(hwnd, e);
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      if (!e.canUndo || ReadOnly(hwnd)) return FALSE;
      Undo(hwnd, e);
      return TRUE;
    case EM_CANUNDO:
      return e.canUndo;
    case EM_EMPTYUNDOBUFFER:
      e.canUndo = e.typing = false;
      e.undoText.clear();
      return 0;
    case EM_GETSEL:
      return GetSel(e, wParam, lParam);
    case EM_SETSEL:
      SetSel(hwnd, e, wParam, lParam);
      return 0;
    case EM_REPLACESEL:
      Replace(hwnd, e, SelLo(e), SelHi(e), lParam ? reinterpret_cast<const char*>(lParam) : "",
              wParam != 0, false);
      return 0;
    case EM_LIMITTEXT:
      e.limit = wParam ? static_cast<size_t>(wParam) : kNoLimit;
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(e.limit);
    case EM_GETRECT:
      if (auto* r = reinterpret_cast<RECT*>(lParam)) *r = FormatRect(hwnd, e);
      return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (const auto* r = reinterpret_cast<const RECT*>(lParam)) {
        e.rect = *r;
        e.customRect = true;
      } else {
        e.customRect = false;
      }
      ScrollToCaret(hwnd, e);
      if (msg == EM_SETRECT) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case EM_SETMARGINS:
      SetMargins(hwnd, e, wParam, lParam);
      return 0;
    case EM_GETMARGINS:
      return MAKELRESULT(e.leftMargin, e.rightMargin);
    case EM_SETREADONLY: {
      const DWORD style = StyleOf(hwnd);
      SetWindowLongPtr(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~ES_READONLY));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR: {
      const DWORD style = StyleOf(hwnd);
      if (wParam) e.passwordChar = static_cast<char32_t>(wParam);
      SetWindowLongPtr(hwnd, GWL_STYLE, wParam ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD));
      Redraw(hwnd, e);
      return 0;
    }
    case EM_GETPASSWORDCHAR:
      return (StyleOf(hwnd) & ES_PASSWORD) ? static_cast<LRESULT>(e.passwordChar) : 0;
    case EM_GETMODIFY:
      return e.modified;
    case EM_SETMODIFY:
      e.modified = wParam != 0;
      return 0;
    case EM_SCROLLCARET:
      Redraw(hwnd, e);
      return TRUE;
    case EM_GETFIRSTVISIBLELINE:
      return e.firstLine;
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(LinesOf(hwnd, e).size());
    case EM_LINEFROMCHAR:
    case EM_LINEINDEX:
    case EM_LINELENGTH: {
      const auto lines = LinesOf(hwnd, e);
      const auto arg = static_cast<std::intptr_t>(static_cast<int>(wParam));
      if (msg == EM_LINEINDEX) {
        const int li = arg < 0 ? LineIndexOf(lines, e.caret) : static_cast<int>(arg);
        return li < static_cast<int>(lines.size()) ? static_cast<LRESULT>(lines[li].start) : -1;
      }
      const int li = LineIndexOf(lines, arg < 0 ? e.caret : static_cast<size_t>(arg));
      return msg == EM_LINEFROMCHAR ? li : static_cast<LRESULT>(lines[li].end - lines[li].start);
    }
    case EM_POSFROMCHAR: {
      const size_t pos = Snap(e.text, static_cast<size_t>(wParam));
      if (static_cast<size_t>(wParam) > e.text.size()) return -1;
      TMeasureDC m(e.font);
      const auto lines = LinesOf(hwnd, e);
      const int li = LineIndexOf(lines, pos);
      const RECT r = FormatRect(hwnd, e);
      return MAKELRESULT(r.left - e.scrollX + XInRect(hwnd, e, m.Dc(), lines[li], pos),
                         r.top + (li - e.firstLine) * LineHeight(m.Dc()));
    }
    case EM_CHARFROMPOS: {
      const size_t pos = PosFromPoint(hwnd, e, PointFromLParam(lParam));
      return MAKELRESULT(static_cast<int>(pos), LineIndexOf(LinesOf(hwnd, e), pos));
    }
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

LRESULT EditWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const TEditPtr e = ControlWindowState<TEditState>(hwnd, msg);
  if (!e) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) {
    if (const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam); cs && cs->lpszName)
      e->text = cs->lpszName;
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, e->font, &Paint, r)) {
    // Text does not touch the edges: the margins follow the font, as
    // EC_USEFONTINFO would set them.
    if (msg == WM_SETFONT) SetMargins(hwnd, *e, EC_USEFONTINFO, 0);
    return r;
  }
  return EditMessage(hwnd, *e, msg, wParam, lParam);
}

}  // namespace

namespace winkernel {
void RegisterEditClass() {
  RegisterControlWindowClass(WC_EDIT, &EditWndProc, CS_DBLCLKS, LoadCursor(nullptr, IDC_IBEAM));
}
}  // namespace winkernel
