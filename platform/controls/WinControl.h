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
// Alignment. AlignControls places the aligned children in the client area
// (less AdjustClientRect's border): first the alTop controls from the top
// down, then alBottom from the bottom up, alLeft from the left, alRight from
// the right, and last alClient in what remains. Within one alignment the
// controls keep the order of their present position (the top-most alTop
// first, the bottom-most alBottom first, ...); the control whose change
// asked for the alignment goes first among equals. Hidden controls take no
// room. DisableAlign / EnableAlign hold the alignment back while many
// changes are made; the last EnableAlign aligns once if anything asked.
// Realign aligns now. After the alignment, controls that are not aligned
// follow their Anchors.
//
// Mouse over controls without a window: the mouse messages of this window
// go to the topmost visible, enabled control without a window that lies
// under the point (or to the one holding the capture), in its coordinates.
//
// Keys: WM_KEYDOWN, WM_CHAR and WM_KEYUP become KeyDown, KeyPress and KeyUp
// (events OnKeyDown, OnKeyPress, OnKeyUp), after the form's own key
// handlers when the form has KeyPreview; a handler that sets the key to 0
// takes it.
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
  // The topmost visible child under a point of the client area (enabled
  // ones only unless allowDisabled; children with windows too when
  // allowWinControls), or nullptr.
  TControl* ControlAtPos(POINT pos, bool allowDisabled, bool allowWinControls = false) const;

  void DisableAlign();
  void EnableAlign();
  void Realign();
  // See "Alignment" above. `control` is the child that asked (may be nullptr).
  virtual void AlignControls(TControl* control);
  bool AlignDisabled() const { return align_level_ > 0; }
  // The client area that aligned children fill (the base: ClientRect).
  virtual void AdjustClientRect(RECT& rect);

  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter, OnExit;

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
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  POINT ClientOrigin() const override;

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  // The control that made the window `hwnd`, or nullptr.
  static TWinControl* FindControl(HWND hwnd);

 protected:
  virtual void KeyDown(Word& key, TShiftState shift);
  virtual void KeyUp(Word& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // The key handling of WM_KEYDOWN / WM_KEYUP / WM_CHAR; true when taken.
  bool DoKeyDown(TMessage& message);
  bool DoKeyUp(TMessage& message);
  bool DoKeyPress(TMessage& message);
  // Offers Enter or Escape to the form's controls (CM_DIALOGKEY); true when
  // one took it.
  bool DoDialogKey(TMessage& message);
  virtual void WMKeyDown(TMessage& message);
  virtual void WMKeyUp(TMessage& message);
  virtual void WMChar(TMessage& message);
  void BoundsChanged(bool sizeChanged) override;
  void ParentChanged() override;
  void CMFontChanged(TMessage& message) override;
  void CMColorChanged(TMessage& message) override;
  void CMShowHintChanged(TMessage& message);
  void CMCtl3DChanged(TMessage& message) override;
  // Painting: WM_ERASEBKGND fills the client area with Color; WM_PAINT
  // draws the window (PaintWindow) and then the children without a window
  // (PaintControls), each at its place and clipped to its rectangle.
  virtual void PaintWindow(HDC dc);
  void PaintControls(HDC dc, TControl* first);
  virtual void WMPaint(TMessage& message);
  virtual void WMEraseBkgnd(TMessage& message);
  // Passes a message on to every child.
  void Broadcast(TMessage& message);
  // Sends the mouse message to the control without a window it is for;
  // true when one took it.
  bool IsControlMouseMsg(TMessage& message);
  void WndProc(TMessage& message) override;

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
  void ChangeZOrder(TControl* control, bool toFront);
  void DoAlign(TControl* control, TAlign align, RECT& rect);
  static LRESULT InitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void MainWndProc(TMessage& message);
  // The window's procedure (object_instance_), `control` being the TWinControl.
  static LRESULT ObjectWndProc(void* control, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void UpdateBoundsFromWindow();

  HWND handle_ = nullptr;
  HWND parent_window_ = nullptr;
  WNDPROC object_instance_ = nullptr;
  WNDPROC def_wnd_proc_ = nullptr;
  std::vector<TControl*> controls_;
  bool tab_stop_ = false;
  int align_level_ = 0;
};
