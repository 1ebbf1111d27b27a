// platform/rtl/Modules.cpp
#include "platform/rtl/Modules.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "platform/rtl/Environment.h"
#include "platform/rtl/Paths.h"

namespace {

thread_local String last_load_error;

// dlerror() is per thread, but dlopen/dlerror pairs from two threads would
// still interleave the text of their own failures; one lock keeps each
// failure's text with its call.
std::mutex& LoaderMutex() {
  static std::mutex mutex;
  return mutex;
}

bool IsRegularFile(const String& native) {
  struct stat info;
  return ::stat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

String Joined(String folder, const String& name) {
  if (folder.empty()) return String();
  if (folder.back() != '/') folder.push_back('/');
  return folder + name;
}

String CurrentFolder() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) ? String(buffer) : String();
}

HMODULE FailureCode(DWORD code) {
  return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(code));
}

}  // namespace

String FindLibraryFile(const String& file_name) {
  String native;
  if (ResolvePath(file_name, native)) return IsRegularFile(native) ? native : String();
  if (IsDrivePath(file_name)) return String();  // an unmapped drive
  if (file_name.find_first_of("\\/") != String::npos) {
    String relative = file_name;
    for (char& c : relative)
      if (c == '\\') c = '/';
    native = Joined(CurrentFolder(), relative);
    return IsRegularFile(native) ? native : String();
  }
  std::vector<String> folders{ExecutableFolder(), CurrentFolder()};
  const String path = GetEnvironmentVariable("PATH");
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == String::npos) end = path.size();
    if (end > start) folders.emplace_back(path, start, end - start);
    start = end + 1;
  }
  for (const String& folder : folders) {
    native = Joined(folder, file_name);
    if (!native.empty() && IsRegularFile(native)) return native;
  }
  return String();
}

HMODULE LoadLibraryA(LPCSTR file_name) {
  const String name = file_name ? file_name : "";
  last_load_error.clear();
  if (name.empty()) {
    last_load_error = "no file name";
    return FailureCode(ERROR_FILE_NOT_FOUND);
  }
  String native = FindLibraryFile(name);
  const bool system_search = native.empty() && name.find_first_of("\\/:") == String::npos;
  if (native.empty() && !system_search) {
    last_load_error = name + ": no such file";
    return FailureCode(ERROR_FILE_NOT_FOUND);
  }
  std::lock_guard lock(LoaderMutex());
  void* handle = ::dlopen(system_search ? name.c_str() : native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    last_load_error = why ? why : name + ": not loadable";
    return FailureCode(system_search ? ERROR_FILE_NOT_FOUND : ERROR_BAD_FORMAT);
  }
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (!IsModuleHandle(module) || !name) return nullptr;
  std::lock_guard lock(LoaderMutex());
  ::dlerror();
  void* address = ::dlsym(static_cast<void*>(module), name);
  return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module) {
  if (!IsModuleHandle(module)) return FALSE;
  std::lock_guard lock(LoaderMutex());
  return ::dlclose(static_cast<void*>(module)) == 0 ? TRUE : FALSE;
}

String LoadLibraryError() {
  return last_load_error;
}
