// ui/Placemnt.cpp
#include "ui/Placemnt.h"

#include <algorithm>
#include <mutex>

#include "platform/controls/Application.h"
#include "platform/controls/ControlMessages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/RegistryClasses.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Menu.h"
#include "platform/win/Metrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "ui/ZxAppUtils.h"
#include "ui/ZxHook.h"
#include "ui/ZxProps.h"
#include "ui/ZxStrUtils.h"

namespace {

constexpr const char* kFormVersion = "FormVersion";
constexpr const char* kActiveControl = "ActiveControl";
constexpr const char* kVisible = "Visible";

HKEY RootKey(TPlacementRegRoot root) {
  switch (root) {
    case prLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case prCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case prClassesRoot:
      return HKEY_CLASSES_ROOT;
    case prUsers:
      return HKEY_USERS;
    case prDynData:
      return HKEY_DYN_DATA;
    case prCurrentUser:
      break;
  }
  return HKEY_CURRENT_USER;
}

String ValueText(const Variant& value) {
  return value.IsNull() || value.IsEmpty() ? String() : VarToStr(value);
}

}  // namespace

// ---- TWinMinMaxInfo ----

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  return std::all_of(std::begin(values_), std::end(values_), [](Integer v) { return v == 0; });
}

void TWinMinMaxInfo::Set(int index, Integer value) {
  if (values_[index] == value) return;
  values_[index] = value;
  if (owner_) owner_->MinMaxInfoModified();
}

void TWinMinMaxInfo::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TWinMinMaxInfo*>(source)) {
    if (std::equal(std::begin(values_), std::end(values_), std::begin(other->values_))) return;
    std::copy(std::begin(other->values_), std::end(other->values_), std::begin(values_));
    if (owner_) owner_->MinMaxInfoModified();
    return;
  }
  TPersistent::Assign(source);
}

// ---- TIniLink ----

TIniLink::~TIniLink() {
  SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* value) {
  if (storage_ == value) return;
  if (storage_) std::erase(storage_->links_, this);
  storage_ = value;
  if (storage_) storage_->links_.push_back(this);
}

void TIniLink::SaveToIni() {
  if (OnSave) OnSave(this);
}

void TIniLink::LoadFromIni() {
  if (OnLoad) OnLoad(this);
}

// ---- TFormPlacement ----

TFormPlacement::TFormPlacement(TComponent* owner) : TComponent(owner) {
  if (dynamic_cast<TCustomForm*>(owner)) options_ = TPlacementOptions{fpState, fpPosition};
}

TFormPlacement::~TFormPlacement() {
  if (!Designing()) {
    // A form in destruction is no longer a form: its handlers are gone with it.
    TComponent* owner = Owner();
    const bool ownerAlive = owner && !owner->ComponentState().Contains(csDestroying);
    if (hook_ && ownerAlive) hook_->SetWinControl(nullptr);
    if (ownerAlive) RestoreEvents();
  }
  while (!links_.empty()) links_.back()->SetStorage(nullptr);
}

String TFormPlacement::IniFileName() const {
  if (!ini_file_name_.empty() || Designing()) return ini_file_name_;
  return use_registry_ ? ZxAppUtils::DefaultRegistryKey() : ZxAppUtils::DefaultIniFileName();
}

String TFormPlacement::IniSection() const {
  if (!ini_section_.empty() || Designing()) return ini_section_;
  // A form being destroyed no longer answers to its own class name: the
  // section the form had when it was restored is the one to save in.
  if (destroying_ && !restored_section_.empty()) return restored_section_;
  return ZxAppUtils::DefaultIniSection(Owner());
}

void TFormPlacement::SetPreventResize(bool value) {
  if (prevent_resize_ == value) return;
  prevent_resize_ = value;
  if (!Form() || ComponentState().Contains(csLoading) || Designing()) return;
  UpdatePlacement();
  UpdatePreventResize();
  CheckToggleHook();
}

void TFormPlacement::MinMaxInfoModified() {
  UpdatePlacement();
  if (!ComponentState().Contains(csLoading)) CheckToggleHook();
}

void TFormPlacement::Loaded() {
  const bool loading = ComponentState().Contains(csLoading);
  TComponent::Loaded();
  if (Designing()) return;
  if (loading) SetEvents();
  CheckToggleHook();
}

void TFormPlacement::GetChildren(const TGetChildProc&, TComponent*) {}

void TFormPlacement::SetEvents() {
  TCustomForm* form = Form();
  if (!form || events_set_) return;
  events_set_ = true;
  save_form_show_ = form->OnShow;
  form->OnShow = [this](TObject* sender) { FormShow(sender); };
  save_form_close_query_ = form->OnCloseQuery;
  form->OnCloseQuery = [this](TObject* sender, bool& canClose) {
    FormCloseQuery(sender, canClose);
  };
  save_form_destroy_ = form->OnDestroy;
  form->OnDestroy = [this](TObject* sender) { FormDestroy(sender); };
  def_maximize_ = form->BorderIcons().Contains(biMaximize);
  if (prevent_resize_) UpdatePreventResize();
}

void TFormPlacement::RestoreEvents() {
  TCustomForm* form = Form();
  if (!form || !events_set_) return;
  events_set_ = false;
  form->OnShow = save_form_show_;
  form->OnCloseQuery = save_form_close_query_;
  form->OnDestroy = save_form_destroy_;
}

bool TFormPlacement::HookActive() const {
  return hook_ && hook_->WinControl();
}

void TFormPlacement::CheckToggleHook() {
  TCustomForm* form = Form();
  const bool wanted =
      form && !Designing() && (prevent_resize_ || !min_max_info_.DefaultMinMaxInfo());
  if (wanted) {
    if (!hook_) {
      hook_ = new TZxWindowHook(this);
      hook_->AfterMessage = [this](TObject*, TMessage& msg, bool&) { WndMessage(msg); };
    }
    if (hook_->WinControl() != form) hook_->SetWinControl(form);
  } else if (hook_) {
    hook_->SetWinControl(nullptr);
  }
}

void TFormPlacement::WndMessage(TMessage& msg) {
  TCustomForm* form = Form();
  if (prevent_resize_ && form) {
    switch (msg.Msg) {
      case WM_GETMINMAXINFO:
        if (form->HandleAllocated() && IsWindowVisible(form->WindowHandle())) {
          auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
          info->ptMinTrackSize = POINT{form->Width(), form->Height()};
          info->ptMaxTrackSize = POINT{form->Width(), form->Height()};
        }
        break;
      case WM_NCHITTEST:
        if (msg.Result >= HTLEFT && msg.Result <= HTBOTTOMRIGHT) msg.Result = HTNOWHERE;
        break;
      case WM_INITMENUPOPUP:
        // Only the system menu: the form carries no main menu of its own.
        if (HIWORD(msg.LParam) != 0) {
          const auto menu = reinterpret_cast<HMENU>(msg.WParam);
          EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
          EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
        }
        break;
      default:
        break;
    }
    return;
  }
  if (msg.Msg != WM_GETMINMAXINFO) return;
  auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
  const TWinMinMaxInfo& m = min_max_info_;
  if (m.DefaultMinMaxInfo()) {
    info->ptMaxPosition = POINT{0, 0};
    return;
  }
  auto take = [](LONG& field, Integer value) {
    if (value != 0) field = value;
  };
  take(info->ptMaxSize.x, m.MaxSizeWidth());
  take(info->ptMaxSize.y, m.MaxSizeHeight());
  take(info->ptMaxPosition.x, m.MaxPosLeft());
  take(info->ptMaxPosition.y, m.MaxPosTop());
  take(info->ptMinTrackSize.x, m.MinTrackWidth());
  take(info->ptMinTrackSize.y, m.MinTrackHeight());
  take(info->ptMaxTrackSize.x, m.MaxTrackWidth());
  take(info->ptMaxTrackSize.y, m.MaxTrackHeight());
}

void TFormPlacement::UpdatePlacement() {
  TCustomForm* form = Form();
  if (!form || !form->HandleAllocated() || ComponentState().Contains(csLoading)) return;
  if (prevent_resize_ || !min_max_info_.DefaultMinMaxInfo()) return;
  const HWND handle = form->WindowHandle();
  WINDOWPLACEMENT p;
  GetWindowPlacement(handle, &p);
  // Written back as it is: a hidden form must stay hidden.
  if (!IsWindowVisible(handle)) p.showCmd = SW_HIDE;
  POINT frame{0, 0};
  switch (form->BorderStyle()) {
    case bsSingle:
    case bsToolWindow:
      frame = POINT{GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
      break;
    case bsSizeable:
    case bsSizeToolWin:
      frame = POINT{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
      break;
    case bsDialog:
      frame = POINT{GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME)};
      break;
    case bsNone:
      break;
  }
  p.ptMaxPosition = POINT{-frame.x, -frame.y};
  SetWindowPlacement(handle, &p);
}

void TFormPlacement::UpdatePreventResize() {
  TCustomForm* form = Form();
  if (!form || Designing()) return;
  TBorderIcons icons = form->BorderIcons();
  if (prevent_resize_)
    icons -= biMaximize;
  else if (form->BorderStyle() != bsDialog && def_maximize_)
    icons += biMaximize;
  form->SetBorderIcons(icons);
}

// ---- the storage ----

void TFormPlacement::OpenStorage(bool readOnly) {
  CloseStorage();
  const String name = IniFileName();
  if (!use_registry_) {
    storage_ = std::make_unique<TIniFile>(name);
    return;
  }
  // Opened for reading first, so that no key is made under a root that is
  // not the one asked for.
  auto reg = std::make_unique<TRegIniFile>(name, KEY_READ);
  if (!readOnly || registry_root_ != prCurrentUser) {
    reg->SetRootKey(RootKey(registry_root_));
    reg->SetAccess(readOnly ? KEY_READ : KEY_ALL_ACCESS);
    reg->OpenKey(name, !readOnly);
  }
  storage_ = std::move(reg);
}

void TFormPlacement::CloseStorage() {
  storage_.reset();
}

template <class F>
auto TFormPlacement::WithStorage(bool readOnly, F action) {
  if (storage_) return action(storage_.get());
  OpenStorage(readOnly);
  TScopeExit close([this] { CloseStorage(); });
  return action(storage_.get());
}

String TFormPlacement::DoReadString(const String& section, const String& ident, const String& def) {
  return WithStorage(true,
                     [&](TObject* s) { return ZxAppUtils::IniReadString(s, section, ident, def); });
}

void TFormPlacement::DoWriteString(const String& section, const String& ident,
                                   const String& value) {
  WithStorage(false, [&](TObject* s) { ZxAppUtils::IniWriteString(s, section, ident, value); });
}

String TFormPlacement::ReadString(const String& ident, const String& def) {
  return DoReadString(IniSection(), ident, def);
}

void TFormPlacement::WriteString(const String& ident, const String& value) {
  DoWriteString(IniSection(), ident, value);
}

Integer TFormPlacement::ReadInteger(const String& ident, Integer def) {
  const String section = IniSection();
  return WithStorage(
      true, [&](TObject* s) { return ZxAppUtils::IniReadInteger(s, section, ident, def); });
}

void TFormPlacement::WriteInteger(const String& ident, Integer value) {
  const String section = IniSection();
  WithStorage(false, [&](TObject* s) { ZxAppUtils::IniWriteInteger(s, section, ident, value); });
}

// ---- saving and restoring ----

void TFormPlacement::NotifyLinks(bool save) {
  // A link may leave while it is told.
  const std::vector<TIniLink*> links = links_;
  for (TIniLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) {
      if (save)
        link->SaveToIni();
      else
        link->LoadFromIni();
    }
}

void TFormPlacement::SavePlacement() {
  if (TCustomForm* form = Form()) {
    TObject* storage = storage_.get();
    const String section = IniSection();
    // A form that lost its window before its destruction has no placement
    // left to write, and must not get a new window now.
    const bool placed = form->HandleAllocated() || !destroying_;
    if (placed && (options_.Contains(fpState) || options_.Contains(fpPosition))) {
      ZxAppUtils::WritePlacement(form, storage, section);
      ZxAppUtils::IniWriteInteger(storage, section, kVisible, destroying_ ? 1 : 0);
    }
    if (options_.Contains(fpActiveControl) && form->ActiveControl())
      ZxAppUtils::IniWriteString(storage, section, kActiveControl, form->ActiveControl()->Name());
  }
  NotifyLinks(true);
}

void TFormPlacement::RestorePlacement() {
  if (TCustomForm* form = Form())
    ZxAppUtils::ReadPlacement(form, storage_.get(), IniSection(), options_.Contains(fpState),
                              options_.Contains(fpPosition));
  NotifyLinks(false);
}

void TFormPlacement::SaveFormPlacement() {
  // Settings never read must not be overwritten by the form's first look.
  if (active_ && !restored_) return;
  OpenStorage(false);
  TScopeExit close([this] { CloseStorage(); });
  WriteInteger(kFormVersion, version_);
  SavePlacement();
  if (OnSavePlacement) OnSavePlacement(this);
  saved_ = true;
}

void TFormPlacement::RestoreFormPlacement() {
  saved_ = false;
  restored_section_ = IniSection();
  {
    OpenStorage(true);
    TScopeExit close([this] { CloseStorage(); });
    if (ReadInteger(kFormVersion, 0) >= version_) {
      RestorePlacement();
      restored_ = true;
      if (OnRestorePlacement) OnRestorePlacement(this);
      TCustomForm* form = Form();
      if (form && options_.Contains(fpActiveControl)) {
        const String name = ReadString(kActiveControl, String());
        auto* control =
            dynamic_cast<TWinControl*>(name.empty() ? nullptr : form->FindComponent(name));
        if (control && GetParentForm(control) == form && control->CanFocus())
          form->SetActiveControl(control);
      }
    }
    restored_ = true;
  }
  UpdatePlacement();
}

// ---- the form's events ----

void TFormPlacement::FormShow(TObject* sender) {
  if (active_) {
    try {
      RestoreFormPlacement();
    } catch (...) {
      HandleApplicationException(this);
    }
  }
  if (save_form_show_) save_form_show_(sender);
}

void TFormPlacement::FormCloseQuery(TObject* sender, bool& canClose) {
  if (save_form_close_query_) save_form_close_query_(sender, canClose);
  TCustomForm* form = Form();
  if (!canClose || !active_ || !form || !form->HandleAllocated()) return;
  try {
    SaveFormPlacement();
  } catch (...) {
    HandleApplicationException(this);
  }
}

void TFormPlacement::FormDestroy(TObject* sender) {
  if (active_ && !saved_) {
    destroying_ = true;
    try {
      SaveFormPlacement();
    } catch (...) {
      HandleApplicationException(this);
    }
    destroying_ = false;
  }
  if (save_form_destroy_) save_form_destroy_(sender);
}

// ---- TStoredValue ----

TStoredValue::TStoredValue(TCollection* collection) : TCollectionItem(collection) {}

TFormPlacement* TStoredValue::Storage() const {
  auto* values = dynamic_cast<TStoredValues*>(Collection());
  return values ? values->Storage() : nullptr;
}

void TStoredValue::SetName(const String& value) {
  if (SameText(value, name_)) {
    name_ = value;
    return;
  }
  if (auto* values = dynamic_cast<TStoredValues*>(Collection()))
    if (!value.empty() && values->FindValue(value))
      throw EStringListError("String list does not allow duplicates");
  name_ = value;
}

void TStoredValue::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TStoredValue*>(source)) {
    // Within one collection a name stays unique: the copy keeps its own.
    if (Collection() != other->Collection()) SetName(other->name_);
    value_ = other->value_;
    key_string_ = other->key_string_;
    OnSave = other->OnSave;
    OnRestore = other->OnRestore;
    return;
  }
  TCollectionItem::Assign(source);
}

void TStoredValue::Save() {
  TFormPlacement* storage = Storage();
  if (!storage || name_.empty()) return;
  Variant value = value_;
  if (OnSave) OnSave(this, value);
  String text = ValueText(value);
  if (!key_string_.empty()) text = ZxStrUtils::XorEncode(key_string_, text);
  storage->WriteString(name_, text);
}

void TStoredValue::Restore() {
  TFormPlacement* storage = Storage();
  if (!storage || name_.empty()) return;
  String def = ValueText(value_);
  if (!key_string_.empty()) def = ZxStrUtils::XorEncode(key_string_, def);
  String text = storage->ReadString(name_, def);
  if (!key_string_.empty()) text = ZxStrUtils::XorDecode(key_string_, text);
  Variant value(text);
  if (OnRestore) OnRestore(this, value);
  value_ = value;
}

// ---- TStoredValues ----

TStoredValues::TStoredValues(TFormPlacement* storage)
    : TOwnedCollection(storage, TCollectionItemClass::Of<TStoredValue>()), storage_(storage) {}

TStoredValue* TStoredValues::FindValue(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

TStoredValue* TStoredValues::StoredValue(const String& name) const {
  TStoredValue* value = FindValue(name);
  if (!value) throw EListError("Stored value '" + name + "' not found");
  return value;
}

void TStoredValues::SaveValues() {
  for (Integer i = 0; i < Count(); ++i) Items(i)->Save();
}

void TStoredValues::RestoreValues() {
  for (Integer i = 0; i < Count(); ++i) Items(i)->Restore();
}

// ---- TFormStorage ----

TFormStorage::TFormStorage(TComponent* owner)
    : TFormPlacement(owner), stored_values_(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() {
  // Listed components are no longer watched once the storage is gone.
  for (Integer i = 0; i < stored_props_.Count(); ++i)
    if (auto* component = dynamic_cast<TComponent*>(stored_props_.Objects(i)))
      component->RemoveFreeNotification(this);
}

void TFormStorage::SetStoredProps(const TStrings* value) {
  stored_props_.Assign(value);
  if (!ComponentState().Contains(csLoading)) ResolveStoredProps();
}

void TFormStorage::ResolveStoredProps() {
  if (ComponentState().Contains(csDesigning)) return;
  ZXProps::UpdateStoredList(Owner(), &stored_props_, true);
  for (Integer i = 0; i < stored_props_.Count(); ++i)
    if (auto* component = dynamic_cast<TComponent*>(stored_props_.Objects(i)))
      component->FreeNotification(this);
}

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  ResolveStoredProps();
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
  TFormPlacement::Notification(component, operation);
  if (operation != opRemove || !component) return;
  // While the storage goes too, its lines stay (their components are only
  // forgotten), so the list can still be written as it was.
  const bool destroying = ComponentState().Contains(csDestroying);
  for (Integer i = stored_props_.Count() - 1; i >= 0; --i)
    if (stored_props_.Objects(i) == component) {
      if (destroying)
        stored_props_.SetObjects(i, nullptr);
      else
        stored_props_.Delete(i);
    }
}

TStrings* TFormStorage::StoredPropsToWrite() {
  // A component renamed since loading keeps its lines under its new name.
  if (!ComponentState().Contains(csLoading) && !ComponentState().Contains(csDesigning))
    ZXProps::UpdateStoredList(Owner(), &stored_props_, false);
  return &stored_props_;
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveProperties();
  stored_values_->SaveValues();
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  // Set before the properties load, so that a save they cause is allowed.
  SetRestored();
  RestoreProperties();
  stored_values_->RestoreValues();
}

void TFormStorage::SaveProperties() {
  TPropsStorage props;
  props.Section = IniSection();
  props.OnWriteString = [this](const String& section, const String& ident, const String& value) {
    DoWriteString(section, ident, value);
  };
  props.OnEraseSection = [this](const String& section) {
    WithStorage(false, [&](TObject* s) { ZxAppUtils::IniEraseSection(s, section); });
  };
  props.StoreObjectsProps(Owner(), &stored_props_);
}

void TFormStorage::RestoreProperties() {
  TPropsStorage props;
  props.Section = IniSection();
  props.OnReadString = [this](const String& section, const String& ident, const String& def) {
    return DoReadString(section, ident, def);
  };
  // A stored count is capped at the idents its section really holds.
  props.OnReadSection = [this](const String& section, TStrings* idents) {
    WithStorage(true, [&](TObject* s) { ZxAppUtils::IniReadSection(s, section, idents); });
  };
  props.LoadObjectsProps(Owner(), &stored_props_);
}

// ---- published properties ----

void DeclarePlacemntProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    using M = TWinMinMaxInfo;
    TPublishedClass<M>()
        .AddInteger("MaxPosLeft", &M::MaxPosLeft, &M::SetMaxPosLeft)
        .AddInteger("MaxPosTop", &M::MaxPosTop, &M::SetMaxPosTop)
        .AddInteger("MaxSizeHeight", &M::MaxSizeHeight, &M::SetMaxSizeHeight)
        .AddInteger("MaxSizeWidth", &M::MaxSizeWidth, &M::SetMaxSizeWidth)
        .AddInteger("MaxTrackHeight", &M::MaxTrackHeight, &M::SetMaxTrackHeight)
        .AddInteger("MaxTrackWidth", &M::MaxTrackWidth, &M::SetMaxTrackWidth)
        .AddInteger("MinTrackHeight", &M::MinTrackHeight, &M::SetMinTrackHeight)
        .AddInteger("MinTrackWidth", &M::MinTrackWidth, &M::SetMinTrackWidth);

    using P = TFormPlacement;
    TPublishedClass<P, TComponent>()
        .AddBoolean("Active", &P::Active, &P::SetActive, true)
        .AddString("IniFileName", &P::IniFileName, &P::SetIniFileName)
        .StoredWhen([](P* p) { return !p->StoredIniFileName().empty(); })
        .AddString("IniSection", &P::IniSection, &P::SetIniSection)
        .StoredWhen([](P* p) { return !p->StoredIniSection().empty(); })
        .AddObject("MinMaxInfo", &P::MinMaxInfo)
        .AddSet("Options", &P::Options, &P::SetOptions,
                {"fpState", "fpPosition", "fpActiveControl"},
                TPlacementOptions{fpState, fpPosition}.Bits())
        .AddBoolean("PreventResize", &P::PreventResize, &P::SetPreventResize, false)
        .AddEnum("RegistryRoot", &P::RegistryRoot, &P::SetRegistryRoot,
                 {"prCurrentUser", "prLocalMachine", "prCurrentConfig", "prClassesRoot", "prUsers",
                  "prDynData"},
                 prCurrentUser)
        .AddBoolean("UseRegistry", &P::UseRegistry, &P::SetUseRegistry, false)
        .AddInteger("Version", &P::Version, &P::SetVersion, 0);

    using V = TStoredValue;
    TPublishedClass<V>()
        .AddString("Name", &V::Name, &V::SetName)
        .AddVariant("Value", &V::Value, &V::SetValue)
        .AddString("KeyString", &V::KeyString, &V::SetKeyString);

    using S = TFormStorage;
    TPublishedClass<S, TFormPlacement>()
        // Read by the writer before it writes the lines.
        .AddObject("StoredProps", &S::StoredPropsToWrite)
        .AddObject("StoredValues", &S::StoredValues);
  });
}

TModuleInit PlacemntModule() {
  return TModuleInit{"Placemnt", [] { DeclarePlacemntProperties(); }, nullptr};
}
