// platform/controls/StdCtrls.cpp
#include "platform/controls/StdCtrls.h"

#include "platform/controls/Form.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Button.h"
#include "platform/win/Message.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"

// The window reports clicks (BN_CLICKED); the mouse-up clicks of the
// control layer would count every click twice.
TButtonControl::TButtonControl(TComponent* owner) : TStandardControl(owner) {
  control_style_ -= csClickEvents;
}

void TButtonControl::CreateParams(TCreateParams& params) {
  TStandardControl::CreateParams(params);
  RegisterButtonClass();
  CreateSubClass(params, WC_BUTTON);
  params.Style |= WS_TABSTOP;
}

void TButtonControl::Dispatch(TMessage& message) {
  if (message.Msg == CN_COMMAND && HIWORD(static_cast<UINT_PTR>(message.WParam)) == BN_CLICKED) {
    ButtonClicked();
    return;
  }
  TStandardControl::Dispatch(message);
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
  if (default_ == value) return;
  default_ = value;
  if (HandleAllocated())
    SendMessage(WindowHandle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  TButtonControl::Click();
  // The handler may have freed the form's controls; only a live form hears
  // of the result.
  if (modal_result_ == 0) return;
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modal_result_);
}

void TButton::Dispatch(TMessage& message) {
  if (message.Msg == CM_DIALOGKEY) {
    const bool mine =
        (message.WParam == VK_RETURN && default_) || (message.WParam == VK_ESCAPE && cancel_);
    if (mine && Visible() && Enabled() && CanFocus()) {
      Click();
      message.Result = 1;
    }
    return;
  }
  TButtonControl::Dispatch(message);
}

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  // The control moves the state itself so that it can include grayed.
  params.Style |= BS_CHECKBOX;
}

void TCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessage(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

void TCheckBox::SetState(TCheckBoxState value) {
  if (state_ == value) return;
  state_ = value;
  if (HandleAllocated()) SendMessage(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(value), 0);
  Click();
}

void TCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked:
      SetState(cbChecked);
      break;
    case cbChecked:
      SetState(allow_grayed_ ? cbGrayed : cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbUnchecked);
      break;
  }
}
