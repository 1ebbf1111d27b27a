// tests/memtable/TestTable.h
//
// A table as the record store and its indexes see it: fields from field
// definitions, a store (its own or a shared one), an index list, a cursor, and
// switches for every hook the store and indexes call. Records are written
// straight into the store's layout, so tests state facts about the bytes.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "memtable/FieldList.h"
#include "memtable/Index.h"
#include "memtable/Indexes.h"
#include "memtable/LengthBuffer.h"
#include "memtable/RecordStore.h"
#include "memtable/StoreClient.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/Component.h"

class TestTable : public TvomStoreClient {
 public:
  // A table with a store of its own; `attachTo` shares that table's store.
  explicit TestTable(TestTable* attachTo = nullptr);
  ~TestTable() override;

  // --- structure ---------------------------------------------------------------
  TFieldDef* AddField(const String& name, TFieldType type, Integer size = 0);
  // A calculated field at the start of the calculated area.
  TField* AddCalcField(const String& name, TFieldType type, Integer size = 0);
  // Creates the fields and (for the owning table) lays out the records.
  void Open();
  void Close();
  TField* Field(const String& name) const { return fields_.at(name); }
  TFieldDefs& FieldDefs() { return field_defs_; }
  TIndexDefs& IndexDefs() { return index_defs_; }

  // --- records in the layout ---------------------------------------------------
  TvomRecord* NewRecord() { return store().AllocRecord(); }
  void SetNull(TvomRecord* record, const String& field);
  void SetText(TvomRecord* record, const String& field, const String& text);
  template <class T>
  void SetValue(TvomRecord* record, const String& field, T value) {
    Byte* at = store().FieldPointer(record, Field(field));
    at[0] = kvomNotNull;
    std::memcpy(at + 1, &value, sizeof value);
  }
  String Text(const TvomRecord* record, const String& field) const;
  bool IsNull(const TvomRecord* record, const String& field) const {
    return store().FieldPointer(record, Field(field))[0] == 0;
  }

  // Posts a new record filled by `fill`; `recNo` as the table's record
  // number before the insert (-1: append).
  TvomRecord* Insert(const std::function<void(TvomRecord*)>& fill, Integer recNo = -1);
  TvomRecord* InsertText(const String& field, const String& text);
  // Posts changes to a stored record the way an edit does, keeping an older
  // version when versioning is on.
  void Edit(TvomRecord* stored, const std::function<void(TvomRecord*)>& fill);
  // Deletes a stored record (kept as a deleted version with versioning).
  void Delete(TvomRecord* stored);
  // The field's values in the order of an index (the current one by default).
  std::vector<String> Walk(const String& field, TvomIndex* index = nullptr) const;
  // A field list over `names` with one option byte for all.
  std::unique_ptr<TvomFieldList> List(const std::vector<String>& names, Byte options = 0);

  TvomCommon& store() const { return *store_; }
  TvomIndexes& indexes() { return *indexes_; }

  // --- TvomStoreClient -----------------------------------------------------------
  TvomCommon& Store() override { return *store_; }
  TvomIndexes& Indexes() override { return *indexes_; }
  bool IsTableActive() const override { return active; }
  bool IsTableBrowsing() const override { return active; }
  void SetAttachIndex(Integer entry) override { attach_index = entry; }
  void CloseForStore() override { Close(); }
  void RefreshForStore() override { ++refreshes; }
  void DiscardRecordBuffers() override { ++discards; }
  void UpdateIndexes() override;
  void StoreDestroyed() override;
  Integer CalcAreaSize() override { return calc_size; }
  void SetupField(TFieldDef* def, Integer fieldNo, Byte& flags) override {
    if (on_setup_field) on_setup_field(def, fieldNo, flags);
  }
  bool CompareFieldsHook(TField* field, const void* key, const void* value, TFieldType type,
                         Byte options, bool& fullMatch, Integer& result) override {
    if (!on_compare_fields) return false;
    on_compare_fields(field, key, value, type, options, fullMatch, result);
    return true;
  }
  bool DecompressFieldValue(TField* field, const Byte* data, Integer size,
                            std::vector<Byte>& result) override {
    if (!on_decompress) return false;
    on_decompress(field, data, size, result);
    return true;
  }
  bool EnableIndexes() const override { return enable_indexes; }
  bool RecalcOnIndex() const override { return recalc_on_index; }
  void SetRecalcOnIndex(bool value) override { recalc_on_index = value; }
  TField* IndexFieldByName(const String& name) override;
  bool FilterIndex(TvomIndex* index, TvomRecord* record) override {
    return !on_filter_index || on_filter_index(index, record);
  }
  bool MustTestRecords() const override { return static_cast<bool>(record_test); }
  bool FilterRecord(TvomRecord* record, bool) override {
    return !record_test || record_test(record);
  }
  void CalcRecordFields(TvomRecord* record) override { ++calcs, (void)record; }
  void Progress(Integer percentage, TvomProgressCode code) override {
    progress.emplace_back(percentage, code);
  }
  TvomOperationState OperationState() const override { return state; }
  void SetOperationState(TvomOperationState value) override { state = value; }
  Integer Cursor() const override { return cursor; }
  void SetCursor(Integer position) override { cursor = position; }
  void SetLastPlacedPosition(Integer position) override { last_placed = position; }
  void AddIndex(const String& name, const String& fields, TIndexOptions options) override;

  // --- switches and observations ---------------------------------------------------
  bool active = false;
  bool enable_indexes = true;
  bool recalc_on_index = false;
  Integer calc_size = 0;
  Integer cursor = -1;
  Integer last_placed = -1;
  Integer attach_index = -1;
  Integer refreshes = 0, discards = 0, calcs = 0;
  TvomOperationState state = mtosIdle;
  std::vector<std::pair<Integer, TvomProgressCode>> progress;
  std::function<bool(TvomRecord*)> record_test;
  std::function<bool(TvomIndex*, TvomRecord*)> on_filter_index;
  std::function<void(TFieldDef*, Integer, Byte&)> on_setup_field;
  std::function<void(TField*, const void*, const void*, TFieldType, Byte, bool&, Integer&)>
      on_compare_fields;
  std::function<void(TField*, const Byte*, Integer, std::vector<Byte>&)> on_decompress;

 private:
  TComponent field_owner_{nullptr};
  TFieldDefs field_defs_{static_cast<TDataSet*>(nullptr)};
  TIndexDefs index_defs_{nullptr};
  std::unique_ptr<TvomCommon> own_store_;
  TvomCommon* store_ = nullptr;
  std::unique_ptr<TvomIndexes> indexes_;
  std::map<String, TField*> fields_;
  std::vector<TField*> calc_fields_;
  TestTable* attached_to_ = nullptr;
};
