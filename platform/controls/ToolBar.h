// platform/controls/ToolBar.h
//
// TToolBar: a row of tool buttons on the tool bar window class, along the
// top of its parent by default. Its buttons (TToolButton) show images of
// Images; with Flat they are raised only under the pointer. Hints: a button
// with a Hint shows it when the bar's ShowHint is on (a button follows the
// bar's ShowHint unless told otherwise).
//
// TToolButton: one button, added to a bar by giving it the bar as parent
// (buttons keep the order they were added in; Index tells the place).
// Style: tbsButton clicks (OnClick, or its Action); tbsCheck toggles Down
// (Grouped check buttons next to each other act as radio buttons);
// tbsDropDown clicks on its face and shows DropdownMenu below itself from
// its arrow; tbsSeparator / tbsDivider leave a gap of the button's Width.
// A button linked to an action takes its caption, hint, image, enabled and
// checked state and follows their changes.
#pragma once

#include <vector>

#include "platform/controls/StandardControl.h"

class TCustomImageList;
class TPopupMenu;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TControl {
  ZORVET_CLASS_NAME(TToolButton)

 public:
  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle value);
  Integer ImageIndex() const { return image_index_; }
  void SetImageIndex(Integer value);
  TPopupMenu* DropdownMenu() const { return dropdown_menu_; }
  void SetDropdownMenu(TPopupMenu* value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool value);
  // The place among the bar's buttons (-1 outside a bar).
  Integer Index() const;
  // The number the window knows the button by.
  int Command() const { return command_; }
  bool IsSeparator() const { return style_ == tbsSeparator || style_ == tbsDivider; }
  // Shows DropdownMenu below the button; false when it has none.
  bool CheckMenuDropdown();

  void SetParent(TWinControl* parent) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void ActionChange(TObject* sender, bool checkDefaults) override;
  void CMEnabledChanged(TMessage& message) override;
  void CMVisibleChanged(TMessage& message) override;
  void CMTextChanged(TMessage& message) override;

 private:
  friend class TToolBar;
  void Changed();

  TToolBar* tool_bar_ = nullptr;
  TToolButtonStyle style_ = tbsButton;
  Integer image_index_ = -1;
  TPopupMenu* dropdown_menu_ = nullptr;
  bool down_ = false;
  bool grouped_ = false;
  int command_;
};

class TToolBar : public TStandardControl {
  ZORVET_CLASS_NAME(TToolBar)

 public:
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  Integer ButtonCount() const { return static_cast<Integer>(buttons_.size()); }
  TToolButton* Buttons(Integer index) const;
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  Integer ButtonWidth() const { return button_width_; }
  void SetButtonWidth(Integer value);
  Integer ButtonHeight() const { return button_height_; }
  void SetButtonHeight(Integer value);
  // Each button shows its Caption under its image; the buttons and the bar
  // grow to hold them.
  bool ShowCaptions() const { return show_captions_; }
  void SetShowCaptions(bool value);

  void Notification(TComponent* component, TOperation operation) override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  void WMMouseMove(TMessage& message) override;

 private:
  friend class TToolButton;
  void InsertButton(TToolButton* button);
  void RemoveButton(TToolButton* button);
  // Hands every button to the window again and takes their places back.
  void UpdateButtons();
  // The checked state after the window toggled a check button.
  void ButtonToggled(TToolButton* button);
  TToolButton* FindCommand(int command) const;
  TToolButton* ButtonAtPos(POINT p) const;

  std::vector<TToolButton*> buttons_;
  TCustomImageList* images_ = nullptr;
  bool flat_ = false;
  bool show_captions_ = false;
  Integer button_width_ = 23;
  Integer button_height_ = 22;
};

// Published properties of the two classes, for stored forms.
void DeclareToolBarProperties();
