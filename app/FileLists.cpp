// app/FileLists.cpp
#include "app/FileLists.h"

#include <algorithm>

#include "app/StoredValues.h"
#include "memtable/Index.h"
#include "memtable/MemTable.h"
#include "platform/controls/ListView.h"
#include "platform/data/Field.h"
#include "platform/rtl/FileServices.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/DirectorySearch.h"
#include "platform/win/ShellIcons.h"

// --- the name pattern -----------------------------------------------------------------------

TNamePattern::TNamePattern(std::string_view pattern) {
  // Only the Turkic languages upper-case ASCII letters otherwise ("i" to
  // "İ"); elsewhere an ASCII name is upper-cased here without asking ICU,
  // which for a catalogue of a million names is most of the search's time.
  const String locale = ProcessCaseLocale();
  const std::string_view language = std::string_view(locale).substr(0, locale.find('_'));
  ascii_fast_ = language != "tr" && language != "az";
  const String upper = AnsiUpperCase(pattern);
  std::string_view rest = upper;
  std::size_t star = rest.find('*');
  first_ = String(rest.substr(0, star));
  while (star != std::string_view::npos) {
    rest.remove_prefix(star + 1);
    star = rest.find('*');
    std::string_view piece = rest.substr(0, star);
    if (!piece.empty()) further_.emplace_back(piece);
  }
}

bool TNamePattern::Matches(std::string_view name) const {
  if (ascii_fast_ && std::all_of(name.begin(), name.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    scratch_.resize(name.size());
    std::transform(name.begin(), name.end(), scratch_.begin(), AsciiUpper);
    return MatchesUpper(scratch_);
  }
  return MatchesUpper(AnsiUpperCase(name));
}

bool TNamePattern::MatchesUpper(std::string_view upperName) const {
  if (!upperName.starts_with(first_)) return false;
  for (const String& piece : further_)
    if (upperName.find(piece) == std::string_view::npos) return false;
  return true;
}

// --- column sorting -------------------------------------------------------------------------

String ColumnFieldName(const String& Caption) {
  if (Caption == "Name") return "DirName";
  if (Caption == "Size") return "Filesize";
  if (Caption == "Date created") return "DateCreated";
  return String();
}

void ResetColumnTags(TCustomListView* list) {
  for (Integer i = 0; i < list->Columns()->Count(); ++i) list->Column(i)->SetTag(0);
}

void SortColumn(TCustomListView* list, TListColumn* column, TvomMemTable* table) {
  table->SetSortFields(ColumnFieldName(column->Caption()));
  switch (column->Tag()) {
    case 0:
      table->Sort(mtcoCaseInsensitive);
      ResetColumnTags(list);
      column->SetTag(1);
      break;
    case 1:
      table->Sort(mtcoDescending);
      column->SetTag(2);
      break;
    default:
      table->Sort(mtcoCaseInsensitive);
      column->SetTag(1);
      break;
  }
}

// --- icons ----------------------------------------------------------------------------------

TFileTypeIcons::TFileTypeIcons(const String& folder)
    : folder_(IncludeTrailingPathDelimiter(folder)) {}

std::optional<Integer> TFileTypeIcons::FileIcon(const String& name) {
  TSearchRec rec;
  if (FindFirst(folder_ + "$$$.*", faAnyFile & ~faDirectory, rec) != 0) return std::nullopt;
  const String probe = folder_ + rec.Name;
  FindClose(rec);
  const String renamed = ChangeFileExt(probe, AnsiLowerCase(ExtractFileExt(name)));
  // The probe may already carry this extension: renaming a file onto itself
  // is refused here (the target exists), yet the probe is then just right.
  if (renamed != probe && !RenameFile(probe, renamed)) return std::nullopt;
  SHFILEINFOA info;
  if (SHGetFileInfoA(renamed.c_str(), 0, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_SMALLICON) == 0)
    return std::nullopt;
  return info.iIcon;
}

Integer TFileTypeIcons::FolderIcon() {
  if (!folder_icon_) {
    SHFILEINFOA info;
    folder_icon_ = SHGetFileInfoA(folder_.c_str(), 0, &info, sizeof info,
                                  SHGFI_SYSICONINDEX | SHGFI_SMALLICON) != 0
                       ? info.iIcon
                       : -1;
  }
  return *folder_icon_;
}

// --- filling a list -------------------------------------------------------------------------

Int64 FillList(TCustomListView* list, TDataSet* table, bool showIcons, TFileTypeIcons& icons) {
  TListItems* items = list->Items();
  items->BeginUpdate();
  TScopeExit endUpdate([&] { items->EndUpdate(); });
  items->Clear();
  Int64 bytes = 0;
  if (!table->Active() || table->IsEmpty()) return bytes;
  TField* name = table->FieldByName("DirName");
  TField* size = table->FieldByName("FileSize");
  TField* date = table->FieldByName("DateCreated");
  TField* id = table->FieldByName("Id");
  for (table->First(); !table->Eof(); table->Next()) {
    TListItem* item = items->Add();
    item->SetCaption(name->AsString());
    bytes += size->IsNull() ? 0 : size->AsLargeInt();
    if (id->AsString().empty()) {
      if (!showIcons)
        item->SetImageIndex(-1);
      else if (std::optional<Integer> icon = icons.FileIcon(item->Caption()))
        item->SetImageIndex(*icon);
    } else {
      item->SetImageIndex(icons.FolderIcon());
    }
    item->SubItems()->Add(size->AsString());
    item->SubItems()->Add(date->AsString());
  }
  return bytes;
}

// --- the search -----------------------------------------------------------------------------

void AddFoundRow(TDataSet* source, TDataSet* found) {
  found->Append();
  const Integer count = std::min(source->FieldCount(), found->FieldCount());
  for (Integer i = 0; i < count; ++i) found->Fields(i)->SetAsString(source->Fields(i)->AsString());
  found->Post();
}

Integer SearchNames(TvomMemTable* files, TvomMemTable* found, const String& pattern,
                    const std::function<void()>& afterRow) {
  if (pattern.empty() || !files->Active() || !found->Active()) return 0;
  found->EmptyTable();
  const TNamePattern match(pattern);
  Integer hits = 0;
  {
    // The walk moves the working table's cursor through every row: whatever
    // shows that table need not follow each step.
    files->DisableControls();
    files->SetFiltered(false);
    TScopeExit refilter([&] {
      files->SetFiltered(true);
      files->EnableControls();
    });
    TField* name = files->FieldByName("DIRNAME");
    const auto take = [&] {
      AddFoundRow(files, found);
      ++hits;
      if (afterRow) afterRow();
    };
    const TvomCommon& store = files->Store();
    TvomIndex* const index = files->CurrentIndex();
    const std::uint64_t stamp = store.ChangeStamp();
    const auto unchanged = [&] {
      return files->Active() && files->CurrentIndex() == index && store.ChangeStamp() == stamp;
    };
    files->First();
    if (!files->MustTestRecords() && index != nullptr && ReadsInPlace(store, name)) {
      // Every row of the order is shown: the names are read where they are
      // stored, and the cursor goes only to the rows that match. Should the
      // messages pumped after a hit change the table, the walk goes on row
      // by row from there.
      for (Integer p = 0; unchanged() && p < index->Count(); ++p) {
        if (!match.Matches(StoredText(store, index->Refs(p), name))) continue;
        files->SetRecNo(p + 1);
        take();
      }
      // Past the last row, as the walk row by row ends; or past the last hit.
      if (unchanged()) files->Last();
      files->Next();
    }
    for (; !files->Eof(); files->Next())
      if (match.Matches(name->AsString())) take();
  }
  found->SortOn("DIRName", mtcoCaseInsensitive);
  return hits;
}
