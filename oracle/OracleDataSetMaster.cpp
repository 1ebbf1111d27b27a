// oracle/OracleDataSetMaster.cpp
//
// Master/detail between Oracle datasets: the link itself, the detail's bind
// variables, the detail's re-query when the master moves, the master's
// values in a new detail record and the master's read-only link fields.
// The design-time configuration from a foreign key is in
// OracleDataSetMasterConfig.cpp.
#include <algorithm>

#include "oracle/OracleDataSet.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

using namespace OracleRecord;

// The server type of a blank-padded CHAR column.
constexpr Integer kCharColumnType = 96;

}  // namespace

// --- the link --------------------------------------------------------------------

std::vector<String> TOracleDataSet::SplitFieldNames(const String& Names) {
  std::vector<String> result;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = Names.find(';', start);
    const String item = Trim(std::string_view(Names).substr(start, end - start));
    if (!item.empty()) result.push_back(item);
    if (end == String::npos) break;
    start = end + 1;
  }
  return result;
}

void TOracleDataSet::SetMaster(TOracleDataSet* value) {
  if (value == master_) return;
  for (TOracleDataSet* walk = value; walk; walk = walk->master_)
    if (walk == this) throw Exception("Circular master/detail dependency not allowed");
  SetActive(false);
  if (master_) master_->RemoveDetail(this);
  master_ = value;
  if (master_) master_->AddDetail(this);
  if (!master_link_) master_link_ = std::make_unique<TMasterDataLink>(this);
  master_link_->SetDataSource(master_ ? master_->own_source_.get() : nullptr);
  // Only a dataset being designed (and nothing else about its state) offers
  // to configure the link from the foreign key.
  TComponentState state = ComponentState();
  state.Exclude(csAncestor);
  state.Exclude(csFreeNotification);
  if (master_ && state == TComponentState{csDesigning} &&
      master_->ComponentState().Contains(csDesigning))
    ConfigureMasterDetail();
}

void TOracleDataSet::SetMasterFields(const String& value) {
  SetActive(false);
  master_fields_ = value;
}

void TOracleDataSet::SetDetailFields(const String& value) {
  SetActive(false);
  detail_fields_ = value;
}

bool TOracleDataSet::IsDetailLinkField(const String& Name) const {
  if (!master_) return false;
  for (const String& field : SplitFieldNames(detail_fields_))
    if (SameText(field, Name)) return true;
  return false;
}

void TOracleDataSet::AddDetail(TOracleDataSet* Detail) {
  if (std::find(details_.begin(), details_.end(), Detail) != details_.end()) return;
  details_.push_back(Detail);
  if (!own_source_) {
    own_source_ = std::make_unique<TDataSource>(nullptr);
    own_source_->SetDataSet(this);
  }
}

void TOracleDataSet::RemoveDetail(TOracleDataSet* Detail) {
  details_.erase(std::remove(details_.begin(), details_.end(), Detail), details_.end());
}

TDataSource* TOracleDataSet::GetDataSource() {
  return master_ ? master_->own_source_.get() : nullptr;
}

void TOracleDataSet::DetachMasterDetail() {
  if (master_) master_->RemoveDetail(this);
  master_ = nullptr;
  master_link_.reset();
  // The last detail first, as each leaves the list.
  while (!details_.empty()) details_.back()->SetMaster(nullptr);
  own_source_.reset();
}

// --- the detail's variables --------------------------------------------------

namespace {

// The master fields and the detail names that pair with them: as many pairs
// as detail names when there are between 1 and the number of master fields,
// else one per master field (named after it).
struct TLinkPairs {
  std::vector<TField*> masterFields;
  std::vector<String> detailNames;
  std::size_t count = 0;
  String DetailName(std::size_t i) const {
    return i < detailNames.size() ? detailNames[i] : masterFields[i]->FieldName();
  }
};

}  // namespace

static TLinkPairs LinkPairsOf(TOracleDataSet* master, const String& masterFields,
                              const String& detailFields) {
  TLinkPairs pairs;
  master->GetFieldList(pairs.masterFields, masterFields);
  pairs.detailNames = TOracleDataSet::SplitFieldNames(detailFields);
  const std::size_t names = pairs.detailNames.size();
  pairs.count =
      names >= 1 && names <= pairs.masterFields.size() ? names : pairs.masterFields.size();
  return pairs;
}

void TOracleDataSet::SetDetailVariables() {
  if (!master_ || !master_->Active()) return;
  const TLinkPairs pairs = LinkPairsOf(master_, master_fields_, detail_fields_);
  for (std::size_t i = 0; i < pairs.count; ++i) {
    TField* field = pairs.masterFields[i];
    Variant value = field->Value();
    const TExtraFieldInfo* info = master_->InfoOf(field);
    if (info && info->Column >= 0 &&
        master_->main_query_->FieldDBType(info->Column) == kCharColumnType) {
      // A CHAR column compares with its blanks: the value read may have
      // lost them to trimming.
      String text = field->AsString();
      const auto size = std::size_t(master_->main_query_->FieldSize(info->Column));
      if (text.size() < size) text.append(size - text.size(), ' ');
      value = text;
    }
    SetVariable(pairs.DetailName(i), value);
  }
}

void TOracleDataSet::UpdateDetailVariables() {
  if (details_.empty() || (ControlsDisabled() && !refresh_while_disabled_)) return;
  for (TOracleDataSet* detail : std::vector<TOracleDataSet*>(details_))
    if (detail->Active()) detail->SetDetailVariables();
}

// --- following the master --------------------------------------------------------

bool TOracleDataSet::MasterUnavailable() {
  if (!master_) return false;
  return !master_->Active() || !master_->records_ || master_->IsEmpty() ||
         master_->UpdateStatus() == usInserted || master_->qbe_mode_;
}

Integer TOracleDataSet::MasterRecordId() {
  if (!master_ || !master_->Active() || master_->IsEmpty()) return -1;
  TRecordBuffer record = master_->ActiveBuffer();
  return record ? RecordId(record) : -1;
}

bool TOracleDataSet::MasterAllowsModification() {
  if (!master_) return true;
  return master_->Active() && master_->records_ && !master_->IsEmpty() && !master_->qbe_mode_;
}

bool TOracleDataSet::MasterPostingInsert() const {
  return master_ && master_->posting_ && master_->State() == dsInsert;
}

void TOracleDataSet::RefreshDetails(bool Forget) {
  if (details_.empty() || (ControlsDisabled() && !refresh_while_disabled_)) return;
  for (TOracleDataSet* detail : std::vector<TOracleDataSet*>(details_)) {
    if (Forget) {
      detail->master_record_id_ = -1;
    } else if (detail->Active() && !detail->qbe_mode_) {
      const bool current =
          !detail->MasterUnavailable() && detail->MasterRecordId() == detail->master_record_id_;
      if (!current) detail->Refresh();
      continue;
    }
    // A detail left as it is must not go on fetching the rows of the
    // master record it was opened for.
    if (detail->records_) detail->main_query_->MarkEof();
  }
}

void TOracleDataSet::Post() {
  if (MasterPostingInsert()) return;
  const bool was = posting_;
  posting_ = true;
  TScopeExit posted([this, was] { posting_ = was; });
  TDataSet::Post();
}

void TOracleDataSet::DetailsFollowPostedInsert() {
  for (TOracleDataSet* detail : details_) detail->master_record_id_ = detail->MasterRecordId();
}

void TOracleDataSet::PostDetails() {
  for (TOracleDataSet* detail : std::vector<TOracleDataSet*>(details_)) {
    if (!detail->Active() || detail->qbe_mode_) continue;
    if (detail->State() == dsEdit || detail->State() == dsInsert) detail->Post();
    detail->PostDetails();
  }
}

bool TOracleDataSet::MasterRecordMatches(TRecordBuffer Record) {
  if (!master_ || !master_->Active()) return true;
  const TLinkPairs pairs = LinkPairsOf(master_, master_fields_, detail_fields_);
  TRecordUnderTest test(this, Record);
  for (std::size_t i = 0; i < pairs.count; ++i) {
    const TField* masterField = pairs.masterFields[i];
    const TField* detailField = FieldByName(pairs.DetailName(i));
    const bool masterNull = masterField->IsNull(), detailNull = detailField->IsNull();
    if (masterNull != detailNull) return false;
    if (!masterNull && !(masterField->Value() == detailField->Value())) return false;
  }
  return true;
}

void TOracleDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
  if (!updating_details_ && !details_.empty()) {
    const bool flagged = event == deUpdateState && refresh_details_on_state_;
    if (flagged) refresh_details_on_state_ = false;
    if (flagged || event == deDataSetChange || event == deDataSetScroll) RefreshDetails(false);
  }
  TDataSet::DataEvent(event, info);
}

// --- the master's link fields ------------------------------------------------------

void TOracleDataSet::SetMasterFieldsReadOnly(TOracleDataSet* Master, bool AllWritable) {
  if (!Master || Master->details_.empty() || Master->ComponentState().Contains(csDesigning)) return;
  if (TComponent* owner = Master->Owner();
      owner && AnsiUpperCase(owner->ClassName()).find("REMOTEDATAMODULE") != String::npos)
    return;
  Master->updating_details_ = true;
  TScopeExit done([Master] { Master->updating_details_ = false; });
  const auto linkFields = [Master](TOracleDataSet* detail) {
    std::vector<TField*> fields;
    for (const String& name : SplitFieldNames(detail->master_fields_))
      if (TField* field = Master->FindField(name)) fields.push_back(field);
    return fields;
  };
  const auto ownReadOnly = [Master](TField* field) {
    const TExtraFieldInfo* info = Master->InfoOf(field);
    return info && info->ReadOnly;
  };
  for (TOracleDataSet* detail : Master->details_)
    for (TField* field : linkFields(detail))
      if (!ownReadOnly(field)) field->SetReadOnly(false);
  if (AllWritable) return;
  for (TOracleDataSet* detail : Master->details_) {
    const bool holdsRecords =
        (detail->records_ && detail->records_->VisibleCount() > 0) || detail->State() == dsInsert;
    if (!holdsRecords) continue;
    for (TField* field : linkFields(detail))
      if (!ownReadOnly(field)) field->SetReadOnly(true);
  }
}

void TOracleDataSet::UpdateMasterLinkFields() {
  if (master_) SetMasterFieldsReadOnly(master_, false);
}

// --- a new detail record ------------------------------------------------------------

void TOracleDataSet::CheckMasterValues() {
  if (!master_ || !master_->Active()) return;
  std::vector<TField*> fields;
  master_->GetFieldList(fields, master_fields_);
  for (TField* field : fields) {
    const bool blank =
        field->IsNull() || (field->DataType() == ftString && Trim(field->AsString()).empty());
    if (!blank) continue;
    field->FocusControl();
    DatabaseErrorFmt(MsgFieldRequired, nullptr, field->DisplayName());
  }
}

void TOracleDataSet::CopyMasterValues() {
  if (!master_ || !master_->Active()) return;
  std::vector<TField*> masterFields;
  master_->GetFieldList(masterFields, master_fields_);
  const std::vector<String> detailNames = SplitFieldNames(detail_fields_);
  const std::size_t count = std::min(masterFields.size(), detailNames.size());
  for (std::size_t i = 0; i < count; ++i)
    FieldByName(detailNames[i])->SetValue(masterFields[i]->Value());
}

// --- steps around inserting and scrolling ----------------------------------------------

void TOracleDataSet::DoBeforeInsert() {
  TDataSet::DoBeforeInsert();
  if (!qbe_mode_) SetMasterFieldsReadOnly(this, true);
}

void TOracleDataSet::DoAfterInsert() {
  TDataSet::DoAfterInsert();
  if (!qbe_mode_) UpdateMasterLinkFields();
}

void TOracleDataSet::DoBeforeScroll() {
  PostDetails();
  TDataSet::DoBeforeScroll();
}

void TOracleDataSet::DoOnNewRecord() {
  if (qbe_mode_) {
    // The condition record is the only one the mode shows; the program's
    // own new-record values would become conditions nobody typed.
    if (records_ && records_->Count() > 0) CheckNotQBE();
    return;
  }
  CheckMasterValues();
  CopyMasterValues();
  TDataSet::DoOnNewRecord();
}
