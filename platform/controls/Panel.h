// platform/controls/Panel.h
//
// TCustomPanel / TPanel: a windowed container drawn as a bevelled box with
// an optional caption. The outer and inner bevels (raised or lowered,
// BevelWidth pixels each) and BorderWidth pixels of the panel's colour
// between them frame the client area that aligned children fill. The
// caption is drawn in the middle, placed left, centred or right by
// Alignment.
#pragma once

#include "platform/controls/CustomControl.h"
// TAlignment is the one of fields: a unit that shows fields in controls
// sees both, so there must be one.
#include "platform/data/FieldTypes.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
  ZORVET_CLASS_NAME(TCustomPanel)

 public:
  explicit TCustomPanel(TComponent* owner);

  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut value);
  Integer BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(Integer value);
  Integer BorderWidth() const { return border_width_; }
  void SetBorderWidth(Integer value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);

  void AdjustClientRect(RECT& rect) override;

 protected:
  void Paint() override;
  void CMTextChanged(TMessage& message) override;

 private:
  void BordersChanged();
  TBevelCut bevel_inner_ = bvNone;
  TBevelCut bevel_outer_ = bvRaised;
  Integer bevel_width_ = 1;
  Integer border_width_ = 0;
  TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
  ZORVET_CLASS_NAME(TPanel)

 public:
  using TCustomPanel::TCustomPanel;
};
