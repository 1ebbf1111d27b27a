// platform/controls/HintWindow.h
//
// THintWindow: the small yellow window that shows a control's hint beside
// the pointer. It is a top-most pop-up that never takes the activation or
// the mouse (hits pass through it); the application makes one and moves it
// for each hint (Application.h).
#pragma once

#include "platform/controls/CustomControl.h"

class THintWindow : public TCustomControl {
  ZORVET_CLASS_NAME(THintWindow)

 public:
  explicit THintWindow(TComponent* owner);

  // The window's rectangle (at 0, 0) for `hint`, lines broken to stay
  // within maxWidth.
  virtual RECT CalcHintRect(Integer maxWidth, const String& hint);
  // Shows the hint at `rect` (screen), without activating it.
  virtual void ActivateHint(RECT rect, const String& hint);
  // Hides the window and lets it go.
  void ReleaseHandle();

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void Dispatch(TMessage& message) override;
};
