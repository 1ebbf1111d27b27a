// platform/rtl/RegistryClasses.cpp
#include "platform/rtl/RegistryClasses.h"

#include <cstring>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/StringUtils.h"

namespace {

// A key this code opened for one call, closed when it goes.
class TOpenedKey {
 public:
  TOpenedKey() = default;
  ~TOpenedKey() {
    if (key_ && owned_) RegCloseKey(key_);
  }
  TOpenedKey(const TOpenedKey&) = delete;
  TOpenedKey& operator=(const TOpenedKey&) = delete;

  // `sub` of `base` (empty: `base` itself, not closed afterwards).
  bool Open(HKEY base, const String& sub, REGSAM access, bool create) {
    if (!base) return false;
    if (sub.empty()) {
      key_ = base;
      return true;
    }
    owned_ = true;
    const LONG code = create
                          ? RegCreateKeyExA(base, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            access, nullptr, &key_, nullptr)
                          : RegOpenKeyExA(base, sub.c_str(), 0, access, &key_);
    if (code != ERROR_SUCCESS) key_ = nullptr;
    return key_ != nullptr;
  }
  HKEY Key() const { return key_; }

 private:
  HKEY key_ = nullptr;
  bool owned_ = false;
};

// The value's type and bytes; false when the value does not exist.
bool QueryValue(HKEY key, const String& name, DWORD& type, String& data) {
  if (!key) return false;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  for (;;) {
    data.assign(size, '\0');
    const LONG code = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &size);
    if (code == ERROR_MORE_DATA) continue;  // grew in between
    if (code != ERROR_SUCCESS) return false;
    data.resize(size);
    return true;
  }
}

bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ;
}

// A string value's text: up to its first null.
String TextOf(const String& data) {
  return data.substr(0, data.find('\0'));
}

void SetValue(HKEY key, const String& name, DWORD type, const void* data, DWORD size) {
  if (!key || RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
                  ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

void SetText(HKEY key, const String& name, const String& value) {
  SetValue(key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

// The names of the subkeys (or values) of `key`.
std::vector<String> Names(HKEY key, bool values) {
  std::vector<String> names;
  if (!key) return names;
  std::vector<char> buffer(256);
  for (DWORD index = 0;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    const LONG code =
        values
            ? RegEnumValueA(key, index, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr)
            : RegEnumKeyExA(key, index, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (code == ERROR_MORE_DATA) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (code != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), size);
    ++index;
  }
  return names;
}

void Fill(TStrings* strings, const std::vector<String>& lines) {
  strings->BeginUpdate();
  strings->Clear();
  for (const String& line : lines) strings->Add(line);
  strings->EndUpdate();
}

bool DeleteTree(HKEY base, const String& path) {
  {
    TOpenedKey key;
    if (!key.Open(base, path, KEY_ALL_ACCESS, false)) return false;
    for (const String& sub : Names(key.Key(), false))
      if (!DeleteTree(key.Key(), sub)) return false;
  }
  return RegDeleteKeyA(base, path.c_str()) == ERROR_SUCCESS;
}

bool CanWrite(REGSAM access) {
  return (access & KEY_SET_VALUE) != 0;
}

}  // namespace

// ---- TRegistry ----

TRegistry::TRegistry(REGSAM access) : access_(access) {}

TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
}

HKEY TRegistry::BaseKey(const String& key, String& path) const {
  const bool absolute = !key.empty() && key[0] == '\\';
  path = absolute ? key.substr(1) : key;
  return absolute || !current_ ? root_ : current_;
}

bool TRegistry::ChangeKey(const String& key, REGSAM access, bool canCreate) {
  String path;
  const HKEY base = BaseKey(key, path);
  const bool relative = base == current_ && current_;
  HKEY opened = nullptr;
  const LONG code = canCreate
                        ? RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          access, nullptr, &opened, nullptr)
                        : RegOpenKeyExA(base, path.c_str(), 0, access, &opened);
  if (code != ERROR_SUCCESS) return false;
  String full = path;
  if (relative && !current_path_.empty())
    full = path.empty() ? current_path_ : current_path_ + "\\" + path;
  if (!full.empty() && full.back() == '\\') full.pop_back();
  CloseKey();
  current_ = opened;
  current_path_ = std::move(full);
  return true;
}

bool TRegistry::OpenKey(const String& key, bool canCreate) {
  return ChangeKey(key, access_, canCreate);
}

bool TRegistry::OpenKeyReadOnly(const String& key) {
  if (!ChangeKey(key, KEY_READ, false)) return false;
  access_ = KEY_READ;
  return true;
}

void TRegistry::CloseKey() {
  if (current_) RegCloseKey(current_);
  current_ = nullptr;
  current_path_.clear();
}

bool TRegistry::CreateKey(const String& key) {
  String path;
  TOpenedKey created;
  return !key.empty() && created.Open(BaseKey(key, path), path, KEY_ALL_ACCESS, true);
}

bool TRegistry::DeleteKey(const String& key) {
  String path;
  const HKEY base = BaseKey(key, path);
  return !path.empty() && DeleteTree(base, path);
}

bool TRegistry::KeyExists(const String& key) {
  String path;
  TOpenedKey found;
  return found.Open(BaseKey(key, path), path, KEY_READ, false);
}

bool TRegistry::HasSubKeys() const {
  return !Names(current_, false).empty();
}

void TRegistry::GetKeyNames(TStrings* strings) const {
  Fill(strings, Names(current_, false));
}

void TRegistry::GetValueNames(TStrings* strings) const {
  Fill(strings, Names(current_, true));
}

bool TRegistry::ValueExists(const String& name) const {
  DWORD type;
  String data;
  return QueryValue(current_, name, type, data);
}

bool TRegistry::DeleteValue(const String& name) {
  return current_ && RegDeleteValueA(current_, name.c_str()) == ERROR_SUCCESS;
}

String TRegistry::ReadString(const String& name) const {
  DWORD type;
  String data;
  if (!QueryValue(current_, name, type, data)) return String();
  if (!IsText(type)) throw ERegistryException("Invalid data type for '" + name + "'");
  return TextOf(data);
}

void TRegistry::WriteString(const String& name, const String& value) {
  SetText(current_, name, value);
}

Integer TRegistry::ReadInteger(const String& name) const {
  DWORD type;
  String data;
  if (!QueryValue(current_, name, type, data))
    throw ERegistryException("Failed to get data for '" + name + "'");
  if (type != REG_DWORD || data.size() != sizeof(DWORD))
    throw ERegistryException("Invalid data type for '" + name + "'");
  DWORD value;
  std::memcpy(&value, data.data(), sizeof value);
  return static_cast<Integer>(value);
}

void TRegistry::WriteInteger(const String& name, Integer value) {
  const DWORD bits = static_cast<DWORD>(value);
  SetValue(current_, name, REG_DWORD, &bits, sizeof bits);
}

// ---- TRegIniFile ----

TRegIniFile::TRegIniFile(const String& fileName, REGSAM access)
    : TRegistry(access), TCustomIniFile(fileName) {
  OpenKey(fileName, CanWrite(access));
}

String TRegIniFile::ReadString(const String& section, const String& ident,
                               const String& def) const {
  TOpenedKey key;
  DWORD type;
  String data;
  if (!key.Open(CurrentKey(), section, KEY_READ, false) ||
      !QueryValue(key.Key(), ident, type, data))
    return def;
  if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
    DWORD value;
    std::memcpy(&value, data.data(), sizeof value);
    return IntToStr(static_cast<Integer>(value));
  }
  return IsText(type) ? TextOf(data) : def;
}

void TRegIniFile::WriteString(const String& section, const String& ident, const String& value) {
  TOpenedKey key;
  if (!key.Open(CurrentKey(), section, Access(), true))
    throw ERegistryException("Failed to set data for '" + ident + "'");
  SetText(key.Key(), ident, value);
}

void TRegIniFile::ReadSection(const String& section, TStrings* strings) const {
  TOpenedKey key;
  key.Open(CurrentKey(), section, KEY_READ, false);
  Fill(strings, Names(key.Key(), true));
}

void TRegIniFile::ReadSections(TStrings* strings) const {
  GetKeyNames(strings);
}

void TRegIniFile::ReadSectionValues(const String& section, TStrings* strings) const {
  TOpenedKey key;
  key.Open(CurrentKey(), section, KEY_READ, false);
  std::vector<String> lines = Names(key.Key(), true);
  for (String& line : lines) line += "=" + ReadString(section, line, String());
  Fill(strings, lines);
}

void TRegIniFile::EraseSection(const String& section) {
  if (CurrentKey() && !section.empty()) DeleteTree(CurrentKey(), section);
}

void TRegIniFile::DeleteKey(const String& section, const String& ident) {
  TOpenedKey key;
  if (key.Open(CurrentKey(), section, Access(), false)) RegDeleteValueA(key.Key(), ident.c_str());
}
