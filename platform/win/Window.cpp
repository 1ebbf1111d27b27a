// platform/win/Window.cpp
//
// Window procedures, classes, and the life of windows (creation, relations,
// long values, text, enabled state, destruction).
#include "platform/win/Window.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

namespace {

String UpperName(LPCSTR name) {
  return UpperCase(name ? name : "");
}

bool OnOwnThread(const TWindowEntry& w) {
  return w.thread == std::this_thread::get_id();
}

// WM_PARENTNOTIFY climbs from a child to its parent and on while the windows
// on the way are children that have not opted out.
void NotifyParents(HWND hwnd, WORD event) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w || !w->IsChild() || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
  const WPARAM wParam = MAKEWPARAM(event, static_cast<WORD>(w->id));
  HWND parent = w->parent;
  while (parent) {
    SendMessage(parent, WM_PARENTNOTIFY, wParam, reinterpret_cast<LPARAM>(hwnd));
    TWindowEntry* p = k.Find(parent);
    if (!p || !p->IsChild() || (p->exStyle & WS_EX_NOPARENTNOTIFY)) break;
    parent = p->parent;
  }
}

void Unlink(TWindowSystemState& k, TWindowEntry& w) {
  auto remove = [&](std::vector<HWND>& v) {
    v.erase(std::remove(v.begin(), v.end(), w.handle), v.end());
  };
  if (w.IsChild()) {
    if (TWindowEntry* p = k.Find(w.parent)) remove(p->children);
  } else {
    remove(k.topLevel);
  }
}

// New child windows go to the bottom of their siblings (so that creation
// order is z-order, as dialogs expect); new top-level windows to the top of
// their band (topmost windows first).
void Link(TWindowSystemState& k, TWindowEntry& w) {
  if (w.IsUtility()) return;
  if (w.IsChild()) {
    k.Get(w.parent).children.push_back(w.handle);
    return;
  }
  auto pos = k.topLevel.begin();
  if (!(w.exStyle & WS_EX_TOPMOST))
    while (pos != k.topLevel.end() && (k.Get(*pos).exStyle & WS_EX_TOPMOST)) ++pos;
  k.topLevel.insert(pos, w.handle);
}

void SendDestroyTree(HWND hwnd) {
  auto& k = Kernel();
  if (k.capture == hwnd) ReleaseCapture();
  if (k.focus == hwnd) SetFocus(nullptr);
  SendMessage(hwnd, WM_DESTROY, 0, 0);
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) {
    if (TWindowEntry* cw = k.Find(c)) {
      cw->destroying = true;
      SendDestroyTree(c);
    }
  }
}

void FreeTree(HWND hwnd) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) FreeTree(c);
  winkernel::ForgetInputState(hwnd);
  winkernel::KillTimersOf(hwnd);
  SendMessage(hwnd, WM_NCDESTROY, 0, 0);
  w = k.Find(hwnd);
  if (!w) return;
  winkernel::DestroyMenuOf(*w);
  Unlink(k, *w);
  std::unique_ptr<TWindowEntry> doomed;
  {
    std::lock_guard lock(k.tableMutex);
    auto it = k.windows.find(hwnd);
    doomed = std::move(it->second);
    k.windows.erase(it);
    k.ForgetFound(hwnd);
  }
}

}  // namespace

// --- Window procedures -------------------------------------------------------

namespace {

WNDPROC AddWndProc(std::unique_ptr<TWindowSystemState::TWndProcEntry> entry) {
  auto& k = Kernel();
  WNDPROC id = reinterpret_cast<WNDPROC>(k.nextProc);
  k.nextProc += 16;
  k.procs[id] = std::move(entry);
  return id;
}

}  // namespace

WNDPROC MakeWndProc(TWndProcFunction fn) {
  auto entry = std::make_unique<TWindowSystemState::TWndProcEntry>();
  // A plain function inside is called as one.
  if (TWndProcPointer* plain = fn.target<TWndProcPointer>())
    entry->plain = *plain;
  else
    entry->fn = std::move(fn);
  return AddWndProc(std::move(entry));
}

WNDPROC MakeWndProc(TWndProcContextFunction fn, void* context) {
  auto entry = std::make_unique<TWindowSystemState::TWndProcEntry>();
  entry->withContext = fn;
  entry->context = context;
  return AddWndProc(std::move(entry));
}

void FreeWndProc(WNDPROC proc) {
  auto& k = Kernel();
  for (auto& [fn, id] : k.staticProcs)
    if (id == proc) return;
  auto it = k.procs.find(proc);
  if (it == k.procs.end()) return;
  if (auto& slot = k.procSlots[TWindowSystemState::ProcSlotOf(proc)]; slot.id == proc) slot = {};
  // A call in progress finishes undisturbed; the last one frees the entry.
  if (it->second->running > 0) {
    it->second->freed = true;
    it->second.release();
  }
  k.procs.erase(it);
}

WNDPROC StaticWndProc(TWndProcPointer fn) {
  auto& k = Kernel();
  void* key = reinterpret_cast<void*>(fn);
  auto it = k.staticProcs.find(key);
  if (it != k.staticProcs.end()) return it->second;
  WNDPROC id = MakeWndProc(fn);
  k.staticProcs[key] = id;
  return id;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  auto& slot = k.procSlots[TWindowSystemState::ProcSlotOf(proc)];
  TWindowSystemState::TWndProcEntry* entry = slot.entry;
  if (slot.id != proc || !proc) {
    auto it = k.procs.find(proc);
    if (it == k.procs.end()) return 0;
    entry = it->second.get();
    slot = {proc, entry};
  }
  struct TRunning {
    TWindowSystemState::TWndProcEntry* entry;
    ~TRunning() {
      if (--entry->running == 0 && entry->freed) delete entry;
    }
  } running{entry};
  ++entry->running;
  if (entry->withContext) return entry->withContext(entry->context, hwnd, msg, wParam, lParam);
  if (entry->plain) return entry->plain(hwnd, msg, wParam, lParam);
  return entry->fn(hwnd, msg, wParam, lParam);
}

WNDPROC DefWindowProcInstance() {
  return StaticWndProc(&DefWindowProc);
}

// --- Classes -----------------------------------------------------------------

ATOM RegisterClass(const WNDCLASS& wc) {
  auto& k = Kernel();
  String key = UpperName(wc.lpszClassName);
  if (key.empty() || k.classes.count(key)) return 0;
  auto c = std::make_shared<TWindowClassEntry>();
  c->name = wc.lpszClassName;
  c->style = wc.style;
  c->proc = wc.lpfnWndProc ? wc.lpfnWndProc : DefWindowProcInstance();
  c->instance = wc.hInstance;
  c->icon = wc.hIcon;
  c->cursor = wc.hCursor;
  c->background = wc.hbrBackground;
  k.classes[key] = c;
  return k.nextAtom++;
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE) {
  auto& k = Kernel();
  return k.classes.erase(UpperName(className)) ? TRUE : FALSE;
}

BOOL GetClassInfo(HINSTANCE, LPCSTR className, WNDCLASS* wc) {
  auto& k = Kernel();
  auto it = k.classes.find(UpperName(className));
  if (it == k.classes.end()) return FALSE;
  const TWindowClassEntry& c = *it->second;
  *wc = WNDCLASS{};
  wc->style = c.style;
  wc->lpfnWndProc = c.proc;
  wc->hInstance = c.instance;
  wc->hIcon = c.icon;
  wc->hCursor = c.cursor;
  wc->hbrBackground = c.background;
  wc->lpszClassName = c.name.c_str();
  return TRUE;
}

String GetClassName(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return w ? w->windowClass->name : String();
}

HINSTANCE HInstance() {
  static int program_module;
  return reinterpret_cast<HINSTANCE>(&program_module);
}

// --- Windows -----------------------------------------------------------------

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    LPVOID param) {
  auto& k = Kernel();
  auto cls = k.classes.find(UpperName(className));
  if (cls == k.classes.end()) return nullptr;
  const bool child = (style & WS_CHILD) != 0;
  const bool utility = parent == HWND_MESSAGE;
  if (child && (utility || !k.Find(parent))) return nullptr;
  if (!child && !utility && parent && !k.Find(parent)) return nullptr;

  if (!child && !(style & WS_POPUP))
    style |= WS_CAPTION | WS_CLIPSIBLINGS;  // overlapped windows always have a caption
  if (!child) {
    const TScreenMetrics& sm = ScreenMetrics();
    if (x == CW_USEDEFAULT) {
      x = 26;
      y = 26;
    }
    if (width == CW_USEDEFAULT) {
      width = sm.width * 3 / 4;
      height = sm.height * 3 / 4;
    }
  } else {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
  }

  auto entry = std::make_unique<TWindowEntry>();
  TWindowEntry& w = *entry;
  w.handle = reinterpret_cast<HWND>(k.nextHandle);
  k.nextHandle += 4;
  w.windowClass = cls->second;
  w.thread = std::this_thread::get_id();
  w.style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w.exStyle = exStyle;
  if (child)
    w.parent = parent;
  else if (utility)
    w.parent = HWND_MESSAGE;
  else if (parent)
    w.owner = GetAncestor(parent, GA_ROOT);
  w.rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  w.client = winkernel::ClientFromWindow(w.rect, w.style, w.exStyle);
  w.normalRect = w.rect;
  w.proc = cls->second->proc;
  w.instance = instance;
  w.id = child ? reinterpret_cast<LONG_PTR>(menu) : 0;
  const HWND hwnd = w.handle;
  {
    std::lock_guard lock(k.tableMutex);
    k.windows[hwnd] = std::move(entry);
  }
  Link(k, w);

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  if (!child && !utility && (style & WS_THICKFRAME)) {
    MINMAXINFO mmi = winkernel::AskMinMaxInfo(hwnd);
    TWindowEntry* pw = k.Find(hwnd);
    if (!pw) return nullptr;
    pw->rect.right = pw->rect.left + std::min<LONG>(RectWidth(pw->rect), mmi.ptMaxTrackSize.x);
    pw->rect.bottom = pw->rect.top + std::min<LONG>(RectHeight(pw->rect), mmi.ptMaxTrackSize.y);
    pw->normalRect = pw->rect;
  }
  if (!SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (k.Find(hwnd)) FreeTree(hwnd);
    return nullptr;
  }
  if (TWindowEntry* pw = k.Find(hwnd)) {
    RECT rc = pw->rect;
    SendMessage(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rc));
    if ((pw = k.Find(hwnd))) pw->client = rc;
  }
  if (!k.Find(hwnd)) return nullptr;
  if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  TWindowEntry* pw = k.Find(hwnd);
  if (!pw) return nullptr;
  SendMessage(hwnd, WM_SIZE, SIZE_RESTORED,
              MAKELPARAM(RectWidth(pw->client), RectHeight(pw->client)));
  if ((pw = k.Find(hwnd)))
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(pw->client.left, pw->client.top));
  if (!k.Find(hwnd)) return nullptr;
  NotifyParents(hwnd, WM_CREATE);
  if (!k.Find(hwnd)) return nullptr;
  if (style & WS_VISIBLE) {
    int cmd = SW_SHOW;
    if (style & WS_MAXIMIZE)
      cmd = SW_SHOWMAXIMIZED;
    else if (style & WS_MINIMIZE)
      cmd = SW_SHOWMINIMIZED;
    ShowWindow(hwnd, cmd);
  }
  return k.Find(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w || w->destroying || !OnOwnThread(*w)) return FALSE;
  w->destroying = true;

  if (!w->IsChild()) {
    std::vector<HWND> owned;
    {
      std::lock_guard lock(k.tableMutex);
      for (auto& [h, o] : k.windows)
        if (o->owner == hwnd && !o->destroying) owned.push_back(h);
    }
    for (HWND o : owned) DestroyWindow(o);
  }
  if ((w = k.Find(hwnd)) && (w->style & WS_VISIBLE))
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (k.active == hwnd) winkernel::ActivateNextAfter(hwnd);
  if (!k.Find(hwnd)) return TRUE;
  NotifyParents(hwnd, WM_DESTROY);
  if (!k.Find(hwnd)) return TRUE;
  SendDestroyTree(hwnd);
  FreeTree(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  TWindowSystem* ws = TWindowSystem::Current();
  return ws && ws->State().Find(hwnd) ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w) return nullptr;
  if (w->IsChild()) return w->parent;
  return w->owner;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w || w->IsUtility() || newParent == hwnd) return nullptr;
  if (newParent && (!k.Find(newParent) || IsChild(hwnd, newParent))) return nullptr;
  HWND old = w->IsChild() ? w->parent : nullptr;
  const bool visible = (w->style & WS_VISIBLE) != 0;
  // The old parent shows again where the window was; the window is drawn anew where it goes.
  if (old && visible) {
    const TRegion uncovered(TRect::From(w->rect));
    winkernel::Redraw(old, &uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  Unlink(k, *w);
  w->parent = newParent;
  if (newParent) {
    w->owner = nullptr;
    w->surface.reset();  // a child draws into its new top-level window's surface
    k.Get(newParent).children.insert(k.Get(newParent).children.begin(), hwnd);
  } else {
    auto pos = k.topLevel.begin();
    while (pos != k.topLevel.end() && (k.Get(*pos).exStyle & WS_EX_TOPMOST)) ++pos;
    k.topLevel.insert(pos, hwnd);
  }
  if (visible)
    winkernel::Redraw(hwnd, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return old;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return nullptr;
  if (relation == GW_OWNER) return w->IsChild() ? nullptr : w->owner;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (w->IsUtility()) return nullptr;
  const std::vector<HWND>& sib = k.SiblingsOf(*w);
  auto it = std::find(sib.begin(), sib.end(), hwnd);
  switch (relation) {
    case GW_HWNDFIRST:
      return sib.front();
    case GW_HWNDLAST:
      return sib.back();
    case GW_HWNDNEXT:
      return (it == sib.end() || it + 1 == sib.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return (it == sib.begin() || it == sib.end()) ? nullptr : *(it - 1);
    default:
      return nullptr;
  }
}

HWND GetAncestor(HWND hwnd, UINT relation) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return nullptr;
  switch (relation) {
    case GA_PARENT:
      return w->IsChild() ? w->parent : nullptr;
    case GA_ROOT:
      while (w->IsChild()) w = &k.Get(w->parent);
      return w->handle;
    case GA_ROOTOWNER: {
      HWND root = GetAncestor(hwnd, GA_ROOT);
      for (TWindowEntry* r = k.Find(root); r && r->owner; r = k.Find(r->owner)) root = r->owner;
      return root;
    }
    default:
      return nullptr;
  }
}

BOOL IsChild(HWND parent, HWND hwnd) {
  auto& k = Kernel();
  for (TWindowEntry* w = k.Find(hwnd); w && w->IsChild(); w = k.Find(w->parent))
    if (w->parent == parent) return TRUE;
  return FALSE;
}

int GetDlgCtrlID(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return w ? static_cast<int>(w->id) : 0;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->IsChild() ? w->parent : w->owner);
    case GWLP_ID:
      return w->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA:
      return w->userData;
    default:
      return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWLP_WNDPROC:
      w->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWLP_HINSTANCE:
      w->instance = reinterpret_cast<HINSTANCE>(value);
      break;
    case GWLP_HWNDPARENT:
      if (!w->IsChild()) w->owner = reinterpret_cast<HWND>(value);
      break;
    case GWLP_ID:
      w->id = value;
      break;
    case GWLP_USERDATA:
      w->userData = value;
      break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{static_cast<DWORD>(old), static_cast<DWORD>(value)};
      SendMessage(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index),
                  reinterpret_cast<LPARAM>(&ss));
      if (!(w = k.Find(hwnd))) return old;
      (index == GWL_STYLE ? w->style : w->exStyle) = ss.styleNew;
      SendMessage(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
      break;
    }
    default:
      return 0;
  }
  return old;
}

BOOL SetWindowText(HWND hwnd, const String& text) {
  if (!IsWindow(hwnd)) return FALSE;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) ? TRUE : FALSE;
}

String GetWindowText(HWND hwnd) {
  if (!IsWindow(hwnd)) return String();
  const LRESULT len = SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0);
  if (len <= 0) return String();
  String buf(static_cast<size_t>(len) + 1, '\0');
  const LRESULT got =
      SendMessage(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, len)));
  return buf;
}

BOOL IsWindowVisible(HWND hwnd) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return FALSE;
  for (;;) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!w->IsChild()) return TRUE;
    w = &k.Get(w->parent);
  }
}

BOOL IsWindowEnabled(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    SendMessage(hwnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    SendMessage(hwnd, WM_CANCELMODE, 0, 0);
    if (!(w = k.Find(hwnd))) return wasDisabled;
    w->style |= WS_DISABLED;
    if (k.focus && (k.focus == hwnd || IsChild(hwnd, k.focus))) SetFocus(nullptr);
    if (k.Find(hwnd)) SendMessage(hwnd, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}

BOOL IsRedrawEnabled(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return w && w->redraw ? TRUE : FALSE;
}

// --- Utility windows -----------------------------------------------------------

HWND AllocateUtilityWindow(TWndProcFunction fn) {
  static constexpr const char* kClass = "TPUtilWindow";
  WNDCLASS existing;
  if (!GetClassInfo(HInstance(), kClass, &existing)) {
    WNDCLASS wc;
    wc.lpszClassName = kClass;
    wc.hInstance = HInstance();
    RegisterClass(wc);
  }
  HWND hwnd = CreateWindowEx(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, HInstance(), nullptr);
  if (hwnd) SetWindowProc(hwnd, MakeWndProc(std::move(fn)));
  return hwnd;
}

void DeallocateUtilityWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return;
  WNDPROC proc = GetWindowProc(hwnd);
  DestroyWindow(hwnd);
  FreeWndProc(proc);
}
