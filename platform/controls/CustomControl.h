// platform/controls/CustomControl.h
//
// The two bases of controls that draw themselves:
//   TCustomControl has a window of its own; WM_PAINT gives its Canvas the
//     paint context and calls Paint.
//   TGraphicControl has no window: it draws into its rectangle of the
//     parent's window when the parent paints (TWinControl::PaintControls,
//     after the parent's own drawing, in z-order), and gets its mouse
//     messages from the parent. Cheap labels, images and bevels are these.
// Both draw on Canvas in their own client coordinates.
#pragma once

#include <memory>

#include "platform/controls/Canvas.h"
#include "platform/controls/WinControl.h"

class TCustomControl : public TWinControl {
  ZORVET_CLASS_NAME(TCustomControl)

 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;

  TCanvas* Canvas() { return canvas_.get(); }

 protected:
  // Draws the control; the base does nothing.
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TGraphicControl : public TControl {
  ZORVET_CLASS_NAME(TGraphicControl)

 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;

  TCanvas* Canvas() { return canvas_.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}
  // WM_PAINT from the parent: wParam is the parent's context, set up with
  // this control's origin and clip.
  virtual void WMPaint(TMessage& message);

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};
