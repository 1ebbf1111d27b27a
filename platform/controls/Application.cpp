// platform/controls/Application.cpp
#include "platform/controls/Application.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <memory>

#include "platform/controls/ActnList.h"
#include "platform/controls/ControlsProperties.h"
#include "platform/controls/DataModule.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/Drag.h"
#include "platform/controls/Form.h"
#include "platform/controls/HintWindow.h"
#include "platform/controls/Screen.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBoxHook.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

TApplication* Application = nullptr;

namespace {
constexpr UINT_PTR kHintTimer = 1;
constexpr UINT_PTR kHintHideTimer = 2;
constexpr const char* kAppWindowClass = "TApplication";

LRESULT AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
}  // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  previous_handler_ =
      SetExceptionHandler([this](const std::exception& e) { HandleException(this, e); });
  WNDCLASS wc;
  if (!GetClassInfo(HInstance(), kAppWindowClass, &wc)) {
    wc = WNDCLASS{};
    wc.lpfnWndProc = StaticWndProc(&AppWindowProc);
    wc.hInstance = HInstance();
    wc.lpszClassName = kAppWindowClass;
    RegisterClass(wc);
  }
  handle_ = CreateWindowEx(WS_EX_TOOLWINDOW, kAppWindowClass, "",
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                           nullptr, HInstance(), nullptr);
}

TApplication::~TApplication() {
  hint_window_.reset();
  if (handle_ && IsWindow(handle_)) DestroyWindow(handle_);
  SetExceptionHandler(std::move(previous_handler_));
}

namespace {
LRESULT AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Application && Application->Handle() == hwnd) {
    TMessage m{msg, wParam, lParam, 0};
    try {
      Application->WndProcEntry(m);
    } catch (...) {
      Application->HandleException(Application);
    }
    return m.Result;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}
}  // namespace

void TApplication::WndProcEntry(TMessage& message) {
  WndProc(message);
}

void TApplication::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SYSCOMMAND:
      switch (m.WParam & 0xFFF0) {
        case SC_MINIMIZE:
          Minimize();
          return;
        case SC_RESTORE:
          Restore();
          return;
        default:
          break;
      }
      break;
    case WM_TIMER:
      if (m.WParam == kHintTimer) {
        KillTimer(handle_, kHintTimer);
        HintTimerExpired();
      } else if (m.WParam == kHintHideTimer) {
        KillTimer(handle_, kHintHideTimer);
        if (hint_window_) hint_window_->ReleaseHandle();
      }
      return;
    case WM_CLOSE:
      if (main_form_) main_form_->Close();
      return;
    default:
      break;
  }
  m.Result = DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
}

String TApplication::ExeName() const {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  return n > 0 ? String(buf, static_cast<size_t>(n)) : String();
}

void TApplication::SetMainForm(TCustomForm* form) {
  main_form_ = form;
}

void TApplication::CreateForm(TComponent* instance) {
  if (!instance) return;
  if (auto* form = dynamic_cast<TCustomForm*>(instance); form && !main_form_) main_form_ = form;
}

void TApplication::Minimize() {
  if (IsIconic(handle_)) return;
  minimized_forms_.clear();
  if (Screen)
    for (Integer i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      if (f->HandleAllocated() && IsWindowVisible(f->WindowHandle())) {
        minimized_forms_.push_back(f->WindowHandle());
        ShowWindow(f->WindowHandle(), SW_HIDE);
      }
    }
  ShowWindow(handle_, SW_SHOWMINNOACTIVE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (!IsIconic(handle_)) return;
  ShowWindow(handle_, SW_RESTORE);
  ShowWindow(handle_, SW_HIDE);
  const std::vector<HWND> forms = std::move(minimized_forms_);
  minimized_forms_.clear();
  for (HWND h : forms)
    if (IsWindow(h)) ShowWindow(h, SW_SHOW);
  if (main_form_ && main_form_->HandleAllocated() && IsWindowVisible(main_form_->WindowHandle()))
    SetActiveWindow(main_form_->WindowHandle());
  if (OnRestore) OnRestore(this);
}

void TApplication::Run() {
  if (main_form_) main_form_->Show();
  while (!terminated_) {
    MSG msg;
    if (ProcessMessage(msg)) continue;
    DoIdle();
    if (terminated_ || !WaitMessage()) return;
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) {
    DoIdle();
    if (!terminated_) WaitMessage();
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  try {
    if (!IsKeyMsg(msg)) {
      key_translator_ ? key_translator_(&msg) : TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  } catch (...) {
    HandleException(this);
  }
  FreeReleasedForms();
  return true;
}

// While a control holds the mouse capture, its form takes the keyboard: a
// drag in progress belongs to the form, whose key handlers (Escape) must see
// the keys whichever control has the focus and whether or not the form
// previews keys. The message goes to the form's window as it came.
bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  if (DragKeyMessage(msg)) return true;
  const HWND captured = GetCapture();
  if (!captured) return false;
  TWinControl* holder = TWinControl::FindControl(captured);
  TCustomForm* form = holder ? GetParentForm(holder) : nullptr;
  if (!form || !form->HandleAllocated() || msg.hwnd == form->WindowHandle()) return false;
  MSG redirected = msg;
  redirected.hwnd = form->WindowHandle();
  key_translator_ ? key_translator_(&redirected) : TranslateMessage(&redirected);
  DispatchMessage(&redirected);
  return true;
}

void TApplication::DoIdle() {
  bool done = true;
  if (OnIdle) {
    try {
      OnIdle(this, done);
    } catch (...) {
      HandleException(this);
    }
  }
  // Actions bring their enabled and checked states up to date while the
  // program waits, so controls never show a stale state for long.
  try {
    UpdateActionListsOnIdle();
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::Terminate() {
  if (!terminated_) PostQuitMessage(0);
}

void TApplication::HandleException(TObject* sender) {
  try {
    throw;
  } catch (const std::exception& e) {
    HandleException(sender, e);
  } catch (...) {
    HandleException(sender, Exception("Unknown error"));
  }
}

void TApplication::HandleException(TObject* sender, const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;
  if (OnException)
    OnException(sender, e);
  else
    ShowException(e);
}

void HandleApplicationException(TObject* sender) {
  if (Application)
    Application->HandleException(sender);
  else
    HandleCurrentException();
}

void TApplication::ShowException(const std::exception& e) {
  String text = e.what();
  if (!text.empty() && text.back() != '.') text += '.';
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const String& text, const String& caption, UINT flags) {
  return ShowMessageBox(text, caption.empty() ? title_ : caption, flags);
}

// --- Hints -----------------------------------------------------------------------

String GetShortHint(const String& hint) {
  const size_t bar = hint.find('|');
  return bar == String::npos ? hint : hint.substr(0, bar);
}

String GetLongHint(const String& hint) {
  const size_t bar = hint.find('|');
  return bar == String::npos ? hint : hint.substr(bar + 1);
}

void TApplication::SetHint(const String& value) {
  if (hint_ == value) return;
  hint_ = value;
  if (OnHint) OnHint(this);
}

void TApplication::SetShowHint(bool value) {
  if (show_hint_ == value) return;
  show_hint_ = value;
  if (!value) CancelHint();
}

THintWindow* TApplication::HintWindow() const {
  return hint_shown_ ? hint_window_.get() : nullptr;
}

void TApplication::CancelHint() {
  if (handle_) {
    KillTimer(handle_, kHintTimer);
    KillTimer(handle_, kHintHideTimer);
  }
  if (hint_window_) hint_window_->ReleaseHandle();
  hint_shown_ = false;
  if (hint_control_) {
    hint_control_->RemoveFreeNotification(this);
    hint_control_ = nullptr;
  }
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == hint_control_) CancelHint();
}

void TApplication::HintMouseMessage(TControl* control, const TMessage& message) {
  if (message.Msg != WM_MOUSEMOVE) {
    CancelHint();
    return;
  }
  // The hint shown belongs to the first control with a hint up the parents.
  TControl* with = control;
  while (with && with->Hint().empty()) with = with->Parent();
  SetHint(with ? GetLongHint(with->Hint()) : String());
  if (with && (!show_hint_ || !with->ShowHint())) with = nullptr;
  if (with == hint_control_) return;
  CancelHint();
  if (!with) return;
  hint_control_ = with;
  with->FreeNotification(this);
  SetTimer(handle_, kHintTimer, static_cast<UINT>(std::max<Integer>(hint_pause_, 0)));
}

void TApplication::HintTimerExpired() {
  if (!hint_control_ || !show_hint_) return;
  POINT p;
  GetCursorPos(&p);
  ActivateHint(p);
}

void TApplication::ActivateHint(POINT cursorPos) {
  TControl* c = hint_control_;
  if (!c || !show_hint_) return;
  const POINT local = c->ScreenToClient(cursorPos);
  if (!PtInRect(c->ClientRect(), local)) {
    CancelHint();
    return;
  }
  ShowHintFor(c, cursorPos);
}

void TApplication::ShowHintFor(TControl* control, POINT cursorPos) {
  const String text = GetShortHint(control->Hint());
  if (text.empty()) return;
  if (!hint_window_) hint_window_ = std::make_unique<THintWindow>(nullptr);
  RECT r = hint_window_->CalcHintRect(Screen ? Screen->Width() : 1024, text);
  // Below the pointer, as far as the cursor is tall.
  OffsetRect(r, cursorPos.x, cursorPos.y + 20);
  hint_window_->ActivateHint(r, text);
  hint_shown_ = true;
  if (hint_hide_pause_ > 0) SetTimer(handle_, kHintHideTimer, static_cast<UINT>(hint_hide_pause_));
}

namespace {
// The owners of the two globals.
std::unique_ptr<TScreen> the_screen;
std::unique_ptr<TApplication> the_application;
}  // namespace

TModuleInit ControlsModule() {
  return TModuleInit{"Controls",
                     [] {
                       DeclareControlsProperties();
                       the_screen = std::make_unique<TScreen>(nullptr);
                       Screen = the_screen.get();
                       the_application = std::make_unique<TApplication>(nullptr);
                       Application = the_application.get();
                       InstallMessageDialogs();
                     },
                     [] {
                       RemoveMessageDialogs();
                       Application = nullptr;
                       the_application.reset();
                       Screen = nullptr;
                       the_screen.reset();
                     }};
}
