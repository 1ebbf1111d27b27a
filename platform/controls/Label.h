// platform/controls/Label.h
//
// TCustomLabel / TLabel: text on a form, without a window. With AutoSize
// (the default) the label takes the size of its text (keeping its width
// when WordWrap breaks the text into lines); Alignment places the lines,
// Layout the block; Transparent leaves the background as the parent drew
// it. "&x" underlines x unless ShowAccelChar is off. A disabled label draws
// its text greyed.
#pragma once

#include "platform/controls/CustomControl.h"
#include "platform/controls/Panel.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
  ZORVET_CLASS_NAME(TCustomLabel)

 public:
  explicit TCustomLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool value);
  // The windowed control that the label's accelerator focuses.
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* value);

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void Paint() override;
  void AdjustSize() override;
  // A caption given while loading was not measured then: the label takes
  // its size once loading ends.
  void Loaded() override;
  void CMTextChanged(TMessage& message) override;
  void CMFontChanged(TMessage& message) override;
  // The DrawText flags of the label's settings.
  UINT TextFlags() const;

 private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool transparent_ = false;
  bool word_wrap_ = false;
  bool show_accel_char_ = true;
  TWinControl* focus_control_ = nullptr;
};

class TLabel : public TCustomLabel {
  ZORVET_CLASS_NAME(TLabel)

 public:
  using TCustomLabel::TCustomLabel;
};
