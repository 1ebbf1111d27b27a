// tests/oracle/RecordStoreTestSupport.h
//
// A dataset that only owns a record store: settings for the record list and
// the blob streams, a state that tests set directly, and a record of which
// fields it was told changed. It fetches nothing; its records are made by
// hand through the list.
#pragma once

#include <memory>
#include <vector>

#include "oracle/OracleBlob.h"
#include "oracle/RecordDataList.h"
#include "platform/data/BlobFields.h"
#include "platform/data/DataSet.h"

class TStoreDataSet : public TDataSet, public TRecordStoreOwner {
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
  bool RecordFilteringActive() override { return filtering; }
  bool RecordHasBlobFields() override { return has_blobs; }
  TRecordBuffer BlobRecordBuffer() override { return buffer; }
  TBlobList* CurrentBlobList() override { return current_blobs; }
  void BlobFieldChanged(TField* field) override { changed.push_back(field); }

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
