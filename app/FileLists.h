// app/FileLists.h
//
// What the main window's two file lists and its search are made of, apart
// from the window itself: the name pattern of the search, the fill of a list
// view from a catalogue table (captions, sizes, dates, icons and the byte
// total), the column-to-field rule and tag cycle of column sorting, and the
// copy of matching rows into the search-result table.
//
// File-type icons come through a probe file: a file matching "$$$.*" that the
// user puts into the program's folder. For every file listed, the probe is
// renamed to take that file's extension and the shell is asked for the
// probe's icon, so the shell sees a real file of that type. The program never
// creates the probe; without one no file-type icons appear, and the probe
// keeps the extension of the last file listed.
//
// Threads: GUI thread only.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

class TCustomListView;
class TDataSet;
class TListColumn;
class TvomMemTable;

// The search's name pattern: upper-cased in the process locale and cut at
// every "*". The text before the first "*" must begin a name; every other
// non-empty piece must occur somewhere in it, in any order and overlapping
// allowed; the end of a name is never anchored. Text that is not valid UTF-8
// keeps its bad bytes, which then match themselves byte for byte.
class TNamePattern {
 public:
  explicit TNamePattern(std::string_view pattern);

  // Whether `name` (as stored) matches.
  bool Matches(std::string_view name) const;
  // The same for a name already upper-cased with AnsiUpperCase.
  bool MatchesUpper(std::string_view upperName) const;

  // The piece that must begin a name (empty: none).
  const String& FirstPiece() const { return first_; }
  const std::vector<String>& FurtherPieces() const { return further_; }

 private:
  String first_;
  std::vector<String> further_;
  bool ascii_fast_ = true;
  mutable String scratch_;  // the upper-cased name, kept to spare an allocation per name
};

// The table field a list column sorts on: "Name" DirName, "Size" Filesize,
// "Date created" DateCreated; any other caption none (empty).
String ColumnFieldName(const String& Caption);

// Sorts `table` on the field of `column` and moves the column's tag on:
// a column not sorted yet (0) sorts ascending ignoring case and becomes the
// only sorted column of `list` (1); ascending (1) turns descending (2) and
// descending ascending again. The caller refills the list.
void SortColumn(TCustomListView* list, TListColumn* column, TvomMemTable* table);

// Sets the tag of every column of `list` to 0 (not sorted).
void ResetColumnTags(TCustomListView* list);

// The shell's small icons for the rows of a list.
class TFileTypeIcons {
 public:
  // `folder`: the program's folder, where the probe file lies.
  explicit TFileTypeIcons(const String& folder);

  // The icon of a file named `name` through the probe; nothing when there is
  // no probe or it cannot take the name's extension.
  std::optional<Integer> FileIcon(const String& name);
  // The folder icon (the program's folder asked for its own icon).
  Integer FolderIcon();

 private:
  String folder_;
  std::optional<Integer> folder_icon_;
};

// Fills `list` from every row of `table`, first to last, as the two lists
// show them: the name as caption, the size (empty for null) and date as
// subitems; files get their type's icon through `icons` when `showIcons`
// is set (else none), folders and disks the folder icon. The list does not
// paint while it fills. Returns the sum of the rows' sizes.
Int64 FillList(TCustomListView* list, TDataSet* table, bool showIcons, TFileTypeIcons& icons);

// Appends a copy of the current row of `source` to `found`, field by field
// by position, as text.
void AddFoundRow(TDataSet* source, TDataSet* found);

// Empties `found` and copies into it every row of `files` whose name
// matches `pattern`, walking the whole table with its filter off (switched on
// again afterwards, whatever happens), then sorts `found` by name ignoring
// case. `afterRow` runs after every row copied (the window pumps messages
// there). An empty pattern does nothing. Returns the number of hits.
Integer SearchNames(TvomMemTable* files, TvomMemTable* found, const String& pattern,
                    const std::function<void()>& afterRow = {});
