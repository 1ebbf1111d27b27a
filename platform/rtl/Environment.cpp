// platform/rtl/Environment.cpp
#include "platform/rtl/Environment.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/rtl/Paths.h"

namespace {

// The current folder as the program last named it, with the native folder it
// stood for, so that GetCurrentDir can answer in the program's own form.
struct TShownFolder {
  String shown;
  String native;
};

std::mutex folder_mutex;
TShownFolder shown_folder;

String NativeCurrentFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) return String(buffer.data());
    if (errno != ERANGE) return String();
    buffer.resize(buffer.size() * 2);
  }
}

String WithoutTrailingSeparator(const String& path) {
  if (path.size() == 3 && IsDrivePath(path) && path[2] == '\\') return path;
  return ExcludeTrailingPathDelimiter(path);
}

}  // namespace

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  const char* value = name ? std::getenv(name) : nullptr;
  if (!value) return 0;
  const std::size_t length = std::strlen(value);
  if (length + 1 > size || !buffer) return static_cast<DWORD>(length + 1);
  std::memcpy(buffer, value, length + 1);
  return static_cast<DWORD>(length);
}

String GetEnvironmentVariable(const String& name) {
  const char* value = std::getenv(name.c_str());
  return value ? String(value) : String();
}

String GetCurrentDir() {
  const String native = NativeCurrentFolder();
  std::lock_guard lock(folder_mutex);
  if (!shown_folder.shown.empty() && shown_folder.native == native) return shown_folder.shown;
  return native;
}

bool SetCurrentDir(const String& dir) {
  if (dir.empty()) return false;
  String native;
  if (!ResolvePath(dir, native)) {
    if (IsDrivePath(dir)) return false;
    native = dir;
    for (char& c : native)
      if (c == '\\') c = '/';
  }
  if (::chdir(native.c_str()) != 0) return false;
  const String now = NativeCurrentFolder();
  std::lock_guard lock(folder_mutex);
  if (IsDrivePath(dir))
    shown_folder = {WithoutTrailingSeparator(dir), now};
  else
    shown_folder = {};
  return true;
}

String WindowsFolder() {
  String base = GetEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.empty()) base = GetEnvironmentVariable("HOME") + "/.config";
  if (base.back() != '/') base.push_back('/');
  return base + "zorvet/";
}
