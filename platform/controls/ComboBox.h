// platform/controls/ComboBox.h
//
// TComboBox: a drop-down list of strings on the combo box window class.
// Items are the strings offered; ItemIndex the selected one (-1: none);
// Text the selected string (setting it selects the item of that text, if
// any). OnChange fires when the user changes the selection, not when the
// program sets ItemIndex or Text. Style csDropDownList is the style the
// window class draws; no other style is offered.
#pragma once

#include <memory>

#include "platform/controls/StandardControl.h"
#include "platform/rtl/StringList.h"

enum TComboBoxStyle { csDropDownList };

class TComboBox : public TStandardControl {
  ZORVET_CLASS_NAME(TComboBox)

 public:
  explicit TComboBox(TComponent* owner);
  ~TComboBox() override;

  // The strings; any change reaches the window at once (once per
  // BeginUpdate / EndUpdate pair).
  TStrings* Items() { return items_.get(); }
  void SetItems(const TStrings* value) { items_->Assign(value); }
  Integer ItemIndex() const;
  void SetItemIndex(Integer value);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value) { style_ = value; }
  Integer DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(Integer value);
  bool DroppedDown() const;
  void SetDroppedDown(bool value);
  // The selected item's string, "" without a selection.
  String Text() const;
  void SetText(const String& value);

  TNotifyEvent OnChange, OnDropDown, OnCloseUp;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& message) override;
  virtual void Change();

 private:
  // The strings changed: the window gets them again, with the selection
  // on the string it was on.
  void ItemsChanged();
  void FillWindow(Integer selected);

  std::unique_ptr<TStringList> items_;
  Integer item_index_ = -1;  // kept while there is no window
  String window_text_;       // the selected string before the last change
  TComboBoxStyle style_ = csDropDownList;
  Integer drop_down_count_ = 8;
};

// Published properties of TComboBox, for stored forms.
void DeclareComboBoxProperties();
