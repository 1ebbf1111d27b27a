// oracle/OracleDataSetPost.cpp
//
// Posting and deleting records of the Oracle dataset: the insert, update
// and delete statements it generates on its "DMLQuery", the WHERE clause
// that identifies a row (by rowid, or by the UniqueFields' values), the
// steps around a post or delete (lock, OnApplyRecord, statement, returned
// rowid, LOB values, commit, record list, refresh) and the reporting of
// failures. A failed post or delete leaves the record list as it was.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "oracle/LOBLocator.h"
#include "oracle/OracleDataSet.h"
#include "oracle/OracleErrors.h"
#include "oracle/OracleTableInfo.h"
#include "oracle/OracleTypes.h"
#include "platform/data/BlobFields.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

using namespace OracleRecord;

namespace {

const char* const kCRLF = "\r\n";

bool IsLobType(Integer type) {
  return type == Oracle::otCLOB || type == Oracle::otBLOB || type == Oracle::otBFile;
}

bool IsStringField(const TField* field) {
  return field->DataType() == ftString || field->DataType() == ftFixedChar;
}

// Runs `step` and drops its error: used where a first failure is already
// being reported.
template <class F>
void Quietly(F step) {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

const TStrings* TOracleDataSet::KeyColumns() {
  if (!key_columns_known_) {
    OracleData::GetKeyColumns(this, UniqueFields(), &key_columns_);
    key_columns_known_ = true;
  }
  return &key_columns_;
}

// --- helpers ------------------------------------------------------------------------

Integer TOracleDataSet::FieldVariableType(TField* field) {
  const TExtraFieldInfo* info = InfoOf(field);
  TOracleQuery* query = FetchQuery();
  if (info && info->Column >= 0 && info->Column < query->FieldCount())
    return query->FieldType(info->Column);
  switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
      return Oracle::otInteger;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return Oracle::otFloat;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return Oracle::otDate;
    case ftMemo:
      return Oracle::otLong;
    case ftBlob:
      return Oracle::otLongRaw;
    case ftOraClob:
      return Oracle::otCLOB;
    case ftOraBlob:
      return Oracle::otBLOB;
    default:
      return Oracle::otString;
  }
}

bool TOracleDataSet::GetCanModify() {
  if (qbe_mode_) return true;
  return Active() && (rowid_column_ >= 0 || OnApplyRecord) && !read_only_ &&
         MasterAllowsModification();
}

bool TOracleDataSet::FireApplyRecord(char action, String& newRowId) {
  if (!OnApplyRecord) return false;
  bool applied = false;
  OnApplyRecord(this, action, applied, newRowId);
  return applied;
}

void TOracleDataSet::RaiseTranslated(char action, Integer code, const String& message) {
  String text;
  TranslateMessage(action, code, text, message);
  DatabaseError(text);
}

void TOracleDataSet::CheckRowId(const String& rowId, const String& action) {
  if (Trim(rowId).empty())
    throw Exception(
        action + " cannot be performed without a rowid." + kCRLF +
        "Provide a rowid in the query or handle this action in the OnApplyRecord event");
}

bool TOracleDataSet::IsPostedField(TField* field) {
  if (field->FieldKind() != fkData) return false;
  const TExtraFieldInfo* info = InfoOf(field);
  if (!info || info->Column < 0 || info->Column >= main_query_->FieldCount()) return false;
  // A second select-list column of one name is shown as NAME_1: that is no
  // column of the table, and naming it in a statement fails on the server.
  return SameText(field->FieldName(), main_query_->FieldName(info->Column));
}

const TOracleBlob* TOracleDataSet::PostedBlob(TField* field) {
  auto* blobField = dynamic_cast<TBlobField*>(field);
  if (blobField && blobField->Modified() && current_blobs_)
    return current_blobs_->BlobByField(field);
  TBlobList* own = ActiveBuffer() ? BlobList(ActiveBuffer()) : nullptr;
  return own ? own->BlobByField(field) : nullptr;
}

void TOracleDataSet::ForgetBlobEdits() {
  for (TField* field : Fields())
    if (auto* blobField = dynamic_cast<TBlobField*>(field)) blobField->SetModified(false);
}

bool TOracleDataSet::FieldIsNullForPost(TField* field) {
  if (field->IsBlob()) {
    const TOracleBlob* blob = PostedBlob(field);
    return !blob || blob->Size() == 0;
  }
  if (field->IsNull()) return true;
  return IsStringField(field) && TrimStringValue(field->AsString()).empty();
}

bool TOracleDataSet::FieldChanged(TField* field) {
  if (field->IsBlob()) {
    const TOracleBlob* now = PostedBlob(field);
    TRecordBuffer stored = records_ && position_ >= 0 && position_ < records_->VisibleCount()
                               ? records_->Records(position_)
                               : nullptr;
    const TOracleBlob* before =
        stored && BlobList(stored) ? BlobList(stored)->BlobByField(field) : nullptr;
    const Integer nowSize = now ? now->Size() : 0;
    const Integer beforeSize = before ? before->Size() : 0;
    if (nowSize != beforeSize) return true;
    return nowSize > 0 && std::memcmp(now->Bytes(), before->Bytes(), std::size_t(nowSize)) != 0;
  }
  const Variant old = field->OldValue();
  const Variant now = field->Value();
  const bool string = IsStringField(field);
  const bool oldNull = old.IsNull() || (string && TrimStringValue(old.AsString()).empty());
  const bool nowNull = now.IsNull() || (string && TrimStringValue(now.AsString()).empty());
  if (oldNull != nowNull) return true;
  if (oldNull) return false;
  if (string) return TrimStringValue(old.AsString()) != TrimStringValue(now.AsString());
  return !(old == now);
}

// --- the WHERE clause -----------------------------------------------------------------

void TOracleDataSet::AddWhereClause(TOracleQuery* query, bool UseOldValues) {
  if (Trim(unique_fields_).empty()) {
    query->SQL()->Add("where rowid = :quelt__rowid");
    query->DeclareVariable("quelt__rowid", Oracle::otString);
    query->SetVariable("quelt__rowid", CurrentRowId());
    return;
  }
  std::vector<TField*> fields;
  GetFieldList(fields, unique_fields_);
  if (fields.empty()) DatabaseError("No UniqueFields are present in dataset", this);
  String text = "where ";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TField* field = fields[i];
    if (i > 0) text += String(kCRLF) + "and ";
    const Variant value = UseOldValues ? field->OldValue() : field->Value();
    if (value.IsNull() || (IsStringField(field) && value.AsString().empty())) {
      text += field->FieldName() + " is null";
      continue;
    }
    // Numbered by the field's place in UniqueFields, so a null field
    // before it leaves a gap.
    const String name = "quelt__key" + IntToStr(Integer(i) + 1);
    text += field->FieldName() + " = :" + name;
    query->DeclareVariable(name, FieldVariableType(field));
    query->SetVariable(name, value);
  }
  query->SQL()->Add(text);
}

// --- posting ----------------------------------------------------------------------------

void TOracleDataSet::InternalPost() {
  posting_ = true;
  TScopeExit posted([this] { posting_ = false; });
  // The sequence fills its field before the required fields are checked,
  // and a field the server fills is not the user's to give: a NOT NULL key
  // filled by a sequence must not stop the post.
  if (State() == dsInsert && sequence_field_->ApplyMoment() == amOnPost) {
    TOracleQuery* query = PrepareDMLQuery(false);
    query->ClearVariables();
    sequence_field_->Apply(this, query);
  }
  TField* serverFilled = nullptr;
  if (State() == dsInsert && sequence_field_->Active() &&
      sequence_field_->ApplyMoment() == amOnServer)
    serverFilled = FindField(sequence_field_->Field());
  const bool wasRequired = serverFilled && serverFilled->Required();
  if (wasRequired) serverFilled->SetRequired(false);
  {
    TScopeExit required([serverFilled, wasRequired] {
      if (wasRequired) serverFilled->SetRequired(true);
    });
    TDataSet::InternalPost();
  }
  CheckNotQBE();
  const bool modified = Modified();
  TScopeExit restore([this, modified] { SetModified(modified); });
  if (State() == dsEdit) {
    if (cached_updates_) OracleData::EnforceConstraints(this, nullptr);
    BuildDmlStatement();
  } else {
    if (cached_updates_) OracleData::EnforceConstraints(this, nullptr);
    InternalAddRecord(ActiveBuffer(), false);
    DetailsFollowPostedInsert();
  }
}

void TOracleDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  if (buffer != ActiveBuffer()) throw Exception("InternalAddRecord: b <> buffer");
  if (append) {
    InternalLast();
  } else {
    // The new record goes before the one whose bookmark it was given.
    switch (Flag(buffer)) {
      case bfBOF:
        position_ = 0;
        break;
      case bfEOF:
        position_ = records_->VisibleCount();
        break;
      default: {
        const Integer index = RecordIndexOfId(OracleRecord::RecordId(buffer));
        position_ = index >= 0 ? index : records_->VisibleCount();
      }
    }
  }
  BuildDmlStatement();
}

void TOracleDataSet::BuildDmlStatement() {
  const bool update = State() == dsEdit;
  const char action = update ? 'U' : 'I';
  std::vector<TField*> dataFields;
  for (TField* field : Fields())
    if (field->FieldKind() == fkData) dataFields.push_back(field);
  bool changed = false;
  for (TField* field : dataFields)
    if (update ? FieldChanged(field) : !FieldIsNullForPost(field)) {
      changed = true;
      break;
    }
  const bool serverStep = changed && !cached_updates_;
  if (serverStep) {
    TOracleSession* session = Session();
    TOracleQuery* query = nullptr;
    std::vector<std::pair<TField*, std::unique_ptr<TLOBLocator>>> locators;
    // The locators go before anything else on every way out, and the query
    // must not keep pointing at them.
    TScopeExit freeLocators([&] {
      if (query && !locators.empty()) query->ClearVariables();
      locators.clear();
    });
    try {
      if (update && (locking_mode_ == lmCheckImmediate || locking_mode_ == lmLockDelayed))
        LockRecord(false);
      else
        SetLockPoint();
      String newRowId;
      if (FireApplyRecord(action, newRowId)) {
        if (!update) SetRowId(ActiveBuffer(), newRowId.substr(0, 18));
      } else {
        query = PrepareDMLQuery(false);
        query->ClearVariables();
        const String table = GetUpdatingTableName();
        const bool nullLobIsEmpty = session && session->Preferences()->NullLOBIsEmpty();
        std::vector<String> names, values;
        for (TField* field : dataFields) {
          if (!IsPostedField(field)) continue;
          const Integer type = FieldVariableType(field);
          const bool isNull = FieldIsNullForPost(field) && !(IsLobType(type) && nullLobIsEmpty);
          const bool serverSequence = sequence_field_->IsServerSequenceField(field->FieldName());
          if (update ? !FieldChanged(field)
                     : isNull && Trim(field->DefaultExpression()).empty() && !serverSequence)
            continue;
          const String& name = field->FieldName();
          String value;
          if (isNull)
            value = update           ? String("null")
                    : serverSequence ? sequence_field_->Sequence() + ".nextval"
                                     : field->DefaultExpression();
          else if (type == Oracle::otCLOB)
            value = "empty_clob()";
          else if (type == Oracle::otBLOB || type == Oracle::otBFile)
            value = "empty_blob()";
          else
            value = ":" + name;
          names.push_back(name);
          values.push_back(update ? name + " = " + value : value);
          if (isNull) continue;
          if (IsLobType(type)) {
            auto locator = std::make_unique<TLOBLocator>(session, type);
            query->DeclareVariable(name, type);
            query->SetComplexVariable(name, locator.get());
            locators.emplace_back(field, std::move(locator));
          } else if (type == Oracle::otLong || type == Oracle::otLongRaw) {
            const TOracleBlob* blob = PostedBlob(field);
            query->DeclareVariable(name, type);
            if (type == Oracle::otLong)
              query->SetVariable(name, String(reinterpret_cast<const char*>(blob->Bytes()),
                                              std::size_t(blob->Size())));
            else
              query->SetVariable(name, VarByteArray(blob->Bytes(), std::size_t(blob->Size())));
          } else {
            query->DeclareVariable(name, type);
            query->SetVariable(name, field->Value());
          }
        }
        const auto joined = [](const std::vector<String>& items) {
          String text;
          for (const String& item : items) text += (text.empty() ? "" : ", ") + item;
          return text;
        };
        TStringList* sql = query->SQL();
        sql->Clear();
        if (update) {
          CheckRowId(CurrentRowId(), "An update");
          sql->Add("update " + table + " set");
          sql->Add(joined(values));
          AddWhereClause(query, true);
        } else {
          sql->Add("insert into " + table);
          sql->Add(" (" + joined(names) + ")");
          sql->Add("values");
          sql->Add(" (" + joined(values) + ")");
        }
        const bool returnRowId =
            !update && session && session->OCI8Mode() && Trim(unique_fields_).empty();
        if (!locators.empty() || returnRowId) {
          String columns = returnRowId ? "returning rowid" : "returning ";
          String into = returnRowId ? " into :quelt__rowid" : " into ";
          if (returnRowId) query->DeclareVariable("quelt__rowid", Oracle::otString);
          for (std::size_t i = 0; i < locators.size(); ++i) {
            const String& name = locators[i].first->FieldName();
            const bool first = i == 0 && !returnRowId;
            columns += (first ? "" : ", ") + name;
            into += (first ? ":" : ", :") + name;
          }
          sql->Add(columns + into);
        }
        // A field list that the table does not know leaves nothing to send.
        if (names.empty()) query = nullptr;
        if (query) query->Execute();
        if (query && update && query->RowsProcessed() == 0)
          RaiseTranslated('U', 0, OracleDataSetTexts::RecordLocked);
        if (query && !update) {
          String rowId;
          if (session && !session->IsODBC() && Trim(unique_fields_).empty())
            rowId = session->OCI8Mode() ? query->GetVariable("quelt__rowid").AsString()
                                        : query->RowId();
          else
            OracleData::DetermineRowId(this, KeyColumns(), false, rowId);
          SetRowId(ActiveBuffer(), rowId.substr(0, 18));
        }
        for (auto& [field, locator] : locators) {
          const TOracleBlob* blob = PostedBlob(field);
          if (!blob || blob->Size() == 0) continue;
          if (locator->LOBType() == Oracle::otCLOB) {
            const String text = Oracle::StripCR(
                String(reinterpret_cast<const char*>(blob->Bytes()), std::size_t(blob->Size())),
                session);
            locator->Write(text.data(), Int64(text.size()));
          } else {
            locator->Write(blob->Bytes(), blob->Size());
          }
        }
      }
      CommitIfRequired(false);
    } catch (...) {
      Quietly([this] { RollbackToLockPoint(); });
      try {
        throw;
      } catch (EOracleError& e) {
        RaiseTranslated(action, e.ErrorCode, e.Message());
      }
    }
  } else if (locking_mode_ == lmLockImmediate && !cached_updates_) {
    // The lock taken when editing began ends with the transaction.
    CommitIfRequired(false);
  }

  TRecordBuffer buffer = ActiveBuffer();
  if (update) {
    TRecordBuffer stored = records_->Records(position_);
    LogChange(stored, RecordId(stored), buffer, 'U', position_);
    StoreRecord(buffer, position_);
  } else {
    const Integer count = records_->VisibleCount();
    if (position_ < 0 || position_ > count) position_ = count;
    TRecordBuffer record = records_->AddRecord(position_, Filtered());
    if (position_ >= records_->VisibleCount()) position_ = records_->VisibleCount() - 1;
    SetDataSize(record, data_size_);
    ++last_id_;
    if (!cached_updates_) ++posted_inserts_;
    SetRecordId(buffer, last_id_);
    SetFlag(buffer, bfCurrent);
    StoreRecord(buffer, position_);
    LogChange(nullptr, last_id_, buffer, 'I', position_);
  }
  ForgetBlobEdits();

  if (!serverStep) return;
  const bool refresh =
      update ? refresh_options_.Contains(roAfterUpdate)
             : std::any_of(dataFields.begin(), dataFields.end(),
                           [](TField* f) { return !Trim(f->DefaultExpression()).empty(); }) ||
                   (sequence_field_->Active() && sequence_field_->ApplyMoment() == amOnServer) ||
                   refresh_options_.Contains(roAfterInsert);
  if (!refresh) return;
  const Integer at = position_ < 0 ? 0 : position_;
  if (at < records_->VisibleCount())
    BuildLockRefreshCheck(false, false, true, refresh_options_.Contains(roAllFields),
                          records_->Records(at));
}

void TOracleDataSet::StoreRecord(TRecordBuffer buffer, Integer position) {
  TRecordBuffer record = records_->Records(position);
  TBlobList* blobs = BlobList(record);
  std::memcpy(record, buffer, std::size_t(HeaderSize + data_size_));
  // The record keeps its own blob list; the edited blobs are copied in.
  SetBlobList(record, blobs);
  if (!has_blobs_) return;
  if (!blobs) {
    CreateBlobList(record);
    blobs = BlobList(record);
  }
  for (TField* field : Fields()) {
    auto* blobField = dynamic_cast<TBlobField*>(field);
    if (!blobField || !blobField->Modified() || !current_blobs_) continue;
    const TOracleBlob* from = current_blobs_->BlobByField(field);
    TOracleBlob* to = blobs->BlobByField(field);
    if (!from || !to) continue;
    if (from->Size() > 0)
      to->SetBytes(from->Bytes(), from->Size());
    else
      to->Clear();
  }
}

// --- deleting and cancelling ------------------------------------------------------------

void TOracleDataSet::InternalDelete() {
  CheckNotQBE();
  if (!records_ || position_ < 0 || position_ >= records_->VisibleCount()) return;
  TRecordBuffer record = records_->Records(position_);
  const Integer id = RecordId(record);
  if (cached_updates_) {
    if ((locking_mode_ == lmLockImmediate || locking_mode_ == lmCheckImmediate) && !FindLogItem(id))
      LockRecord(locking_mode_ == lmCheckImmediate);
  } else {
    bool locked = false;
    try {
      if (locking_mode_ != lmNone) {
        LockRecord(false);
        locked = true;
      }
      String rowId;
      if (!FireApplyRecord('D', rowId)) {
        TOracleQuery* query = PrepareDMLQuery(false);
        query->ClearVariables();
        CheckRowId(CurrentRowId(), "A delete");
        query->SQL()->SetText("delete from " + GetUpdatingTableName() + kCRLF);
        AddWhereClause(query, true);
        query->Execute();
        if (query->RowsProcessed() == 0) RaiseTranslated('D', 0, OracleDataSetTexts::RecordDeleted);
      }
      CommitIfRequired(false);
    } catch (...) {
      if (locked) Quietly([this] { RollbackToLockPoint(); });
      try {
        throw;
      } catch (EOracleError& e) {
        RaiseTranslated('D', e.ErrorCode, e.Message());
      }
    }
  }
  LogChange(record, id, nullptr, 'D', position_);
  records_->DeleteRecord(position_, true);
  UpdateMasterLinkFields();
  if (!cached_updates_) --posted_inserts_;
  if (position_ >= records_->VisibleCount()) position_ = records_->VisibleCount() - 1;
}

void TOracleDataSet::InternalCancel() {
  ForgetBlobEdits();
  if (locking_mode_ != lmLockImmediate || cached_updates_ || State() == dsInsert) return;
  try {
    RollbackIfRequired();
  } catch (Exception& e) {
    DatabaseError(e.Message());
  }
}
