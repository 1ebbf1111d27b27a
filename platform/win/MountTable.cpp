// platform/win/MountTable.cpp
#include "platform/win/MountTable.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

bool HasOption(std::string_view options, std::string_view option) {
  size_t start = 0;
  while (start <= options.size()) {
    size_t end = options.find(',', start);
    if (end == std::string_view::npos) end = options.size();
    if (options.substr(start, end - start) == option) return true;
    start = end + 1;
  }
  return false;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start < line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string_view::npos) end = line.size();
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

bool ParseUnsigned(std::string_view text, unsigned& value) {
  if (text.empty()) return false;
  unsigned result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + unsigned(c - '0');
  }
  value = result;
  return true;
}

bool IsPathAtOrBelow(const String& path, const String& folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '/';
}

}  // namespace

bool TMountEntry::ReadOnly() const {
  return HasOption(MountOptions, "ro") || HasOption(SuperOptions, "ro");
}

String UnescapeMountField(std::string_view field) {
  String result;
  result.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      std::string_view digits = field.substr(i + 1, 3);
      bool octal = digits.size() == 3;
      for (char c : digits) octal = octal && c >= '0' && c <= '7';
      if (octal) {
        result += char(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) | (digits[2] - '0'));
        i += 3;
        continue;
      }
    }
    result += field[i];
  }
  return result;
}

std::vector<TMountEntry> ParseMountTable(std::string_view text) {
  std::vector<TMountEntry> mounts;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::vector<std::string_view> fields = SplitFields(text.substr(start, end - start));
    start = end + 1;

    // Six fixed fields, optional tagged fields, the separator, then three more.
    size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size()) continue;
    TMountEntry entry;
    unsigned id = 0;
    size_t colon = fields[2].find(':');
    if (!ParseUnsigned(fields[0], id) || colon == std::string_view::npos ||
        !ParseUnsigned(fields[2].substr(0, colon), entry.Major) ||
        !ParseUnsigned(fields[2].substr(colon + 1), entry.Minor))
      continue;
    entry.MountId = int(id);
    entry.Root = UnescapeMountField(fields[3]);
    entry.MountPoint = UnescapeMountField(fields[4]);
    entry.MountOptions = String(fields[5]);
    entry.FsType = UnescapeMountField(fields[separator + 1]);
    entry.Source = UnescapeMountField(fields[separator + 2]);
    if (separator + 3 < fields.size()) entry.SuperOptions = String(fields[separator + 3]);
    mounts.push_back(std::move(entry));
  }
  return mounts;
}

std::vector<TMountEntry> ReadMountTable(const String& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return ParseMountTable(text.str());
}

const TMountEntry* FindMountOfPath(const std::vector<TMountEntry>& mounts, const String& path) {
  const TMountEntry* best = nullptr;
  for (const TMountEntry& mount : mounts) {
    if (!IsPathAtOrBelow(path, mount.MountPoint)) continue;
    if (!best || mount.MountPoint.size() >= best->MountPoint.size()) best = &mount;
  }
  return best;
}

const TMountEntry* FindMountOfDevice(const std::vector<TMountEntry>& mounts, unsigned major,
                                     unsigned minor) {
  // A bind mount of a folder of the disc is not the disc's root: prefer the
  // mounts of the whole file system.
  const TMountEntry* found = nullptr;
  for (const TMountEntry& mount : mounts) {
    if (mount.Major != major || mount.Minor != minor) continue;
    if (!found || mount.Root == "/" || found->Root != "/") found = &mount;
  }
  return found;
}

String CanonicalPath(const String& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  String result = resolved;
  std::free(resolved);
  return result;
}
