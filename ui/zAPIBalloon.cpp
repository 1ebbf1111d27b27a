// ui/zAPIBalloon.cpp
#include "ui/zAPIBalloon.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"
#include "platform/controls/Timer.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Hook.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/WinNotify.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

constexpr DWORD kTipStyle = 0x80000043;  // popup, balloon, no prefix, always tip
constexpr size_t kMaxToolText = 255;     // characters of the tool's text
constexpr UINT kWatchDelay = 2000;       // acAction: up this long before watching

// The balloons watching the user's next action, and the screen's focus
// handlers that were in place when the first of them started.
struct TFocusWatchState {
  std::vector<TzAPIBalloon*> watching;
  TNotifyEvent previousControlChange, previousFormChange;
};

TFocusWatchState& FocusWatch() {
  static TFocusWatchState state;
  return state;
}

}  // namespace

// The handler the watch puts into the screen's focus events: closes every
// watching balloon, then passes the change on to the handler it replaced.
struct TBalloonFocusWatch {
  bool formChange;
  void operator()(TObject* sender) const {
    TFocusWatchState& w = FocusWatch();
    const std::vector<TzAPIBalloon*> balloons = w.watching;
    TNotifyEvent previous = formChange ? w.previousFormChange : w.previousControlChange;
    for (TzAPIBalloon* b : balloons)
      if (std::find(w.watching.begin(), w.watching.end(), b) != w.watching.end()) b->FocusChanged();
    if (previous) previous(sender);
  }
};

namespace {

void JoinFocusWatch(TzAPIBalloon* balloon) {
  TFocusWatchState& w = FocusWatch();
  if (!Screen) return;
  if (w.watching.empty()) {
    w.previousControlChange = Screen->OnActiveControlChange;
    w.previousFormChange = Screen->OnActiveFormChange;
    Screen->OnActiveControlChange = TBalloonFocusWatch{false};
    Screen->OnActiveFormChange = TBalloonFocusWatch{true};
  }
  w.watching.push_back(balloon);
}

void LeaveFocusWatch(TzAPIBalloon* balloon) {
  TFocusWatchState& w = FocusWatch();
  const auto it = std::find(w.watching.begin(), w.watching.end(), balloon);
  if (it == w.watching.end()) return;
  w.watching.erase(it);
  if (!w.watching.empty()) return;
  // Give the screen its handlers back, unless someone else has since put in their own.
  if (Screen) {
    if (Screen->OnActiveControlChange.target<TBalloonFocusWatch>())
      Screen->OnActiveControlChange = w.previousControlChange;
    if (Screen->OnActiveFormChange.target<TBalloonFocusWatch>())
      Screen->OnActiveFormChange = w.previousFormChange;
  }
  w.previousControlChange = nullptr;
  w.previousFormChange = nullptr;
}

size_t CodePoints(const String& s) {
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); ++n) NextCodePoint(s, pos);
  return n;
}

}  // namespace

TzAPIBalloon::TzAPIBalloon(TComponent* owner) : TComponent(owner) {
  if (Application) title_ = Application->Title();
  prompt_->Add("Halvorn Ltd");
  prompt_->Add("TzAPIBalloon ver. 1");
  font_->SetName("Tahoma");
  font_->SetSize(8);
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(kWatchDelay);
  timer_->SetOnTimer([this](TObject*) { TimerTick(); });
  CreateTipWindow();
}

TzAPIBalloon::~TzAPIBalloon() {
  // Nothing of the balloon may outlive it: not its hooks, not its place in
  // the screen's focus events, not its window.
  StopWatching();
  timer_.reset();
  if (tip_ && IsWindow(tip_)) {
    if (visible_) SendMessage(tip_, TTM_TRACKACTIVATE, FALSE, 0);
    SetWindowProc(tip_, old_proc_);
    DestroyWindow(tip_);
  }
  tip_ = nullptr;
  FreeWndProc(own_proc_);
  if (tip_font_) DeleteObject(tip_font_);
}

void TzAPIBalloon::CreateTipWindow() {
  tip_ = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, kTipStyle, 0, 0, 0, 0, nullptr, nullptr,
                        HInstance(), nullptr);
  if (!tip_) return;
  own_proc_ =
      MakeWndProc([this](HWND h, UINT m, WPARAM w, LPARAM l) { return TipProc(h, m, w, l); });
  old_proc_ = SetWindowProc(tip_, own_proc_);
  SetWindowPos(tip_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT TzAPIBalloon::TipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const WNDPROC next = old_proc_;
  if (msg == WM_LBUTTONDOWN && visible_) {
    if (on_click_) on_click_(this);
    Close();
  } else if (msg == TTM_TRACKACTIVATE) {
    visible_ = wParam != 0;
    if (!visible_) tool_text_.clear();
  }
  return CallWindowProc(next, hwnd, msg, wParam, lParam);
}

void TzAPIBalloon::SetTitle(const String& value) {
  if (!value.empty()) title_ = value;
}

void TzAPIBalloon::SetPrompt(const TStrings* value) {
  if (value && !Trim(value->Text()).empty()) prompt_->Assign(value);
}

void TzAPIBalloon::SetFont(const TFont* value) {
  if (value) font_->Assign(value);
}

void TzAPIBalloon::SetOnClick(TNotifyEvent value) {
  if (value) on_click_ = std::move(value);
}

String TzAPIBalloon::PromptText() const {
  String text = prompt_->Text();
  return Trim(text);
}

UINT TzAPIBalloon::CloseInterval() const {
  switch (auto_close_mode_) {
    case acAction:
      return kWatchDelay;
    case acTimeOut:
      return time_out_ <= 500 ? 500u : static_cast<UINT>(time_out_);
    case acAutoCalc:
      return std::max<UINT>(
          2000, static_cast<UINT>(100 * (CodePoints(PromptText()) + CodePoints(title_))));
    case acNone:
      break;
  }
  return 0;
}

void TzAPIBalloon::ShowAt(TControl* control) {
  if (!control || !tip_) return;
  if (BeforeShow) BeforeShow(this);
  RECT target;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    GetWindowRect(win->Handle(), &target);
  } else if (TWinControl* parent = control->Parent(); parent && parent->HandleAllocated()) {
    // The parent is taken for a form with a caption and a fixed frame.
    RECT p;
    GetWindowRect(parent->WindowHandle(), &p);
    const Integer left = p.left + control->Left() + GetSystemMetrics(SM_CXFIXEDFRAME);
    const Integer top =
        p.top + control->Top() + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME);
    target = RECT{left, top, left + control->Width(), top + control->Height()};
  } else {
    // Nothing to measure against: the control's own bounds stand for the screen place.
    target = control->BoundsRect();
  }
  const Integer x = target.left + (target.right - target.left) / 2;
  const Integer y = target.top + (target.bottom - target.top) / 2;
  SendMessage(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(x, y));
  PrepareTool(target);
  SendMessage(tip_, TTM_SETMAXTIPWIDTH, 0, max_tip_width_);
  TOOLINFOW tool;
  tool.uFlags = TTF_TRACK;
  tool.rect = target;
  tool.lpszText = tool_text_.data();
  SendMessage(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  if (AfterShow) AfterShow(this);
}

void TzAPIBalloon::PrepareTool(const RECT& target) {
  if (visible_) Close();
  WideString text = Utf8ToUtf16(PromptText());
  if (text.size() > kMaxToolText) text.resize(kMaxToolText);
  tool_text_ = std::move(text);
  TOOLINFOW tool;
  tool.uFlags = TTF_TRACK;
  tool.rect = target;
  tool.lpszText = tool_text_.data();
  SendMessage(tip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessage(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessage(tip_, TTM_SETTIPBKCOLOR, ColorToRGB(back_ground_color_), 0);
  const WPARAM icon = static_cast<WPARAM>(std::clamp<int>(balloon_icon_, bNoIcon, bError));
  SendMessage(tip_, TTM_SETTITLEA, icon, reinterpret_cast<LPARAM>(title_.c_str()));
  LOGFONT lf;
  lf.lfHeight = font_->Height();
  lf.lfWeight = font_->Style().Contains(fsBold) ? 700 : 400;
  lf.lfItalic = font_->Style().Contains(fsItalic);
  lf.lfUnderline = font_->Style().Contains(fsUnderline);
  lf.lfStrikeOut = font_->Style().Contains(fsStrikeOut);
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(lf.lfFaceName, font_->Name().c_str(), sizeof lf.lfFaceName - 1);
  HFONT made = CreateFontIndirect(&lf);
  SendMessage(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(made), 0);
  // The window has the new font now; the old one can go.
  if (tip_font_) DeleteObject(tip_font_);
  tip_font_ = made;
  SendMessage(tip_, TTM_SETTIPTEXTCOLOR, ColorToRGB(font_->Color()), 0);
  timer_->SetEnabled(false);
  const UINT interval = CloseInterval();
  if (interval) timer_->SetInterval(interval);
  timer_->SetEnabled(auto_close_mode_ != acNone);
}

void TzAPIBalloon::TimerTick() {
  timer_->SetEnabled(false);
  if (auto_close_mode_ == acAction && visible_)
    StartWatching();
  else
    Close();
}

void TzAPIBalloon::StartWatching() {
  if (Watching()) return;
  keyboard_hook_ = SetWindowsHookEx(
      WH_KEYBOARD, [this](int c, WPARAM w, LPARAM l) { return KeyboardHook(c, w, l); }, nullptr,
      GetCurrentThreadId());
  mouse_hook_ = SetWindowsHookEx(
      WH_MOUSE, [this](int c, WPARAM w, LPARAM l) { return MouseHook(c, w, l); }, nullptr,
      GetCurrentThreadId());
  if (!focus_watch_) {
    JoinFocusWatch(this);
    focus_watch_ = true;
  }
}

void TzAPIBalloon::StopWatching() {
  if (keyboard_hook_) UnhookWindowsHookEx(keyboard_hook_);
  if (mouse_hook_) UnhookWindowsHookEx(mouse_hook_);
  keyboard_hook_ = mouse_hook_ = nullptr;
  if (focus_watch_) {
    LeaveFocusWatch(this);
    focus_watch_ = false;
  }
}

LRESULT TzAPIBalloon::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK self = keyboard_hook_;
  // A key going down that was up (bit 30 clear, and not a release).
  if (code == HC_ACTION && !(lParam & (1 << 30)) && lParam >= 0 && !(lParam & (1u << 31))) {
    StopWatching();
    Close();
  }
  return CallNextHookEx(self, code, wParam, lParam);
}

LRESULT TzAPIBalloon::MouseHook(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK self = mouse_hook_;
  if (code == HC_ACTION) {
    switch (wParam) {
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK:
      case WM_MOUSEWHEEL:
        StopWatching();
        Close();
        break;
      default:
        break;
    }
  }
  return CallNextHookEx(self, code, wParam, lParam);
}

void TzAPIBalloon::FocusChanged() {
  StopWatching();
  Close();
}

void TzAPIBalloon::Hide() {
  Close();
}

void TzAPIBalloon::Close() {
  if (!visible_) return;
  timer_->SetEnabled(false);
  // However it closes, the balloon stops watching.
  StopWatching();
  SendMessage(tip_, TTM_TRACKACTIVATE, FALSE, 0);
  visible_ = false;
  if (!ComponentState().Contains(csDestroying) && AfterClose) AfterClose(this);
}

void DeclarezAPIBalloonProperties() {
  TPublishedClass<TzAPIBalloon, TComponent>()
      .AddEnum("AutoCloseMode", &TzAPIBalloon::AutoCloseMode, &TzAPIBalloon::SetAutoCloseMode,
               {"acNone", "acAction", "acTimeOut", "acAutoCalc"}, acNone)
      .AddInteger("BackGroundColor", &TzAPIBalloon::BackGroundColor,
                  &TzAPIBalloon::SetBackGroundColor, clInfoBk)
      .AddEnum("BalloonIcon", &TzAPIBalloon::BalloonIcon, &TzAPIBalloon::SetBalloonIcon,
               {"bNoIcon", "bInfo", "bWarning", "bError"}, bInfo)
      .AddInteger("TimeOut", &TzAPIBalloon::TimeOut, &TzAPIBalloon::SetTimeOut, 5000)
      .AddString("Title", &TzAPIBalloon::Title, &TzAPIBalloon::SetTitle)
      .AddObject("Prompt", &TzAPIBalloon::Prompt)
      .AddObject("Font", &TzAPIBalloon::Font)
      .AddInteger("MaxTipWidth", &TzAPIBalloon::MaxTipWidth, &TzAPIBalloon::SetMaxTipWidth, -1);
}

TModuleInit zAPIBalloonModule() {
  return TModuleInit{"zAPIBalloon", [] { DeclarezAPIBalloonProperties(); }, nullptr};
}
