// platform/win/DirectorySearch.cpp
#include "platform/win/DirectorySearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"
#include "platform/win/Drives.h"
#include "platform/win/MountTable.h"
#include "platform/win/WinError.h"

namespace {

// The bits that keep an entry out unless the search asks for them.
constexpr Integer kSpecialAttributes = faHidden | faSysFile | faVolumeID | faDirectory;
// Seconds from 1601-01-01 (FILETIME's origin) to 1970-01-01.
constexpr Int64 kFileTimeEpochOffset = 11644473600;

struct TFoundEntry {
  String name;  // Windows form
  String sort_key;  // the name in ASCII lower case
  Integer attr = 0;
  Int64 size = 0;
  Int64 seconds = 0;
  Int64 nanoseconds = 0;
};

FILETIME ToFileTime(Int64 seconds, Int64 nanoseconds) {
  UInt64 ticks = UInt64(seconds + kFileTimeEpochOffset) * 10000000u + UInt64(nanoseconds / 100);
  return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

TDateTime LocalTime(Int64 seconds, Int64 nanoseconds) {
  try {
    return UnixTimeToDateTime(seconds, nanoseconds);
  } catch (const EConvertError&) {
    return 0;  // a time outside the years 1..9999: the origin, as for an unreadable time
  }
}

int DotRank(const String& name) { return name == "." ? 0 : name == ".." ? 1 : 2; }

bool EntryBefore(const TFoundEntry& a, const TFoundEntry& b) {
  int rank_a = DotRank(a.name), rank_b = DotRank(b.name);
  if (rank_a != rank_b) return rank_a < rank_b;
  int folded = a.sort_key.compare(b.sort_key);
  if (folded != 0) return folded < 0;
  return a.name < b.name;
}

std::vector<char32_t> FoldedCodePoints(const String& text) {
  std::vector<char32_t> result;
  size_t pos = 0;
  while (pos < text.size()) result.push_back(FoldCaseSimple(NextCodePoint(text, pos)));
  return result;
}

// '*' and '?' over code points, backtracking to the last star.
bool GlobMatch(const std::vector<char32_t>& name, const std::vector<char32_t>& mask) {
  size_t n = 0, m = 0;
  size_t star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == U'*') {
      star = m++;
      star_n = n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

// Splits `path` into the native folder to list and the mask; `root` tells
// whether the folder is a drive root or "/", where Windows shows no dot entries.
DWORD ResolveSearch(const String& path, String& folder, String& mask, bool& root) {
  String shown;
  if (IsNativePath(path)) {
    size_t slash = path.rfind('/');
    shown = path.substr(0, slash + 1);
    mask = path.substr(slash + 1);
  } else {
    shown = ExtractFilePath(path);
    mask = ExtractFileName(path);
  }
  if (shown.empty()) shown.push_back('.');  // the current folder
  DWORD error = PathToNative(shown, folder);
  if (error == ERROR_INVALID_DRIVE || error == ERROR_INVALID_NAME) return ERROR_PATH_NOT_FOUND;
  if (error != ERROR_SUCCESS) return error;
  root = IsDrivePath(shown) ? shown.find_first_not_of("\\/", 2) == String::npos
                            : CanonicalPath(folder) == "/";
  return ERROR_SUCCESS;
}

}  // namespace

struct TFindState {
  std::vector<TFoundEntry> entries;
  size_t next = 0;
};

namespace {

Integer AttributesOf(const String& name, const struct stat& st, bool read_only_mount) {
  Integer attr = 0;
  if (read_only_mount || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= faReadOnly;
  if (name.size() > 0 && name[0] == '.' && name != "." && name != "..") attr |= faHidden;
  if (S_ISDIR(st.st_mode))
    attr |= faDirectory;
  else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
    attr |= faArchive;
  return attr;
}

void AddEntry(TFindState& state, String name, const struct stat& st, bool read_only_mount,
              Integer exclude) {
  TFoundEntry entry;
  entry.attr = AttributesOf(name, st, read_only_mount);
  if (entry.attr & exclude) return;
  entry.sort_key = LowerCase(name);
  entry.name = std::move(name);
  entry.size = S_ISREG(st.st_mode) ? Int64(st.st_size) : 0;
  entry.seconds = st.st_mtim.tv_sec;
  entry.nanoseconds = st.st_mtim.tv_nsec;
  state.entries.push_back(std::move(entry));
}

void FillRecord(const TFoundEntry& entry, TSearchRec& rec) {
  rec.Name = entry.name;
  rec.Attr = entry.attr;
  rec.Size = entry.size;
  rec.TimeStamp = LocalTime(entry.seconds, entry.nanoseconds);
  TWin32FindData& data = rec.FindData;
  data.dwFileAttributes = DWORD(entry.attr);
  data.ftLastWriteTime = ToFileTime(entry.seconds, entry.nanoseconds);
  data.ftCreationTime = data.ftLastWriteTime;
  data.ftLastAccessTime = data.ftLastWriteTime;
  data.nFileSizeHigh = DWORD(UInt64(entry.size) >> 32);
  data.nFileSizeLow = DWORD(UInt64(entry.size));
  data.cFileName = entry.name;
}

}  // namespace

bool MatchesSearchMask(const String& name, const String& mask) {
  if (mask == "*" || mask == "*.*") return true;
  std::vector<char32_t> folded_name = FoldedCodePoints(name);
  std::vector<char32_t> folded_mask = FoldedCodePoints(mask);
  if (GlobMatch(folded_name, folded_mask)) return true;
  size_t size = folded_mask.size();
  if (size >= 2 && folded_mask[size - 2] == U'.' && folded_mask[size - 1] == U'*') {
    folded_mask.resize(size - 2);
    return GlobMatch(folded_name, folded_mask);
  }
  return false;
}

int FindFirst(const String& path, Integer attr, TSearchRec& rec) {
  FindClose(rec);
  rec.ExcludeAttr = ~attr & kSpecialAttributes;
  String folder, mask;
  bool root = false;
  if (DWORD error = ResolveSearch(path, folder, mask, root)) return int(error);

  DIR* dir = opendir(folder.c_str());
  if (!dir) return int(ErrnoToWinError(errno));
  int fd = dirfd(dir);
  struct statvfs vfs;
  bool read_only_mount = fstatvfs(fd, &vfs) == 0 && (vfs.f_flag & ST_RDONLY);

  auto state = std::make_shared<TFindState>();
  struct stat st;
  if (!root) {
    for (const char* dot : {".", ".."})
      if (MatchesSearchMask(dot, mask) && fstatat(fd, dot, &st, 0) == 0)
        AddEntry(*state, dot, st, read_only_mount, rec.ExcludeAttr);
  }
  while (dirent* entry = readdir(dir)) {
    String native = entry->d_name;
    if (native == "." || native == "..") continue;
    String name = NativeNameToWindows(native);
    if (!MatchesSearchMask(name, mask)) continue;
    // An entry removed since the listing is simply not there any more.
    if (fstatat(fd, native.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    AddEntry(*state, std::move(name), st, read_only_mount, rec.ExcludeAttr);
  }
  closedir(dir);
  if (state->entries.empty()) return int(ERROR_FILE_NOT_FOUND);

  std::sort(state->entries.begin(), state->entries.end(), EntryBefore);
  rec.FindHandle = std::move(state);
  return FindNext(rec) == 0 ? 0 : int(ERROR_FILE_NOT_FOUND);
}

int FindNext(TSearchRec& rec) {
  TFindState* state = rec.FindHandle.get();
  if (!state) return int(ERROR_INVALID_HANDLE);
  if (state->next >= state->entries.size()) return int(ERROR_NO_MORE_FILES);
  FillRecord(state->entries[state->next++], rec);
  return 0;
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }
