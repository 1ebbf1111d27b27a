// platform/win/DirectorySearch.cpp
#include "platform/win/DirectorySearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <numeric>
#include <optional>
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
  String name;      // Windows form
  String sort_key;  // the name in ASCII lower case
  int rank = 2;     // "." first, then "..", then the others (DotRank)
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

int DotRank(const String& name) {
  return name == "." ? 0 : name == ".." ? 1 : 2;
}

bool EntryBefore(const TFoundEntry& a, const TFoundEntry& b) {
  if (a.rank != b.rank) return a.rank < b.rank;
  int folded = a.sort_key.compare(b.sort_key);
  if (folded != 0) return folded < 0;
  return a.name < b.name;
}

// The order of the search over `entries`. The indices are sorted, not the
// entries themselves, which are large to move.
std::vector<size_t> SearchOrder(const std::vector<TFoundEntry>& entries) {
  std::vector<size_t> order(entries.size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return EntryBefore(entries[a], entries[b]); });
  return order;
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

// A mask folded once for a whole listing instead of once for every name.
class TSearchMask {
 public:
  explicit TSearchMask(const String& mask) : every_name_(mask == "*" || mask == "*.*") {
    if (every_name_) return;
    folded_ = FoldedCodePoints(mask);
    size_t size = folded_.size();
    if (size >= 2 && folded_[size - 2] == U'.' && folded_[size - 1] == U'*')
      without_extension_.emplace(folded_.begin(), folded_.end() - 2);
  }

  bool Matches(const String& name) const {
    if (every_name_) return true;
    std::vector<char32_t> folded_name = FoldedCodePoints(name);
    if (GlobMatch(folded_name, folded_)) return true;
    return without_extension_ && GlobMatch(folded_name, *without_extension_);
  }

 private:
  bool every_name_;
  std::vector<char32_t> folded_;
  // "$$$.*" also matches "$$$": the mask without its ".*".
  std::optional<std::vector<char32_t>> without_extension_;
};

// Splits a search path into its folder as shown (up to and including the
// last separator) and the mask.
void SplitSearchPath(const String& path, String& shown, String& mask) {
  if (IsNativePath(path)) {
    size_t slash = path.rfind('/');
    shown = path.substr(0, slash + 1);
    mask = path.substr(slash + 1);
  } else {
    shown = ExtractFilePath(path);
    mask = ExtractFileName(path);
  }
}

// The folder `shown` resolved; `Root` tells whether it is a drive root or "/",
// where Windows shows no dot entries.
TSearchFolder ResolveShownFolder(String shown) {
  TSearchFolder folder;
  // An empty folder is the current one.
  DWORD error = PathToNative(shown.empty() ? String(".") : shown, folder.Native);
  if (error == ERROR_INVALID_DRIVE || error == ERROR_INVALID_NAME) error = ERROR_PATH_NOT_FOUND;
  folder.Error = error;
  if (error == ERROR_SUCCESS)
    folder.Root = IsDrivePath(shown) ? shown.find_first_not_of("\\/", 2) == String::npos
                                     : CanonicalPath(folder.Native) == "/";
  folder.Shown = std::move(shown);
  return folder;
}

}  // namespace

struct TFindState {
  std::vector<TFoundEntry> entries;
  std::vector<size_t> order;  // indices into `entries`, in the order of the search
  size_t next = 0;
};

namespace {

// Whether the listed folder's file system is mounted read-only. Asked only
// for an entry whose mode has a write bit (a disc's entries have none), and
// then once per listing.
class TReadOnlyMount {
 public:
  explicit TReadOnlyMount(int folder_fd) : folder_fd_(folder_fd) {}

  bool operator()() {
    if (!known_) {
      struct statvfs vfs;
      read_only_ = fstatvfs(folder_fd_, &vfs) == 0 && (vfs.f_flag & ST_RDONLY);
      known_ = true;
    }
    return read_only_;
  }

 private:
  int folder_fd_;
  bool known_ = false;
  bool read_only_ = false;
};

bool IsHiddenName(const String& name) {
  return name.size() > 0 && name[0] == '.' && name != "." && name != "..";
}

Integer AttributesOf(const String& name, const struct stat& st, TReadOnlyMount& read_only_mount) {
  Integer attr = 0;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || read_only_mount()) attr |= faReadOnly;
  if (IsHiddenName(name)) attr |= faHidden;
  if (S_ISDIR(st.st_mode))
    attr |= faDirectory;
  else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
    attr |= faArchive;
  return attr;
}

// Whether an entry is left out by what its name and its type in the listing
// already tell, so that it need not be read. The type given with the name is
// that of the entry itself (a link is DT_LNK), and only a folder can be
// mounted on a folder, so DT_DIR is exactly what reading the entry without
// following links would find.
bool ExcludedUnread(const String& name, unsigned char type, Integer exclude) {
  if ((exclude & faHidden) && IsHiddenName(name)) return true;
  return (exclude & faDirectory) && type == DT_DIR;
}

void AddEntry(TFindState& state, String name, const struct stat& st,
              TReadOnlyMount& read_only_mount, Integer exclude) {
  TFoundEntry entry;
  entry.attr = AttributesOf(name, st, read_only_mount);
  if (entry.attr & exclude) return;
  entry.sort_key = LowerCase(name);
  entry.rank = DotRank(name);
  entry.name = std::move(name);
  entry.size = S_ISREG(st.st_mode) ? Int64(st.st_size) : 0;
  entry.seconds = st.st_mtim.tv_sec;
  entry.nanoseconds = st.st_mtim.tv_nsec;
  state.entries.push_back(std::move(entry));
}

// Every entry is filled into a record once (FindNext moves past it), so its
// name is moved out.
void FillRecord(TFoundEntry& entry, TSearchRec& rec) {
  rec.Name = std::move(entry.name);
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
  data.cFileName = rec.Name;
}

// Opens the folder `path` for reading. The kernel takes at most PATH_MAX
// bytes of path in one call, but a tree may go deeper than that: a longer
// path is opened in pieces, each piece relative to the folder the one before
// it opened, so that no folder is out of reach however deep it lies.
int OpenFolder(const String& path) {
  constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_DIRECTORY | O_CLOEXEC;
  if (path.size() < PATH_MAX) return open(path.c_str(), kFlags);
  int fd = AT_FDCWD;
  size_t start = 0;
  while (start < path.size()) {
    // The longest run of whole names that fits; one name alone is at most
    // NAME_MAX bytes, so a run always holds at least one.
    size_t end = path.size();
    if (end - start >= PATH_MAX) {
      end = path.rfind('/', start + PATH_MAX - 1);
      if (end == String::npos || end <= start) end = path.find('/', start + 1);
      if (end == String::npos) end = path.size();
    }
    const String piece = path.substr(start, end - start);
    const int next = openat(fd, piece.empty() ? "/" : piece.c_str(), kFlags);
    const int error = errno;
    if (fd != AT_FDCWD) close(fd);
    if (next < 0) {
      errno = error;
      return -1;
    }
    fd = next;
    start = end;
    while (start < path.size() && path[start] == '/') ++start;
  }
  return fd;
}

// Reads the entries of a folder from the kernel a buffer at a time, as
// opendir and readdir do, but without the extra file-status call and heap
// buffer of opendir: a tree walk lists every folder twice, and the system
// calls are most of its cost. Closes the folder on every way out.
class TFolderReader {
 public:
  explicit TFolderReader(const String& path) : fd_(OpenFolder(path)) {}
  ~TFolderReader() {
    if (fd_ >= 0) close(fd_);
  }
  TFolderReader(const TFolderReader&) = delete;
  TFolderReader& operator=(const TFolderReader&) = delete;

  // False when the folder cannot be opened; errno tells why.
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

  // The next entry (the dot entries too); null after the last, or when the
  // folder cannot be read any further. As readdir, skips the slots of
  // deleted entries (inode 0) that some file systems leave.
  const dirent64* Next() {
    for (;;) {
      if (next_ >= filled_) {
        ssize_t filled = getdents64(fd_, buffer_, sizeof buffer_);
        if (filled <= 0) return nullptr;
        filled_ = size_t(filled);
        next_ = 0;
      }
      const auto* entry = reinterpret_cast<const dirent64*>(buffer_ + next_);
      next_ += entry->d_reclen;
      if (entry->d_ino != 0) return entry;
    }
  }

 private:
  int fd_;
  size_t next_ = 0;
  size_t filled_ = 0;
  alignas(dirent64) char buffer_[32768];
};

// Lists `folder` into `state`: the entries matching `mask` that have none of
// the bits of `exclude`, sorted. Returns 0 or the error of the listing.
int ListEntries(const TSearchFolder& folder, const String& mask_text, Integer exclude,
                TFindState& state) {
  if (folder.Error != ERROR_SUCCESS) return int(folder.Error);
  TFolderReader reader(folder.Native);
  if (!reader.IsOpen()) return int(ErrnoToWinError(errno));
  int fd = reader.Fd();
  TReadOnlyMount read_only_mount(fd);
  TSearchMask mask(mask_text);

  struct stat st;
  // The dot entries are folders: a search that leaves folders out need not read them.
  if (!folder.Root && !(exclude & faDirectory)) {
    for (const char* dot : {".", ".."})
      if (mask.Matches(dot) && fstatat(fd, dot, &st, 0) == 0)
        AddEntry(state, dot, st, read_only_mount, exclude);
  }
  while (const dirent64* entry = reader.Next()) {
    std::string_view native = entry->d_name;
    if (native == "." || native == "..") continue;
    String name = NativeNameToWindows(native);
    if (!mask.Matches(name) || ExcludedUnread(name, entry->d_type, exclude)) continue;
    // An entry removed since the listing is simply not there any more.
    if (fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    AddEntry(state, std::move(name), st, read_only_mount, exclude);
  }
  state.order = SearchOrder(state.entries);
  return 0;
}

int StartSearch(const TSearchFolder& folder, const String& mask, Integer attr, TSearchRec& rec) {
  FindClose(rec);
  rec.ExcludeAttr = ~attr & kSpecialAttributes;
  auto state = std::make_shared<TFindState>();
  if (int error = ListEntries(folder, mask, rec.ExcludeAttr, *state)) return error;
  if (state->entries.empty()) return int(ERROR_FILE_NOT_FOUND);
  rec.FindHandle = std::move(state);
  return FindNext(rec) == 0 ? 0 : int(ERROR_FILE_NOT_FOUND);
}

}  // namespace

TSearchFolder ResolveSearchFolder(const String& folder) {
  return ResolveShownFolder(IncludeTrailingPathDelimiter(folder));
}

TSearchFolder SearchSubfolder(const TSearchFolder& parent, const String& name) {
  // What resolving the whole path again would give: the drive form takes
  // "." and ".." by their text, but a listed folder is never named so, and
  // a listed folder (not a link) is never the root.
  TSearchFolder folder;
  folder.Shown = IncludeTrailingPathDelimiter(parent.Shown + name);
  folder.Native = parent.Native;
  if (folder.Native.empty() || folder.Native.back() != '/') folder.Native += '/';
  folder.Native += WindowsNameToNative(name);
  folder.Error = parent.Error;
  return folder;
}

int FindFirstIn(const TSearchFolder& folder, const String& mask, Integer attr, TSearchRec& rec) {
  // A mask holding a separator names another folder.
  if (ExtractFilePath(folder.Shown + mask) != folder.Shown)
    return FindFirst(folder.Shown + mask, attr, rec);
  return StartSearch(folder, mask, attr, rec);
}

std::vector<String> ListSubfolderNames(const TSearchFolder& folder) {
  std::vector<String> names;
  if (folder.Error != ERROR_SUCCESS) return names;
  TFolderReader reader(folder.Native);
  if (!reader.IsOpen()) return names;
  int fd = reader.Fd();
  std::vector<TFoundEntry> folders;
  struct stat st;
  while (const dirent64* entry = reader.Next()) {
    std::string_view native = entry->d_name;
    if (native == "." || native == "..") continue;
    // Any other type is not a folder (see ExcludedUnread); a folder is still
    // read, as a search reads it, so that one that cannot be read is left out.
    if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
    if (fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode)) continue;
    TFoundEntry& found = folders.emplace_back();
    found.name = NativeNameToWindows(native);
    found.sort_key = LowerCase(found.name);
  }
  names.reserve(folders.size());
  for (size_t index : SearchOrder(folders)) names.push_back(std::move(folders[index].name));
  return names;
}

bool MatchesSearchMask(const String& name, const String& mask) {
  return TSearchMask(mask).Matches(name);
}

int FindFirst(const String& path, Integer attr, TSearchRec& rec) {
  String shown, mask;
  SplitSearchPath(path, shown, mask);
  return StartSearch(ResolveShownFolder(std::move(shown)), mask, attr, rec);
}

int FindNext(TSearchRec& rec) {
  TFindState* state = rec.FindHandle.get();
  if (!state) return int(ERROR_INVALID_HANDLE);
  if (state->next >= state->entries.size()) return int(ERROR_NO_MORE_FILES);
  FillRecord(state->entries[state->order[state->next++]], rec);
  return 0;
}

void FindClose(TSearchRec& rec) {
  rec.FindHandle.reset();
}
