// memtable/RecordStore.cpp
#include "memtable/RecordStore.h"

#include <atomic>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <random>
#include <type_traits>

#include "memtable/FieldList.h"
#include "memtable/Indexes.h"
#include "memtable/LengthBuffer.h"
#include "memtable/MemTableErrors.h"
#include "memtable/StoreClient.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/Fields.h"
#include "platform/rtl/Checked.h"
#include "platform/rtl/Format.h"

namespace {

// The store's content identifiers come from one generator per thread; they
// need to differ between clears, not to be unpredictable.
Integer RandomTableID() {
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<Integer> distribution(0, 1073741824);
  return distribution(generator);
}

// Copies `size` bytes into `to`, whose bytes are all zero, leaving out the
// 64-byte blocks of `from` that are zero as well. Most of a record is the
// unused tail of its string fields; a record fresh from the pool need not
// have that written again, and not touching it is what makes appending
// records cheap (the memory, not the copying, is the cost).
void CopyIntoZeroed(Byte* to, const Byte* from, std::size_t size) {
  constexpr std::size_t kBlock = 64;
  std::size_t at = 0;
  for (; at + kBlock <= size; at += kBlock) {
    std::uint64_t words[kBlock / 8];
    std::memcpy(words, from + at, kBlock);
    std::uint64_t any = 0;
    for (std::uint64_t word : words) any |= word;
    if (any != 0) std::memcpy(to + at, words, kBlock);
  }
  std::memcpy(to + at, from + at, size - at);
}

// A record's use count, which records of two stores may change at once.
std::atomic_ref<Integer> RefsOf(const TvomRecord* block) {
  return std::atomic_ref<Integer>(const_cast<TvomRecord*>(block)->Refs);
}

// Records are given back without running a destructor.
static_assert(std::is_trivially_destructible_v<TvomRecord>);

bool IsLongValueType(TFieldType type) {
  return type == ftString || type == ftBytes || type == ftVarBytes || type == ftFixedChar ||
         type == ftWideString;
}

}  // namespace

void TvomCommon::Touch() {
  static std::atomic<std::uint64_t> stamps{0};
  change_stamp_ = stamps.fetch_add(1, std::memory_order_relaxed) + 1;
}

TvomCommon::TvomCommon(TvomStoreClient* owner) : owner_(owner) {
  Touch();
  std::fill(std::begin(field_offsets_), std::end(field_offsets_), -1);
  std::fill(std::begin(field_sizes_), std::end(field_sizes_), 0);
  SetLocaleID(LOCALE_SYSTEM_DEFAULT);
  DrawTableID();
  if (owner_ != nullptr) AttachTable(owner_);
}

TvomCommon::~TvomCommon() {
  // Tables that share this store must not outlive it holding its address.
  const std::vector<TvomStoreClient*> tables = attached_;
  for (TvomStoreClient* table : tables) {
    if (table == nullptr || table == owner_) continue;
    table->CloseForStore();
    table->StoreDestroyed();
  }
  for (TvomRecord* record : records_) FreeRecord(record, true, true);
}

// --- locking ------------------------------------------------------------------

void TvomCommon::SetStandalone(bool value) {
  if (value == standalone_) return;
  if (value && attached_.size() >= 2) throw EMemTableError(SvomChildrenAttached);
  standalone_ = value;
}

// --- records --------------------------------------------------------------------

TvomRecord* TvomCommon::AllocRecord() const {
  // The pool is shared by every table of the store. (A store is never a
  // const object; this member is const only for its callers' sake.)
  TvomStoreLock hold(const_cast<TvomCommon&>(*this));
  bool zeroed;
  void* memory = pool_->Allocate(sizeof(TvomRecord) + static_cast<std::size_t>(data_size_), zeroed);
  auto* record = new (memory) TvomRecord;
  record->Data = reinterpret_cast<Byte*>(record + 1);
  if (!zeroed) std::memset(record->Data, 0, static_cast<std::size_t>(data_size_));
  return record;
}

void TvomCommon::ClearRecord(TvomRecord* record) const {
  if (record == nullptr) return;
  UnshareRecord(record);
  record->IndexPos = -1;
  record->SlotNo = -1;
  record->Serial = -1;
  record->Flags = 0;
  record->UpdateStatus = usUnmodified;
  record->TransactionLevel = -1;
  record->PrevVersion = nullptr;
  if (record->Data != nullptr) std::memset(record->Data, 0, static_cast<std::size_t>(data_size_));
}

void TvomCommon::FreeIndirectBuffers(TvomRecord* record) const {
  if (record == nullptr || record->Data == nullptr) return;
  if (!indirect_offsets_.empty()) UnshareRecord(record);
  for (Integer offset : indirect_offsets_) {
    Byte* entry = record->Data + offset;
    FreeLengthBuffer(IndirectBuffer(entry));
    entry[0] = 0;
    SetIndirectBuffer(entry, nullptr);
  }
}

void TvomCommon::FreeRecord(TvomRecord* record, bool freeBuffers, bool freeVersions) {
  if (record == nullptr) return;
  if (freeVersions && (record->Flags & mtrfInStore)) FreeVersionChain(record, freeBuffers);
  TvomStoreLock hold(*this);
  // Records share data areas only where there are no indirect buffers, so a
  // shared area has none to free.
  if (freeBuffers && (record->Data == nullptr || !SharesData(record))) FreeIndirectBuffers(record);
  if (record->Data != nullptr && !DataInPlace(record)) {
    --apart_count_;
    ReleaseBlock(DataHolder(record));
  }
  ReleaseBlock(record);
}

void TvomCommon::ReleaseBlock(TvomRecord* block) {
  if (RefsOf(block).fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  if (pool_->FreeIfHeld(block)) return;
  for (const std::shared_ptr<TvomRecordPool>& pool : other_pools_)
    if (pool->FreeIfHeld(block)) return;
  ::operator delete(block);  // too large for any pool's slabs
}

// --- records sharing their data -----------------------------------------------------

bool TvomCommon::SharesData(const TvomRecord* record) {
  return RefsOf(DataHolder(record)).load(std::memory_order_acquire) > 1;
}

bool TvomCommon::CanShareRecordsOf(const TvomCommon& from) const {
  return &from != this && from.data_size_ == data_size_ && from.fixed_size_ == fixed_size_ &&
         from.calc_size_ == 0 && calc_size_ == 0 && from.bookmark_size_ == bookmark_size_ &&
         from.indirect_offsets_.empty() && indirect_offsets_.empty();
}

void TvomCommon::ShareMemoryOf(const TvomCommon& from) {
  TvomStoreLock hold(*this);
  auto keep = [&](const std::shared_ptr<TvomRecordPool>& pool) {
    pool->MarkShared();
    if (pool != pool_ &&
        std::find(other_pools_.begin(), other_pools_.end(), pool) == other_pools_.end())
      other_pools_.push_back(pool);
  };
  keep(from.pool_);
  for (const std::shared_ptr<TvomRecordPool>& pool : from.other_pools_) keep(pool);
}

TvomRecord* TvomCommon::ShareRecord(const TvomRecord* stored) {
  TvomStoreLock hold(*this);
  bool zeroed;
  // The header alone: the data area is the stored record's.
  auto* record = new (pool_->Allocate(sizeof(TvomRecord), zeroed)) TvomRecord;
  RefsOf(DataHolder(stored)).fetch_add(1, std::memory_order_relaxed);
  record->Data = stored->Data;
  ++apart_count_;
  return record;
}

void TvomCommon::UnshareRecord(TvomRecord* record) const {
  if (record == nullptr || record->Data == nullptr || !SharesData(record)) return;
  // A store is never a const object (see AllocRecord).
  const_cast<TvomCommon*>(this)->MoveDataApart(record);
}

void TvomCommon::MoveDataApart(TvomRecord* record) {
  TvomStoreLock hold(*this);
  bool zeroed;
  // A block laid out as a record whose header is never used as one: its
  // use count counts the records whose data it holds.
  auto* holder =
      new (pool_->Allocate(sizeof(TvomRecord) + static_cast<std::size_t>(data_size_), zeroed))
          TvomRecord;
  holder->Data = reinterpret_cast<Byte*>(holder + 1);
  std::memcpy(holder->Data, record->Data, static_cast<std::size_t>(data_size_));
  TvomRecord* const previous = DataHolder(record);
  record->Data = holder->Data;
  // A record whose data was in place keeps its header there (still counted).
  if (previous == record) {
    ++apart_count_;
    if (InSlot(record)) ++stored_apart_count_;
  } else {
    ReleaseBlock(previous);
  }
}

void TvomCommon::FreeVersionChain(TvomRecord* record, bool freeBuffers) {
  // Older versions are reachable only through this chain, so the whole chain
  // goes (walked, not recursed: a record edited often has a long chain).
  TvomRecord* version = record->PrevVersion;
  record->PrevVersion = nullptr;
  while (version != nullptr) {
    TvomRecord* older = version->PrevVersion;
    version->PrevVersion = nullptr;
    FreeRecord(version, freeBuffers, false);
    version = older;
  }
}

void TvomCommon::CopyHeader(const TvomRecord* source, TvomRecord* destination) {
  destination->IndexPos = source->IndexPos;
  destination->SlotNo = source->SlotNo;
  destination->Serial = source->Serial;
  destination->UpdateStatus = source->UpdateStatus;
  destination->TransactionLevel = source->TransactionLevel;
  destination->PrevVersion = source->PrevVersion;
}

void TvomCommon::CopyHeaderAndFixedData(const TvomRecord* source, TvomRecord* destination) const {
  CopyHeader(source, destination);
  std::memcpy(destination->Data, source->Data, static_cast<std::size_t>(indirect_start_));
}

void TvomCommon::CopyRecordData(const TvomRecord* source, TvomRecord* destination) const {
  UnshareRecord(destination);
  CopyHeaderAndFixedData(source, destination);
  for (Integer offset : indirect_offsets_) {
    Byte* to = destination->Data + offset;
    to[0] = source->Data[offset];
    SetIndirectBuffer(to, nullptr);
  }
}

TvomRecord* TvomCommon::CopyRecord(const TvomRecord* record, bool copyBuffers) {
  TvomRecord* copy = AllocRecord();
  CopyRecordData(record, copy);
  if (!copyBuffers) return copy;
  for (Integer offset : indirect_offsets_) {
    Byte* buffer = IndirectBuffer(record->Data + offset);
    if (buffer == nullptr) continue;
    Byte* to = copy->Data + offset;
    SetIndirectBuffer(to, DuplicateLengthBuffer(buffer));
    to[0] = kvomNotNull;
  }
  return copy;
}

void TvomCommon::TransferRecord(TvomRecord* source, TvomRecord* destination) {
  Touch();
  UnshareRecord(destination);
  TransferIndirectValues(source, destination);
  CopyHeaderAndFixedData(source, destination);
}

TvomRecord* TvomCommon::NewRecordFrom(TvomRecord* source) {
  TvomRecord* record = AllocRecord();
  TransferIndirectValues(source, record);
  CopyHeader(source, record);
  CopyIntoZeroed(record->Data, source->Data, static_cast<std::size_t>(indirect_start_));
  return record;
}

void TvomCommon::TransferIndirectValues(TvomRecord* source, TvomRecord* destination) {
  for (Integer offset : indirect_offsets_) {
    Byte* from = source->Data + offset;
    Byte* to = destination->Data + offset;
    Byte* buffer = IndirectBuffer(from);
    if (buffer != nullptr) {
      FreeLengthBuffer(IndirectBuffer(to));
      SetIndirectBuffer(to, buffer);
      SetIndirectBuffer(from, nullptr);
    } else if (from[0] == 0 && IndirectBuffer(to) != nullptr) {
      FreeLengthBuffer(IndirectBuffer(to));
      SetIndirectBuffer(to, nullptr);
      to[0] = 0;
    }
    to[0] = from[0];
  }
}

void TvomCommon::RememberSerial(TvomRecord* record) {
  by_serial_.Set(record->Serial, record);
}

void TvomCommon::ForgetSerial(const TvomRecord* record) {
  if (record->Serial >= 0 && by_serial_.Find(record->Serial) == record)
    by_serial_.Set(record->Serial, nullptr);
}

void TvomCommon::AppendRecord(TvomRecord* record) {
  TvomStoreLock hold(*this);
  Touch();
  record->Serial = serial_counter_++;
  record->Flags |= mtrfInStore;
  if (enable_versioning_) record->UpdateStatus = usInserted;
  if (free_slots_.empty()) {
    record->SlotNo = static_cast<Integer>(records_.size());
    records_.push_back(record);
    CountStoredApart(record, +1);
    RememberSerial(record);
    if (serial_counter_ >= kvomMaxSerial) throw EMemTableFatalError(SvomBookmarkOutOfRange);
    return;
  }
  record->SlotNo = free_slots_.back();
  free_slots_.pop_back();
  records_[static_cast<std::size_t>(record->SlotNo)] = record;
  CountStoredApart(record, +1);
  RememberSerial(record);
}

void TvomCommon::ReserveRecords(Integer count) {
  TvomStoreLock hold(*this);
  if (count <= 0) return;
  try {
    records_.reserve(static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    // Only a hint: the list grows as records come.
  }
}

void TvomCommon::DeleteRecord(TvomRecord* record) {
  if (record == nullptr) return;
  TvomStoreLock hold(*this);
  Touch();
  const Integer slot = record->SlotNo;
  if (InSlot(record)) {
    CountStoredApart(record, -1);
    records_[static_cast<std::size_t>(slot)] = nullptr;
    free_slots_.push_back(slot);
  }
  ForgetSerial(record);
  FreeRecord(record, true, true);
}

void TvomCommon::PackRecords() {
  TvomStoreLock hold(*this);
  Touch();
  // New records are numbered by the list's length, so after packing the
  // slot counter is the packed length again.
  std::erase(records_, nullptr);
  for (std::size_t i = 0; i < records_.size(); ++i) records_[i]->SlotNo = static_cast<Integer>(i);
  free_slots_.clear();
}

void TvomCommon::ClearRecords() {
  TvomStoreLock hold(*this);
  Touch();
  for (TvomRecord*& record : records_) {
    FreeRecord(record, true, true);
    record = nullptr;
  }
  records_.clear();
  stored_apart_count_ = 0;
  free_slots_.clear();
  by_serial_.Clear();
  // No record is left to use another store's memory.
  if (apart_count_ == 0) other_pools_.clear();
  serial_counter_ = 0;
  deleted_count_ = 0;
  DrawTableID();
}

void TvomCommon::DrawTableID() {
  Integer id;
  do id = RandomTableID();
  while (id == table_id_);
  table_id_ = id;
}

// --- counters and settings ----------------------------------------------------------

void TvomCommon::IncTransactionLevel() {
  TvomStoreLock hold(*this);
  ++transaction_level_;
}

void TvomCommon::DecTransactionLevel() {
  TvomStoreLock hold(*this);
  if (transaction_level_ > 0) --transaction_level_;
}

void TvomCommon::SetDeletedCount(Integer value) {
  TvomStoreLock hold(*this);
  deleted_count_ = value;
}

void TvomCommon::SetAutoIncMinValue(Integer value) {
  TvomStoreLock hold(*this);
  auto_inc_min_ = value;
  if (value > auto_inc_max_) auto_inc_max_ = value - 1;
}

void TvomCommon::SetAutoIncMaxValue(Integer value) {
  TvomStoreLock hold(*this);
  auto_inc_max_ = value;
}

void TvomCommon::SetPerformance(TvomPerformance value) {
  TvomStoreLock hold(*this);
  performance_ = value;
}

void TvomCommon::SetVersioningMode(TvomVersioningMode value) {
  TvomStoreLock hold(*this);
  versioning_mode_ = value;
}

void TvomCommon::SetEnableVersioning(bool value) {
  TvomStoreLock hold(*this);
  enable_versioning_ = value;
}

void TvomCommon::SetLocaleID(Integer value) {
  TvomStoreLock hold(*this);
  locale_id_ = value;
  sort_id_ = (value >> 16) & 0xF;
  language_id_ = value & 0xFF;
  sub_language_id_ = (value >> 10) & 0x3F;
  collation_.SetLocale(static_cast<LCID>(value));
}

void TvomCommon::RecomputeLocaleID(Integer language, Integer subLanguage, Integer sort) {
  const Integer language_part = ((subLanguage & 0xFFFF) << 10) | (language & 0xFFFF);
  if (language_part >= 65536) RaiseRangeError();
  language_id_ = language;
  sub_language_id_ = subLanguage;
  sort_id_ = sort;
  locale_id_ = static_cast<Integer>((static_cast<Cardinal>(sort) << 16) |
                                    static_cast<Cardinal>(language_part));
  collation_.SetLocale(static_cast<LCID>(locale_id_));
}

void TvomCommon::SetLanguageID(Integer value) {
  TvomStoreLock hold(*this);
  RecomputeLocaleID(value, sub_language_id_, sort_id_);
}

void TvomCommon::SetSubLanguageID(Integer value) {
  TvomStoreLock hold(*this);
  RecomputeLocaleID(language_id_, value, sort_id_);
}

void TvomCommon::SetSortID(Integer value) {
  TvomStoreLock hold(*this);
  RecomputeLocaleID(language_id_, sub_language_id_, value);
}

// --- layout ----------------------------------------------------------------------------

// The store holds a value of every type the dataset model makes a field for.
bool TvomCommon::IsSupportedFieldType(TFieldType dataType) {
  return HasFieldClass(dataType);
}

Integer TvomCommon::FieldDataSize(TFieldType dataType, Integer size) {
  switch (dataType) {
    case ftString:
    case ftFixedChar:
      return size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
      return 2;
    case ftInteger:
    case ftAutoInc:
      return 4;
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftLargeint:
      return 8;
    case ftBCD:
    case ftFMTBcd:
      return 34;
    case ftBytes:
      return size;
    case ftVarBytes:
      return size + 2;
    case ftWideString:
      return 2 * size + 4;
    case ftGuid:
      return 39;
    case ftTimeStamp:
      return 16;
    default:
      return 0;
  }
}

void TvomCommon::LayoutRecord(const TFieldDefs& fieldDefs) {
  Touch();
  TvomStoreLock hold(*this);
  if (fieldDefs.Count() == 0) throw EMemTableError(SvomNoFields);

  // Definitions in field-number order: children right after their parent,
  // an array's element definitions once per element.
  struct Placed {
    TFieldDef* def;
    Integer no;
  };
  std::vector<Placed> order;
  auto walk = [&](auto&& self, const TFieldDefs& defs) -> void {
    for (Integer i = 0; i < defs.Count(); ++i) {
      TFieldDef* def = defs[i];
      if (static_cast<Integer>(order.size()) >= kvomMaxFields)
        throw EMemTableError(SvomTooManyFieldDefs);
      order.push_back({def, static_cast<Integer>(order.size()) + 1});
      if (def->HasChildDefs()) {
        const Integer times = def->DataType() == ftArray ? def->Size() : 1;
        for (Integer k = 0; k < times; ++k) self(self, *def->ChildDefs());
      }
    }
  };
  walk(walk, fieldDefs);

  std::fill(std::begin(field_offsets_), std::end(field_offsets_), -1);
  std::fill(std::begin(field_sizes_), std::end(field_sizes_), 0);
  std::fill(std::begin(field_flags_), std::end(field_flags_), Byte{0});
  bookmark_size_ = attach_max_count_ * kvomBookmarkSlotSize;
  field_count_ = static_cast<Integer>(order.size());

  Integer fixed = 0;
  for (const Placed& p : order) {
    const TFieldType type = p.def->DataType();
    if (!IsSupportedFieldType(type))
      throw EMemTableError(Format(SvomFieldTypeNotSupported, p.def->Name(), p.def->DisplayName(),
                                  static_cast<int>(type)));
    const bool blob = IsBlobFieldType(type);
    Byte flags = 0;
    if (blob || (IsLongValueType(type) && p.def->Size() >= 13 && performance_ != mtpfFast)) {
      flags = mtffIndirect;
      if (owner_ != nullptr && !blob) owner_->SetupField(p.def, p.no, flags);
    }
    field_flags_[p.no] = flags;
    // A field that its table's OnSetupField keeps in the record is laid out
    // like any fixed field; otherwise it would have no place at all.
    if (!(flags & mtffIndirect)) {
      field_offsets_[p.no] = fixed;
      field_sizes_[p.no] = FieldDataSize(type, p.def->Size());
      fixed += field_sizes_[p.no] + 1;
    }
  }

  fixed_size_ = fixed;
  calc_start_ = fixed;
  calc_size_ = owner_ != nullptr ? owner_->CalcAreaSize() : 0;
  bookmark_start_ = calc_start_ + calc_size_;
  indirect_start_ = bookmark_start_ + bookmark_size_;

  indirect_offsets_.clear();
  for (const Placed& p : order) {
    if (!(field_flags_[p.no] & mtffIndirect)) continue;
    field_offsets_[p.no] =
        indirect_start_ + kvomIndirectEntrySize * static_cast<Integer>(indirect_offsets_.size());
    indirect_offsets_.push_back(field_offsets_[p.no]);
    if (performance_ == mtpfSmall) field_flags_[p.no] |= mtffCompressed;
  }

  indirect_size_ = kvomIndirectEntrySize * static_cast<Integer>(indirect_offsets_.size());
  data_size_ = indirect_start_ + indirect_size_;
  record_size_ = static_cast<Integer>(sizeof(TvomRecord)) + data_size_;
  modified_ = false;
  // OnSetupField may have handed back any flag bits.
  changed_limit_ = kvomMaxFields;
  ClearChangedFlags();
}

void TvomCommon::SetFieldFlags(Integer fieldNo, Byte flags) {
  CheckIndex(fieldNo - 1, kvomMaxFields);
  field_flags_[fieldNo] = flags;
  if ((flags & mtffChanged) && fieldNo > changed_limit_) changed_limit_ = fieldNo;
}

void TvomCommon::ClearChangedFlags() {
  for (Integer no = 1; no <= changed_limit_; ++no)
    field_flags_[no] &= static_cast<Byte>(~mtffChanged);
  changed_limit_ = 0;
}

Byte* TvomCommon::FieldPointer(const TvomRecord* record, const TField* field) const {
  if (record == nullptr || record->Data == nullptr || field == nullptr) return nullptr;
  const Integer offset = FieldDataOffset(field);
  return offset < 0 ? nullptr : record->Data + offset;
}

Integer TvomCommon::FieldDataOffset(const TField* field) const {
  return FieldDataOffset(field->FieldNo(), field->Offset());
}

// --- bookmark area ------------------------------------------------------------------

Integer TvomCommon::BookmarkSerial(const TvomRecord* record, Integer entry) const {
  return ReadValue<Integer>(record->Data + bookmark_start_ + entry * kvomBookmarkSlotSize);
}

Byte TvomCommon::BookmarkFlag(const TvomRecord* record, Integer entry) const {
  return record->Data[bookmark_start_ + entry * kvomBookmarkSlotSize + 4];
}

void TvomCommon::SetBookmark(TvomRecord* record, Integer entry, Integer serial, Byte flag) const {
  UnshareRecord(record);
  Byte* slot = record->Data + bookmark_start_ + entry * kvomBookmarkSlotSize;
  WriteValue<Integer>(slot, serial);
  slot[4] = flag;
}

void TvomCommon::SetBookmarkFlag(TvomRecord* record, Integer entry, Byte flag) const {
  UnshareRecord(record);
  record->Data[bookmark_start_ + entry * kvomBookmarkSlotSize + 4] = flag;
}

// --- comparison -------------------------------------------------------------------------

Integer TvomCommon::CompareFields(TvomValueRef a, TvomValueRef b, TFieldType dataType, Byte options,
                                  bool& fullMatch) {
  return CompareFieldValues(a, b, dataType, options, collation_, fullMatch);
}

void TvomCommon::ResolveValue(const TvomFieldListEntry& entry, const TvomRecord* record, int side,
                              TvomValueRef& value) {
  const Byte* at = record->Data + entry.Offset;
  if (!entry.Indirect) {
    value = {at + 1, entry.StorageSize};
    return;
  }
  const Byte* buffer = IndirectBuffer(at);
  if (buffer == nullptr) {
    // A record buffer that was never given its own copy of the value reads
    // it from the stored record it was taken from. That record is found by
    // its serial: its old slot may have been freed or taken by another
    // record since.
    const TvomRecord* stored = RecordBySerial(record->Serial);
    if (stored == nullptr) throw EMemTableInvalidRecord(SvomInvalidRecord);
    if (stored != record) buffer = IndirectBuffer(stored->Data + entry.Offset);
  }
  if (buffer == nullptr) {
    value = {nullptr, 0};
    return;
  }
  value = {LengthBufferData(buffer), LengthBufferSize(buffer)};
  if (entry.Compressed && owner_ != nullptr) {
    std::vector<Byte>& out = scratch_[side];
    out.clear();
    if (owner_->DecompressFieldValue(entry.Field, value.Data, value.Size, out))
      value = {out.data(), static_cast<Integer>(out.size())};
  }
}

Integer TvomCommon::CompareRecords(const TvomFieldList& fields, Integer countLimit,
                                   const TvomRecord* key, const TvomRecord* record,
                                   bool ignoreNulls, bool partial, Integer stopRule) {
  if (key == nullptr || record == nullptr) return 0;
  Integer count = fields.Count();
  if (countLimit > 0 && countLimit < count) count = countLimit;
  Integer result = 0;
  for (Integer i = 0; i < count; ++i) {
    const TvomFieldListEntry& entry = fields.Entry(i);
    if (entry.Offset < 0) continue;
    Byte options = entry.Options;
    if (stopRule >= 1 && stopRule <= 4) options &= static_cast<Byte>(~mtifoDescending);
    if (partial) options |= mtifoPartial;
    const bool descending = options & mtifoDescending;

    const bool key_null = key->Data[entry.Offset] == 0;
    const bool record_null = record->Data[entry.Offset] == 0;
    if (key_null && (ignoreNulls || (options & mtifoIgnoreNull))) continue;

    bool full_match = true;
    Integer r;
    if (key_null || record_null) {
      if (key_null && record_null)
        r = 0;
      else if (key_null)
        r = descending ? 1 : -1;
      else
        r = descending ? -1 : 1;
    } else {
      TvomValueRef a, b;
      ResolveValue(entry, key, 0, a);
      ResolveValue(entry, record, 1, b);
      r = 0;
      if (owner_ == nullptr || !owner_->CompareFieldsHook(entry.Field, a.Data, b.Data,
                                                          entry.DataType, options, full_match, r)) {
        r = entry.Compare(a, b, options, collation_, full_match);
        if (descending) r = -r;
      }
    }
    result = r;
    switch (stopRule) {
      case 0:
        if (r != 0) return r;
        if (!full_match) return 0;
        break;
      case 1:
        if (r < 0) return r;
        break;
      case 2:
        if (r > 0) return r;
        break;
      case 3:
        if (r <= 0) return r;
        break;
      case 4:
        if (r >= 0) return r;
        break;
      default:
        break;
    }
  }
  return result;
}

// --- attached tables ---------------------------------------------------------------------

TvomStoreClient* TvomCommon::AttachedTables(Integer entry) const {
  if (entry < 0 || entry >= AttachedCount()) return nullptr;
  return attached_[static_cast<std::size_t>(entry)];
}

void TvomCommon::SetAttachMaxCount(Integer value) {
  TvomStoreLock hold(*this);
  if (value == attach_max_count_) return;
  if (value < 1) throw ERangeError(SvomInvalidArgument);
  if (AnyTableActive()) throw EMemTableError(SvomTableMustBeClosed);
  // Shrinking must not silently drop a table that still uses the store.
  for (std::size_t i = static_cast<std::size_t>(value); i < attached_.size(); ++i)
    if (attached_[i] != nullptr) throw ERangeError(SvomInvalidArgument);
  attached_.resize(static_cast<std::size_t>(value), nullptr);
  attach_max_count_ = value;
}

void TvomCommon::AttachTable(TvomStoreClient* table) {
  TvomStoreLock hold(*this);
  const auto free_entry = std::find(attached_.begin(), attached_.end(), nullptr);
  if (free_entry != attached_.end()) {
    *free_entry = table;
    table->SetAttachIndex(static_cast<Integer>(free_entry - attached_.begin()));
    return;
  }
  if (AnyTableActive()) throw EMemTableError(SvomTableMustBeClosed);
  attached_.push_back(table);
  attach_max_count_ = static_cast<Integer>(attached_.size());
  table->SetAttachIndex(attach_max_count_ - 1);
}

void TvomCommon::DetachTable(TvomStoreClient* table) {
  TvomStoreLock hold(*this);
  std::replace(attached_.begin(), attached_.end(), table, static_cast<TvomStoreClient*>(nullptr));
}

bool TvomCommon::AnyTableActive() const {
  return std::any_of(attached_.begin(), attached_.end(),
                     [](TvomStoreClient* t) { return t != nullptr && t->IsTableActive(); });
}

void TvomCommon::CloseTables(TvomStoreClient* except) {
  TvomStoreLock hold(*this);
  for (Integer i = AttachedCount() - 1; i >= 0; --i) {
    TvomStoreClient* table = AttachedTables(i);
    if (table != nullptr && table != except) table->CloseForStore();
  }
}

void TvomCommon::RefreshOtherTables(TvomStoreClient* except) {
  TvomStoreLock hold(*this);
  for (Integer i = 0; i < AttachedCount(); ++i) {
    TvomStoreClient* table = AttachedTables(i);
    if (table != nullptr && table != except && table->IsTableActive() && table->IsTableBrowsing())
      table->RefreshForStore();
  }
}

template <class Action>
void TvomCommon::ForEachActiveTable(Action action) {
  TvomStoreLock hold(*this);
  for (Integer i = 0; i < AttachedCount(); ++i) {
    TvomStoreClient* table = AttachedTables(i);
    if (table != nullptr && table->IsTableActive()) action(table);
  }
}

void TvomCommon::EmptyTables() {
  TvomStoreLock hold(*this);
  ForEachActiveTable([](TvomStoreClient* table) { table->DiscardRecordBuffers(); });
  ClearRecords();
}

void TvomCommon::RebuildAllIndexes() {
  ForEachActiveTable([](TvomStoreClient* table) { table->Indexes().RebuildAll(); });
}

void TvomCommon::MarkAllIndexesUnordered() {
  ForEachActiveTable([](TvomStoreClient* table) { table->Indexes().MarkAllUnordered(); });
}

void TvomCommon::UpdateAllIndexes() {
  ForEachActiveTable([](TvomStoreClient* table) { table->UpdateIndexes(); });
}

void TvomCommon::UpdateIndexes(TvomIndexChange change, TvomStoreClient* changer, Integer position,
                               TvomRecord* stored, const TvomRecord* newValues) {
  ForEachActiveTable([&](TvomStoreClient* table) {
    table->Indexes().Upkeep(change, table == changer, position, stored, newValues);
  });
}

// --- versions ------------------------------------------------------------------------------

void TvomCommon::Rollback() {
  TvomStoreLock hold(*this);
  Touch();
  const Integer level = transaction_level_;
  modified_ = false;
  for (std::size_t slot = 0; slot < records_.size(); ++slot) {
    TvomRecord* record = records_[slot];
    while (record != nullptr && record->TransactionLevel == level) {
      if (record->UpdateStatus == usUnmodified) break;
      if (record->UpdateStatus == usInserted) {
        ForgetSerial(record);
        CountStoredApart(record, -1);
        FreeRecord(record, true, true);
        records_[slot] = record = nullptr;
        free_slots_.push_back(static_cast<Integer>(slot));
        break;
      }
      TvomRecord* older = record->PrevVersion;
      if (older == nullptr) break;  // nothing to go back to
      if (record->UpdateStatus == usDeleted && deleted_count_ > 0) --deleted_count_;
      older->SlotNo = static_cast<Integer>(slot);
      older->Flags |= mtrfInStore;
      CountStoredApart(record, -1);
      CountStoredApart(older, +1);
      records_[slot] = older;
      RememberSerial(older);
      record->PrevVersion = nullptr;
      FreeRecord(record, true, false);
      record = older;
    }
    if (record != nullptr && record->UpdateStatus != usUnmodified) modified_ = true;
  }
}

void TvomCommon::Commit() {
  TvomStoreLock hold(*this);
  const Integer level = transaction_level_;
  for (TvomRecord* record : records_) {
    if (record == nullptr || record->TransactionLevel != level) continue;
    if (level <= 1) {
      // Into level 0: the changes are final, older versions are no longer needed.
      FreeVersionChain(record, true);
      record->TransactionLevel = level - 1;
      continue;
    }
    // Into an outer transaction, which may still be rolled back: every
    // version made at this level now belongs to the outer one.
    for (TvomRecord* version = record; version != nullptr; version = version->PrevVersion)
      if (version->TransactionLevel == level) version->TransactionLevel = level - 1;
  }
}
