// ui/ZxHook.cpp
#include "ui/ZxHook.h"

#include <algorithm>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"

// The replacement procedure's place in a window's chain of procedures. It
// belongs to its control hook while that uses it (`owner`); afterwards it may
// have to stay in the chain for a while, passing messages on (see ZxHook.h).
struct TChainLink {
  HWND window = nullptr;
  WNDPROC proc = nullptr;      // the replacement's identity in the window
  WNDPROC previous = nullptr;  // what it replaced
  TControlHook* owner = nullptr;

  static LRESULT Call(const std::shared_ptr<TChainLink>& link, HWND hwnd, UINT msg, WPARAM w,
                      LPARAM l) {
    if (TControlHook* owner = link->owner) return owner->HookWndProc(*link, hwnd, msg, w, l);
    return PassOn(link, hwnd, msg, w, l);
  }

  // No hook uses the link any more: it only forwards, and leaves the chain
  // as soon as nothing sits above it, or with the window.
  static LRESULT PassOn(const std::shared_ptr<TChainLink>& link, HWND hwnd, UINT msg, WPARAM w,
                        LPARAM l) {
    if (GetWindowProc(hwnd) == link->proc) {
      SetWindowProc(hwnd, link->previous);
      FreeWndProc(link->proc);
    }
    const LRESULT result = CallWindowProc(link->previous, hwnd, msg, w, l);
    if (msg == WM_NCDESTROY) FreeWndProc(link->proc);
    return result;
  }
};

namespace {

std::unique_ptr<THookList>& TheHookList() {
  static std::unique_ptr<THookList> list;
  return list;
}

}  // namespace

// --- TZxWindowHook ---------------------------------------------------------

TZxWindowHook::TZxWindowHook(TComponent* owner) : TComponent(owner) {}

TZxWindowHook::~TZxWindowHook() {
  Destroying();
  SetActive(false);
  SetWinControl(nullptr);
}

void TZxWindowHook::SetActive(bool value) {
  if (active_ == value) return;
  if (value)
    HookControl();
  else
    UnhookControl();
}

void TZxWindowHook::HookControl() {
  active_ = true;
  if (!control_ || ComponentState().Contains(csDestroying)) return;
  TControlHook* hook = HookList().FindOrAdd(control_);
  control_hook_ = hook;
  last_hook_id_ = hook->Id();
  hook->AddHook(this);
  hook->Install();
}

void TZxWindowHook::UnhookControl() {
  active_ = false;
  if (!control_hook_) return;
  TControlHook* hook = control_hook_;
  control_hook_ = nullptr;
  hook->RemoveHook(this);
}

void TZxWindowHook::SetWinControl(TWinControl* value) {
  if (control_ == value) return;
  const bool wasActive = active_;
  UnhookControl();
  TControlHook* previous = HookListExists() ? HookList().FindId(last_hook_id_) : nullptr;
  last_hook_id_ = 0;
  if (control_) control_->RemoveFreeNotification(this);
  control_ = value;
  if (control_) control_->FreeNotification(this);
  if (previous && previous->Hooks().empty()) HookList().PostFree(previous);
  if (wasActive) HookControl();
}

void TZxWindowHook::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == control_ && control_) {
    if (HookListExists())
      if (TControlHook* hook = HookList().FindId(last_hook_id_)) hook->ControlFreed();
    SetWinControl(nullptr);
  } else if (component == Owner() || !Owner()) {
    SetWinControl(nullptr);
  }
}

bool TZxWindowHook::IsForm() const {
  return control_ && control_ == Owner() && dynamic_cast<const TCustomForm*>(Owner()) != nullptr;
}

void TZxWindowHook::DefineProperties(TFiler* filer) {
  TComponent::DefineProperties(filer);
  bool store = IsForm();
  if (auto* ancestor = dynamic_cast<TZxWindowHook*>(filer->Ancestor()))
    store = IsForm() != ancestor->IsForm();
  filer->DefineProperty(
      "IsForm",
      [this](TReader* reader) {
        if (reader->ReadBoolean())
          if (auto* form = dynamic_cast<TCustomForm*>(Owner())) SetWinControl(form);
      },
      [this](TWriter* writer) { writer->WriteBoolean(IsForm()); }, store);
}

void TZxWindowHook::DoBeforeMessage(TMessage& msg, bool& handled) {
  if (BeforeMessage) BeforeMessage(this, msg, handled);
}

void TZxWindowHook::DoAfterMessage(TMessage& msg, bool& handled) {
  if (AfterMessage) AfterMessage(this, msg, handled);
}

// --- TControlHook ----------------------------------------------------------

TControlHook::TControlHook(TWinControl* control, std::uint64_t id) : control_(control), id_(id) {}

TControlHook::~TControlHook() {
  destroying_ = true;
  const std::vector<TZxWindowHook*> attached = hooks_;
  for (TZxWindowHook* h : attached)
    if (h->control_hook_ == this) h->control_hook_ = nullptr;
  hooks_.clear();
  Uninstall();
}

void TControlHook::AddHook(TZxWindowHook* hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) hooks_.push_back(hook);
}

void TControlHook::RemoveHook(TZxWindowHook* hook) {
  std::erase(hooks_, hook);
  if (hooks_.empty()) Uninstall();
}

void TControlHook::Install() {
  if (!control_) return;
  const TComponentState state = control_->ComponentState();
  if (state.Contains(csDesigning) || state.Contains(csDestroying)) return;
  HWND hwnd = control_->Handle();
  if (link_ && link_->window == hwnd && IsWindow(hwnd)) return;  // in this window's chain already
  if (link_) Uninstall();
  auto link = std::make_shared<TChainLink>();
  link->window = hwnd;
  link->owner = this;
  link->previous = GetWindowProc(hwnd);
  link->proc = MakeWndProc(
      [link](HWND h, UINT m, WPARAM w, LPARAM l) { return TChainLink::Call(link, h, m, w, l); });
  SetWindowProc(hwnd, link->proc);
  link_ = std::move(link);
}

void TControlHook::Uninstall() {
  if (!link_) return;
  std::shared_ptr<TChainLink> link = std::move(link_);
  link->owner = nullptr;
  if (!TWindowSystem::Current()) return;  // the windows and their procedures are gone already
  if (!IsWindow(link->window)) {
    FreeWndProc(link->proc);
  } else if (GetWindowProc(link->window) == link->proc) {
    SetWindowProc(link->window, link->previous);
    FreeWndProc(link->proc);
  }
  // Otherwise a procedure above remembers the replacement: it stays and passes on.
}

bool TControlHook::MayRunHooks() const {
  return !destroying_ && control_ && !control_->ComponentState().Contains(csDestroying);
}

LRESULT TControlHook::HookWndProc(TChainLink& link, HWND hwnd, UINT msg, WPARAM wParam,
                                  LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  bool handled = false;
  const bool run = MayRunHooks();
  // A hook may detach itself or others meanwhile; walk a copy and skip the gone.
  const std::vector<TZxWindowHook*> hooks = hooks_;
  // Last attached first; the first that sets Handled ends the walk.
  auto walk = [&](void (TZxWindowHook::*step)(TMessage&, bool&)) {
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it) {
      if (std::find(hooks_.begin(), hooks_.end(), *it) == hooks_.end()) continue;
      try {
        ((*it)->*step)(m, handled);
      } catch (...) {
        HandleApplicationException(*it);
      }
    }
  };
  if (run && msg != WM_QUIT) walk(&TZxWindowHook::DoBeforeMessage);
  if (!handled || msg == WM_DESTROY) {
    const WNDPROC previous =
        link.previous ? link.previous : (control_ ? control_->DefWndProc() : nullptr);
    m.Result = CallWindowProc(previous, hwnd, msg, m.WParam, m.LParam);
    handled = false;
    if (run && MayRunHooks() && msg != WM_QUIT) walk(&TZxWindowHook::DoAfterMessage);
  }
  if (msg == WM_DESTROY && link.owner == this) {
    const bool controlGoing = !control_ || control_->ComponentState().Contains(csDestroying);
    Uninstall();
    if (!destroying_ && !controlGoing && HookListExists()) HookList().PostRehook(this);
  }
  return m.Result;
}

// --- THookList -------------------------------------------------------------

THookList::THookList() {
  handle_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

THookList::~THookList() {
  hooks_.clear();
  if (TWindowSystem::Current()) DeallocateHWnd(handle_);
}

TControlHook* THookList::Find(TWinControl* control) const {
  if (!control) return nullptr;
  for (const auto& h : hooks_)
    if (h->Control() == control) return h.get();
  return nullptr;
}

TControlHook* THookList::FindId(std::uint64_t id) const {
  for (const auto& h : hooks_)
    if (h->Id() == id) return h.get();
  return nullptr;
}

TControlHook* THookList::FindOrAdd(TWinControl* control) {
  if (TControlHook* h = Find(control)) return h;
  hooks_.push_back(std::make_unique<TControlHook>(control, next_id_++));
  return hooks_.back().get();
}

void THookList::PostRehook(const TControlHook* hook) {
  PostMessage(handle_, CM_ZXREHOOK, hook->Id(), 0);
}

void THookList::PostFree(const TControlHook* hook) {
  PostMessage(handle_, CM_ZXFREEHOOK, hook->Id(), 0);
}

void THookList::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_ZXREHOOK:
      if (TControlHook* h = FindId(m.WParam)) h->Install();
      break;
    case CM_ZXFREEHOOK:
      if (TControlHook* h = FindId(m.WParam); h && h->Hooks().empty())
        std::erase_if(hooks_, [h](const auto& p) { return p.get() == h; });
      break;
    default:
      m.Result = DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
      break;
  }
}

THookList& HookList() {
  auto& list = TheHookList();
  if (!list) list = std::make_unique<THookList>();
  return *list;
}

bool HookListExists() {
  return TheHookList() != nullptr;
}

TModuleInit ZxHookModule() {
  return TModuleInit{
      "ZxHook",
      [] {
        TPublishedClass<TZxWindowHook, TComponent>()
            .AddBoolean("Active", &TZxWindowHook::Active, &TZxWindowHook::SetActive, true)
            .AddComponent("WinControl", &TZxWindowHook::WinControl, &TZxWindowHook::SetWinControl)
            .StoredWhen([](TZxWindowHook* h) {
              auto* form = dynamic_cast<TCustomForm*>(h->Owner());
              return !(form && h->WinControl() == form);
            });
      },
      [] { TheHookList().reset(); }};
}
