// platform/controls/DBCtrls.h
//
// Data-aware controls.
//
// TFieldDataLink: the link of a control that shows one field of a dataset.
// It finds the field by FieldName while the dataset is open and tells its
// control, through events, when the value to show changed (OnDataChange),
// when the dataset entered or left an editing state (OnEditingChange),
// when the control must write its pending value (OnUpdateData, only after
// Modified), and when the field or dataset changed (OnActiveChange). A
// field that asks for the focus gets its control focused.
//
// TDBEdit: an edit on a field. Typing puts the dataset in dsEdit (when the
// source allows it), asking the field first whether each typed character
// is valid for it (TField::IsValidChar, with the character's code point;
// editing keys such as Backspace and Ctrl+V are never asked about). The
// text is written to the field when the edit is left or Enter is pressed;
// the record is posted by whatever the dataset does next (a move, a Post).
// Escape throws the typing away and shows the field's value again. While
// the dataset cannot be edited the edit is read-only.
#pragma once

#include "platform/controls/CustomEdit.h"
#include "platform/data/DataLink.h"

class TField;

class TFieldDataLink : public TDataLink {
  ZORVET_CLASS_NAME(TFieldDataLink)

 public:
  TFieldDataLink() = default;

  // The control the link serves (focused when its field asks).
  TComponent* Control() const { return control_; }
  void SetControl(TComponent* value) { control_ = value; }
  const String& FieldName() const { return field_name_; }
  void SetFieldName(const String& value);
  // The field shown, while the dataset is open and has it; else nullptr.
  TField* Field() const { return field_; }
  // Whether the field may be changed through this link.
  bool CanModify() const;
  // Puts the dataset in an editing state when the field may be changed;
  // returns whether it is in one.
  bool Edit();
  // The control's value differs from the field's.
  void Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  // Forgets the control's change and shows the field's value again.
  void Reset();

  TNotifyEvent OnDataChange, OnEditingChange, OnUpdateData, OnActiveChange;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField** field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  void UpdateField();

  TComponent* control_ = nullptr;
  String field_name_;
  TField* field_ = nullptr;
  bool modified_ = false;
};

class TDBEdit : public TCustomEdit {
  ZORVET_CLASS_NAME(TDBEdit)

 public:
  explicit TDBEdit(TComponent* owner);
  ~TDBEdit() override;

  TDataSource* DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource* value);
  const String& DataField() const { return link_->FieldName(); }
  void SetDataField(const String& value) { link_->SetFieldName(value); }
  TField* Field() const { return link_->Field(); }
  // Read-only through this edit, whatever the field allows.
  bool ReadOnly() const override { return link_->ReadOnly(); }
  void SetReadOnly(bool value) override;
  TFieldDataLink* DataLink() const { return link_.get(); }

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void Change() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void WMChar(TMessage& message) override;
  void WMSetFocus(TMessage& message) override;
  void WMKillFocus(TMessage& message) override;

 private:
  void DataChange();
  void EditingChange();
  void UpdateData();
  // Shows the field's text without counting it as the user's change.
  void ShowValue(const String& text);
  // Writes the edit's text to the field now.
  void WriteField();

  std::unique_ptr<TFieldDataLink> link_ = std::make_unique<TFieldDataLink>();
  bool showing_ = false;
};

// Publishes the properties of TDBEdit (once, from a module's start).
void DeclareDBCtrlsProperties();
