// memtable/MemTableCopy.cpp
//
// Copying records and structure between datasets: CopyRecords,
// LoadFromDataSet, SaveToDataSet, UpdateToDataSet(All), CreateTableAs and
// the field-property copies.
#include <algorithm>
#include <cstring>
#include <optional>
#include <typeinfo>

#include "memtable/Index.h"
#include "memtable/LengthBuffer.h"
#include "memtable/MemTable.h"
#include "platform/data/BlobFields.h"
#include "platform/data/BooleanField.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/Fields.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringFields.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

constexpr const char* SvomAppendAndStructure = "Cannot both append and copy structure.";

// How one destination field receives its value in a copy.
enum class CopyRule : Byte {
  Variant,  // the source field's variant
  Text,     // the source field's text
  Native,   // the native bytes (same class and size: no conversion at all)
};

struct FieldPair {
  Integer position = 0;
  TField* source = nullptr;
  TField* destination = nullptr;
  CopyRule rule = CopyRule::Variant;
};

bool IsEightBitString(TFieldType type) {
  return type == ftString || type == ftFixedChar;
}

// The rule of CopyRecords for a pair of fields.
CopyRule CopyRuleFor(const TField* source, const TField* destination, bool convertWideStrings) {
  const TFieldType s = source->DataType(), d = destination->DataType();
  if (s == ftLargeint) return CopyRule::Text;
  // Strings are UTF-8 on both sides, so converting between an 8-bit string
  // and a wide string is a copy of the text.
  if (convertWideStrings && (s == ftWideString || d == ftWideString) && s != d)
    return (s == ftWideString && IsEightBitString(d)) || (IsEightBitString(s) && d == ftWideString)
               ? CopyRule::Text
               : CopyRule::Variant;
  if (s == ftOraBlob || s == ftOraClob) return CopyRule::Text;
  if (typeid(*source) != typeid(*destination)) return CopyRule::Text;
  if (!source->IsBlob() && s == d && s != ftFixedChar && source->DataSize() > 0 &&
      source->DataSize() == destination->DataSize())
    return CopyRule::Native;
  return CopyRule::Variant;
}

// The destination's fields by position, each with the source field of its
// name (lookup fields and unsupported types stay unmapped).
std::vector<FieldPair> MapFields(TDataSet* source, TDataSet* destination, bool autoIncOnlyWhenEmpty,
                                 bool convertWideStrings) {
  std::vector<FieldPair> pairs;
  const Integer count = std::min(destination->FieldCount(), kvomMaxFields);
  const bool destinationEmpty = destination->IsEmpty();
  for (Integer i = 0; i < count; ++i) {
    TField* field = destination->Fields(i);
    const TFieldKind kind = field->FieldKind();
    if (kind != fkData && kind != fkCalculated && kind != fkInternalCalc) continue;
    if (!TvomCommon::IsSupportedFieldType(field->DataType())) continue;
    if (autoIncOnlyWhenEmpty && field->DataType() == ftAutoInc && !destinationEmpty) continue;
    TField* from = source->FindField(field->FieldName());
    if (from == nullptr) continue;
    pairs.push_back({i, from, field, CopyRuleFor(from, field, convertWideStrings)});
  }
  return pairs;
}

void CopyValue(const FieldPair& pair, std::vector<Byte>& scratch) {
  if (pair.source->IsNull()) {
    pair.destination->Clear();
    return;
  }
  switch (pair.rule) {
    case CopyRule::Text:
      pair.destination->SetAsString(pair.source->AsString());
      break;
    case CopyRule::Variant:
      pair.destination->SetValue(pair.source->Value());
      break;
    case CopyRule::Native:
      scratch.assign(static_cast<std::size_t>(pair.source->DataSize()) + 1, 0);
      pair.source->GetData(scratch.data());
      pair.destination->SetData(scratch.data());
      break;
  }
}

// MinValue and MaxValue when both fields are of class F; whether they are.
template <class F>
bool CopyLimits(const TField* source, TField* destination) {
  auto* to = dynamic_cast<F*>(destination);
  auto* from = dynamic_cast<const F*>(source);
  if (to == nullptr || from == nullptr) return false;
  to->SetMaxValue(from->MaxValue());
  to->SetMinValue(from->MinValue());
  return true;
}

// Fills the destination's pending record from the pairs, with the table's
// OnSaveField (when `fromTable`), OnLoadField (when the destination is the
// table) and OnLoadRecord (when `askLoadRecord`); then posts it and answers
// true, or cancels it when refused or when something fails.
bool PostPendingRecord(TvomCustomMemTable* table, TDataSet* destination,
                       const std::vector<FieldPair>& pairs, bool fromTable, bool askLoadRecord,
                       std::vector<Byte>& scratch) {
  const bool intoTable = destination == table;
  bool accept = true;
  try {
    for (const FieldPair& pair : pairs) {
      if (fromTable && table->OnSaveField) table->OnSaveField(table, pair.position, pair.source);
      CopyValue(pair, scratch);
      if (intoTable && table->OnLoadField)
        table->OnLoadField(table, pair.position, pair.destination);
    }
    if (askLoadRecord && table->OnLoadRecord) table->OnLoadRecord(table, accept);
  } catch (...) {
    destination->Cancel();
    throw;
  }
  if (!accept) {
    destination->Cancel();
    return false;
  }
  destination->Post();
  return true;
}

// Runs `body` with the destination of a copy ready: the controls of both
// sides disabled (the destination's unless they already were) and the
// destination open and browsing. Afterwards, also after a failure, the
// destination goes to its first record, the controls are enabled again and
// a destination that was closed is closed again.
template <class Body>
void WithDestination(TDataSet* table, TDataSet* destination, Body body) {
  const bool wasActive = destination->Active();
  const bool controlsDisabled = destination->ControlsDisabled();
  if (!controlsDisabled) destination->DisableControls();
  table->DisableControls();
  TScopeExit restore([&] {
    if (destination->Active()) destination->First();
    if (!controlsDisabled) destination->EnableControls();
    table->EnableControls();
    if (!wasActive) destination->Close();
  });
  if (!wasActive) destination->Open();
  destination->CheckBrowseMode();
  body();
}

Integer Percent(Integer done, Integer total) {
  return total > 0 ? static_cast<Integer>(static_cast<Int64>(done) * 100 / total) : 0;
}

}  // namespace

// --- copying records ------------------------------------------------------------------

Integer TvomCustomMemTable::CopyRecords(TDataSet* source, TDataSet* destination,
                                        bool convertWideStrings, Integer limit) {
  if (source == nullptr || destination == nullptr || source == destination) return 0;
  Progress(0, mtpcCopy);
  const std::vector<FieldPair> pairs = MapFields(source, destination, true, convertWideStrings);
  const bool fromThis = source == this;
  const bool intoThis = destination == this;
  const Integer total = OnProgress ? source->RecordCount() : -1;
  if (total < 1) Progress(50, mtpcCopy);
  SetLoadedCompletely(true);

  std::vector<Byte> scratch;
  Integer count = 0;
  Integer read = 0;
  while (!source->Eof()) {
    if (total > 0 && read > 0 && read % 100 == 0) Progress(Percent(read, total), mtpcCopy);
    ++read;
    bool accept = true;
    if (fromThis && OnSaveRecord) OnSaveRecord(this, accept);
    if (accept) {
      destination->Append();
      if (PostPendingRecord(this, destination, pairs, fromThis, intoThis, scratch)) ++count;
    }
    source->Next();
    if (limit > 0 && count >= limit) {
      // Told after the move, so that copying the last record exactly at the
      // limit still reads as complete.
      SetLoadedCompletely(source->Eof());
      break;
    }
  }
  Progress(100, mtpcCopy);
  return count;
}

// --- copying stored records ---------------------------------------------------------

namespace {

// Whether the records of `from` can go into `to` byte for byte: every field
// of `to` takes the field of the same number in `from` as is (CopyRuleFor's
// native rule), and both stores give it the same place, size and storage.
bool SameRecordLayout(const TvomCommon& from, const TvomCommon& to,
                      const std::vector<FieldPair>& pairs, Integer destinationFields) {
  if (static_cast<Integer>(pairs.size()) != destinationFields ||
      from.FieldCount() != to.FieldCount() || from.FixedSize() != to.FixedSize() ||
      from.IndirectCount() != to.IndirectCount() || to.CalcSize() != 0)
    return false;
  constexpr Byte kStorage = mtffIndirect | mtffCompressed;
  for (const FieldPair& pair : pairs) {
    const Integer no = pair.destination->FieldNo();
    // A blob is copied through its value, whose bytes are its buffer's.
    const bool sameBlob = pair.source->IsBlob() &&
                          pair.source->DataType() == pair.destination->DataType() &&
                          typeid(*pair.source) == typeid(*pair.destination);
    if ((pair.rule != CopyRule::Native && !sameBlob) || pair.source->FieldNo() != no ||
        pair.destination->FieldKind() != fkData || pair.destination->Required() ||
        !pair.destination->DefaultExpression().empty() || pair.destination->OnValidate ||
        pair.destination->OnChange || pair.destination->DataType() == ftAutoInc)
      return false;
    if (from.FieldOffset(no) != to.FieldOffset(no) ||
        from.FieldStorageSize(no) != to.FieldStorageSize(no) ||
        (from.FieldFlags(no) & kStorage) != (to.FieldFlags(no) & kStorage))
      return false;
  }
  return true;
}

}  // namespace

bool TvomCustomMemTable::CopyStoredRecords(TvomCustomMemTable* source) {
  // Appending and posting each record runs the dataset's events, the
  // fields' events and checks and the links of the table: with none of
  // them there to see anything, a copy is the source's stored bytes.
  if (source->State() != dsBrowse || source->HasCalcFields() || LoadLimit() > 0 ||
      EnableIndexes() || OnLoadRecord || OnLoadField || BeforeInsert || AfterInsert ||
      OnNewRecord || BeforePost || AfterPost || BeforeScroll || AfterScroll || OnPostError ||
      master_link_->Active() || auto_inc_field_ != nullptr || HasUnsilencedLinks())
    return false;
  // Values packed by one table's handlers mean something only to them.
  for (const TvomCustomMemTable* table : {source, this})
    if (table->OnCompressField || table->OnDecompressField || table->OnCompressBlobStream ||
        table->OnDecompressBlobStream)
      return false;
  const std::vector<FieldPair> pairs = MapFields(source, this, true, false);
  if (!SameRecordLayout(source->Store(), Store(), pairs, FieldCount())) return false;

  // The records the source shows, by serial: a progress handler may change
  // the source between two notices, and then the records still to copy are
  // taken as they are by then (those deleted are skipped).
  std::vector<Integer> serials;
  serials.reserve(static_cast<std::size_t>(source->CurrentIndex()->Count()));
  // Serials start again at 0 when the source is cleared: after that those
  // taken here would name other records, perhaps of another layout.
  const Integer sourceContents = source->Store().TableID();
  source->ReadRecords([&] {
    serials.push_back(source->override_record_->Serial);
    return true;
  });

  Progress(0, mtpcCopy);
  const Integer total = OnProgress ? source->RecordCount() : -1;
  if (total < 1) Progress(50, mtpcCopy);
  SetLoadedCompletely(true);
  TvomCommon& from = source->Store();
  const auto fixedSize = static_cast<std::size_t>(from.FixedSize());
  // Where the stores allow it, a copy shares the source record's data area
  // rather than duplicating it: a table of a million catalogue rows would
  // otherwise take another 1.8 GB from the system, and the kernel's time
  // finding and clearing that memory is nearly all of such a copy. Either
  // side's first write into a record gives it its own copy of that record.
  const bool share = store_->CanShareRecordsOf(from);
  if (share) {
    TvomStoreLock holdFrom(from);
    store_->ShareMemoryOf(from);
  }
  Integer count = 0;
  std::size_t next = 0;
  while (next < serials.size()) {
    const auto read = static_cast<Integer>(next);
    if (total > 0 && read > 0 && read % 100 == 0) Progress(Percent(read, total), mtpcCopy);
    const std::size_t end = std::min(serials.size(), next + 100 - next % 100);
    TvomStoreLock holdFrom(source->Store());
    TvomStoreLock holdTo(*store_);
    if (from.TableID() != sourceContents) break;  // every record left to copy is gone
    for (; next < end; ++next) {
      const TvomRecord* stored = from.RecordBySerial(serials[next]);
      if (stored == nullptr) continue;
      if (share) {
        StoreNewRecord(store_->ShareRecord(stored), -1);
        ++count;
        continue;
      }
      TvomRecord* record = store_->AllocRecord();
      std::memcpy(record->Data, stored->Data, fixedSize);
      for (Integer i = 0; i < store_->IndirectCount(); ++i) {
        const Integer offset = store_->IndirectStart() + i * kvomIndirectEntrySize;
        const Byte* entry = stored->Data + offset;
        record->Data[offset] = entry[0];
        if (const Byte* buffer = IndirectBuffer(entry))
          SetIndirectBuffer(record->Data + offset, DuplicateLengthBuffer(buffer));
      }
      StoreNewRecord(record, -1);
      ++count;
    }
  }
  Progress(100, mtpcCopy);
  SetLoadCount(count);
  return true;
}

void TvomCustomMemTable::LoadFromDataSet(TDataSet* source, TvomCopyOptions options) {
  if (source == nullptr || source == this) return;
  if (HasFlag(options, coAppend) &&
      (HasFlag(options, coStructure) || HasFlag(options, coFieldProperties)))
    throw EMemTableError(SvomAppendAndStructure);

  SetOperationState(mtosLoading);
  TScopeExit idle([&] { SetOperationState(mtosIdle); });
  if (OnLoad) OnLoad(this, mtstDataSet, nullptr);
  if (HasFlag(options, coStructure))
    Close();
  else if (!HasFlag(options, coAppend))
    EmptyTable();

  const bool sourceWasActive = source->Active();
  const bool sourceControlsDisabled = source->ControlsDisabled();
  const bool wasFiltered = Filtered();
  TDataSource* const masterSource = MasterSource();
  const bool enableIndexes = EnableIndexes();
  if (!HasFlag(options, coKeepIndexes)) SetEnableIndexes(false);
  SetIgnoreReadOnly(true);
  if (!sourceControlsDisabled) source->DisableControls();
  DisableControls();
  TBookmark bookmark;
  TScopeExit restore([&] {
    // The copy ran without index upkeep: bring every table of the store up
    // to date once (also after a failure, for the records copied so far).
    SetEnableIndexes(enableIndexes);
    if (Active()) {
      Store().MarkAllIndexesUnordered();
      Store().UpdateAllIndexes();
    }
    // The source's record may have gone during the copy (a progress
    // handler): the source then stays where it is, and the copy stands.
    if (!bookmark.Empty() && source->Active() && source->BookmarkValid(bookmark))
      source->GotoBookmark(bookmark);
    SetIgnoreReadOnly(false);
    if (!sourceWasActive) source->Close();
    if (!sourceControlsDisabled) source->EnableControls();
    if (Filtered() != wasFiltered) SetFiltered(wasFiltered);
    if (MasterSource() != masterSource) SetMasterSource(masterSource);
    EnableControls();
    if (Active()) First();
  });
  if (!sourceWasActive) source->Open();
  bookmark = source->GetBookmark();
  if (Filtered()) SetFiltered(false);
  if (MasterSource() != nullptr) SetMasterSource(nullptr);
  source->CheckBrowseMode();

  if (HasFlag(options, coStructure)) CreateTableAs(source, options);
  if (!Active()) Open();
  if (!HasFlag(options, coAppend) && HasFlag(options, coFieldProperties))
    CopyFieldsProperties(source, this);

  CheckBrowseMode();
  if (!source->Bof()) source->First();
  auto* table = dynamic_cast<TvomCustomMemTable*>(source);
  if (table == nullptr || !CopyStoredRecords(table))
    SetLoadCount(CopyRecords(source, this, HasFlag(options, coWideStringsUTF8), LoadLimit()));
}

void TvomCustomMemTable::SaveToDataSet(TDataSet* destination, TvomCopyOptions options) {
  if (destination == nullptr || destination == this) return;
  SetOperationState(mtosSaving);
  TScopeExit idle([&] { SetOperationState(mtosIdle); });
  if (OnSave) OnSave(this, mtstDataSet, nullptr);
  WithDestination(this, destination, [&] {
    if (!Active()) Open();
    CheckBrowseMode();
    First();
    SetSaveCount(CopyRecords(this, destination, HasFlag(options, coWideStringsUTF8), SaveLimit()));
  });
}

void TvomCustomMemTable::UpdateToDataSet(TDataSet* destination, const String& keyFields,
                                         Integer flags) {
  if (Active()) CheckBrowseMode();
  if (destination == nullptr || destination == this) return;
  if (OnSave) OnSave(this, mtstDataSet, nullptr);
  TScopeExit idle([&] { SetOperationState(mtosIdle); });
  WithDestination(this, destination, [&] { UpdateRun(destination, keyFields, flags); });
}

void TvomCustomMemTable::UpdateRun(TDataSet* destination, const String& keyFields, Integer flags) {
  if (!Active()) Open();
  Progress(0, mtpcUpdate);
  SetOperationState(mtosUpdating);
  std::vector<TField*> keys;
  GetFieldList(keys, keyFields);
  std::vector<FieldPair> pairs = MapFields(this, destination, false, false);
  for (FieldPair& pair : pairs) pair.rule = CopyRule::Text;
  std::vector<Byte> scratch;
  First();
  const Integer total = OnProgress ? RecordCount() : -1;
  if (total < 1) Progress(50, mtpcUpdate);

  Integer count = 0;
  Integer read = 0;
  while (!Eof()) {
    if (total > 0 && read > 0 && read % 100 == 0) Progress(Percent(read, total), mtpcUpdate);
    ++read;
    bool accept = true;
    if (OnSaveRecord) OnSaveRecord(this, accept);
    if (accept) {
      Variant key;
      if (keys.size() == 1) {
        key = keys[0]->Value();
      } else {
        std::vector<Variant> values;
        for (TField* field : keys) values.push_back(field->Value());
        key = VarArrayOf(std::move(values));
      }
      const bool found = destination->Locate(keyFields, key, {});
      bool write = true;
      if (found && (flags & 1) != 0)
        destination->Edit();
      else if (!found && (flags & 2) != 0)
        destination->Append();
      else
        write = false;
      if (write && PostPendingRecord(this, destination, pairs, true, true, scratch)) ++count;
    }
    Next();
    if (SaveLimit() > 0 && count >= SaveLimit()) break;
  }
  SetSaveCount(count);
  Progress(100, mtpcUpdate);
}

void TvomCustomMemTable::UpdateToDataSetAll(TDataSet* destination, const String& keyFields) {
  UpdateToDataSet(destination, keyFields, 3);
}

// --- copying structure ------------------------------------------------------------------

void TvomCustomMemTable::CreateTableAs(TDataSet* source, TvomCopyOptions options) {
  Store().CloseTables(nullptr);
  if (Active()) Close();
  if (source == nullptr) return;
  if (!source->Active()) source->InitFieldDefs();
  TFieldDefs* sourceDefs = source->FieldDefs();
  if (sourceDefs->Count() > kvomMaxFields) throw EMemTableError(SvomTooManyFieldDefs);

  TFieldDefs* defs = FieldDefs();
  defs->Clear();
  for (Integer i = 0; i < sourceDefs->Count(); ++i)
    defs->AddFieldDef()->Assign(sourceDefs->Items(i));
  for (Integer i = defs->Count() - 1; i >= 0; --i) {
    TFieldDef* def = defs->Items(i);
    if (!TvomCommon::IsSupportedFieldType(def->DataType()) ||
        (HasFlag(options, coOnlySourceFields) && source->FindField(def->Name()) == nullptr)) {
      defs->Delete(i);
      continue;
    }
    if (HasFlag(options, coStringsAsWide) && IsEightBitString(def->DataType()))
      def->SetDataType(ftWideString);
  }

  DestroyFields();
  if (!source->DefaultFields()) CreateFields();
  for (Integer i = 0; i < source->FieldCount(); ++i) {
    TField* from = source->Fields(i);
    const bool lookup = from->FieldKind() == fkLookup && HasFlag(options, coLookupFields);
    const bool calculated =
        from->FieldKind() == fkCalculated && HasFlag(options, coCalculatedFields);
    if (!lookup && !calculated) continue;
    // Fields the source made for itself belong to it; ours belong to us.
    TComponent* owner = from->Owner() != nullptr && from->Owner() != source ? from->Owner() : this;
    std::unique_ptr<TField> made = NewField(from->DataType(), owner);
    TField* field = made.release();  // owned by `owner` from here on
    field->SetSize(from->Size());
    field->SetFieldKind(from->FieldKind());
    field->SetFieldName(from->FieldName());
    field->SetLookupDataSet(from->LookupDataSet());
    field->SetLookupKeyFields(from->LookupKeyFields());
    field->SetLookupResultField(from->LookupResultField());
    field->SetKeyFields(from->KeyFields());
    if (auto* bcd = dynamic_cast<TBCDField*>(field))
      if (auto* fromBcd = dynamic_cast<const TBCDField*>(from))
        bcd->SetPrecision(fromBcd->Precision());
    field->SetDataSet(this);
    if (HasFlag(options, coFieldOrder)) field->SetIndex(std::min(from->Index(), FieldCount() - 1));
  }
  if (HasFlag(options, coFieldProperties)) CopyFieldsProperties(source, this);
  LocateAutoIncField();
}

void TvomCustomMemTable::CopyFieldProperties(TField* source, TField* destination) {
  if (source == nullptr || destination == nullptr || source == destination) return;
  destination->SetEditMask(source->EditMask());
  destination->SetDisplayWidth(source->DisplayWidth());
  destination->SetDisplayLabel(source->DisplayLabel());
  destination->SetRequired(source->Required());
  destination->SetReadOnly(source->ReadOnly());
  destination->SetVisible(source->Visible());
  destination->SetDefaultExpression(source->DefaultExpression());
  destination->SetAlignment(source->Alignment());
  destination->SetProviderFlags(source->ProviderFlags());
  if (auto* to = dynamic_cast<TNumericField*>(destination))
    if (auto* from = dynamic_cast<const TNumericField*>(source)) {
      to->SetDisplayFormat(from->DisplayFormat());
      to->SetEditFormat(from->EditFormat());
    }
  CopyLimits<TIntegerField>(source, destination);
  CopyLimits<TLargeintField>(source, destination);
  if (auto* to = dynamic_cast<TDateTimeField*>(destination))
    if (auto* from = dynamic_cast<const TDateTimeField*>(source))
      to->SetDisplayFormat(from->DisplayFormat());
  if (auto* to = dynamic_cast<TBooleanField*>(destination))
    if (auto* from = dynamic_cast<const TBooleanField*>(source))
      to->SetDisplayValues(from->DisplayValues());
  if (auto* to = dynamic_cast<TStringField*>(destination))
    if (auto* from = dynamic_cast<const TStringField*>(source))
      to->SetTransliterate(from->Transliterate());
  if (CopyLimits<TFloatField>(source, destination)) {
    auto* to = static_cast<TFloatField*>(destination);
    auto* from = static_cast<const TFloatField*>(source);
    to->SetPrecision(from->Precision());
    to->SetCurrency(from->currency());
  }
  if (CopyLimits<TBCDField>(source, destination))
    static_cast<TBCDField*>(destination)
        ->SetCurrency(static_cast<const TBCDField*>(source)->currency());
  if (auto* to = dynamic_cast<TBlobField*>(destination))
    if (auto* from = dynamic_cast<const TBlobField*>(source))
      if (to->BlobType() != from->BlobType()) to->SetBlobType(from->BlobType());
  if (OnSetupFieldProperties) OnSetupFieldProperties(this, destination);
}

void TvomCustomMemTable::CopyFieldsProperties(TDataSet* source, TDataSet* destination) {
  if (source == nullptr || destination == nullptr) return;
  for (Integer i = 0; i < destination->FieldCount(); ++i) {
    TField* to = destination->Fields(i);
    if (TField* from = source->FindField(to->FieldName())) CopyFieldProperties(from, to);
  }
}
