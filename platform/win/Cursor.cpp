// platform/win/Cursor.cpp
//
// The program's own cursors are drawn here as character pictures, so that
// they need no resource files: '#' black, 'o' white, '.' transparent.
#include "platform/win/Cursor.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "platform/rtl/StringUtils.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystemState.h"

namespace {

const std::vector<String> kArrow = {
    "#...........", "##..........", "#o#.........", "#oo#........", "#ooo#.......", "#oooo#......",
    "#ooooo#.....", "#oooooo#....", "#ooooooo#...", "#oooo#####..", "#oo#oo#.....", "#o#.#oo#....",
    "##..#oo#....", "#....#oo#...", ".....#oo#...", "......##....",
};

// The arrow with a sheet of paper under its tip: what is being dragged.
std::vector<String> ArrowWith(const std::vector<String>& badge) {
  std::vector<String> rows = kArrow;
  for (const String& b : badge) rows.push_back("......" + b);
  const size_t width = std::max_element(rows.begin(), rows.end(), [](auto& a, auto& b) {
                         return a.size() < b.size();
                       })->size();
  for (String& r : rows) r.resize(width, '.');
  return rows;
}

const std::vector<String> kSheet = {
    "#########", "#ooooooo#", "#ooooooo#", "#ooooooo#", "#ooooooo#", "#########",
};
const std::vector<String> kSheetPlus = {
    "#########", "#ooo#ooo#", "#ooo#ooo#", "#o#####o#", "#ooo#ooo#", "#ooo#ooo#", "#########",
};
const std::vector<String> kSheets = {
    "..#########", "..#ooooooo#", "#########o#", "#ooooooo#o#",
    "#ooooooo###", "#ooooooo#..", "#########..",
};

// A hand with the index finger pointing up; the tip is the hot spot.
const std::vector<String> kHand = {
    ".....##..........", "....#oo#.........", "....#oo#.........", "....#oo#.........",
    "....#oo#.........", "....#oo###.......", "....#oo#oo###....", "....#oo#oo#oo##..",
    ".##.#oo#oo#oo#o#.", "#oo##oooooooo#oo#", "#ooo#ooooooooooo#", ".#oo#ooooooooooo#",
    "..#oooooooooooo#.", "..#oooooooooooo#.", "...#ooooooooooo#.", "...#oooooooooo#..",
    "....#ooooooooo#..", "....#ooooooooo#..", "....###########..",
};

struct TCursorRegistry {
  std::mutex mutex;
  std::deque<TCursorShape> shapes;    // index + 1 is the handle
  std::map<int, HCURSOR> system;      // by IDC_ number
  std::map<String, HCURSOR> program;  // by resource name

  HCURSOR Add(TCursorShape s) {
    shapes.push_back(std::move(s));
    return reinterpret_cast<HCURSOR>(shapes.size());
  }
};

TCursorRegistry& Registry() {
  static TCursorRegistry reg;
  static std::once_flag drawn;
  std::call_once(drawn, [] {
    auto picture = [](const char* name, std::vector<String> rows, POINT hot) {
      TCursorShape s;
      s.picture = std::move(rows);
      s.hotSpot = hot;
      reg.program[name] = reg.Add(std::move(s));
    };
    picture("ZX_HANDCUR", kHand, POINT{5, 0});
    picture("ZX_DRAGCUR", ArrowWith(kSheet), POINT{0, 0});
    picture("SLTREEDRAGCOPY", ArrowWith(kSheetPlus), POINT{0, 0});
    // The class library's own drag cursors.
    picture("DRAGCURSOR", ArrowWith(kSheet), POINT{0, 0});
    picture("MULTIDRAGCURSOR", ArrowWith(kSheets), POINT{0, 0});
  });
  return reg;
}

HCURSOR SystemCursor(LPCSTR id) {
  return LoadCursor(nullptr, id);
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
  TCursorRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  if (!instance) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const int id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
    static const int known[] = {32512, 32513, 32514, 32515, 32516, 32642, 32643,
                                32644, 32645, 32646, 32648, 32649, 32650, 32651};
    if (std::find(std::begin(known), std::end(known), id) == std::end(known)) return nullptr;
    auto it = r.system.find(id);
    if (it != r.system.end()) return it->second;
    TCursorShape s;
    s.systemId = id;
    return r.system[id] = r.Add(std::move(s));
  }
  if (instance != HInstance() || IS_INTRESOURCE(name)) return nullptr;
  const String upper = UpperCase(name);
  auto it = r.program.find(upper);
  return it == r.program.end() ? nullptr : it->second;
}

const TCursorShape* CursorShape(HCURSOR cursor) {
  TCursorRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  const auto i = reinterpret_cast<std::uintptr_t>(cursor);
  return (i >= 1 && i <= r.shapes.size()) ? &r.shapes[i - 1] : nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
  auto& k = Kernel();
  HCURSOR old = k.screenCursor;
  k.screenCursor = cursor;
  return old;
}

HCURSOR GetCursor() {
  return Kernel().screenCursor;
}

void SetCursorOfId(int id, HCURSOR cursor) {
  Kernel().cursorTable[id] = cursor;
}

HCURSOR CursorOfId(int id) {
  auto& k = Kernel();
  auto it = k.cursorTable.find(id);
  if (it != k.cursorTable.end()) return it->second;
  return k.cursorTable[0];
}

bool HasCursorOfId(int id) {
  return Kernel().cursorTable.count(id) != 0;
}

void winkernel::InitCursors(TWindowSystemState& s) {
  const HINSTANCE self = HInstance();
  s.cursorTable = {
      {0, SystemCursor(IDC_ARROW)},                // default
      {-1, nullptr},                               // none: no cursor shown
      {-2, SystemCursor(IDC_ARROW)},               // arrow
      {-3, SystemCursor(IDC_CROSS)},               // cross
      {-4, SystemCursor(IDC_IBEAM)},               // text
      {-5, SystemCursor(IDC_SIZEALL)},             // size
      {-6, SystemCursor(IDC_SIZENESW)},            //
      {-7, SystemCursor(IDC_SIZENS)},              //
      {-8, SystemCursor(IDC_SIZENWSE)},            //
      {-9, SystemCursor(IDC_SIZEWE)},              //
      {-10, SystemCursor(IDC_UPARROW)},            //
      {-11, SystemCursor(IDC_WAIT)},               // hourglass
      {-12, LoadCursor(self, "DRAGCURSOR")},       // drag
      {-13, SystemCursor(IDC_NO)},                 // no drop
      {-14, SystemCursor(IDC_SIZEWE)},             // horizontal split
      {-15, SystemCursor(IDC_SIZENS)},             // vertical split
      {-16, LoadCursor(self, "MULTIDRAGCURSOR")},  // multiple drag
      {-17, SystemCursor(IDC_WAIT)},               // SQL wait
      {-18, SystemCursor(IDC_NO)},                 // no
      {-19, SystemCursor(IDC_APPSTARTING)},        // application starting
      {-20, SystemCursor(IDC_HELP)},               // help
      {-21, SystemCursor(IDC_HAND)},               // hand point
      {-22, SystemCursor(IDC_SIZEALL)},            // size all
  };
  s.screenCursor = s.cursorTable[0];
}
