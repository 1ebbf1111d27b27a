// tests/data/ArrayDataSet.h
//
// A small dataset over rows held in memory, written only for driving the
// dataset model in tests. Each row is the data area of a record (a null
// flag byte and the native value per data field); rows carry a never-reused
// id that serves as the 4-byte bookmark. Record buffers are a header (id,
// bookmark flag), the data area and the calculated-field area.
//
// The filter is OnFilterRecord alone (Filtered on); FindFirst and friends
// use it even while Filtered is off. Blob fields are not supported.
#pragma once

#include <vector>

#include "platform/data/DataSet.h"

class TArrayDataSet : public TDataSet {
  ZORVET_CLASS_NAME(TArrayDataSet)

 public:
  explicit TArrayDataSet(TComponent* owner = nullptr);
  ~TArrayDataSet() override;

  // Adds a row while closed or browsing; values by field order of the
  // definitions (Null for a null value).
  void AddRow(const std::vector<Variant>& values);
  Integer RowCount() const { return static_cast<Integer>(rows_.size()); }
  bool ReadOnlyData() const { return read_only_; }
  void SetReadOnlyData(bool value) { read_only_ = value; }
  // How many times each step ran, for tests that check what the model asked.
  Integer PostCount() const { return posts_; }
  Integer CancelCount() const { return cancels_; }

  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  Integer CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  void SetFiltered(bool value) override;
  void SetRecNo(Integer value) override;

  // The ring, exposed for tests of the buffer protocol.
  using TDataSet::ActiveRecord;
  using TDataSet::BufferCount;
  using TDataSet::RecordBufferCount;

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  Cardinal GetRecordSize() override { return static_cast<Cardinal>(kHeader + data_size_); }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = RowCount(); }
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() override { return open_; }
  void InternalPost() override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalCancel() override { ++cancels_; }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  Integer GetRecordCount() override;
  Integer GetRecNo() override;
  bool GetCanModify() override { return !read_only_; }
  bool IsSequenced() override { return !Filtered(); }
  bool FindRecord(bool restart, bool goForward) override;

 private:
  static constexpr Integer kHeader = 5;  // id (4 bytes), bookmark flag
  struct Row {
    Integer id;
    std::vector<Byte> data;
  };

  Integer IdOf(TRecordBuffer buffer) const;
  Integer IndexOfId(Integer id) const;
  void FillBuffer(TRecordBuffer buffer, Integer row);
  bool Accepts(Integer row, bool force);
  TRecordBuffer RecordForState();
  Byte* FieldSlot(TRecordBuffer record, TField* field);
  void Layout();
  void StoreNew(TRecordBuffer buffer, bool append);

  std::vector<Row> rows_;
  std::vector<std::vector<Variant>> pending_rows_;
  std::vector<Integer> offsets_;  // by field number; -1 when none
  Integer data_size_ = 0;
  Integer cursor_ = -1;
  Integer next_id_ = 1;
  bool open_ = false;
  bool read_only_ = false;
  TRecordBuffer filter_buffer_ = nullptr;
  Integer posts_ = 0;
  Integer cancels_ = 0;
};
