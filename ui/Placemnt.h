// ui/Placemnt.h
//
// Form placement and form storage: components placed on a form that keep the
// form's window placement, and named properties and values, in an ini file or
// under a registry key between runs.
//
// TFormPlacement, once its form has finished loading, chains itself into the
// form's OnShow, OnCloseQuery and OnDestroy (calling the handlers it found):
// - every show restores the placement (when Active), before the form appears;
// - an allowed close saves it;
// - the form's destruction saves it unless it was saved since the last
//   restore.
// A save happens only after a restore while Active is set, so a form whose
// settings were never read cannot overwrite them. The storage is opened for
// each operation and closed after it.
//
// The section holds "FormVersion" (Version: a stored version below it
// restores nothing), the placement idents of ZxAppUtils, "Visible" (true
// when saved from the form's destruction) and, with fpActiveControl,
// "ActiveControl".
//
// PreventResize and MinMaxInfo act through a window hook on the form: with
// PreventResize the form keeps its size (tracking limits, no sizing borders,
// Size and Maximize greyed in the system menu, no maximise box); a
// MinMaxInfo that is not all 0 replaces the tracking and maximised sizes it
// names.
//
// TFormStorage adds StoredProps ("Panel1.Width": a component of the form, a
// point, a published property), stored by TPropsStorage under idents
// "Panel1_Width", and StoredValues, named values (optionally XOR-encoded with
// a key) that events may supply and receive.
//
// Threads: GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/controls/Form.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"

class TFormPlacement;
class TZxWindowHook;
struct TMessage;

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = Set<TPlacementOption>;

enum TPlacementRegRoot {
  prCurrentUser,
  prLocalMachine,
  prCurrentConfig,
  prClassesRoot,
  prUsers,
  prDynData
};

// Tracking limits of a form; 0 leaves a value as the window system has it.
class TWinMinMaxInfo : public TPersistent {
  ZORVET_CLASS_NAME(TWinMinMaxInfo)

 public:
  // `owner` hears of every change (nullptr: none).
  explicit TWinMinMaxInfo(TFormPlacement* owner = nullptr) : owner_(owner) {}

  Integer MaxPosLeft() const { return values_[0]; }
  Integer MaxPosTop() const { return values_[1]; }
  Integer MaxSizeHeight() const { return values_[2]; }
  Integer MaxSizeWidth() const { return values_[3]; }
  Integer MaxTrackHeight() const { return values_[4]; }
  Integer MaxTrackWidth() const { return values_[5]; }
  Integer MinTrackHeight() const { return values_[6]; }
  Integer MinTrackWidth() const { return values_[7]; }
  void SetMaxPosLeft(Integer v) { Set(0, v); }
  void SetMaxPosTop(Integer v) { Set(1, v); }
  void SetMaxSizeHeight(Integer v) { Set(2, v); }
  void SetMaxSizeWidth(Integer v) { Set(3, v); }
  void SetMaxTrackHeight(Integer v) { Set(4, v); }
  void SetMaxTrackWidth(Integer v) { Set(5, v); }
  void SetMinTrackHeight(Integer v) { Set(6, v); }
  void SetMinTrackWidth(Integer v) { Set(7, v); }

  // All eight are 0.
  bool DefaultMinMaxInfo() const;
  // Copies the eight values of another TWinMinMaxInfo.
  void Assign(const TPersistent* source) override;

 private:
  void Set(int index, Integer value);
  TFormPlacement* owner_;
  Integer values_[8] = {};
};

// An object saved and loaded with a placement (OnSave, OnLoad).
class TIniLink : public TObject {
  ZORVET_CLASS_NAME(TIniLink)

 public:
  TIniLink() = default;
  // Leaves its placement.
  ~TIniLink() override;
  TIniLink(const TIniLink&) = delete;
  TIniLink& operator=(const TIniLink&) = delete;

  TFormPlacement* Storage() const { return storage_; }
  void SetStorage(TFormPlacement* value);

  TNotifyEvent OnSave, OnLoad;

  virtual void SaveToIni();
  virtual void LoadFromIni();

 private:
  friend class TFormPlacement;
  TFormPlacement* storage_ = nullptr;
};

class TFormPlacement : public TComponent {
  ZORVET_CLASS_NAME(TFormPlacement)

 public:
  explicit TFormPlacement(TComponent* owner);
  // Removes the hook and gives the form its handlers back (unless the form
  // is being destroyed); linked objects leave.
  ~TFormPlacement() override;

  bool Active() const { return active_; }
  void SetActive(bool value) { active_ = value; }
  // The ini file (or registry key with UseRegistry); empty stands for
  // ZxAppUtils' default, outside design.
  String IniFileName() const;
  void SetIniFileName(const String& value) { ini_file_name_ = value; }
  // The section (or subkey); empty stands for ZxAppUtils::DefaultIniSection
  // of the owner, outside design.
  String IniSection() const;
  void SetIniSection(const String& value) { ini_section_ = value; }
  // The values as set, without defaults.
  const String& StoredIniFileName() const { return ini_file_name_; }
  const String& StoredIniSection() const { return ini_section_; }
  TWinMinMaxInfo* MinMaxInfo() { return &min_max_info_; }
  void SetMinMaxInfo(const TWinMinMaxInfo* value) { min_max_info_.Assign(value); }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions value) { options_ = value; }
  bool PreventResize() const { return prevent_resize_; }
  void SetPreventResize(bool value);
  TPlacementRegRoot RegistryRoot() const { return registry_root_; }
  void SetRegistryRoot(TPlacementRegRoot value) { registry_root_ = value; }
  bool UseRegistry() const { return use_registry_; }
  void SetUseRegistry(bool value) { use_registry_ = value; }
  Integer Version() const { return version_; }
  void SetVersion(Integer value) { version_ = value; }

  TNotifyEvent OnSavePlacement, OnRestorePlacement;

  // See the top of this file.
  void SaveFormPlacement();
  void RestoreFormPlacement();
  virtual void SavePlacement();
  virtual void RestorePlacement();
  // In IniSection, through the open storage or one opened for the call.
  virtual String ReadString(const String& ident, const String& def);
  virtual void WriteString(const String& ident, const String& value);
  Integer ReadInteger(const String& ident, Integer def);
  void WriteInteger(const String& ident, Integer value);

  // The open storage (a TIniFile or TRegIniFile), nullptr between operations.
  TObject* IniFileObject() const { return storage_.get(); }
  // Whether the window hook watches the form now.
  bool HookActive() const;
  bool IsSaved() const { return saved_; }
  bool IsRestored() const { return restored_; }

  // Re-reads the tracking limits' effect (see UpdatePlacement).
  void MinMaxInfoModified();

  void Loaded() override;
  // None: the window hook it owns is its own business, never stored.
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;

 protected:
  TCustomForm* Form() const { return dynamic_cast<TCustomForm*>(Owner()); }
  void OpenStorage(bool readOnly);
  void CloseStorage();
  // The open storage, or one opened for a single call.
  template <class F>
  auto WithStorage(bool readOnly, F action);
  // With the given section, for TPropsStorage.
  String DoReadString(const String& section, const String& ident, const String& def);
  void DoWriteString(const String& section, const String& ident, const String& value);
  // Sets the maximised position to just outside the work area (the form's
  // frame hidden), when neither PreventResize nor MinMaxInfo decides it.
  void UpdatePlacement();
  void UpdatePreventResize();
  // Installs the hook when PreventResize or MinMaxInfo needs it, else removes it.
  void CheckToggleHook();
  void WndMessage(TMessage& msg);
  void SetRestored() { restored_ = true; }

 private:
  friend class TIniLink;
  void SetEvents();
  void RestoreEvents();
  void NotifyLinks(bool save);
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  void FormShow(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void FormDestroy(TObject* sender);

  bool active_ = true;
  String ini_file_name_;
  String ini_section_;
  TWinMinMaxInfo min_max_info_{this};
  TPlacementOptions options_;
  bool prevent_resize_ = false;
  TPlacementRegRoot registry_root_ = prCurrentUser;
  bool use_registry_ = false;
  Integer version_ = 0;

  std::unique_ptr<TObject> storage_;
  std::vector<TIniLink*> links_;
  TZxWindowHook* hook_ = nullptr;
  TNotifyEvent save_form_show_, save_form_destroy_;
  TCloseQueryEvent save_form_close_query_;
  bool events_set_ = false;
  bool saved_ = false;
  bool restored_ = false;
  bool destroying_ = false;
  bool def_maximize_ = false;
  String restored_section_;
};

class TStoredValue;
using TStoredValueEvent = std::function<void(TStoredValue* Sender, Variant& Value)>;

// A named value kept with a form storage.
class TStoredValue : public TCollectionItem {
  ZORVET_CLASS_NAME(TStoredValue)

 public:
  explicit TStoredValue(TCollection* collection);

  const String& Name() const { return name_; }
  // Raises EStringListError when another value of the collection has that
  // name (ignoring case).
  void SetName(const String& value);
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& value) { value_ = value; }
  const String& KeyString() const { return key_string_; }
  void SetKeyString(const String& value) { key_string_ = value; }

  TStoredValueEvent OnSave, OnRestore;

  // Written under Name in the storage's section, as text, XOR-encoded with
  // KeyString when it is set. A value without a name is not stored.
  void Save();
  // Read back as a string Variant (the present value is the default).
  void Restore();

  String DisplayName() const override { return name_; }
  void Assign(const TPersistent* source) override;

 private:
  TFormPlacement* Storage() const;
  String name_;
  Variant value_;
  String key_string_;
};

class TStoredValues : public TOwnedCollection {
  ZORVET_CLASS_NAME(TStoredValues)

 public:
  explicit TStoredValues(TFormPlacement* storage);

  TFormPlacement* Storage() const { return storage_; }
  TStoredValue* Items(Integer index) const {
    return static_cast<TStoredValue*>(TCollection::Items(index));
  }
  TStoredValue* Add() { return static_cast<TStoredValue*>(TCollection::Add()); }
  // The value of that name (ignoring case), or nullptr.
  TStoredValue* FindValue(const String& name) const;
  // The value of that name; raises EListError when there is none.
  TStoredValue* StoredValue(const String& name) const;

  void SaveValues();
  void RestoreValues();

 private:
  TFormPlacement* storage_;
};

class TFormStorage : public TFormPlacement {
  ZORVET_CLASS_NAME(TFormStorage)

 public:
  explicit TFormStorage(TComponent* owner);
  ~TFormStorage() override;

  // Lines "Component.Property"; each line's object is its component once
  // resolved (after loading, or at once when set outside loading).
  TStrings* StoredProps() { return &stored_props_; }
  void SetStoredProps(const TStrings* value);
  TStoredValues* StoredValues() { return stored_values_.get(); }

  void SavePlacement() override;
  void RestorePlacement() override;
  virtual void SaveProperties();
  virtual void RestoreProperties();

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // StoredProps with every line rewritten from its component's present
  // name (lines whose component went are dropped): what a stored definition
  // of the form holds.
  TStrings* StoredPropsToWrite();

 private:
  // Gives every listed line its component and asks to hear of its end.
  void ResolveStoredProps();
  TStringList stored_props_;
  std::unique_ptr<TStoredValues> stored_values_;
};

// The published properties of TFormPlacement, TFormStorage and their parts.
void DeclarePlacemntProperties();
// The unit's start: declares the published properties.
TModuleInit PlacemntModule();
