// platform/controls/Buttons.h
//
// TSpeedButton: a button without a window of its own (it draws on its
// parent's), showing a glyph and an optional caption. It never takes the
// focus, so a click on it leaves the focus where the user was typing.
//
// Glyph holds NumGlyphs images side by side, each Glyph width / NumGlyphs
// wide: the button up, disabled, pressed, and held down (the fourth, for a
// button of a group). A missing image falls back to the first. Pixels of the
// glyph's transparent colour (its bottom-left pixel) or, for a picture read
// with alpha, its transparent pixels let the face show through.
//
// Flat: no frame while up, a thin sunken one while pressed or down.
// Transparent: the face is not filled, so the parent's background shows.
//
// Groups: buttons of the same parent with the same non-zero GroupIndex act
// as radio buttons: pressing one puts it Down and the others up; with
// AllowAllUp the down one goes up again when pressed.
#pragma once

#include <memory>

#include "platform/controls/CustomControl.h"
#include "platform/controls/Graphics.h"

class TSpeedButton : public TGraphicControl {
  ZORVET_CLASS_NAME(TSpeedButton)

 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  TBitmap* Glyph() { return glyph_.get(); }
  void SetGlyph(const TBitmap* value);
  Integer NumGlyphs() const { return num_glyphs_; }
  // 1 to 4; other values are refused.
  void SetNumGlyphs(Integer value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  Integer GroupIndex() const { return group_index_; }
  void SetGroupIndex(Integer value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool value) { allow_all_up_ = value; }
  // Whether the left button holds the button pressed with the pointer over it.
  bool Pressed() const { return pressed_; }

  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void MouseMove(TShiftState shift, Integer x, Integer y) override;
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void CMEnabledChanged(TMessage& message) override;

 private:
  // The image shown in the present state.
  Integer GlyphIndex() const;
  void DrawGlyph(const RECT& face);

  std::unique_ptr<TBitmap> glyph_ = std::make_unique<TBitmap>();
  Integer num_glyphs_ = 1;
  bool flat_ = false;
  bool transparent_ = false;
  Integer group_index_ = 0;
  bool down_ = false;
  bool allow_all_up_ = false;
  bool pressed_ = false;
};

// Publishes the properties of TSpeedButton (once, from a module's start).
void DeclareButtonsProperties();
