// platform/controls/StdCtrls.h
//
// Controls over the button window class:
//   TCheckBox: a caption with a box that is checked, unchecked or (with
//     AllowGrayed) grayed. A click or the space bar moves it to its next
//     state; every change of State, by the user or the program, fires
//     OnClick.
#pragma once

#include "platform/controls/StandardControl.h"

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// What the two have in common: the class, the font and the painting are
// the window's.
class TButtonControl : public TStandardControl {
  ZORVET_CLASS_NAME(TButtonControl)

 public:
  explicit TButtonControl(TComponent* owner);

 protected:
  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& message) override;
  // BN_CLICKED from the window.
  virtual void ButtonClicked() = 0;
};

class TCheckBox : public TButtonControl {
  ZORVET_CLASS_NAME(TCheckBox)

 public:
  explicit TCheckBox(TComponent* owner);

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState value);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool value) { allow_grayed_ = value; }
  // The next state: unchecked, checked, then grayed when allowed.
  void Toggle();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void ButtonClicked() override { Toggle(); }

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allow_grayed_ = false;
};
