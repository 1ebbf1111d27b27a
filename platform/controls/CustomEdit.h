// platform/controls/CustomEdit.h
//
// TCustomEdit: a control over the edit window class (platform/win/Edit.h).
// The window holds the text; the control keeps MaxLength, ReadOnly and the
// text itself while there is no window, and hands them to each new one.
//
// Positions (SelStart, SelLength) count bytes of the UTF-8 text, as the
// window does; a position inside a character moves to its start.
//
// Events: OnChange after every change of the text (the user's or the
// program's), from the window's EN_CHANGE; the key events of TWinControl.
// AutoSelect selects the whole text when the focus arrives from the
// keyboard or the program (a click places the caret instead). AutoSize
// keeps the height at the font's line height plus the border.
//
// TEdit publishes the usual properties for stored forms
// (DeclareCustomEditProperties).
#pragma once

#include "platform/controls/StandardControl.h"

class TCustomEdit : public TStandardControl {
  ZORVET_CLASS_NAME(TCustomEdit)

 public:
  explicit TCustomEdit(TComponent* owner);

  Integer MaxLength() const { return max_length_; }
  void SetMaxLength(Integer value);
  virtual bool ReadOnly() const { return read_only_; }
  virtual void SetReadOnly(bool value);
  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool value) { auto_select_ = value; }
  // The sunken border (WS_EX_CLIENTEDGE); on by default.
  bool BorderVisible() const { return border_; }
  void SetBorderVisible(bool value);
  // A character shown in place of each typed one (0: the text itself).
  char PasswordChar() const { return password_char_; }
  void SetPasswordChar(char value);

  Integer SelStart();
  void SetSelStart(Integer value);
  Integer SelLength();
  void SetSelLength(Integer value);
  String SelText();
  void SetSelText(const String& value);
  bool Modified();
  void SetModified(bool value);

  void Clear();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void SelectAll();
  void Undo();
  bool CanUndo();

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  void WMSetFocus(TMessage& message) override;
  void CMCtl3DChanged(TMessage& message) override;
  void AdjustSize() override;
  // The text changed: fires OnChange.
  virtual void Change();

 private:
  Integer max_length_ = 0;
  bool read_only_ = false;
  bool auto_select_ = true;
  bool border_ = true;
  char password_char_ = 0;
  // Selection kept while there is no window.
  Integer sel_start_ = 0, sel_length_ = 0;
};

class TEdit : public TCustomEdit {
  ZORVET_CLASS_NAME(TEdit)

 public:
  using TCustomEdit::TCustomEdit;
};

// Publishes the properties of TCustomEdit and TEdit (once, from a module's start).
void DeclareCustomEditProperties();
