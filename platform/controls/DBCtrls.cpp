// platform/controls/DBCtrls.cpp
#include "platform/controls/DBCtrls.h"

#include "platform/controls/ControlsProperties.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Edit.h"
#include "platform/win/Message.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowSystem.h"

// --- TFieldDataLink ----------------------------------------------------------------

void TFieldDataLink::SetFieldName(const String& value) {
  if (field_name_ == value) return;
  field_name_ = value;
  UpdateField();
}

bool TFieldDataLink::CanModify() const {
  return !ReadOnly() && field_ && field_->CanModify();
}

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return Editing();
}

void TFieldDataLink::Reset() {
  RecordChanged(nullptr);
}

void TFieldDataLink::UpdateField() {
  TField* found = nullptr;
  if (Active() && !field_name_.empty()) found = DataSet()->FindField(field_name_);
  // A different field (or none) throws away what the control had typed for the old one.
  if (found != field_) {
    field_ = found;
    modified_ = false;
    if (OnActiveChange) OnActiveChange(this);
  }
  RecordChanged(nullptr);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
}

void TFieldDataLink::LayoutChanged() {
  UpdateField();
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::RecordChanged(TField* field) {
  if (field && field != field_) return;
  modified_ = false;
  if (OnDataChange) OnDataChange(this);
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ && OnUpdateData) OnUpdateData(this);
  modified_ = false;
}

void TFieldDataLink::FocusControl(TField** field) {
  if (!field || !*field || *field != field_) return;
  auto* control = dynamic_cast<TWinControl*>(control_);
  if (control && control->CanFocus()) {
    *field = nullptr;  // taken: no other control answers
    control->SetFocus();
  }
}

// --- TDBEdit ---------------------------------------------------------------------------

TDBEdit::TDBEdit(TComponent* owner) : TCustomEdit(owner) {
  link_->SetControl(this);
  link_->SetVisualControl(true);
  link_->OnDataChange = [this](TObject*) { DataChange(); };
  link_->OnEditingChange = [this](TObject*) { EditingChange(); };
  link_->OnUpdateData = [this](TObject*) { UpdateData(); };
  link_->OnActiveChange = [this](TObject*) { EditingChange(); };
  TCustomEdit::SetReadOnly(true);  // until there is a field to edit
}

TDBEdit::~TDBEdit() {
  link_->OnDataChange = link_->OnEditingChange = link_->OnUpdateData = link_->OnActiveChange =
      nullptr;
}

void TDBEdit::SetDataSource(TDataSource* value) {
  if (TDataSource* old = link_->DataSource()) old->RemoveFreeNotification(this);
  link_->SetDataSource(value);
  if (value) value->FreeNotification(this);
  DataChange();
}

void TDBEdit::Notification(TComponent* component, TOperation operation) {
  TCustomEdit::Notification(component, operation);
  if (operation == opRemove && link_ && component == link_->DataSource()) SetDataSource(nullptr);
}

void TDBEdit::SetReadOnly(bool value) {
  link_->SetReadOnly(value);
  EditingChange();
}

void TDBEdit::ShowValue(const String& text) {
  showing_ = true;
  TScopeExit shown([&] { showing_ = false; });
  SetText(text);
}

void TDBEdit::DataChange() {
  TField* field = link_->Field();
  if (!field) {
    ShowValue(String());
    return;
  }
  // A string field limits what fits; others take what their text needs.
  SetMaxLength(field->DataType() == ftString || field->DataType() == ftWideString ? field->Size()
                                                                                  : 0);
  // The text being edited is the field's edit text; otherwise its display text.
  ShowValue(Focused() && link_->CanModify() ? field->Text() : field->DisplayText());
}

void TDBEdit::EditingChange() {
  TCustomEdit::SetReadOnly(!link_->CanModify());
}

void TDBEdit::UpdateData() {
  if (TField* field = link_->Field()) field->SetText(Text());
}

void TDBEdit::WriteField() {
  if (!link_->Field() || !link_->IsModified()) return;
  link_->UpdateRecord();
}

void TDBEdit::Change() {
  if (!showing_) link_->Modified();
  TCustomEdit::Change();
}

void TDBEdit::KeyDown(Word& key, TShiftState shift) {
  TCustomEdit::KeyDown(key, shift);
  // Keys that change the text without a character: Delete, and Shift+Insert (paste).
  const bool changing = key == VK_DELETE || (key == VK_INSERT && shift.Contains(ssShift));
  if (changing && !link_->Edit()) key = 0;
}

void TDBEdit::WMChar(TMessage& message) {
  if (DoKeyPress(message)) return;
  const auto ch = static_cast<char32_t>(message.WParam);
  switch (ch) {
    case 0x1B:  // Escape: back to the field's value
      link_->Reset();
      SelectAll();
      return;
    case '\r':
      WriteField();
      return;
    case 0x08:  // Backspace
    case 0x16:  // Ctrl+V
    case 0x18:  // Ctrl+X
      if (!link_->Edit()) return;
      break;
    default:
      if (ch < 0x20 || ch == 0x7F) break;  // the other editing keys change nothing
      if (TField* field = link_->Field(); !field || !field->IsValidChar(ch)) {
        MessageBeep(0);
        return;
      }
      if (!link_->Edit()) return;
      break;
  }
  DefaultHandler(message);
}

void TDBEdit::WMSetFocus(TMessage& message) {
  TCustomEdit::WMSetFocus(message);
  // Editing shows the edit text (which may differ from the display text).
  if (!link_->IsModified()) {
    const bool all = SelLength() > 0;
    DataChange();
    if (all && AutoSelect()) SelectAll();
  }
}

void TDBEdit::WMKillFocus(TMessage& message) {
  try {
    WriteField();
  } catch (...) {
    // The value stays for the user to correct.
    SelectAll();
    SetFocus();
    throw;
  }
  TCustomEdit::WMKillFocus(message);
  if (!link_->IsModified()) DataChange();
}

void DeclareDBCtrlsProperties() {
  TPublishedClass<TDBEdit, TCustomEdit>()
      .AddComponent("DataSource", &TDBEdit::DataSource, &TDBEdit::SetDataSource)
      .AddString("DataField", &TDBEdit::DataField, &TDBEdit::SetDataField);
}
