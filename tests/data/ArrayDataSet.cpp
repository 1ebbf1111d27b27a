// tests/data/ArrayDataSet.cpp
#include "tests/data/ArrayDataSet.h"

#include <cstdlib>
#include <cstring>

#include "platform/data/DataMessages.h"
#include "platform/data/Fields.h"

TArrayDataSet::TArrayDataSet(TComponent* owner) : TDataSet(owner) {}

TArrayDataSet::~TArrayDataSet() {
  Close();
}

void TArrayDataSet::AddRow(const std::vector<Variant>& values) {
  if (!open_) {
    pending_rows_.push_back(values);
    return;
  }
  // Values reach the row through the fields, in the filter state, whose
  // record is a scratch buffer.
  TRecordBuffer buffer = AllocRecordBuffer();
  filter_buffer_ = buffer;
  const TDataSetState saved = SetTempState(dsFilter);
  for (std::size_t i = 0; i < values.size(); ++i) {
    TField* field = FieldByNumber(static_cast<Integer>(i) + 1);
    if (values[i].IsNull())
      field->Clear();
    else
      field->SetAsVariant(values[i]);
  }
  RestoreState(saved);
  filter_buffer_ = nullptr;
  rows_.push_back(
      Row{next_id_++, std::vector<Byte>(buffer + kHeader, buffer + kHeader + data_size_)});
  FreeRecordBuffer(buffer);
}

// --- buffers ----------------------------------------------------------------------

TRecordBuffer TArrayDataSet::AllocRecordBuffer() {
  return static_cast<TRecordBuffer>(
      std::calloc(static_cast<std::size_t>(kHeader + data_size_ + CalcFieldsSize()), 1));
}

void TArrayDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  std::free(buffer);
  buffer = nullptr;
}

void TArrayDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(kHeader + data_size_ + CalcFieldsSize()));
}

void TArrayDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + kHeader + data_size_, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

Integer TArrayDataSet::IdOf(TRecordBuffer buffer) const {
  Integer id;
  std::memcpy(&id, buffer, 4);
  return id;
}

Integer TArrayDataSet::IndexOfId(Integer id) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].id == id) return static_cast<Integer>(i);
  return -1;
}

void TArrayDataSet::FillBuffer(TRecordBuffer buffer, Integer row) {
  std::memcpy(buffer, &rows_[static_cast<std::size_t>(row)].id, 4);
  buffer[4] = bfCurrent;
  std::memcpy(buffer + kHeader, rows_[static_cast<std::size_t>(row)].data.data(),
              static_cast<std::size_t>(data_size_));
  GetCalcFields(buffer);
}

bool TArrayDataSet::Accepts(Integer row, bool force) {
  if ((!Filtered() && !force) || !OnFilterRecord()) return true;
  TRecordBuffer buffer = AllocRecordBuffer();
  FillBuffer(buffer, row);
  filter_buffer_ = buffer;
  const TDataSetState saved = SetTempState(dsFilter);
  bool accept = true;
  OnFilterRecord()(this, accept);
  RestoreState(saved);
  filter_buffer_ = nullptr;
  FreeRecordBuffer(buffer);
  return accept;
}

TGetResult TArrayDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  switch (mode) {
    case gmCurrent:
      if (cursor_ < 0) return grBOF;
      if (cursor_ >= RowCount() || !Accepts(cursor_, false)) return grEOF;
      break;
    case gmNext:
      do {
        if (cursor_ >= RowCount() - 1) {
          cursor_ = RowCount();
          return grEOF;
        }
        ++cursor_;
      } while (!Accepts(cursor_, false));
      break;
    case gmPrior:
      do {
        if (cursor_ <= 0) {
          cursor_ = -1;
          return grBOF;
        }
        --cursor_;
      } while (!Accepts(cursor_, false));
      break;
  }
  FillBuffer(buffer, cursor_);
  return grOK;
}

// --- fields -----------------------------------------------------------------------

TRecordBuffer TArrayDataSet::RecordForState() {
  switch (State()) {
    case dsCalcFields:
      return CalcBuffer();
    case dsFilter:
      return filter_buffer_;
    default:
      return ActiveBuffer();
  }
}

Byte* TArrayDataSet::FieldSlot(TRecordBuffer record, TField* field) {
  if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
    return record + kHeader + data_size_ + field->Offset();
  return record + kHeader + offsets_[static_cast<std::size_t>(field->FieldNo())];
}

bool TArrayDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = RecordForState();
  if (!record) return false;
  if (State() == dsOldValue) {
    // The value before the edit: the stored row of the active record.
    const Integer row = IndexOfId(IdOf(record));
    if (row >= 0 && field->FieldKind() == fkData) {
      const Byte* slot = rows_[static_cast<std::size_t>(row)].data.data() +
                         offsets_[static_cast<std::size_t>(field->FieldNo())];
      if (!slot[0]) return false;
      if (buffer) std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
      return true;
    }
  }
  const Byte* slot = FieldSlot(record, field);
  if (!slot[0]) return false;
  if (buffer) std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
  return true;
}

void TArrayDataSet::SetFieldData(TField* field, const void* buffer) {
  if (!dsWriteModes.Contains(State())) DatabaseError(MsgNotEditing, this);
  if (field->ReadOnly() && State() != dsCalcFields && State() != dsFilter)
    DatabaseErrorFmt(MsgFieldReadOnly, this, field->DisplayName());
  TRecordBuffer record = RecordForState();
  field->Validate(buffer);
  Byte* slot = FieldSlot(record, field);
  slot[0] = buffer ? 1 : 0;
  if (buffer)
    std::memcpy(slot + 1, buffer, static_cast<std::size_t>(field->DataSize()));
  else
    std::memset(slot + 1, 0, static_cast<std::size_t>(field->DataSize()));
  if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

// --- opening and closing --------------------------------------------------------------

void TArrayDataSet::InternalInitFieldDefs() {
  if (FieldDefs()->Count() > 0) return;
  for (TField* field : Fields())
    if (field->FieldKind() == fkData)
      FieldDefs()->Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
}

void TArrayDataSet::Layout() {
  offsets_.assign(static_cast<std::size_t>(FieldDefs()->TotalCount()) + 2, -1);
  data_size_ = 0;
  for (TField* field : Fields()) {
    if (field->FieldKind() != fkData || field->FieldNo() < 1) continue;
    if (static_cast<std::size_t>(field->FieldNo()) >= offsets_.size())
      offsets_.resize(static_cast<std::size_t>(field->FieldNo()) + 1, -1);
    offsets_[static_cast<std::size_t>(field->FieldNo())] = data_size_;
    data_size_ += 1 + field->DataSize();
  }
}

void TArrayDataSet::InternalOpen() {
  InitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  Layout();
  SetBookmarkSize(4);
  cursor_ = -1;
  open_ = true;
  for (Row& row : rows_) row.data.resize(static_cast<std::size_t>(data_size_), 0);
  std::vector<std::vector<Variant>> pending;
  pending.swap(pending_rows_);
  for (const auto& values : pending) AddRow(values);
}

void TArrayDataSet::InternalClose() {
  open_ = false;
  cursor_ = -1;
  BindFields(false);
  if (DefaultFields()) DestroyFields();
}

// --- editing -------------------------------------------------------------------------------

void TArrayDataSet::StoreNew(TRecordBuffer buffer, bool append) {
  Row row{next_id_++, std::vector<Byte>(buffer + kHeader, buffer + kHeader + data_size_)};
  Integer at = RowCount();
  if (!append && GetBookmarkFlag(buffer) == bfInserted) {
    const Integer before = IndexOfId(IdOf(buffer));
    if (before >= 0) at = before;
  } else if (!append && GetBookmarkFlag(buffer) == bfBOF) {
    at = 0;
  }
  rows_.insert(rows_.begin() + at, std::move(row));
  cursor_ = at;
}

void TArrayDataSet::InternalPost() {
  TDataSet::InternalPost();
  ++posts_;
  TRecordBuffer buffer = ActiveBuffer();
  if (State() == dsEdit) {
    rows_[static_cast<std::size_t>(cursor_)].data.assign(buffer + kHeader,
                                                         buffer + kHeader + data_size_);
  } else {
    StoreNew(buffer, GetBookmarkFlag(buffer) == bfEOF);
  }
}

void TArrayDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  ++posts_;
  StoreNew(buffer, append);
}

void TArrayDataSet::InternalDelete() {
  rows_.erase(rows_.begin() + cursor_);
}

// --- bookmarks ------------------------------------------------------------------------------

void TArrayDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer, 4);
}
void TArrayDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer, data, 4);
}
TBookmarkFlag TArrayDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[4]);
}
void TArrayDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  buffer[4] = value;
}

void TArrayDataSet::InternalGotoBookmark(const void* bookmark) {
  Integer id;
  std::memcpy(&id, bookmark, 4);
  const Integer row = IndexOfId(id);
  if (row < 0) DatabaseError("bookmark not found", this);
  cursor_ = row;
}

void TArrayDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  InternalGotoBookmark(buffer);
}

bool TArrayDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.Size() != 4) return false;
  Integer id;
  std::memcpy(&id, bookmark.Data(), 4);
  return IndexOfId(id) >= 0;
}

Integer TArrayDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.Empty() || b.Empty()) return TDataSet::CompareBookmarks(a, b);
  Integer ia, ib;
  std::memcpy(&ia, a.Data(), 4);
  std::memcpy(&ib, b.Data(), 4);
  const Integer pa = IndexOfId(ia), pb = IndexOfId(ib);
  return pa < pb ? -1 : pa > pb ? 1 : 0;
}

// --- counting and searching -------------------------------------------------------------------

Integer TArrayDataSet::GetRecordCount() {
  CheckActive();
  Integer count = 0;
  for (Integer i = 0; i < RowCount(); ++i)
    if (Accepts(i, false)) ++count;
  return count;
}

Integer TArrayDataSet::GetRecNo() {
  TRecordBuffer buffer = ActiveBuffer();
  if (!buffer || State() == dsInsert) return -1;
  const Integer row = IndexOfId(IdOf(buffer));
  Integer number = 0;
  for (Integer i = 0; i <= row; ++i)
    if (Accepts(i, false)) ++number;
  return number;
}

void TArrayDataSet::SetRecNo(Integer value) {
  CheckBrowseMode();
  if (value < 1 || value > RowCount() || value == RecNo()) return;
  DoBeforeScroll();
  cursor_ = value - 1;
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

void TArrayDataSet::SetFiltered(bool value) {
  if (value == Filtered()) return;
  TDataSet::SetFiltered(value);
  if (Active()) First();
}

bool TArrayDataSet::FindRecord(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  SetFound(false);
  UpdateCursorPos();
  CursorPosChanged();
  Integer row = restart ? (goForward ? -1 : RowCount()) : cursor_;
  for (;;) {
    row += goForward ? 1 : -1;
    if (row < 0 || row >= RowCount()) return false;
    if (Accepts(row, true)) break;
  }
  cursor_ = row;
  Resync({rmExact, rmCenter});
  SetFound(true);
  DoAfterScroll();
  return true;
}
