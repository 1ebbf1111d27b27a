// catalog/FindFile.cpp
#include "catalog/FindFile.h"

#include <mutex>

#include "platform/rtl/Checked.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/PropertyRegistry.h"

namespace {

String WithSeparator(const String& folder) {
  return folder.empty() ? folder : IncludeTrailingPathDelimiter(folder);
}

bool IsDotEntry(const String& name) { return name == "." || name == ".."; }

void CountUp(Cardinal& count) {
  if (count == UINT32_MAX) RaiseIntOverflow();
  ++count;
}

// Every attribute bit, so that hidden and system folders are walked too.
constexpr Integer kAllAttributes = faReadOnly | faHidden | faSysFile | faVolumeID | faDirectory |
                                   faArchive;

// Closes a search on every way out, a handler's exception included.
class TSearchScope {
 public:
  explicit TSearchScope(TSearchRec& rec) : rec_(rec) {}
  ~TSearchScope() { FindClose(rec_); }
  TSearchScope(const TSearchScope&) = delete;
  TSearchScope& operator=(const TSearchScope&) = delete;

 private:
  TSearchRec& rec_;
};

}  // namespace

TFindFile::TFindFile(TComponent* owner)
    : TComponent(owner), files_(std::make_unique<TStringList>()) {}

TFindFile::~TFindFile() = default;

void TFindFile::SetDirectory(const String& value) { directory_ = WithSeparator(value); }

void TFindFile::SetFiles(const TStrings* value) { files_->Assign(value); }

void TFindFile::Execute() {
  attribute_mask_ = static_cast<Integer>(attributes_.Bits());
  files_->Clear();
  total_bytes_ = 0;
  folder_count_ = 0;
  file_count_ = 0;
  abort_ = false;
  if (BeforeExecute) BeforeExecute(this);
  if (!directory_.empty()) {
    if (recurse_)
      SearchTree(directory_);
    else
      SearchFolder(directory_);
  }
  if (AfterExecute) AfterExecute(this);
}

void TFindFile::SearchFolder(String folder) {
  folder = WithSeparator(folder);
  if (OnNewPath) OnNewPath(this, folder, abort_);
  if (abort_) return;

  TSearchRec rec;
  TSearchScope scope(rec);
  int result = FindFirst(folder + filter_, attribute_mask_, rec);
  while (result == 0) {
    if (!IsDotEntry(rec.Name)) {
      String name = folder + rec.Name;
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

void TFindFile::ListSubfolders(std::deque<String>& queue, String folder) {
  folder = WithSeparator(folder);
  TSearchRec rec;
  TSearchScope scope(rec);
  int result = FindFirst(folder + "*.*", kAllAttributes, rec);
  while (result == 0) {
    if ((rec.Attr & faDirectory) && !IsDotEntry(rec.Name)) queue.push_back(folder + rec.Name);
    result = FindNext(rec);
  }
}

void TFindFile::SearchTree(String folder) {
  std::deque<String> queue{WithSeparator(folder)};
  while (!queue.empty()) {
    String next = queue.front();
    ListSubfolders(queue, next);
    SearchFolder(next);
    queue.pop_front();
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
