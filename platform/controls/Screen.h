// platform/controls/Screen.h
//
// TScreen: the program's view of the screen. It lists the forms, follows the
// active form and the control that has the focus (firing
// OnActiveFormChange and OnActiveControlChange when they change), and wraps
// the window system's cursor table (crHourGlass while a long operation runs): Cursors(id) is the
// cursor registered under a number (the crXXX numbers, or the program's own), and Cursor is the
// cursor shown over every window while it is not crDefault.
//
// The one instance is `Screen`, made with the application by the control
// layer's start (see Application.h).
#pragma once

#include <vector>

#include "platform/controls/Control.h"
#include "platform/rtl/Events.h"

class TCustomForm;
class TDataModule;

class TScreen : public TComponent {
  ZORVET_CLASS_NAME(TScreen)

 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  Integer FormCount() const { return static_cast<Integer>(forms_.size()); }
  TCustomForm* Forms(Integer index) const { return forms_.at(static_cast<size_t>(index)); }
  Integer DataModuleCount() const { return static_cast<Integer>(data_modules_.size()); }
  TDataModule* DataModules(Integer index) const {
    return data_modules_.at(static_cast<size_t>(index));
  }
  TCustomForm* ActiveForm() const { return active_form_; }
  TWinControl* ActiveControl() const { return active_control_; }

  TCursor Cursor() const { return cursor_; }
  // Shows the cursor at once (crDefault gives every window its own back).
  void SetCursor(TCursor value);
  HCURSOR Cursors(Integer id) const;
  // Registers a cursor under a number; nullptr removes the program's own
  // entry (a standard number then gives the default cursor).
  void SetCursors(Integer id, HCURSOR cursor);

  Integer Width() const;
  Integer Height() const;
  Integer PixelsPerInch() const;

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

  // Kept up to date by the forms.
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void AddDataModule(TDataModule* module);
  void RemoveDataModule(TDataModule* module);
  void SetActiveForm(TCustomForm* form);
  void SetFocusedControl(TWinControl* control, TCustomForm* form);

 private:
  std::vector<TCustomForm*> forms_;
  std::vector<TDataModule*> data_modules_;
  TCustomForm* active_form_ = nullptr;
  TWinControl* active_control_ = nullptr;
  TCursor cursor_ = crDefault;
};

extern TScreen* Screen;
