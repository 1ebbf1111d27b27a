// platform/controls/StdCtrls.cpp
#include "platform/controls/StdCtrls.h"

#include "platform/win/Button.h"
#include "platform/win/Message.h"
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
