// ui/ZxAppUtils.cpp
#include "ui/ZxAppUtils.h"

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/RegistryClasses.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "ui/ZxStrUtils.h"

namespace ZxAppUtils {

std::function<String()> GetDefaultIniName;
String DefCompanyName;
bool RegUseAppTitle = false;

namespace {

constexpr const char* kFlags = "Flags";
constexpr const char* kShowCmd = "ShowCmd";
constexpr const char* kPixels = "PixelsPerInch";
constexpr const char* kMinMaxPos = "MinMaxPos";
constexpr const char* kNormPos = "NormPos";

String ExeName() {
  return Application ? Application->ExeName() : String();
}

bool WrappedInQuotes(const String& value) {
  if (value.empty()) return false;
  const char first = value.front(), last = value.back();
  return (first == '"' && last == '"') || (first == '\'' && last == '\'');
}

// The N-th of the comma-separated numbers of a stored position.
Integer Number(const String& text, Integer n, Integer def) {
  static const ZxStrUtils::TCharSet kComma = ZxStrUtils::CharSet(",");
  return StrToIntDef(Trim(ZxStrUtils::ExtractWord(n, text, kComma)), def);
}

Integer ScreenPixels() {
  return Screen ? Screen->PixelsPerInch() : 96;
}

bool IsMainForm(TCustomForm* form) {
  return Application && Application->MainForm() == form;
}

bool MainFormOrNone(TCustomForm* form) {
  return !Application || !Application->MainForm() || Application->MainForm() == form;
}

}  // namespace

String DefaultIniFileName() {
  if (GetDefaultIniName) return GetDefaultIniName();
  return ChangeFileExt(ExtractFileName(ExeName()), ".INI");
}

String DefaultRegistryKey() {
  String key = "Software\\";
  if (!DefCompanyName.empty()) key += DefCompanyName + "\\";
  if (RegUseAppTitle && Application && !Application->Title().empty())
    return key + Application->Title();
  return key + ChangeFileExt(ExtractFileName(ExeName()), "");
}

String DefaultIniSection(TComponent* component) {
  if (!component) return String();
  if (dynamic_cast<TCustomForm*>(component)) return component->ClassName();
  String section = component->Name();
  if (auto* control = dynamic_cast<TControl*>(component)) {
    if (TCustomForm* form = GetParentForm(control))
      section = form->ClassName() + section;
    else if (control->Parent())
      section = control->Parent()->Name() + section;
  } else if (auto* form = dynamic_cast<TCustomForm*>(component->Owner())) {
    section = Format("%s.%s", form->ClassName(), section);
  }
  return section;
}

String ScreenSizeSuffix() {
  const Integer width = Screen ? Screen->Width() : 0;
  const Integer height = Screen ? Screen->Height() : 0;
  return Format("(%dx%d)", width, height);
}

namespace {
// The storage as the ini calls see it; nullptr for any other object.
TCustomIniFile* IniOf(TObject* storage) {
  return dynamic_cast<TCustomIniFile*>(storage);
}
}  // namespace

String IniReadString(TObject* storage, const String& section, const String& ident,
                     const String& def) {
  TCustomIniFile* ini = IniOf(storage);
  return ini ? ini->ReadString(section, ident, def) : def;
}

void IniWriteString(TObject* storage, const String& section, const String& ident,
                    const String& value) {
  TCustomIniFile* ini = IniOf(storage);
  if (!ini) return;
  // Only a file strips a pair of quotes on reading.
  const bool quote = dynamic_cast<TIniFile*>(storage) && WrappedInQuotes(value);
  ini->WriteString(section, ident, quote ? "\"" + value + "\"" : value);
}

Integer IniReadInteger(TObject* storage, const String& section, const String& ident, Integer def) {
  TCustomIniFile* ini = IniOf(storage);
  return ini ? ini->ReadInteger(section, ident, def) : def;
}

void IniWriteInteger(TObject* storage, const String& section, const String& ident, Integer value) {
  if (TCustomIniFile* ini = IniOf(storage)) ini->WriteInteger(section, ident, value);
}

void IniEraseSection(TObject* storage, const String& section) {
  if (TCustomIniFile* ini = IniOf(storage)) ini->EraseSection(section);
}

void IniReadSection(TObject* storage, const String& section, TStrings* idents) {
  if (TCustomIniFile* ini = IniOf(storage))
    ini->ReadSection(section, idents);
  else
    idents->Clear();
}

String IniReadScreenString(TObject* storage, const String& section, const String& ident) {
  const String sized = IniReadString(storage, section, ident + ScreenSizeSuffix(), String());
  return sized.empty() ? IniReadString(storage, section, ident, String()) : sized;
}

void IniWriteScreenString(TObject* storage, const String& section, const String& ident,
                          const String& value) {
  IniWriteString(storage, section, ident + ScreenSizeSuffix(), value);
  IniWriteString(storage, section, ident, value);
}

void WritePlacement(TCustomForm* form, TObject* storage, const String& section) {
  WINDOWPLACEMENT p;
  GetWindowPlacement(form->Handle(), &p);
  if (IsMainForm(form) && IsIconic(Application->Handle())) p.showCmd = SW_SHOWMINIMIZED;
  if (form->FormStyle() == fsMDIChild && form->WindowState() == wsMinimized)
    p.flags |= WPF_SETMINPOSITION;
  IniWriteInteger(storage, section, kFlags, static_cast<Integer>(p.flags));
  IniWriteInteger(storage, section, kShowCmd, static_cast<Integer>(p.showCmd));
  IniWriteInteger(storage, section, kPixels, ScreenPixels());
  IniWriteScreenString(storage, section, kMinMaxPos,
                       Format("%d,%d,%d,%d", p.ptMinPosition.x, p.ptMinPosition.y,
                              p.ptMaxPosition.x, p.ptMaxPosition.y));
  IniWriteScreenString(storage, section, kNormPos,
                       Format("%d,%d,%d,%d", p.rcNormalPosition.left, p.rcNormalPosition.top,
                              p.rcNormalPosition.right, p.rcNormalPosition.bottom));
}

namespace {

void ReadPosition(TCustomForm* form, TObject* storage, const String& section, WINDOWPLACEMENT& p) {
  bool found = false;
  p.flags =
      static_cast<UINT>(IniReadInteger(storage, section, kFlags, static_cast<Integer>(p.flags)));
  const String minMax = IniReadScreenString(storage, section, kMinMaxPos);
  if (!minMax.empty()) {
    found = true;
    p.ptMinPosition = POINT{Number(minMax, 1, 0), Number(minMax, 2, 0)};
    p.ptMaxPosition = POINT{Number(minMax, 3, 0), Number(minMax, 4, 0)};
  }
  const String normal = IniReadScreenString(storage, section, kNormPos);
  if (!normal.empty()) {
    found = true;
    p.rcNormalPosition = RECT{Number(normal, 1, form->Left()), Number(normal, 2, form->Top()),
                              Number(normal, 3, form->Left() + form->Width()),
                              Number(normal, 4, form->Top() + form->Height())};
  }
  // Positions taken at another resolution would put the form elsewhere.
  if (IniReadInteger(storage, section, kPixels, ScreenPixels()) != ScreenPixels()) found = false;
  if (!found) return;
  RECT& r = p.rcNormalPosition;
  if (form->BorderStyle() != bsSizeable && form->BorderStyle() != bsSizeToolWin)
    r = RECT{r.left, r.top, r.left + form->Width(), r.top + form->Height()};
  if (r.right <= r.left) return;
  // A centred form would be centred again over the stored position.
  if (form->Position() == poScreenCenter || form->Position() == poDesktopCenter)
    form->SetPosition(poDesigned);
  SetWindowPlacement(form->Handle(), &p);
}

void ReadState(TCustomForm* form, TObject* storage, const String& section) {
  TWindowState state = wsNormal;
  if (MainFormOrNone(form) && (form->FormStyle() == fsMDIForm ||
                               (form->FormStyle() == fsNormal && form->Position() == poDefault)))
    state = wsMaximized;
  switch (IniReadInteger(storage, section, kShowCmd, SW_HIDE)) {
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOW:
      state = wsNormal;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      state = wsMinimized;
      break;
    case SW_SHOWMAXIMIZED:
      state = wsMaximized;
      break;
    default:
      break;
  }
  // The main form is not minimised on its own: the whole program is.
  if (state == wsMinimized && MainFormOrNone(form)) {
    form->SetWindowState(wsNormal);
    if (Application) PostMessage(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return;
  }
  form->SetWindowState(state);
  form->Update();
}

}  // namespace

void ReadPlacement(TCustomForm* form, TObject* storage, const String& section, bool loadState,
                   bool loadPosition) {
  if (!form || !(loadState || loadPosition)) return;
  WINDOWPLACEMENT p;
  GetWindowPlacement(form->Handle(), &p);
  if (!IsWindowVisible(form->Handle())) p.showCmd = SW_HIDE;
  if (loadPosition) ReadPosition(form, storage, section, p);
  if (loadState) ReadState(form, storage, section);
}

}  // namespace ZxAppUtils
