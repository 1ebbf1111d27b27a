// platform/controls/StdCtrls.h
//
// Controls over the button window class:
//   TButton: a push button. A click fires OnClick (or runs the action) and
//     then, when ModalResult is set, hands it to the form, which ends a
//     modal showing. The Default button is drawn with a heavier frame and is
//     clicked by Enter wherever the focus is on the form, unless the focused
//     control wants Enter itself; the Cancel button is clicked by Escape.
//   TCheckBox: a caption with a box that is checked, unchecked or (with
//     AllowGrayed) grayed. A click or the space bar moves it to its next
//     state; every change of State, by the user or the program, fires
//     OnClick.
#pragma once

#include "platform/controls/StandardControl.h"
#include "platform/rtl/Component.h"

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

class TButton : public TButtonControl {
  ZORVET_CLASS_NAME(TButton)

 public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  Integer ModalResult() const { return modal_result_; }
  void SetModalResult(Integer value) { modal_result_ = value; }

  void Click() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& message) override;
  void ButtonClicked() override { Click(); }

 private:
  bool default_ = false;
  bool cancel_ = false;
  Integer modal_result_ = 0;
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

// Asks for the themed look of the common controls where the platform has
// one. Ours draw one look only, so the component does nothing; forms keep
// it so that their stored definitions read as written.
class TXPManifest : public TComponent {
  ZORVET_CLASS_NAME(TXPManifest)

 public:
  using TComponent::TComponent;
};

// The published properties of TCheckBox, TButton and TXPManifest are
// declared with the other control classes' (ControlsProperties.h).
