// memtable/RecordStore.h
//
// TvomCommon: the record store behind every memory table. It owns the
// records and their layout, numbers them (slots and serials), holds the
// store-wide settings (locale, performance, versioning, auto-increment range,
// transaction level) and the list of tables that share it, and compares
// records for the indexes (CompareRecords over a TvomFieldList).
//
// Ownership: the table that creates the store owns it (the first attached
// table); tables attached later share it and never free it. Records made by
// AllocRecord belong to the caller until AppendRecord hands them to the store;
// records in the store are freed by the store (DeleteRecord, ClearRecords,
// Rollback, Commit, destruction).
//
// Identity: a record's serial never changes and is never reused until the
// store is cleared (then TableID changes). Slots are reused and renumbered by
// PackRecords, so anything that must find a record again later (bookmarks,
// record buffers) keeps its serial and looks it up with RecordBySerial.
//
// Locking: one recursive critical section per store, shared by every table
// attached to it. The public operations take it for their duration unless
// their comment says "no lock"; a caller that needs several operations to be
// atomic holds it with TvomStoreLock. With Standalone on, locking is skipped.
// All calls come from the GUI thread in this program; the lock keeps tables
// attached to one store consistent.
#pragma once

#include <cstdint>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "memtable/MemTableTypes.h"
#include "memtable/Record.h"
#include "memtable/RecordPool.h"
#include "memtable/SerialIndex.h"
#include "memtable/ValueCompare.h"
#include "platform/data/FieldTypes.h"
#include "platform/rtl/CriticalSection.h"
#include "platform/rtl/Types.h"

class TField;
class TFieldDef;
class TFieldDefs;
class TvomFieldList;
struct TvomFieldListEntry;
class TvomStoreClient;

// Storage flags of a field (TvomCommon::FieldFlags).
inline constexpr Byte mtffIndirect = 0x01;    // the value lives in a length-prefixed buffer
inline constexpr Byte mtffCompressed = 0x02;  // ... at its actual length (mtpfSmall)
inline constexpr Byte mtffChanged = 0x04;     // written since the last post or cancel

// The serial at which the store refuses to go on numbering records.
inline constexpr Integer kvomMaxSerial = 2147483600;

class TvomCommon {
 public:
  // Creates the store and attaches `owner` as its first table.
  explicit TvomCommon(TvomStoreClient* owner);
  // Closes every other attached table and tells each that the store is gone,
  // then frees every record.
  ~TvomCommon();
  TvomCommon(const TvomCommon&) = delete;
  TvomCommon& operator=(const TvomCommon&) = delete;

  // --- locking ----------------------------------------------------------------
  void Lock() {
    if (standalone_) return;
    // Only the holding thread can find its own id here: another thread sees
    // some other id (or none) and waits for the mutex.
    const std::thread::id self = std::this_thread::get_id();
    if (lock_owner_.load(std::memory_order_relaxed) == self) {
      ++lock_depth_;
      return;
    }
    lock_.Enter();
    lock_owner_.store(self, std::memory_order_relaxed);
    lock_depth_ = 1;
  }
  void Unlock() {
    if (standalone_) return;
    if (--lock_depth_ > 0) return;
    lock_owner_.store(std::thread::id(), std::memory_order_relaxed);
    lock_.Leave();
  }
  bool Standalone() const { return standalone_; }
  // EMemTableError "Children are attached to this table." with two or more
  // entries in the attached list.
  void SetStandalone(bool value);
  // Set while a table holds the store through its own Lock.
  bool LockedByTable() const { return locked_by_table_; }
  void SetLockedByTable(bool value) { locked_by_table_ = value; }

  // --- records ----------------------------------------------------------------
  // A new cleared record of the current layout. The caller owns it.
  TvomRecord* AllocRecord() const;
  // Header fields to their cleared values and the data area to zeros. The
  // indirect buffers are not freed (see FreeIndirectBuffers).
  void ClearRecord(TvomRecord* record) const;
  // Frees the record; with `freeBuffers` its indirect buffers; with
  // `freeVersions`, when the record is in the store, its chain of older
  // versions (recursively, with the same buffer choice). nullptr is ignored.
  // A data area that another record still shares stays for that record.
  void FreeRecord(TvomRecord* record, bool freeBuffers, bool freeVersions);
  // Frees the record's indirect buffers and sets their entries to null.
  void FreeIndirectBuffers(TvomRecord* record) const;
  // A new record with the same header (all but the flag byte) and data; the
  // indirect entries keep only their null flags, unless `copyBuffers` gives
  // the copy duplicates of the buffers.
  TvomRecord* CopyRecord(const TvomRecord* record, bool copyBuffers);
  // Copies the header (all but the flag byte) and the data of `source` into
  // `destination`, whose indirect entries get only the null flags. REQUIRES:
  // the destination holds no indirect buffers (FreeIndirectBuffers).
  void CopyRecordData(const TvomRecord* source, TvomRecord* destination) const;
  // Moves the source's indirect buffers into the destination (freeing what
  // they replace; a null source value frees the destination's buffer), then
  // copies header and data as CopyRecord does.
  void TransferRecord(TvomRecord* source, TvomRecord* destination);
  // A new record that takes the buffer's values: AllocRecord followed by
  // TransferRecord, writing only the parts of the data that hold something.
  TvomRecord* NewRecordFrom(TvomRecord* source);
  // Puts the record into the store: into the last freed slot when there is
  // one, else at the end. It gets its slot number, the next serial and the
  // InStore flag (and status inserted with EnableVersioning). Appending at the
  // end once the serial counter has reached kvomMaxSerial stores the record
  // and then raises EMemTableFatalError "Bookmark counter is out of range. ...".
  void AppendRecord(TvomRecord* record);
  // Frees the record's slot and the record, with its buffers and versions.
  void DeleteRecord(TvomRecord* record);
  // Removes the free slots; every record's SlotNo becomes its position.
  void PackRecords();
  // Frees every record, forgets every slot and serial and draws a new TableID.
  void ClearRecords();

  // --- records sharing their data with another store's --------------------------
  // A copy of a whole table into another store need not duplicate the
  // records: each copy can point at the data area of the record it was made
  // from, and the first write into either side's data (UnshareRecord) gives
  // the writer a copy of its own. Headers (identity, placement, status,
  // versions) stay each store's own. Every write into the data area of a
  // record that may be stored (FieldPointer's address included) must call
  // UnshareRecord first; the store's own operations do.
  //
  // Whether this store's records can share the data areas of `from`'s:
  // both lay the data area out alike, keep no values outside it (indirect
  // fields) and no calculated values in it. The field layout must have been
  // compared by the caller.
  bool CanShareRecordsOf(const TvomCommon& from) const;
  // Keeps the memory of `from`'s records (and of whatever they share in
  // turn) alive for as long as this store may need it. REQUIRES: both
  // stores locked; called before ShareRecord with `from`'s records.
  void ShareMemoryOf(const TvomCommon& from);
  // A new record, owned by the caller as one from AllocRecord, with a
  // cleared header and `stored`'s data area, shared. REQUIRES:
  // CanShareRecordsOf and ShareMemoryOf for `stored`'s store, whose lock
  // the caller holds.
  TvomRecord* ShareRecord(const TvomRecord* stored);
  // Gives the record a copy of its data area when another record shares it
  // (no lock needed when it does not).
  void UnshareRecord(TvomRecord* record) const;
  // Whether another record shares the record's data area.
  static bool SharesData(const TvomRecord* record);
  // Whether some record of the store keeps its data area apart from its
  // header (shared, or copied on a write).
  bool AnyDataApart() const { return apart_count_ > 0; }
  // The same for the records in the store's slots only: what a walk over
  // the stored records can visit. Record buffers of the tables (which may
  // share a stored record's data) do not count here.
  bool AnyStoredDataApart() const { return stored_apart_count_ > 0; }
  // Number of slots, free ones included.
  Integer RecordCount() const { return static_cast<Integer>(records_.size()); }
  // The record in a slot, nullptr for a free slot. REQUIRES: 0 <= slot < RecordCount().
  TvomRecord* Records(Integer slot) const { return records_[static_cast<std::size_t>(slot)]; }
  // The record in the store with that serial, or nullptr when it has gone.
  TvomRecord* RecordBySerial(Integer serial) const { return by_serial_.Find(serial); }

  // --- counters and settings ----------------------------------------------------
  Integer TableID() const { return table_id_; }
  bool Modified() const { return modified_; }
  void SetModified(bool value) {
    modified_ = value;
    Touch();
  }
  // A value that changes whenever the store's records may have changed
  // (records added, deleted or posted, the layout, a rollback) and that no
  // other store ever had: a caller that keeps something derived from the
  // records knows it is still right while the value is the same.
  std::uint64_t ChangeStamp() const { return change_stamp_; }
  // The serial the next stored record gets; every record stored so far has
  // a lower one.
  Integer NextSerial() const { return serial_counter_; }
  Integer TransactionLevel() const { return transaction_level_; }
  void IncTransactionLevel();
  // Never below 0.
  void DecTransactionLevel();
  // Makes room for that many slots before they are needed (a load that can
  // estimate its record count); a request the system refuses is dropped.
  void ReserveRecords(Integer count);
  // Records kept as deleted versions.
  Integer DeletedCount() const { return deleted_count_; }
  void SetDeletedCount(Integer value);
  Integer AutoIncMinValue() const { return auto_inc_min_; }
  // A value above the highest value used moves that value to value - 1.
  void SetAutoIncMinValue(Integer value);
  // The highest auto-increment value used so far.
  Integer AutoIncMaxValue() const { return auto_inc_max_; }
  void SetAutoIncMaxValue(Integer value);
  TvomPerformance Performance() const { return performance_; }
  void SetPerformance(TvomPerformance value);
  TvomVersioningMode VersioningMode() const { return versioning_mode_; }
  void SetVersioningMode(TvomVersioningMode value);
  bool EnableVersioning() const { return enable_versioning_; }
  void SetEnableVersioning(bool value);

  // --- locale: the Windows identifier and its parts, kept consistent --------
  Integer LocaleID() const { return locale_id_; }
  // Splits into SortID (bits 16-19), LanguageID (bits 0-7), SubLanguageID (bits 10-15).
  void SetLocaleID(Integer value);
  Integer LanguageID() const { return language_id_; }
  Integer SubLanguageID() const { return sub_language_id_; }
  Integer SortID() const { return sort_id_; }
  // Each recomputes LocaleID as SortID << 16 | (SubLanguageID << 10 | LanguageID),
  // the language part (low 16 bits of each) staying below 65536; ERangeError
  // "Range check error" otherwise, with nothing changed.
  void SetLanguageID(Integer value);
  void SetSubLanguageID(Integer value);
  void SetSortID(Integer value);
  const TvomCollation& Collation() const { return collation_; }

  // --- layout -------------------------------------------------------------------
  // Lays out records for the owning table's field definitions (run when it
  // opens). EMemTableError "There must be at least one field" without
  // definitions, and "Fielddef NAME (DISPLAY) Datatype N not supported." for a
  // type the store cannot hold.
  void LayoutRecord(const TFieldDefs& fieldDefs);
  // The storage size of a value of that type and declared size.
  static Integer FieldDataSize(TFieldType dataType, Integer size);
  // Whether the store can hold fields of that type.
  static bool IsSupportedFieldType(TFieldType dataType);
  Integer FieldCount() const { return field_count_; }
  // Offset of field `fieldNo`'s null flag in the data area (-1: not laid out).
  // (These three are read on every field read: kept inline.)
  Integer FieldOffset(Integer fieldNo) const {
    return HasFieldNo(fieldNo) ? field_offsets_[fieldNo] : -1;
  }
  // Bytes of field `fieldNo`'s value where the record holds it (0: held
  // indirectly or not laid out). A table attached to the store may declare
  // the field larger than the definition the records were laid out from.
  Integer FieldStorageSize(Integer fieldNo) const {
    return HasFieldNo(fieldNo) ? field_sizes_[fieldNo] : 0;
  }
  // Storage flags (mtffIndirect, mtffCompressed, mtffChanged) of field `fieldNo`.
  Byte FieldFlags(Integer fieldNo) const { return HasFieldNo(fieldNo) ? field_flags_[fieldNo] : 0; }
  void SetFieldFlags(Integer fieldNo, Byte flags);
  // Clears every field's changed flag.
  void ClearChangedFlags();
  // Address of the field's null-flag byte in the record; nullptr for a nullptr
  // record or data area (no lock). Writing through it into a stored record
  // requires UnshareRecord first. Data fields use the layout, calculated and
  // lookup fields the calculated area.
  Byte* FieldPointer(const TvomRecord* record, const TField* field) const;
  // Where FieldPointer finds the field in the data area (-1: nowhere).
  Integer FieldDataOffset(const TField* field) const;
  // The same for a field given by its number and, for a calculated or
  // lookup field (number below 1), its offset in the calculated area.
  Integer FieldDataOffset(Integer fieldNo, Integer calcOffset) const {
    if (!HasFieldNo(fieldNo)) return calc_start_ + calcOffset;
    return field_offsets_[fieldNo] < 0 ? -1 : field_offsets_[fieldNo];
  }
  Integer RecordSize() const { return record_size_; }  // header + data area
  Integer DataSize() const { return data_size_; }
  Integer FixedSize() const { return fixed_size_; }
  Integer CalcStart() const { return calc_start_; }
  Integer CalcSize() const { return calc_size_; }
  Integer BookmarkStart() const { return bookmark_start_; }
  Integer BookmarkSize() const { return bookmark_size_; }
  Integer IndirectStart() const { return indirect_start_; }
  Integer IndirectSize() const { return indirect_size_; }
  Integer IndirectCount() const { return static_cast<Integer>(indirect_offsets_.size()); }

  // --- bookmark area: per attached-table entry, a serial and a flag ----------
  // REQUIRES: 0 <= entry < AttachMaxCount() (no lock).
  Integer BookmarkSerial(const TvomRecord* record, Integer entry) const;
  Byte BookmarkFlag(const TvomRecord* record, Integer entry) const;
  void SetBookmark(TvomRecord* record, Integer entry, Integer serial, Byte flag) const;
  void SetBookmarkFlag(TvomRecord* record, Integer entry, Byte flag) const;

  // --- comparison -----------------------------------------------------------------
  // The comparisons take no lock: they run under the caller's (an index's
  // search, sort or upkeep, a table's range or key test).
  //
  // Compares two values of a type under options (TvomifoOptions), in the
  // store's locale: -1, 0 or 1. EMemTableInvalidLocale "Invalid locale."
  // when the store's locale names none and text must be collated.
  Integer CompareFields(TvomValueRef a, TvomValueRef b, TFieldType dataType, Byte options,
                        bool& fullMatch);
  // Compares the key record with the record field by field over `fields`
  // (all of them, or the first `countLimit` when that is above 0 and
  // smaller). `stopRule` 0 returns the first non-zero result (and 0 at a
  // field that matched only partially); 1 to 4 ignore descending and return
  // at the first result < 0, > 0, <= 0, >= 0; otherwise the last field's
  // result. Null keys are skipped with `ignoreNulls` or mtifoIgnoreNull;
  // otherwise null sorts first (last when descending). An indirect value that
  // a record buffer does not hold itself is read from the stored record with
  // the buffer's serial; EMemTableInvalidRecord "Invalid record " when that
  // record has gone.
  Integer CompareRecords(const TvomFieldList& fields, Integer countLimit, const TvomRecord* key,
                         const TvomRecord* record, bool ignoreNulls, bool partial,
                         Integer stopRule);

  // --- attached tables ----------------------------------------------------------
  TvomStoreClient* Owner() const { return owner_; }
  Integer AttachMaxCount() const { return attach_max_count_; }
  // ERangeError "Invalid argument." below 1 or when it would drop an attached
  // table; EMemTableError "Table must be closed for this operation." while an
  // attached table is open.
  void SetAttachMaxCount(Integer value);
  // Entries of the attached list (nullptr for a free entry).
  Integer AttachedCount() const { return static_cast<Integer>(attached_.size()); }
  TvomStoreClient* AttachedTables(Integer entry) const;
  // Takes the first free entry (telling the table its number) or appends
  // one; appending raises EMemTableError "Table must be closed for this
  // operation." while an attached table is open.
  void AttachTable(TvomStoreClient* table);
  void DetachTable(TvomStoreClient* table);
  bool AnyTableActive() const;
  // Closes every attached table but `except`, from the last entry to the first.
  void CloseTables(TvomStoreClient* except);
  // Refreshes every other attached table that is open and browsing.
  void RefreshOtherTables(TvomStoreClient* except);
  // Every open attached table discards its record buffers; then ClearRecords.
  void EmptyTables();
  // For every open attached table: rebuild, mark unordered, or update its
  // indexes from its index definitions.
  void RebuildAllIndexes();
  void MarkAllIndexesUnordered();
  void UpdateAllIndexes();
  // Index upkeep after a change, for every open attached table in turn.
  // `changer` is the table that made it; `position` is, for an insert, the
  // 1-based record number of its current record (-1: none given, append) and
  // otherwise its cursor. `newValues` is the buffer holding the new values
  // (an insert may pass the stored record itself).
  void UpdateIndexes(TvomIndexChange change, TvomStoreClient* changer, Integer position,
                     TvomRecord* stored, const TvomRecord* newValues);

  // --- versions -----------------------------------------------------------------
  // Undoes the changes of the current transaction level.
  void Rollback();
  // Accepts the changes of the current transaction level into the level
  // below; only a commit into level 0 frees the older versions.
  void Commit();

 private:
  friend class TvomCommonTestAccess;  // reaches the serial counter

  static bool HasFieldNo(Integer fieldNo) { return fieldNo >= 1 && fieldNo <= kvomMaxFields; }
  void DrawTableID();
  // The header (all but the flag byte) and everything before the indirect area.
  void CopyHeaderAndFixedData(const TvomRecord* source, TvomRecord* destination) const;
  static void CopyHeader(const TvomRecord* source, TvomRecord* destination);
  // TransferRecord's part for the indirect entries.
  void TransferIndirectValues(TvomRecord* source, TvomRecord* destination);
  void ResolveValue(const TvomFieldListEntry& entry, const TvomRecord* record, int side,
                    TvomValueRef& value);
  void FreeVersionChain(TvomRecord* record, bool freeBuffers);
  void ForgetSerial(const TvomRecord* record);
  // Drops one use of the allocation `block` and gives its memory back, to
  // the pool it came from, when that was the last.
  void ReleaseBlock(TvomRecord* block);
  // UnshareRecord's copy.
  void MoveDataApart(TvomRecord* record);
  // Whether the record is the one in its slot of the store.
  bool InSlot(const TvomRecord* record) const {
    const Integer slot = record->SlotNo;
    return slot >= 0 && slot < RecordCount() && records_[static_cast<std::size_t>(slot)] == record;
  }
  // Counts a record that enters (+1) or leaves (-1) a slot, when its data is apart.
  void CountStoredApart(const TvomRecord* record, Integer change) {
    if (record->Data != nullptr && !DataInPlace(record)) stored_apart_count_ += change;
  }
  void RememberSerial(TvomRecord* record);
  void RecomputeLocaleID(Integer language, Integer subLanguage, Integer sort);
  // Runs `action` for every open attached table, under the lock.
  template <class Action>
  void ForEachActiveTable(Action action);

  TCriticalSection lock_;
  // The thread holding lock_ and how often it has entered. Every field read
  // or write locks the store once more while a load, save or index build
  // already holds it; entering again from the holding thread is counted here
  // instead of going through the mutex each time.
  std::atomic<std::thread::id> lock_owner_{};
  Integer lock_depth_ = 0;
  bool standalone_ = false;
  bool locked_by_table_ = false;

  // The memory of every record and record buffer made by AllocRecord (the
  // destructor frees the records into it before it goes). Records of
  // another store that share data areas of this one keep it alive after.
  std::shared_ptr<TvomRecordPool> pool_ = std::make_shared<TvomRecordPool>();
  // The pools of other stores whose records' data areas records of this one
  // share (kept until the records are cleared).
  std::vector<std::shared_ptr<TvomRecordPool>> other_pools_;
  // Records of the store whose data area is not in place (DataInPlace).
  Integer apart_count_ = 0;
  // Of those, the records in the store's slots.
  Integer stored_apart_count_ = 0;
  std::vector<TvomRecord*> records_;
  std::vector<Integer> free_slots_;
  // Serial -> record in the store.
  TvomSerialIndex by_serial_;
  TvomStoreClient* owner_;

  Integer field_count_ = 0;
  Integer field_offsets_[kvomMaxFields + 1];
  Integer field_sizes_[kvomMaxFields + 1];
  Byte field_flags_[kvomMaxFields + 1] = {};
  // No field above this number has its changed flag set (ClearChangedFlags
  // runs on every post and need not sweep the whole array).
  Integer changed_limit_ = 0;
  std::vector<Integer> indirect_offsets_;  // the indirect entries, for copying

  Integer language_id_ = 0;
  Integer sub_language_id_ = 0;
  Integer sort_id_ = 0;
  Integer locale_id_ = 0;
  TvomCollation collation_;

  Integer table_id_ = -1;
  Integer bookmark_size_ = 0;
  Integer fixed_size_ = 0;
  Integer record_size_ = 0;
  Integer data_size_ = 0;
  Integer calc_start_ = 0;
  Integer calc_size_ = 0;
  Integer bookmark_start_ = 0;
  Integer indirect_start_ = 0;
  Integer indirect_size_ = 0;

  bool modified_ = false;
  Integer auto_inc_min_ = 0;
  Integer auto_inc_max_ = 0;
  Integer deleted_count_ = 0;
  Integer serial_counter_ = 0;
  std::uint64_t change_stamp_ = 0;
  void Touch();

  TvomPerformance performance_ = mtpfFast;
  Integer attach_max_count_ = 1;
  std::vector<TvomStoreClient*> attached_;
  TvomVersioningMode versioning_mode_ = mtvm1SinceCheckPoint;
  bool enable_versioning_ = false;
  Integer transaction_level_ = 0;

  // Decompressed values of the two sides of a comparison.
  std::vector<Byte> scratch_[2];
};

// Holds a store's lock for a scope; released on every way out.
class TvomStoreLock {
 public:
  explicit TvomStoreLock(TvomCommon& store) : store_(store) { store_.Lock(); }
  ~TvomStoreLock() { store_.Unlock(); }
  TvomStoreLock(const TvomStoreLock&) = delete;
  TvomStoreLock& operator=(const TvomStoreLock&) = delete;

 private:
  TvomCommon& store_;
};
