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
// Keys: with KeyPreview the form's OnKeyDown, OnKeyPress and OnKeyUp see
// every key of its controls first. While a control of the form holds the
// mouse capture (a drag in progress), the keys go to the form itself (see
// TApplication), so that the form's handlers see Escape whichever control has
// the focus.
//
// Modal forms: ShowModal disables the program's other windows, shows the
// form and runs a nested message loop until ModalResult becomes non-zero
// (a button, Close giving mrCancel, the application ending); then the form
// asks OnCloseQuery and OnClose as Close does (caNone keeps it open), hides,
// enables the other windows again and returns the result. Under the
// hand-driven clock of tests a modal loop whose queue runs dry asks the
// modal-wait handler (SetModalWaitHandler) for an answer and raises
// EInvalidOperation when there is none, so that a test cannot hang.
//
// Placement when first shown follows Position; FormStyle fsStayOnTop keeps
// the window above the others.
//
// Every form is listed in Screen->Forms while it exists.
#pragma once

#include <functional>

#include <memory>

#include "platform/controls/Canvas.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/Events.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon>;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TFormStateFlag { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = Set<TFormStateFlag>;

using TModalResult = Integer;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;  // IDOK
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

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

  // Drawing on the form while it paints (OnPaint) or at any time.
  TCanvas* Canvas() { return canvas_.get(); }

  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool value) { key_preview_ = value; }
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TFormState FormState() const { return form_state_; }
  // Zorvet's forms carry no main menu; the property reads as none.
  TComponent* Menu() const { return nullptr; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult value) { modal_result_ = value; }
  // REQUIRES: the form is hidden and enabled; EInvalidOperation "Cannot make
  // a visible window modal" otherwise. See "Modal forms" above.
  virtual TModalResult ShowModal();

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

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Dispatch(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void UpdateShowing() override;
  // Fires OnPaint with the canvas on the paint context.
  void PaintWindow(HDC dc) override;
  virtual void Paint();
  void CMVisibleChanged(TMessage& message) override;
  virtual void WMActivate(TMessage& message);
  virtual void WMClose(TMessage& message);
  virtual void CMRelease(TMessage& message);
  virtual void DoShow();
  virtual void DoHide();
  // Asks and ends the modal loop once ModalResult is set (see above).
  void CloseModal();
  // Places the form as Position says, before it is first shown.
  void ApplyPosition();

 private:
  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_{biSystemMenu, biMinimize, biMaximize};
  TWindowState window_state_ = wsNormal;
  TWinControl* active_control_ = nullptr;
  bool active_ = false;
  bool key_preview_ = false;
  TFormStyle form_style_ = fsNormal;
  TPosition position_ = poDesigned;
  TFormState form_state_;
  TModalResult modal_result_ = mrNone;
  bool positioned_ = false;
  std::unique_ptr<TControlCanvas> canvas_;
};

// The form class the program's windows derive from.
class TForm : public TCustomForm {
  ZORVET_CLASS_NAME(TForm)

 public:
  using TCustomForm::TCustomForm;
};

// Answers a modal form waiting for input that the event source cannot
// bring (tests): true when the handler did something (set a result, queued
// input). Returns the handler it replaces.
using TModalWaitHandler = std::function<bool(TCustomForm* form)>;
TModalWaitHandler SetModalWaitHandler(TModalWaitHandler handler);

// Frees the forms whose Release was handled; the message loop calls it
// after each message it dispatched.
void FreeReleasedForms();

// The form a control lies on (the control itself when it is a form), or nullptr.
TCustomForm* GetParentForm(TControl* control);
