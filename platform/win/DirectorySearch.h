// platform/win/DirectorySearch.h
//
// Directory search as the program's code expects it of Windows: FindFirst
// opens a search for a folder and a name mask, FindNext steps through the
// entries, FindClose ends it.
//
//   TSearchRec rec;
//   if (FindFirst("D:\\Photos\\*.*", faAnyFile, rec) == 0) {
//     do { ... rec.Name, rec.Attr, rec.Size ... } while (FindNext(rec) == 0);
//     FindClose(rec);
//   }
//
// Paths come in both forms: "D:\Photos\*.*" (through the drive mapping) and
// "/opt/zorvet/$$$.*"; the mask is the last component. In either form a name
// holding a character that Windows forbids is given, and shown, with that
// character moved to U+F000 + its code (see platform/rtl/Paths.h), so a
// '\' or ':' inside a Linux name never splits a path.
//
// What a search returns, the same on every file system:
// - the entries whose names match the mask (MatchesSearchMask), in one fixed
//   order: "." and ".." first (in any folder but a drive root or "/", as
//   Windows returns them in a subfolder), then by name compared without
//   regard to ASCII case, equal names by their bytes;
// - attribute bits: faReadOnly when the entry's mode has no write bit or its
//   file system is mounted read-only, faHidden for a name beginning with '.',
//   faDirectory, faArchive for regular files (faSysFile and faVolumeID never
//   occur); an entry with faHidden, faSysFile or faDirectory is returned
//   only when the search asks for that bit;
// - symbolic links are not followed: a link is an entry of its own (faArchive,
//   size 0), never a folder, so a walk cannot loop;
// - the size of a regular file (0 for anything else) and the last-write time.
//
// Threads: a search belongs to one thread; different searches may run on
// different threads.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/WinError.h"
#include "platform/win/WinTypes.h"

constexpr Integer faReadOnly = 0x01;
constexpr Integer faHidden = 0x02;
constexpr Integer faSysFile = 0x04;
constexpr Integer faVolumeID = 0x08;
constexpr Integer faDirectory = 0x10;
constexpr Integer faArchive = 0x20;
constexpr Integer faAnyFile = 0x3F;

// The system's record of one entry. The name is a String: a Linux name of
// 255 bytes may grow past Windows' 260 characters once its forbidden
// characters are moved.
struct TWin32FindData {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;  // Linux keeps no creation time: the last-write time
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  String cFileName;
};

struct TFindState;

struct TSearchRec {
  TDateTime TimeStamp = 0;  // last write, local time
  Int64 Size = 0;
  Integer Attr = 0;
  String Name;
  Integer ExcludeAttr = 0;
  TWin32FindData FindData;
  // The open search; shared by copies of the record, released by FindClose.
  std::shared_ptr<TFindState> FindHandle;
};

// Starts a search and fills `rec` with the first entry. Returns 0, or
// ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when the
// folder does not exist (or the drive is not mapped), ERROR_NOT_READY for an
// optical drive without a mounted disc, ERROR_ACCESS_DENIED when the folder
// cannot be read. `attr` is the set of fa... bits asked for.
int FindFirst(const String& path, Integer attr, TSearchRec& rec);

// The next entry; ERROR_NO_MORE_FILES after the last.
int FindNext(TSearchRec& rec);

// Ends the search (harmless on a record without one).
void FindClose(TSearchRec& rec);

// A folder resolved once for a run of searches in it and in the folders
// below it. A tree walk resolves its start folder once instead of mapping
// the drive and reading the mount table for every search; the searches give
// what FindFirst gives for the same folder, with the drive mapping of the
// moment the folder was resolved.
struct TSearchFolder {
  String Shown;                 // as the program shows it, ending in its separator
  String Native;                // the Linux path
  bool Root = false;            // a drive root or "/": a search shows no dot entries
  DWORD Error = ERROR_SUCCESS;  // why the folder does not resolve; every search gives it
};

// `folder` (either form; the separator is appended when it lacks one), resolved
// now. A folder that does not resolve gives the error FindFirst would give.
TSearchFolder ResolveSearchFolder(const String& folder);

// The folder `name` (a name as a search shows it) inside `parent`.
TSearchFolder SearchSubfolder(const TSearchFolder& parent, const String& name);

// FindFirst(folder.Shown + mask, attr, rec) without resolving the folder again.
int FindFirstIn(const TSearchFolder& folder, const String& mask, Integer attr, TSearchRec& rec);

// The names of the real folders (not links) in `folder`, hidden ones too, as
// and in the order a search of "*.*" with faAnyFile shows them, without the
// dot entries; empty when the folder cannot be listed. Only the folders are
// read: on file systems that give the type of an entry with its name, the
// files are never looked at.
std::vector<String> ListSubfolderNames(const TSearchFolder& folder);

// Whether `name` matches `mask` as Windows matches file names: without
// regard to case; '?' stands for one character and '*' for any run; "*" and
// "*.*" match every name, and a mask ending in ".*" also matches the name
// without that extension ("$$$.*" matches "$$$").
bool MatchesSearchMask(const String& name, const String& mask);
