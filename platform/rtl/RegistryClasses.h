// platform/rtl/RegistryClasses.h
//
// The registry as objects, over the calls of Registry.h:
//
// - TRegistry: one open key at a time under a root (HKEY_CURRENT_USER unless
//   changed). A key name starting with '\' is taken from the root; any other
//   from the open key (or the root when none is open). OpenKey creates the
//   key when asked to, OpenKeyReadOnly never does and opens for reading.
// - TRegIniFile: a key (the "file", under the root) read and written like an
//   ini file: its subkeys are the sections and their values the idents. A
//   TRegIniFile whose access does not allow writing opens its key without
//   creating it; while the key is missing every read gives the default.
//   Integers and Booleans are stored as text ("17", "1"), as ini files hold
//   them; a DWORD value is read as its number.
//
// Every change reaches the registry file at once (Registry.h writes it
// atomically). A read or write the key refuses raises ERegistryException.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Types.h"

class TStrings;

ZORVET_DECLARE_EXCEPTION(ERegistryException, Exception);

class TRegistry : public TObject {
  ZORVET_CLASS_NAME(TRegistry)

 public:
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return root_; }
  // Closes the open key.
  void SetRootKey(HKEY root);
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }
  // The open key (nullptr when none) and its path below the root.
  HKEY CurrentKey() const { return current_; }
  const String& CurrentPath() const { return current_path_; }

  // Makes `key` the open key; false when it does not exist (and may not be
  // created) or cannot be opened. The previous key stays open on failure.
  bool OpenKey(const String& key, bool canCreate);
  bool OpenKeyReadOnly(const String& key);
  void CloseKey();
  // Creates `key` (and the keys above it) without opening it.
  bool CreateKey(const String& key);
  // Deletes `key` with every key below it.
  bool DeleteKey(const String& key);
  bool KeyExists(const String& key);
  bool HasSubKeys() const;
  // The subkeys (in name order) and the values of the open key.
  void GetKeyNames(TStrings* strings) const;
  void GetValueNames(TStrings* strings) const;

  bool ValueExists(const String& name) const;
  bool DeleteValue(const String& name);
  // A missing string value reads as empty; a value of another type raises.
  String ReadString(const String& name) const;
  void WriteString(const String& name, const String& value);
  // A DWORD value; anything else raises.
  Integer ReadInteger(const String& name) const;
  void WriteInteger(const String& name, Integer value);
  bool ReadBool(const String& name) const { return ReadInteger(name) != 0; }
  void WriteBool(const String& name, bool value) { WriteInteger(name, value ? 1 : 0); }

 protected:
  // `key` split into the key it is relative to and its path from there.
  HKEY BaseKey(const String& key, String& path) const;

 private:
  bool ChangeKey(const String& key, REGSAM access, bool canCreate);

  HKEY root_ = HKEY_CURRENT_USER;
  REGSAM access_;
  HKEY current_ = nullptr;
  String current_path_;
};

class TRegIniFile : public TRegistry, public TCustomIniFile {
  ZORVET_CLASS_NAME(TRegIniFile)

 public:
  explicit TRegIniFile(const String& fileName, REGSAM access = KEY_ALL_ACCESS);

  // An empty section is the file's key itself.
  String ReadString(const String& section, const String& ident, const String& def) const override;
  void WriteString(const String& section, const String& ident, const String& value) override;
  // In name order.
  void ReadSection(const String& section, TStrings* strings) const override;
  void ReadSections(TStrings* strings) const override;
  void ReadSectionValues(const String& section, TStrings* strings) const override;
  void EraseSection(const String& section) override;
  void DeleteKey(const String& section, const String& ident) override;

  // Both the registry's calls on the open key and the ini calls by section.
  using TCustomIniFile::ReadBool;
  using TCustomIniFile::ReadInteger;
  using TCustomIniFile::WriteBool;
  using TCustomIniFile::WriteInteger;
  using TRegistry::DeleteKey;
  using TRegistry::ReadBool;
  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::WriteBool;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;
};
