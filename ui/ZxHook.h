// ui/ZxHook.h
//
// Window hooks: TZxWindowHook lets a component see every message of a
// windowed control before (BeforeMessage) and after (AfterMessage) the
// control's own window procedure, and swallow a message by setting Handled.
//
// Several hook components may watch one control. They share one replacement
// window procedure per control, a TControlHook, and all control hooks live in
// the process-wide THookList. Before a message the hooks run from the one
// attached last to the one attached first, stopping at the first that sets
// Handled; a swallowed message reaches neither the control nor the after
// handlers, except WM_DESTROY, which always passes. After the control's
// procedure the after handlers run in the same order with the same rule.
//
// When the control's window is destroyed (and the control lives on), the
// control hook leaves the window and installs itself again on the next one,
// through CM_ZXREHOOK posted to the hook list's window; a control hook that
// no component uses any more is freed through CM_ZXFREEHOOK. The posted
// messages carry the control hook's identifier, never a pointer, so a freed
// hook cannot be mistaken for a new one.
//
// Leaving a window while another procedure was installed above the
// replacement (by code that remembers the replacement as its previous
// procedure) cannot take the replacement out of the chain. It then stays,
// passing every message to the procedure it replaced, until the procedure
// above has gone (the replacement is the window's procedure again) or the
// window is destroyed; only then is it released.
//
// An exception raised by a handler goes to the application's exception
// handling, and the remaining hooks still run.
//
// Threads: GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/controls/ControlMessages.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/ModuleInit.h"

// The hook list's private messages.
constexpr UINT CM_ZXREHOOK = 0xB052;    // wParam: the control hook's identifier
constexpr UINT CM_ZXFREEHOOK = 0xB053;  // wParam: the control hook's identifier

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

class TControlHook;

class TZxWindowHook : public TComponent {
  ZORVET_CLASS_NAME(TZxWindowHook)

 public:
  explicit TZxWindowHook(TComponent* owner);
  // Deactivates the hook and forgets the control.
  ~TZxWindowHook() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  TWinControl* WinControl() const { return control_; }
  void SetWinControl(TWinControl* value);

  // Attaches to the control's control hook (making it when needed) and
  // installs it; nothing without a control or while being destroyed.
  void HookControl();
  // Detaches from the control hook; one left without hooks leaves the window.
  void UnhookControl();

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

  void DefineProperties(TFiler* filer) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  virtual void DoBeforeMessage(TMessage& msg, bool& handled);
  virtual void DoAfterMessage(TMessage& msg, bool& handled);

 private:
  friend class TControlHook;
  // The stored "IsForm": the hook watches the form that owns it.
  bool IsForm() const;
  bool active_ = true;
  TWinControl* control_ = nullptr;
  TControlHook* control_hook_ = nullptr;
  std::uint64_t last_hook_id_ = 0;  // the control hook of the control, also while inactive
};

struct TChainLink;

// The one replacement window procedure of a control, shared by its hooks.
class TControlHook {
 public:
  TControlHook(TWinControl* control, std::uint64_t id);
  // Detaches every hook component still attached and leaves the window.
  ~TControlHook();
  TControlHook(const TControlHook&) = delete;
  TControlHook& operator=(const TControlHook&) = delete;

  std::uint64_t Id() const { return id_; }
  TWinControl* Control() const { return control_; }
  const std::vector<TZxWindowHook*>& Hooks() const { return hooks_; }
  // Whether the replacement is in the control's window now.
  bool Installed() const { return link_ != nullptr; }

  void AddHook(TZxWindowHook* hook);
  void RemoveHook(TZxWindowHook* hook);
  void Install();
  void Uninstall();
  // The control is being freed: forget it.
  void ControlFreed() { control_ = nullptr; }

 private:
  friend struct TChainLink;
  LRESULT HookWndProc(TChainLink& link, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool MayRunHooks() const;

  TWinControl* control_;
  std::uint64_t id_;
  std::vector<TZxWindowHook*> hooks_;
  std::shared_ptr<TChainLink> link_;
  bool destroying_ = false;
};

// Every control hook of the process and the window that receives the
// deferred work. Made on first use, freed (with every control hook in it)
// by the module's end.
class THookList {
 public:
  THookList();
  ~THookList();
  THookList(const THookList&) = delete;
  THookList& operator=(const THookList&) = delete;

  HWND Handle() const { return handle_; }
  Integer Count() const { return static_cast<Integer>(hooks_.size()); }
  TControlHook* Find(TWinControl* control) const;
  TControlHook* FindId(std::uint64_t id) const;
  TControlHook* FindOrAdd(TWinControl* control);
  void PostRehook(const TControlHook* hook);
  void PostFree(const TControlHook* hook);

 private:
  void WndProc(TMessage& message);
  HWND handle_ = nullptr;
  std::vector<std::unique_ptr<TControlHook>> hooks_;
  std::uint64_t next_id_ = 1;
};

// The process-wide list, made on first use.
THookList& HookList();
// Whether the list exists (it is made only when a hook is attached).
bool HookListExists();

// The unit's start (declares the published properties) and end (frees the list).
TModuleInit ZxHookModule();
