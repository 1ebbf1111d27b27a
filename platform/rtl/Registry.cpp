// platform/rtl/Registry.cpp
#include "platform/rtl/Registry.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/rtl/Environment.h"
#include "platform/rtl/FileServices.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr const char* kHeader = "Zorvet registry 1";
// By the root's number (its handle less 0x80000000). Performance data is no
// tree of keys, so that number has no root here.
constexpr const char* kRootNames[] = {
    "HKEY_CLASSES_ROOT",   "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", "",
    "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
constexpr int kRootCount = 7;

struct TextLess {
  bool operator()(const String& a, const String& b) const { return CompareText(a, b) < 0; }
};

struct TValue {
  String name;
  DWORD type = REG_NONE;
  String data;
};

struct TKey {
  std::vector<TValue> values;
  std::map<String, std::unique_ptr<TKey>, TextLess> subkeys;  // the map keeps the name's case

  TValue* FindValue(const String& name) {
    for (TValue& value : values)
      if (SameText(value.name, name)) return &value;
    return nullptr;
  }
};

// What identifies the file as last read: a change of any of them means
// another writer (or a test) replaced it.
struct TFileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec written{};

  bool operator==(const TFileStamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           written.tv_sec == o.written.tv_sec && written.tv_nsec == o.written.tv_nsec;
  }
};

TFileStamp StampOf(const String& file) {
  TFileStamp stamp;
  struct stat info;
  if (::stat(file.c_str(), &info) != 0) return stamp;
  stamp.exists = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.written = info.st_mtim;
  return stamp;
}

struct THandle {
  int root = 0;
  std::vector<String> path;
  REGSAM access = 0;
};

struct TRegistry {
  std::mutex mutex;
  String file;  // the file the tree was read from
  TFileStamp stamp;
  bool corrupt = false;
  TKey roots[kRootCount];
  std::map<std::uintptr_t, THandle> handles;
  std::uintptr_t next_handle = 0x1000;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

int RootIndex(HKEY key) {
  for (int i = 0; i < kRootCount; ++i)
    if (*kRootNames[i] &&
        key == reinterpret_cast<HKEY>(static_cast<LONG_PTR>(LONG(0x80000000 + i))))
      return i;
  return -1;
}

// ---- the file's text ----

String QuoteText(const String& text) {
  String out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 32 || byte == 127) {
      out += "\\x" + IntToHex(byte, 2);
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

String EscapeKeyName(const String& name) {
  String out;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || c == '%' || c == ']')
      out += "%" + IntToHex(byte, 2);
    else
      out.push_back(c);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool HexByte(std::string_view text, std::size_t at, char& byte) {
  if (at + 2 > text.size()) return false;
  const int high = HexDigit(text[at]), low = HexDigit(text[at + 1]);
  if (high < 0 || low < 0) return false;
  byte = static_cast<char>(high * 16 + low);
  return true;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after it.
bool ParseQuoted(std::string_view text, std::size_t& pos, String& out) {
  if (pos >= text.size() || text[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (pos >= text.size()) return false;
    const char next = text[pos++];
    if (next == 'x') {
      char byte;
      if (!HexByte(text, pos, byte)) return false;
      out.push_back(byte);
      pos += 2;
    } else {
      out.push_back(next);
    }
  }
  return false;
}

bool UnescapeKeyName(std::string_view text, String& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    char byte;
    if (!HexByte(text, i + 1, byte)) return false;
    out.push_back(byte);
    i += 2;
  }
  return !out.empty();
}

bool IsPlainString(const TValue& value) {
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return false;
  return !value.data.empty() && value.data.find('\0') == value.data.size() - 1;
}

String ValueLine(const TValue& value) {
  String line = value.name.empty() ? String("@") : QuoteText(value.name);
  line.push_back('=');
  if (IsPlainString(value)) {
    if (value.type == REG_EXPAND_SZ) line += "expand:";
    return line + QuoteText(value.data.substr(0, value.data.size() - 1));
  }
  if (value.type == REG_DWORD && value.data.size() == 4) {
    DWORD number;
    std::memcpy(&number, value.data.data(), 4);
    return line + "dword:" + LowerCase(IntToHex(number, 8));
  }
  line += "hex(" + IntToStr(value.type) + "):";
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    if (i) line.push_back(',');
    line += LowerCase(IntToHex(static_cast<unsigned char>(value.data[i]), 2));
  }
  return line;
}

bool ParseValueLine(std::string_view line, TValue& value) {
  std::size_t pos = 0;
  if (line.starts_with("@")) {
    value.name.clear();
    pos = 1;
  } else if (!ParseQuoted(line, pos, value.name) || value.name.empty()) {
    return false;
  }
  if (pos >= line.size() || line[pos++] != '=') return false;
  std::string_view rest = line.substr(pos);
  value.type = REG_SZ;
  if (rest.starts_with("expand:")) {
    value.type = REG_EXPAND_SZ;
    rest.remove_prefix(7);
  }
  if (rest.starts_with("\"")) {
    std::size_t at = 0;
    if (!ParseQuoted(rest, at, value.data) || at != rest.size()) return false;
    value.data.push_back('\0');
    return true;
  }
  if (rest.starts_with("dword:")) {
    rest.remove_prefix(6);
    if (rest.size() != 8) return false;
    DWORD number = 0;
    for (const char c : rest) {
      const int digit = HexDigit(c);
      if (digit < 0) return false;
      number = number * 16 + static_cast<DWORD>(digit);
    }
    value.type = REG_DWORD;
    value.data.assign(reinterpret_cast<const char*>(&number), 4);
    return true;
  }
  if (!rest.starts_with("hex(")) return false;
  const std::size_t close = rest.find("):");
  Integer type;
  if (close == std::string_view::npos || !TryStrToInt(rest.substr(4, close - 4), type) || type < 0)
    return false;
  value.type = static_cast<DWORD>(type);
  value.data.clear();
  rest.remove_prefix(close + 2);
  for (std::size_t i = 0; i < rest.size(); i += 3) {
    char byte;
    if (!HexByte(rest, i, byte) || (i + 2 < rest.size() && rest[i + 2] != ',')) return false;
    value.data.push_back(byte);
  }
  return true;
}

// A key gets a line of its own when it holds values, or when nothing below
// it would name it (a leaf); a root only for its values.
void WriteKey(std::ostream& out, const String& path, const TKey& key, bool root) {
  if (!key.values.empty() || (!root && key.subkeys.empty())) {
    out << '[' << path << "]\n";
    for (const TValue& value : key.values) out << ValueLine(value) << '\n';
  }
  for (const auto& [name, sub] : key.subkeys)
    WriteKey(out, path + "\\" + EscapeKeyName(name), *sub, false);
}

// ---- the tree ----

TKey* FindKey(TRegistry& r, int root, const std::vector<String>& path) {
  TKey* key = &r.roots[root];
  for (const String& part : path) {
    const auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

TKey* CreateKey(TRegistry& r, int root, const std::vector<String>& path) {
  TKey* key = &r.roots[root];
  for (const String& part : path) {
    auto& slot = key->subkeys[part];
    if (!slot) slot = std::make_unique<TKey>();
    key = slot.get();
  }
  return key;
}

bool ParseKeyPath(std::string_view text, int& root, std::vector<String>& path) {
  path.clear();
  std::size_t start = 0;
  bool first = true;
  while (start <= text.size()) {
    std::size_t end = text.find('\\', start);
    if (end == std::string_view::npos) end = text.size();
    String part;
    if (first) {
      root = -1;
      for (int i = 0; i < kRootCount; ++i)
        if (*kRootNames[i] && text.substr(start, end - start) == kRootNames[i]) root = i;
      if (root < 0) return false;
      first = false;
    } else if (!UnescapeKeyName(text.substr(start, end - start), part)) {
      return false;
    } else {
      path.push_back(part);
    }
    start = end + 1;
  }
  return true;
}

void ReadFile(TRegistry& r) {
  for (TKey& root : r.roots) root = TKey();
  r.corrupt = false;
  std::ifstream in(r.file, std::ios::binary);
  if (!in) return;
  String line;
  if (!std::getline(in, line) || line != kHeader) {
    r.corrupt = true;
    return;
  }
  TKey* key = nullptr;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      int root = -1;
      std::vector<String> path;
      if (!ParseKeyPath(std::string_view(line).substr(1, line.size() - 2), root, path)) {
        r.corrupt = true;
        return;
      }
      key = CreateKey(r, root, path);
      continue;
    }
    TValue value;
    if (!key || !ParseValueLine(line, value)) {
      r.corrupt = true;
      return;
    }
    if (TValue* old = key->FindValue(value.name))
      *old = std::move(value);
    else
      key->values.push_back(std::move(value));
  }
}

// Brings the tree in step with the file the registry lives in now.
void Refresh(TRegistry& r) {
  const String file = RegistryFileName();
  const TFileStamp stamp = StampOf(file);
  if (file == r.file && stamp == r.stamp) return;
  r.file = file;
  r.stamp = stamp;
  ReadFile(r);
}

LONG Save(TRegistry& r) {
  if (r.corrupt) return ERROR_BADDB;
  std::ostringstream text;
  text << kHeader << '\n';
  for (int i = 0; i < kRootCount; ++i) WriteKey(text, kRootNames[i], r.roots[i], true);
  if (!WriteFileAtomically(r.file, text.str(), 0600)) {
    r.stamp = {};  // the next call reads the file again: it holds the tree without the change
    return ERROR_WRITE_FAULT;
  }
  r.stamp = StampOf(r.file);
  return ERROR_SUCCESS;
}

// Splits a subkey name; false for an empty part other than one trailing '\'.
bool SplitSubKey(LPCSTR sub_key, std::vector<String>& parts) {
  std::string_view text = sub_key ? sub_key : "";
  if (text.ends_with('\\')) text.remove_suffix(1);
  if (text.empty()) return true;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\\', start);
    if (end == std::string_view::npos) end = text.size();
    if (end == start) return false;
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

// The handle behind `key` (a root or an open key), or null.
const THandle* Lookup(TRegistry& r, HKEY key, THandle& root_handle) {
  const int root = RootIndex(key);
  if (root >= 0) {
    root_handle = THandle{root, {}, KEY_ALL_ACCESS};
    return &root_handle;
  }
  const auto it = r.handles.find(reinterpret_cast<std::uintptr_t>(key));
  return it == r.handles.end() ? nullptr : &it->second;
}

// Runs `step` with the registry locked and in step with its file, on the key
// behind `key` (which must allow `access`).
template <class F>
LONG WithKey(HKEY key, REGSAM access, F step) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  Refresh(r);
  THandle root_handle;
  const THandle* handle = Lookup(r, key, root_handle);
  if (!handle) return ERROR_INVALID_HANDLE;
  if ((handle->access & access) != access) return ERROR_ACCESS_DENIED;
  TKey* node = FindKey(r, handle->root, handle->path);
  if (!node) return ERROR_KEY_DELETED;
  return step(r, *handle, *node);
}

HKEY NewHandle(TRegistry& r, THandle handle) {
  const std::uintptr_t id = r.next_handle;
  r.next_handle += 4;
  r.handles.emplace(id, std::move(handle));
  return reinterpret_cast<HKEY>(id);
}

// Runs `check` on the key `sub_key` of `key` would open, and on success
// opens it with `access` into `result`.
template <class F>
LONG WithSubKey(HKEY key, LPCSTR sub_key, REGSAM access, PHKEY result, F check) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::vector<String> parts;
  if (!SplitSubKey(sub_key, parts)) return ERROR_BAD_PATHNAME;
  return WithKey(key, 0, [&](TRegistry& r, const THandle& handle, TKey&) -> LONG {
    THandle opened{handle.root, handle.path, access};
    opened.path.insert(opened.path.end(), parts.begin(), parts.end());
    const LONG code = check(r, handle, opened);
    if (code == ERROR_SUCCESS) *result = NewHandle(r, std::move(opened));
    return code;
  });
}

LONG CopyName(const String& name, LPSTR out, LPDWORD out_size) {
  if (!out_size) return ERROR_INVALID_PARAMETER;
  if (!out || *out_size < name.size() + 1) {
    // Windows leaves the size as it was given; callers grow their buffer.
    return ERROR_MORE_DATA;
  }
  std::memcpy(out, name.c_str(), name.size() + 1);
  *out_size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

LONG CopyData(const TValue& value, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  if (type) *type = value.type;
  if (!size) return ERROR_SUCCESS;
  const auto needed = static_cast<DWORD>(value.data.size());
  if (data && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data) std::memcpy(data, value.data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

}  // namespace

String RegistryFileName() {
  return WindowsFolder() + "registry.txt";
}

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM access, PHKEY result) {
  return WithSubKey(key, sub_key, access, result,
                    [&](TRegistry& r, const THandle&, const THandle& opened) -> LONG {
                      return FindKey(r, opened.root, opened.path) ? ERROR_SUCCESS
                                                                  : ERROR_FILE_NOT_FOUND;
                    });
}

LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD, LPSTR, DWORD, REGSAM access,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  return WithSubKey(key, sub_key, access, result,
                    [&](TRegistry& r, const THandle& handle, const THandle& opened) -> LONG {
                      const bool exists = FindKey(r, opened.root, opened.path) != nullptr;
                      if (!exists) {
                        if (!(handle.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
                        if (r.corrupt) return ERROR_BADDB;
                        CreateKey(r, opened.root, opened.path);
                        if (const LONG saved = Save(r); saved != ERROR_SUCCESS) return saved;
                      }
                      if (disposition)
                        *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
                      return ERROR_SUCCESS;
                    });
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  return WithKey(key, KEY_QUERY_VALUE, [&](TRegistry&, const THandle&, TKey& node) -> LONG {
    const TValue* value = node.FindValue(name ? name : "");
    return value ? CopyData(*value, type, data, size) : LONG(ERROR_FILE_NOT_FOUND);
  });
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (!data && size > 0) return ERROR_INVALID_PARAMETER;
  return WithKey(key, KEY_SET_VALUE, [&](TRegistry& r, const THandle&, TKey& node) -> LONG {
    if (r.corrupt) return ERROR_BADDB;
    const String value_name = name ? name : "";
    const String bytes(reinterpret_cast<const char*>(data), size);
    if (TValue* old = node.FindValue(value_name)) {
      old->type = type;
      old->data = bytes;
    } else {
      node.values.push_back(TValue{value_name, type, bytes});
    }
    return Save(r);
  });
}

LONG RegDeleteValueA(HKEY key, LPCSTR name) {
  return WithKey(key, KEY_SET_VALUE, [&](TRegistry& r, const THandle&, TKey& node) -> LONG {
    const TValue* value = node.FindValue(name ? name : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (r.corrupt) return ERROR_BADDB;
    node.values.erase(node.values.begin() + (value - node.values.data()));
    return Save(r);
  });
}

LONG RegDeleteKeyA(HKEY key, LPCSTR sub_key) {
  std::vector<String> parts;
  if (!SplitSubKey(sub_key, parts)) return ERROR_BAD_PATHNAME;
  return WithKey(key, 0, [&](TRegistry& r, const THandle& handle, TKey&) -> LONG {
    std::vector<String> path = handle.path;
    path.insert(path.end(), parts.begin(), parts.end());
    if (path.empty()) return ERROR_ACCESS_DENIED;  // a root stays
    TKey* victim = FindKey(r, handle.root, path);
    if (!victim) return ERROR_FILE_NOT_FOUND;
    if (!victim->subkeys.empty()) return ERROR_ACCESS_DENIED;
    if (r.corrupt) return ERROR_BADDB;
    const String last = path.back();
    path.pop_back();
    FindKey(r, handle.root, path)->subkeys.erase(last);
    return Save(r);
  });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD, LPSTR key_class,
                   LPDWORD class_size, PFILETIME last_write) {
  return WithKey(
      key, KEY_ENUMERATE_SUB_KEYS, [&](TRegistry& r, const THandle&, TKey& node) -> LONG {
        if (index >= node.subkeys.size()) return ERROR_NO_MORE_ITEMS;
        auto it = node.subkeys.begin();
        std::advance(it, index);
        const LONG copied = CopyName(it->first, name, name_size);
        if (copied != ERROR_SUCCESS) return copied;
        if (key_class && class_size && *class_size > 0) {
          key_class[0] = '\0';
          *class_size = 0;
        }
        if (last_write) {
          // 100-nanosecond steps since 1601 of the file's time.
          const UInt64 ticks =
              (static_cast<UInt64>(r.stamp.written.tv_sec) + 11644473600ULL) * 10000000ULL +
              static_cast<UInt64>(r.stamp.written.tv_nsec) / 100;
          *last_write = FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        }
        return ERROR_SUCCESS;
      });
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD, LPDWORD type,
                   LPBYTE data, LPDWORD size) {
  return WithKey(key, KEY_QUERY_VALUE, [&](TRegistry&, const THandle&, TKey& node) -> LONG {
    if (index >= node.values.size()) return ERROR_NO_MORE_ITEMS;
    const TValue& value = node.values[index];
    const LONG copied = CopyName(value.name, name, name_size);
    return copied != ERROR_SUCCESS ? copied : CopyData(value, type, data, size);
  });
}

LONG RegCloseKey(HKEY key) {
  if (RootIndex(key) >= 0) return ERROR_SUCCESS;
  TRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  return r.handles.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS
                                                                : ERROR_INVALID_HANDLE;
}
