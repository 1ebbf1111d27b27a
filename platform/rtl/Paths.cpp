// platform/rtl/Paths.cpp
#include "platform/rtl/Paths.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/rtl/Unicode.h"

namespace {

constexpr std::string_view kDriveDelimiters = "\\:";
constexpr std::string_view kNativeDelimiters = "/";
constexpr std::string_view kForbiddenInNames = "\\:*?\"<>|";
constexpr char32_t kForbiddenBase = 0xF000;

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string_view Delimiters(std::string_view path) {
  return IsNativePath(path) ? kNativeDelimiters : kDriveDelimiters;
}

char Separator(std::string_view path) {
  return IsNativePath(path) ? '/' : '\\';
}

std::size_t LastDelimiter(std::string_view path) {
  return path.find_last_of(Delimiters(path));
}

// Position of the '.' that starts the extension, or npos.
std::size_t ExtensionStart(std::string_view path) {
  const std::size_t at =
      path.find_last_of(IsNativePath(path) ? std::string_view("./") : std::string_view(".\\:"));
  return at != std::string_view::npos && path[at] == '.' ? at : std::string_view::npos;
}

std::mutex resolver_mutex;
std::shared_ptr<const TDrivePathResolver>& CurrentResolver() {
  static std::shared_ptr<const TDrivePathResolver> resolver;
  return resolver;
}

std::mutex command_line_mutex;
std::optional<std::vector<String>> given_command_line;  // argument 0 included, as a stand-in

std::vector<String> CommandLine() {
  {
    std::lock_guard lock(command_line_mutex);
    if (given_command_line) return *given_command_line;
  }
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const String all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<String> args;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == String::npos) end = all.size();
    args.emplace_back(all, start, end - start);
    start = end + 1;
  }
  return args;
}

}  // namespace

bool IsDrivePath(std::string_view path) {
  return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
}

bool IsNativePath(std::string_view path) {
  return !path.empty() && path[0] == '/';
}

String ExtractFilePath(std::string_view path) {
  const std::size_t at = LastDelimiter(path);
  return at == std::string_view::npos ? String() : String(path.substr(0, at + 1));
}

String ExtractFileDir(std::string_view path) {
  const std::size_t at = LastDelimiter(path);
  if (at == std::string_view::npos) return String();
  const std::string_view delimiters = Delimiters(path);
  // Keep the separator of a root ("D:\", "/").
  const bool root = at == 0 || path[at] != Separator(path) ||
                    delimiters.find(path[at - 1]) != std::string_view::npos;
  return String(path.substr(0, root ? at + 1 : at));
}

String ExtractFileName(std::string_view path) {
  const std::size_t at = LastDelimiter(path);
  return String(at == std::string_view::npos ? path : path.substr(at + 1));
}

String ExtractFileExt(std::string_view path) {
  const std::size_t at = ExtensionStart(path);
  return at == std::string_view::npos ? String() : String(path.substr(at));
}

String ChangeFileExt(std::string_view path, std::string_view extension) {
  const std::size_t at = ExtensionStart(path);
  String out(at == std::string_view::npos ? path : path.substr(0, at));
  out.append(extension);
  return out;
}

String ExtractFileDrive(std::string_view path) {
  return IsDrivePath(path) ? String(path.substr(0, 2)) : String();
}

String IncludeTrailingPathDelimiter(std::string_view path) {
  String out(path);
  const char separator = Separator(path);
  if (out.empty() || out.back() != separator) out.push_back(separator);
  return out;
}

String IncludeTrailingBackslash(std::string_view path) {
  return IncludeTrailingPathDelimiter(path);
}

String ExcludeTrailingPathDelimiter(std::string_view path) {
  if (path == "/" || path.empty() || path.back() != Separator(path)) return String(path);
  return String(path.substr(0, path.size() - 1));
}

String ExcludeTrailingBackslash(std::string_view path) {
  return ExcludeTrailingPathDelimiter(path);
}

String ExecutableFileName() {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return String();
    if (static_cast<std::size_t>(n) < buf.size())
      return String(buf.data(), static_cast<std::size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

String ExecutableFolder() {
  return ExtractFilePath(ExecutableFileName());
}

int ParamCount() {
  const std::size_t count = CommandLine().size();
  return count == 0 ? 0 : static_cast<int>(count) - 1;
}

String ParamStr(int index) {
  if (index == 0) return ExecutableFileName();
  const std::vector<String> args = CommandLine();
  return index > 0 && static_cast<std::size_t>(index) < args.size()
             ? args[static_cast<std::size_t>(index)]
             : String();
}

void SetCommandLine(int argc, const char* const* argv) {
  std::vector<String> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i] ? argv[i] : "");
  SetCommandLine(std::move(arguments));
}

void SetCommandLine(std::vector<String> arguments) {
  arguments.insert(arguments.begin(), String());
  std::lock_guard lock(command_line_mutex);
  given_command_line = std::move(arguments);
}

String NativeNameToWindows(std::string_view name) {
  String out;
  out.reserve(name.size());
  for (const char c : name) {
    if (kForbiddenInNames.find(c) != std::string_view::npos)
      AppendUtf8(out, kForbiddenBase + static_cast<unsigned char>(c));
    else
      out.push_back(c);
  }
  return out;
}

String WindowsNameToNative(std::string_view name) {
  String out;
  out.reserve(name.size());
  std::size_t pos = 0;
  while (pos < name.size()) {
    const std::size_t start = pos;
    const char32_t cp = NextCodePoint(name, pos);
    if (cp >= kForbiddenBase && cp < kForbiddenBase + 0x80 &&
        kForbiddenInNames.find(static_cast<char>(cp - kForbiddenBase)) != std::string_view::npos)
      out.push_back(static_cast<char>(cp - kForbiddenBase));
    else
      out.append(name.substr(start, pos - start));  // bad bytes are copied as they are
  }
  return out;
}

TDrivePathResolver SetDrivePathResolver(TDrivePathResolver resolver) {
  auto replacement =
      resolver ? std::make_shared<const TDrivePathResolver>(std::move(resolver)) : nullptr;
  std::lock_guard lock(resolver_mutex);
  std::shared_ptr<const TDrivePathResolver> previous = std::move(CurrentResolver());
  CurrentResolver() = std::move(replacement);
  return previous ? *previous : TDrivePathResolver();
}

bool ResolvePath(const String& path, String& native_path) {
  if (IsNativePath(path)) {
    native_path = path;
    return true;
  }
  if (!IsDrivePath(path)) return false;
  std::shared_ptr<const TDrivePathResolver> resolver;
  {
    std::lock_guard lock(resolver_mutex);
    resolver = CurrentResolver();
  }
  if (!resolver) return false;
  String resolved;
  if (!(*resolver)(path, resolved)) return false;
  native_path = std::move(resolved);
  return true;
}
