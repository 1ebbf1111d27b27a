// oracle/OracleCI.cpp
#include "oracle/OracleCI.h"

#include <sys/stat.h>

#include "platform/rtl/Environment.h"
#include "platform/rtl/FileServices.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Modules.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"
#include "platform/win/DirectorySearch.h"

// ---- TOracleCriticalSection ----

void TOracleCriticalSection::Enter() {
  section_.Enter();
  Entered();
}

bool TOracleCriticalSection::TryEnter() {
  if (!section_.TryEnter()) return false;
  Entered();
  return true;
}

void TOracleCriticalSection::Entered() {
  if (owner_.load(std::memory_order_relaxed) == std::this_thread::get_id()) {
    ++count_;
    return;
  }
  owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  count_ = 1;
}

void TOracleCriticalSection::Leave() {
  // Only the owner ever stores its own id, so another thread can never see
  // it here: a thread that does not hold the section leaves it alone.
  if (!HeldByCurrentThread() || count_ <= 0) return;
  if (--count_ == 0) owner_.store(std::thread::id(), std::memory_order_relaxed);
  section_.Leave();
}

bool TOracleCriticalSection::HeldByCurrentThread() const {
  return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

namespace OracleCI {
namespace {

constexpr std::uintptr_t kUnloadedHandle = 31;
constexpr const char* kCrLf = "\r\n";
constexpr std::size_t kCommandLineValueLimit = 255;

std::atomic<HMODULE> oci_handle{nullptr};
std::atomic<HMODULE> mts_handle{nullptr};
bool ocidll_chosen_by_search = false;
bool home_name_chosen_by_search = false;
bool current_dir_saved = false;
String saved_current_dir;
std::unique_ptr<TStringList> home_list;

HMODULE UnloadedHandle() {
  return reinterpret_cast<HMODULE>(kUnloadedHandle);
}

// The unit's lock; a program that uses the library before its unit start
// learns so at once instead of racing to create the lock.
TOracleCriticalSection& Lock() {
  if (!GlobalOracleLock) throw Exception("The Oracle library's unit has not been initialised");
  return *GlobalOracleLock;
}

String Quoted(const String& text) {
  return "\"" + text + "\"";
}

// Whether folder `a` and folder `b` (either path form; `b` may be relative
// to `base`) are the same folder on disk.
bool SameFolder(const String& a, String b, const String& base) {
  if (a.empty() || b.empty()) return false;
  if (!IsDrivePath(b) && !IsNativePath(b)) {
    if (IsNativePath(base))
      for (char& c : b)
        if (c == '\\') c = '/';
    b = IncludeTrailingPathDelimiter(base) + b;
  }
  String native_a, native_b;
  struct stat info_a, info_b;
  if (ResolvePath(a, native_a) && ResolvePath(b, native_b) &&
      ::stat(native_a.c_str(), &info_a) == 0 && ::stat(native_b.c_str(), &info_b) == 0)
    return info_a.st_dev == info_b.st_dev && info_a.st_ino == info_b.st_ino;
  return a == b;
}

// Binds one entry of a group: looked up only while the group is still
// complete; returns whether the group still is.
template <class Entry>
bool Bind(HMODULE module, Entry& entry, bool group_complete) {
  if (!group_complete) {
    entry.Publish(nullptr);
    return false;
  }
  const FARPROC address = GetProcAddress(module, entry.Name());
  entry.Publish(reinterpret_cast<typename Entry::Function>(address));
  return address != nullptr;
}

#define ZORVET_OCI_BIND(result, name, parameters, arguments) \
  complete = Bind(module, name, complete);
#define ZORVET_OCI_CLEAR(result, name, parameters, arguments) name.Publish(nullptr);

// Binds every group of the client in order and publishes the flags after
// the entries they cover.
void BindClient(HMODULE module) {
  bool complete = true;
  ZORVET_OCI7_ENTRIES(ZORVET_OCI_BIND)
  const bool oci7 = complete;
  ZORVET_OLOG_ENTRIES(ZORVET_OCI_BIND)
  const bool olog = complete;
  ZORVET_OPINIT_ENTRIES(ZORVET_OCI_BIND)
  const bool opinit = complete;
  complete = true;
  ZORVET_OCI8_ENTRIES(ZORVET_OCI_BIND)
  const bool oci8 = complete;
  ZORVET_OCIEP_ENTRIES(ZORVET_OCI_BIND)
  const bool ociep = complete;
  complete = oci8;
  ZORVET_OCI81_ENTRIES(ZORVET_OCI_BIND)
  const bool oci81 = complete;

  OCI7Present.Set(oci7);
  OLogPresent.Set(olog);
  OpinitPresent.Set(opinit);
  OCI8Present.Set(oci8);
  OCI8Usable.Set(oci8 && !ForceOCI7);
  OCIEPPresent.Set(ociep);
  OCI81Present.Set(oci81);
}

bool BindMts(HMODULE module) {
  bool complete = true;
  ZORVET_MTS_ENTRIES(ZORVET_OCI_BIND)
  return complete;
}

void ClearEntries() {
  ZORVET_OCI7_ENTRIES(ZORVET_OCI_CLEAR)
  ZORVET_OLOG_ENTRIES(ZORVET_OCI_CLEAR)
  ZORVET_OPINIT_ENTRIES(ZORVET_OCI_CLEAR)
  ZORVET_OCI8_ENTRIES(ZORVET_OCI_CLEAR)
  ZORVET_OCIEP_ENTRIES(ZORVET_OCI_CLEAR)
  ZORVET_OCI81_ENTRIES(ZORVET_OCI_CLEAR)
}

void ClearMtsEntries() {
  ZORVET_MTS_ENTRIES(ZORVET_OCI_CLEAR)
}

#undef ZORVET_OCI_BIND
#undef ZORVET_OCI_CLEAR

}  // namespace

void InitializeUnit() {
  if (!GlobalOracleLock) GlobalOracleLock = new TOracleCriticalSection();
}

void FinalizeUnit() {
  home_list.reset();
  delete GlobalOracleLock;
  GlobalOracleLock = nullptr;
  for (String* text : {&OCIDLL, &OracleHomeName, &OCIDLLExclude, &OracleHomeKey, &OracleHomeDir,
                       &OraMtsDll, &OCILoadLog, &saved_current_dir})
    text->clear();
  current_dir_saved = false;
}

String ReadCommandLineValue(const String& name) {
  const String wanted = AnsiUpperCase(name);
  for (int i = 1, count = ParamCount(); i <= count; ++i) {
    const String parameter = ParamStr(i);
    const std::size_t equals = parameter.find('=');
    if (equals == String::npos || AnsiUpperCase(parameter.substr(0, equals)) != wanted) continue;
    return CutUtf8(std::string_view(parameter).substr(equals + 1), kCommandLineValueLimit);
  }
  return String();
}

LONG ReadRegistryString(HKEY root, const String& key, const String& value_name, String& value) {
  value.clear();
  HKEY opened;
  const LONG code = RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened);
  if (code != ERROR_SUCCESS) return code;
  char buffer[1024];
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(opened, value_name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
    size = 0;
  // The bytes read less the terminating null; a value stored without one
  // loses nothing (only a final null is dropped).
  std::size_t length = size;
  if (length > 0 && buffer[length - 1] == '\0') --length;
  value.assign(buffer, length);
  return RegCloseKey(opened);
}

void ListOracleHomes() {
  if (!home_list) {
    home_list = std::make_unique<TStringList>();
    home_list->SetSorted(true);
  }
  home_list->Clear();
  String counter;
  ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", counter);
  Integer count;
  if (!TryStrToInt(counter, count)) return;
  if (count < 1) count = 1;
  for (Integer i = 0; i < count; ++i) {
    String name;
    ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME" + IntToStr(i),
                       "ORACLE_HOME_NAME", name);
    if (!name.empty())
      home_list->AddObject(name, reinterpret_cast<TObject*>(static_cast<std::intptr_t>(i)));
  }
}

const TStringList* HomeNames() {
  return home_list.get();
}

void FindOracleHomeKey(String& key) {
  if (!OracleHomeKey.empty()) {
    key = OracleHomeKey;
    return;
  }
  ListOracleHomes();
  if (home_list->Count() == 0) {
    key = "SOFTWARE\\ORACLE";
  } else {
    String forced = AnsiUpperCase(ReadCommandLineValue("ORACLEHOME"));
    // A home name the program set is matched in upper case like the switch,
    // so "OraHome81" picks the home of that name.
    if (forced.empty()) forced = AnsiUpperCase(OracleHomeName);
    home_name_chosen_by_search = false;
    // The whole of PATH: a home's bin folder may stand beyond any fixed length.
    const String path = AnsiUpperCase(GetEnvironmentVariable("PATH"));
    std::size_t best = path.size();  // positions count from 1, as in the text
    String taken_key, taken_name, candidate, name;
    for (Integer i = 0; i < home_list->Count(); ++i) {
      name = home_list->Strings(i);
      const auto number = reinterpret_cast<std::intptr_t>(home_list->Objects(i));
      candidate = "SOFTWARE\\ORACLE\\HOME" + IntToStr(static_cast<Int64>(number));
      if (AnsiUpperCase(name) == forced) {
        taken_key = candidate;
        taken_name = name;
        break;
      }
      String home;
      ReadRegistryString(HKEY_LOCAL_MACHINE, candidate, "ORACLE_HOME", home);
      if (home.empty()) continue;
      AppendPathPart(home, "bin");
      const std::size_t at = path.find(AnsiUpperCase(home));
      if (at != String::npos && at + 1 < best) {  // never at the very last character
        taken_key = candidate;
        taken_name = name;
        best = at + 1;
      }
    }
    if (taken_key.empty()) {  // nothing taken: the last examined, last in name order
      taken_key = candidate;
      taken_name = name;
    }
    key = taken_key;
    if (OracleHomeName.empty()) {
      home_name_chosen_by_search = true;
      OracleHomeName = taken_name;
    }
  }
  String home;
  ReadRegistryString(HKEY_LOCAL_MACHINE, key, "ORACLE_HOME", home);
  if (home.empty()) key = "SOFTWARE\\ORACLE";
  OracleHomeKey = key;
}

void GetOracleHomeDir(String& dir) {
  String key;
  FindOracleHomeKey(key);
  ReadRegistryString(HKEY_LOCAL_MACHINE, key, "ORACLE_HOME", dir);
}

bool OciLibraryVersion(const String& file_name, double& version) {
  const String name = AnsiUpperCase(file_name);
  const std::size_t skip = name.size() >= 5 && name.compare(3, 2, "NT") == 0 ? 5 : 3;
  const std::size_t dot = file_name.find('.');
  const String text =
      dot == String::npos || dot < skip ? String() : file_name.substr(skip, dot - skip);
  // The decimal separator of the moment, so that "0.73" reads the same in
  // every locale.
  return TryStrToFloat(String("0") + FormatSettings().DecimalSeparator + text, version);
}

std::unique_ptr<TStringList> FindOciCandidates(bool log) {
  auto candidates = std::make_unique<TStringList>();
  GetOracleHomeDir(OracleHomeDir);
  if (OracleHomeDir.empty()) return candidates;
  String dir = OracleHomeDir;
  AppendPathPart(dir, "bin");
  dir = IncludeTrailingPathDelimiter(dir);
  if (FileExists(dir + "oci.dll")) {
    candidates->Add(dir + "oci.dll");
    if (log) AddLogLine("Found: oci.dll");
  }
  TSearchRec rec;
  if (FindFirst(dir + "ora*.dll", faAnyFile, rec) == 0) {
    do {
      double version;
      if (OciLibraryVersion(rec.Name, version)) {
        candidates->Add(dir + rec.Name);
        if (log) AddLogLine("Found: " + rec.Name);
      }
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  return candidates;
}

Integer ChooseOciLibrary() {
  OCIDLLExclude = AnsiUpperCase(OCIDLLExclude);
  ocidll_chosen_by_search = false;
  const String forced = ReadCommandLineValue("OCIDLL");
  if (!forced.empty()) OCIDLL = forced;
  if (!OCIDLL.empty()) {
    AddLogLine("OCIDLL forced to " + OCIDLL);
    return 0;
  }
  GetOracleHomeDir(OracleHomeDir);
  AddLogLine("OracleHomeKey: " + OracleHomeKey);
  AddLogLine("OracleHomeDir: " + OracleHomeDir);
  const std::unique_ptr<TStringList> candidates = FindOciCandidates(true);
  if (OracleHomeDir.empty()) return 3;
  String chosen;
  for (int pass = 1; pass <= 2 && chosen.empty(); ++pass) {
    double best = 0.0;
    for (Integer i = 0; i < candidates->Count(); ++i) {
      const String candidate = candidates->Strings(i);
      const String file = AnsiUpperCase(ExtractFileName(candidate));
      if (pass == 1 && OCIDLLExclude.find(Quoted(file)) != String::npos) continue;
      if (file == "OCI.DLL") {
        chosen = candidate;
        break;
      }
      double version;
      if (OciLibraryVersion(file, version) && version >= best) {
        chosen = candidate;
        best = version;
      }
    }
  }
  if (chosen.empty()) return 1;
  OCIDLL = chosen;
  ocidll_chosen_by_search = true;
  AddLogLine("Using: " + OCIDLL);
  return 0;
}

Integer LoadOci() {
  TOracleLockGuard lock(Lock());
  if (OciLoaded()) return 0;
  OCILoadLog.clear();
  if (const Integer chosen = ChooseOciLibrary(); chosen != 0) return chosen;
  HMODULE module = LoadLibraryA(OCIDLL.c_str());
  if (!IsModuleHandle(module)) {
    // A client that needs files of its own folder loads from there. The
    // folder first saved stays the one to go back to.
    if (!current_dir_saved) {
      saved_current_dir = GetCurrentDir();
      current_dir_saved = true;
    }
    SetCurrentDir(ExtractFileDir(OCIDLL));
    module = LoadLibraryA(OCIDLL.c_str());
  }
  if (!IsModuleHandle(module)) {
    AddLogLine("LoadLibrary(" + OCIDLL + ") returned " +
               IntToStr(static_cast<Int64>(reinterpret_cast<std::uintptr_t>(module))));
    if (const String why = LoadLibraryError(); !why.empty()) AddLogLine(why);
    return 1;
  }
  oci_handle.store(module, std::memory_order_release);
  BindClient(module);
  return OCI7Present || OCI8Usable ? 0 : 2;
}

void InitOci() {
  TOracleLockGuard lock(Lock());
  if (OciLoaded()) return;
  const Integer result = LoadOci();
  if (result != 0) {
    String message;
    if (result == 1)
      message = OCIDLL.empty() ? "Could not locate OCI dll" : "Could not load " + Quoted(OCIDLL);
    else if (result == 2)
      message = "Could not initialize " + Quoted(OCIDLL);
    else
      message = "SQL*Net not properly installed";
    // Back to the folder the failed load left, while OCIDLL still names
    // the folder it went to: the unload below may clear it.
    RestoreCurrentDir();
    UnloadOci();
    throw Exception(String("Initialization error") + kCrLf + message + kCrLf + kCrLf + OCILoadLog);
  }
  if (OpinitPresent && !OCI8Usable) opinit(0);
  if (OCI8Usable && !OCI81Present)
    OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr);
}

void UnloadOci() {
  TOracleLockGuard lock(Lock());
  for (TOciFlag* flag : {&OCI7Present, &OLogPresent, &OpinitPresent, &OCI8Present, &OCI8Usable,
                         &OCIEPPresent, &OCI81Present, &MTSPresent})
    flag->Set(false);
  ClearEntries();
  ClearMtsEntries();
  for (std::atomic<HMODULE>* handle : {&mts_handle, &oci_handle}) {
    const HMODULE module = handle->exchange(UnloadedHandle(), std::memory_order_acq_rel);
    if (IsModuleHandle(module)) FreeLibrary(module);
  }
  if (ocidll_chosen_by_search) OCIDLL.clear();
  if (home_name_chosen_by_search) OracleHomeName.clear();
  ocidll_chosen_by_search = false;
  home_name_chosen_by_search = false;
  OracleHomeKey.clear();
  OracleHomeDir.clear();
  OraMtsDll.clear();
}

void InitMts() {
  TOracleLockGuard lock(Lock());
  if (MtsLoaded()) return;
  MTSPresent.Set(false);
  InitOci();
  if (OraMtsDll.empty()) OraMtsDll = ExtractFilePath(OCIDLL) + "oramts.dll";
  const String path = OraMtsDll;
  String message;
  if (!FileExists(path)) {
    message = "Could not locate " + Quoted(path);
  } else {
    const HMODULE module = LoadLibraryA(path.c_str());
    if (!IsModuleHandle(module)) {
      message = "Could not load " + Quoted(path);
    } else if (!BindMts(module)) {
      message = "Could not initialize " + Quoted(path);
      ClearMtsEntries();
      FreeLibrary(module);
      mts_handle.store(UnloadedHandle(), std::memory_order_release);
      OraMtsDll.clear();
    } else {
      mts_handle.store(module, std::memory_order_release);
      MTSPresent.Set(true);
    }
  }
  if (!message.empty()) throw Exception(String("Initialization error") + kCrLf + message);
}

void RestoreCurrentDir() {
  TOracleLockGuard lock(Lock());
  if (current_dir_saved && SameFolder(GetCurrentDir(), ExtractFileDir(OCIDLL), saved_current_dir))
    SetCurrentDir(saved_current_dir);
  current_dir_saved = false;
  saved_current_dir.clear();
}

bool OciLoaded() {
  return IsModuleHandle(oci_handle.load(std::memory_order_acquire));
}

bool MtsLoaded() {
  return IsModuleHandle(mts_handle.load(std::memory_order_acquire));
}

void AddLogLine(const String& text) {
  if (!OCILoadLog.empty()) OCILoadLog += kCrLf;
  OCILoadLog += text;
}

void AppendPathPart(String& path, const String& part) {
  path = IncludeTrailingPathDelimiter(path) + part;
}

}  // namespace OracleCI
