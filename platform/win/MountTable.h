// platform/win/MountTable.h
//
// The kernel's table of mounts as this process sees it (the mountinfo file),
// read afresh on every call because discs come and go while the program runs.
//
// Line format (one mount a line, fields separated by single blanks):
//   id parent major:minor root mount-point mount-options [optional...] - fs-type source
//   super-options
// Blanks, tabs, line feeds and backslashes inside a field are written as
// octal escapes (\040, \011, \012, \134).
#pragma once

#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

struct TMountEntry {
  int MountId = 0;
  unsigned Major = 0;
  unsigned Minor = 0;
  String Root;  // the folder of the file system that is mounted (a bind mount's source)
  String MountPoint;
  String MountOptions;
  String FsType;
  String Source;
  String SuperOptions;

  // True when either the mount or its file system is read-only.
  bool ReadOnly() const;
};

// Undoes the octal escapes of one mountinfo field; other text is kept.
String UnescapeMountField(std::string_view field);

// Parses the text of a mountinfo file; lines that do not parse are skipped.
std::vector<TMountEntry> ParseMountTable(std::string_view text);

// Reads and parses the mountinfo file at `path` (empty when it cannot be read).
std::vector<TMountEntry> ReadMountTable(const String& path);

// The mount that holds `path` (an absolute path without symbolic links): the
// one with the longest mount point that is `path` or a folder above it; of
// mounts on the same point, the last (the one on top). Null when none.
const TMountEntry* FindMountOfPath(const std::vector<TMountEntry>& mounts, const String& path);

// The topmost mount of the block device `major`:`minor`, null when it is not mounted.
const TMountEntry* FindMountOfDevice(const std::vector<TMountEntry>& mounts, unsigned major,
                                     unsigned minor);

// `path` made absolute with every symbolic link resolved; `path` itself when
// that fails (it does not exist, say).
String CanonicalPath(const String& path);
