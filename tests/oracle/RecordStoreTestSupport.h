// tests/oracle/RecordStoreTestSupport.h
//
// A dataset that only owns a record store: settings for the record list and
// the blob streams, a state that tests set directly, and a record of which
// fields it was told changed. It fetches nothing; its records are made by
// hand through the list.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "oracle/ChangeLogItem.h"
#include "oracle/OracleBlob.h"
#include "oracle/RecordDataList.h"
#include "platform/data/BlobFields.h"
#include "platform/data/DataSet.h"

class TStoreDataSet : public TDataSet, public TChangeLogOwner {
 public:
  TStoreDataSet() : TDataSet(nullptr) {}
  ~TStoreDataSet() override { Close(); }

  Integer record_size = OracleRecord::HeaderSize + 7;
  Integer read_buffer = 25;
  bool filtering = false;
  bool has_blobs = true;
  TRecordBuffer buffer = nullptr;
  TBlobList* current_blobs = nullptr;
  std::vector<TField*> changed;

  void ForceState(TDataSetState state) { SetState(state); }

  Integer RecordBufferSize() override { return record_size; }
  Integer RecordReadBuffer() override { return read_buffer; }
  bool RecordFilteringActive() override { return filtering && !reverting; }
  bool RecordHasBlobFields() override { return has_blobs; }
  TRecordBuffer BlobRecordBuffer() override { return buffer; }
  TBlobList* CurrentBlobList() override { return current_blobs; }
  void BlobFieldChanged(TField* field) override { changed.push_back(field); }

  // The change log's side: the list it reverts into, a filter on the
  // record identifier, the number of blobs each record gets.
  bool reverting = false;
  std::function<bool(Integer id)> passes = [](Integer) { return true; };
  Integer blob_count = 0;
  Integer allocated = 0;
  TRecordDataList list{this};
  TChangeLog log{this};

  TChangeLog* ChangeLog() override { return &log; }
  TDataSet* LogDataSet() override { return this; }
  TRecordBuffer AllocLogBuffer() override {
    ++allocated;
    return new Byte[std::size_t(record_size)]();
  }
  void FreeLogBuffer(TRecordBuffer& b) override {
    --allocated;
    delete[] b;
    b = nullptr;
  }
  void CreateBlobList(TRecordBuffer record) override {
    auto blobs = std::make_unique<TBlobList>();
    for (Integer i = 0; i < blob_count; ++i) blobs->Add();
    OracleRecord::SetBlobList(record, blobs.release());
  }
  TRecordDataList* RecordList() override { return &list; }
  void SetReverting(bool value) override { reverting = value; }
  bool RecordMatchesFilter(TRecordBuffer r) override { return passes(OracleRecord::RecordId(r)); }
  Integer RecordIndexOfId(Integer id) override {
    for (Integer i = 0; i < list.VisibleCount(); ++i)
      if (OracleRecord::RecordId(list.Records(i)) == id) return i;
    return -1;
  }
  bool MasterRecordMatches(TRecordBuffer r) override { return r != nullptr; }
  void ForceFiltered(bool value) { TDataSet::SetFiltered(value); }

  bool GetFieldData(TField*, void*) override { return false; }
  void SetFieldData(TField*, const void*) override {}

 protected:
  TRecordBuffer AllocRecordBuffer() override { return nullptr; }
  void FreeRecordBuffer(TRecordBuffer& b) override { b = nullptr; }
  void InternalInitRecord(TRecordBuffer) override {}
  Cardinal GetRecordSize() override { return 0; }
  TGetResult GetRecord(TRecordBuffer, TGetMode, bool) override { return grEOF; }
  void InternalFirst() override {}
  void InternalLast() override {}
  void InternalOpen() override {}
  void InternalClose() override {}
  void InternalInitFieldDefs() override {}
  bool IsCursorOpen() override { return false; }
  void InternalDelete() override {}
  void GetBookmarkData(TRecordBuffer, void*) override {}
  void SetBookmarkData(TRecordBuffer, const void*) override {}
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer) override { return bfCurrent; }
  void SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) override {}
  void InternalGotoBookmark(const void*) override {}
  void InternalSetToRecord(TRecordBuffer) override {}
};

// The identifiers of the records a list shows, in order.
inline std::vector<Integer> VisibleIds(const TRecordDataList& list) {
  std::vector<Integer> ids;
  for (Integer i = 0; i < list.VisibleCount(); ++i)
    ids.push_back(OracleRecord::RecordId(list.Records(i)));
  return ids;
}
