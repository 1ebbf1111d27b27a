// ui/PickButton.h
//
// TPickEdit: a single-line edit carrying small flat buttons inside its right
// edge, each with its own glyph, hint and click event. The text area (the
// edit's formatting rectangle) stops before the buttons, so typed text never
// runs under them.
//
// The window is a multi-line edit (only a multi-line edit takes a formatting
// rectangle) that clips its children; a line break typed or pasted into it
// is taken out again at once, so it stays one line.
//
// Layout: the edit is never lower than MinHeight (its font's height plus a
// quarter of the smaller of it and the system font's, the borders and two
// pixels); the buttons are squares as high as the client area, side by
// side at the right edge, the last item rightmost. Every item keeps its
// slot, hidden or not; the text rectangle leaves room for the visible ones.
// The layout is made when the window is made, on every size change, after
// every paint and after every change of the items, and touches a button
// only when its place changes.
//
// TCPickButton: the small window holding one flat speed button that fills
// it. A press gives the focus to its FocusControl (the edit), so the caret
// stays where the user types; Alt+Down clicks it.
#pragma once

#include "platform/controls/Buttons.h"
#include "platform/controls/CustomEdit.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/ModuleInit.h"

class TCustomPickEdit;

class TCPickButton : public TWinControl {
  ZORVET_CLASS_NAME(TCPickButton)

 public:
  explicit TCPickButton(TComponent* owner);

  TSpeedButton* Button() const { return button_; }
  TBitmap* Glyph() const { return button_->Glyph(); }
  void SetGlyph(const TBitmap* value) { button_->SetGlyph(value); }
  Integer DownNumGlyphs() const { return button_->NumGlyphs(); }
  void SetDownNumGlyphs(Integer value) { button_->SetNumGlyphs(value); }
  bool Flat() const { return button_->Flat(); }
  void SetFlat(bool value) { button_->SetFlat(value); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* value);

  void SetBounds(Integer left, Integer top, Integer width, Integer height) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

  // Sender: this control.
  TNotifyEvent OnDownClick;

 protected:
  void KeyDown(Word& key, TShiftState shift) override;
  void Dispatch(TMessage& message) override;

 private:
  // Width at least 18, the inner button filling the control.
  void AdjustWinSize();
  void ButtonMouseDown(TMouseButton button);
  void ButtonClick();

  TSpeedButton* button_;
  TWinControl* focus_control_ = nullptr;
  bool transparent_ = false;
};

class TButtonInItem : public TCollectionItem {
  ZORVET_CLASS_NAME(TButtonInItem)

 public:
  explicit TButtonInItem(TCollection* collection);
  ~TButtonInItem() override;

  TCPickButton* Button() const { return button_; }

  String DisplayName() const override;
  void SetDisplayName(const String& value) override;
  bool Flat() const { return button_->Flat(); }
  void SetFlat(bool value) { button_->SetFlat(value); }
  TBitmap* Glyph() const { return button_->Glyph(); }
  void SetGlyph(const TBitmap* value);
  bool ShowHint() const { return button_->ShowHint(); }
  void SetShowHint(bool value);
  const String& Hint() const { return button_->Hint(); }
  void SetHint(const String& value);
  bool Visible() const { return button_->Visible(); }
  void SetVisible(bool value);
  TColor Color() const { return button_->Color(); }
  void SetColor(TColor value);
  bool Transparent() const { return button_->Transparent(); }
  void SetTransparent(bool value) { button_->SetTransparent(value); }
  // Fired with the item's TCPickButton as sender.
  const TNotifyEvent& OnClick() const { return button_->OnDownClick; }
  void SetOnClick(TNotifyEvent value) { button_->OnDownClick = std::move(value); }

  void Assign(const TPersistent* source) override;

 private:
  TCPickButton* button_;
  String display_name_;
};

class TButtonsIn : public TOwnedCollection {
  ZORVET_CLASS_NAME(TButtonsIn)

 public:
  explicit TButtonsIn(TPersistent* owner);

  // The edit holding the collection, or nullptr when the owner is no pick edit.
  TCustomPickEdit* Edit() const { return edit_; }
  TButtonInItem* Items(Integer index) const {
    return static_cast<TButtonInItem*>(TOwnedCollection::Items(index));
  }
  TButtonInItem* Add() { return static_cast<TButtonInItem*>(TOwnedCollection::Add()); }

 protected:
  // Asks the edit (by a posted size message) to arrange its buttons again.
  void Update(TCollectionItem* item) override;

 private:
  TCustomPickEdit* edit_;
};

class TCustomPickEdit : public TCustomEdit {
  ZORVET_CLASS_NAME(TCustomPickEdit)

 public:
  explicit TCustomPickEdit(TComponent* owner);
  ~TCustomPickEdit() override;

  TButtonsIn* ButtonsIn() const { return buttons_in_.get(); }
  bool EditorEnabled() const { return editor_enabled_; }
  void SetEditorEnabled(bool value) { editor_enabled_ = value; }

  // The lowest the edit may be for its font.
  Integer MinHeight();
  // Places the buttons (and narrows the text rectangle); see above.
  void ArrangeButtons();
  // Sets the formatting rectangle to leave the visible buttons' room.
  void SetEditRect();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  void WMPaint(TMessage& message) override;
  void WMWindowPosChanged(TMessage& message) override;
  void WMChar(TMessage& message) override;
  void Change() override;

 private:
  // Takes out every CR LF pair of the text.
  void RemoveLineBreaks();

  std::unique_ptr<TButtonsIn> buttons_in_;
  bool editor_enabled_ = true;
  bool arranging_ = false;
  bool in_pos_changed_ = false;
  bool removing_breaks_ = false;
  // The height at which growing to MinHeight was refused (by alignment or
  // constraints), so that the layout does not ask again and again.
  Integer refused_height_ = -1;
};

class TPickEdit : public TCustomPickEdit {
  ZORVET_CLASS_NAME(TPickEdit)

 public:
  using TCustomPickEdit::TCustomPickEdit;
  // Copies the items of `value`.
  void SetButtonsIn(const TButtonsIn* value) { ButtonsIn()->Assign(value); }
};

// Publishes the properties of the pick edit and its items (once, from a module's start).
void DeclarePickButtonProperties();

// The unit's start: publishes the properties above.
TModuleInit PickButtonModule();
