// catalog/FindFile.cpp
#include "catalog/FindFile.h"

#include <mutex>

#include "platform/rtl/Checked.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"

namespace {

String WithSeparator(const String& folder) {
  return folder.empty() ? folder : IncludeTrailingPathDelimiter(folder);
}

bool IsDotEntry(const String& name) {
  return name == "." || name == "..";
}

void CountUp(Cardinal& count) {
  if (count == UINT32_MAX) RaiseIntOverflow();
  ++count;
}

}  // namespace

TFindFile::TFindFile(TComponent* owner)
    : TComponent(owner), files_(std::make_unique<TStringList>()) {}

TFindFile::~TFindFile() = default;

void TFindFile::SetDirectory(const String& value) {
  directory_ = WithSeparator(value);
}

void TFindFile::SetFiles(const TStrings* value) {
  files_->Assign(value);
}

void TFindFile::Execute() {
  attribute_mask_ = static_cast<Integer>(attributes_.Bits());
  files_->Clear();
  total_bytes_ = 0;
  folder_count_ = 0;
  file_count_ = 0;
  abort_ = false;
  if (BeforeExecute) BeforeExecute(this);
  if (!directory_.empty()) {
    TSearchFolder start = ResolveSearchFolder(directory_);
    if (recurse_)
      SearchTree(start);
    else
      SearchFolder(start);
  }
  if (AfterExecute) AfterExecute(this);
}

void TFindFile::SearchFolder(const TSearchFolder& folder) {
  if (OnNewPath) OnNewPath(this, folder.Shown, abort_);
  if (abort_) return;

  TSearchRec rec;
  // Closed on every way out, a handler's exception included.
  TScopeExit close_search([&rec] { FindClose(rec); });
  String name;  // one buffer for the full names of the folder's entries
  int result = FindFirstIn(folder, filter_, attribute_mask_, rec);
  while (result == 0) {
    if (!IsDotEntry(rec.Name)) {
      name.assign(folder.Shown).append(rec.Name);
      files_->Add(name);
      CountUp(rec.Attr == faDirectory ? folder_count_ : file_count_);
      Int64 size = Int64((UInt64(rec.FindData.nFileSizeHigh) << 32) | rec.FindData.nFileSizeLow);
      total_bytes_ = CheckedAdd(total_bytes_, size);
      if (OnFind) OnFind(this, name, rec, abort_);
      if (abort_) break;
    }
    result = FindNext(rec);
  }
}

void TFindFile::ListSubfolders(std::deque<TSearchFolder>& queue, const TSearchFolder& folder) {
  // The same folders, in the same order, as a search of "*.*" with every
  // attribute bit would give, without reading the files.
  for (const String& name : ListSubfolderNames(folder))
    queue.push_back(SearchSubfolder(folder, name));
}

void TFindFile::SearchTree(const TSearchFolder& folder) {
  std::deque<TSearchFolder> queue{folder};
  while (!queue.empty()) {
    TSearchFolder next = std::move(queue.front());
    queue.pop_front();
    ListSubfolders(queue, next);
    SearchFolder(next);
    if (abort_) break;
  }
}

void DeclareFindFileProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    TPublishedClass<TFindFile, TComponent>()
        .AddBoolean("Recurse", &TFindFile::Recurse, &TFindFile::SetRecurse, false)
        .AddString("Directory", &TFindFile::Directory, &TFindFile::SetDirectory)
        .AddString("Filter", &TFindFile::Filter, &TFindFile::SetFilter)
        .StoredWhen([](TFindFile* f) { return f->Filter() != "*.*"; })
        .AddObject("Files", &TFindFile::Files)
        .AddSet("Attributes", &TFindFile::Attributes, &TFindFile::SetAttributes,
                {"ffReadOnly", "ffHidden", "ffSystem", "ffVolumeID", "ffDirectory", "ffArchive"},
                TAttrOptions{ffReadOnly, ffHidden, ffSystem, ffArchive}.Bits());
  });
}
