// platform/controls/WinControl.h
//
// TWinControl: a control with a window of its own.
//
// The window is made on demand: Handle() (or HandleNeeded) creates it, with
// the parent's window made first; a windowed control that is not a form
// needs a parent or a ParentWindow, else EInvalidOperation "Control '%s' has
// no parent window". CreateParams describes the window (class, styles,
// bounds); the class is registered under the control's class name with a
// procedure that, at the window's first message, makes the control's own
// procedure the window's procedure. Messages then reach WindowProc. The
// procedure the class had before (DefWindowProc, or a standard control's
// procedure that the control builds on) is DefWndProc: DefaultHandler passes
// unhandled messages to it.
//
// RecreateWnd destroys the window and makes a new one at once when the
// control is showing (later otherwise); the text and focus are carried over.
// DestroyHandle keeps the control; the window and its children's windows go.
//
// Children: a windowed control holds the controls whose parent it is
// (Controls) and frees them when it is freed. The children's windows are
// made with the parent's, when visible.
//
// Focus: WM_SETFOCUS tells the form (TCustomForm::SetFocusedControl) and so
// the screen. Notifications (WM_NOTIFY, WM_COMMAND) from a child window are
// reflected to the control that owns that window as CN_NOTIFY / CN_COMMAND.
#pragma once

#include <vector>

#include "platform/controls/Control.h"
#include "platform/win/WinStructs.h"

struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  Integer X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  LPVOID Param = nullptr;
  WNDCLASS WindowClass;
  String WinClassName;
};

class TWinControl : public TControl {
  ZORVET_CLASS_NAME(TWinControl)

 public:
  explicit TWinControl(TComponent* owner);
  // Destroys the window (the control is csDestroying meanwhile) and frees
  // the child controls.
  ~TWinControl() override;

  // The window, made when missing.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  // The window without making it (nullptr when none).
  HWND WindowHandle() const { return handle_; }
  // The procedure that handles what the control leaves (see above).
  WNDPROC DefWndProc() const { return def_wnd_proc_; }
  // The control's own window procedure (what the window has unless subclassed).
  WNDPROC ObjectInstance() const { return object_instance_; }
  void RecreateWnd();
  void DestroyHandle();

  // A window outside the control tree to sit on, used when there is no Parent.
  HWND ParentWindow() const { return parent_window_; }
  void SetParentWindow(HWND value);

  Integer ControlCount() const { return static_cast<Integer>(controls_.size()); }
  TControl* Controls(Integer index) const { return controls_.at(static_cast<size_t>(index)); }

  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool value) { tab_stop_ = value; }
  // Visible, enabled and with every parent visible and enabled.
  virtual bool CanFocus() const;
  bool Focused() const;
  virtual void SetFocus();
  // Whether the window exists and is visible on screen.
  bool Showing() const;

  void SetBounds(Integer left, Integer top, Integer width, Integer height) override;
  RECT ClientRect() const override;
  POINT ClientOrigin() const override;

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  // The control that made the window `hwnd`, or nullptr.
  static TWinControl* FindControl(HWND hwnd);

 protected:
  virtual void CreateParams(TCreateParams& params);
  // Builds the window on a standard window class (its procedure becomes DefWndProc).
  void CreateSubClass(TCreateParams& params, LPCSTR controlClassName);
  virtual void CreateHandle();
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  // Shows or hides the window to match Visible (forms decide for themselves).
  virtual void UpdateShowing();
  // The window is gone (WM_NCDESTROY seen).
  virtual void WindowDestroyed() {}

  virtual void WMNCDestroy(TMessage& message);
  virtual void WMSetFocus(TMessage& message);
  virtual void WMKillFocus(TMessage& message);
  virtual void WMWindowPosChanged(TMessage& message);
  virtual void WMSetCursor(TMessage& message);
  virtual void WMNotify(TMessage& message);
  virtual void WMCommand(TMessage& message);
  virtual void CMRecreateWnd(TMessage& message);
  void CMVisibleChanged(TMessage& message) override;
  void CMEnabledChanged(TMessage& message) override;

 private:
  friend class TControl;
  static LRESULT InitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void MainWndProc(TMessage& message);
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void UpdateBoundsFromWindow();

  HWND handle_ = nullptr;
  HWND parent_window_ = nullptr;
  WNDPROC object_instance_ = nullptr;
  WNDPROC def_wnd_proc_ = nullptr;
  std::vector<TControl*> controls_;
  bool tab_stop_ = false;
};
