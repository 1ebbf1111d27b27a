// platform/controls/Form.h
//
// TCustomForm: a top-level window holding controls. The form's border style
// and border icons decide its window styles; WindowState is its normal,
// minimised or maximised state. Showing fires OnShow before the window
// appears, hiding OnHide after it went; activation fires OnActivate and
// OnDeactivate and tells the screen (Screen->ActiveForm). The form remembers
// which of its controls has the focus (ActiveControl) and gives the focus
// back to it when it is activated again.
//
// Closing (Close, or WM_CLOSE from the window): OnCloseQuery may refuse;
// OnClose chooses the action (hide by default); closing the application's
// main form ends the application.
//
// Every form is listed in Screen->Forms while it exists.
#pragma once

#include <functional>

#include "platform/controls/WinControl.h"
#include "platform/rtl/Events.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon>;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
  ZORVET_CLASS_NAME(TCustomForm)

 public:
  explicit TCustomForm(TComponent* owner);
  // Fires OnDestroy first.
  ~TCustomForm() override;

  // Fires OnCreate; the code that built the form calls it once it is complete.
  void DoCreate();

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons value);
  TWindowState WindowState();
  void SetWindowState(TWindowState value);

  // The control that has or last had the focus on this form.
  TWinControl* ActiveControl() const { return active_control_; }
  // REQUIRES: the control lies on this form. Focuses it when the form is active.
  void SetActiveControl(TWinControl* control);
  // Told by a control of the form that it got the focus.
  void SetFocusedControl(TWinControl* control);
  bool Active() const { return active_; }

  void Show();
  void Hide();
  void Close();
  // Whether the form may close: OnCloseQuery's answer.
  virtual bool CloseQuery();
  // Frees the form once the messages queued now are handled.
  void Release();

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Dispatch(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void UpdateShowing() override;
  void CMVisibleChanged(TMessage& message) override;
  virtual void WMActivate(TMessage& message);
  virtual void WMClose(TMessage& message);
  virtual void CMRelease(TMessage& message);
  virtual void DoShow();
  virtual void DoHide();

 private:
  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_{biSystemMenu, biMinimize, biMaximize};
  TWindowState window_state_ = wsNormal;
  TWinControl* active_control_ = nullptr;
  bool active_ = false;
};

// Frees the forms whose Release was handled; the message loop calls it
// after each message it dispatched.
void FreeReleasedForms();

// The form a control lies on (the control itself when it is a form), or nullptr.
TCustomForm* GetParentForm(TControl* control);
