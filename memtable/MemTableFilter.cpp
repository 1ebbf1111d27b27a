// memtable/MemTableFilter.cpp
//
// The record test of TvomCustomMemTable: which records the table shows,
// and the cursor's steps to the next or prior record it shows.
// A record must lie within the active range, match the master's values of a
// master/detail link, and (while Filtered) pass OnFilterRecord and the
// compiled Filter expression. UpdateFilteringState decides once whether any
// of that applies, so that an unfiltered table tests no record at all.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "memtable/FilterEvaluator.h"
#include "memtable/MemTable.h"
#include "platform/rtl/ScopeExit.h"

namespace {

// One state of a table's records in one of its orders: while it stays the
// same, so do the records' values and their positions in that order.
struct TvomOrderState {
  const TvomIndex* index = nullptr;
  std::uint64_t storeStamp = 0;
  std::uint64_t refsStamp = 0;

  static TvomOrderState Of(const TvomCustomMemTable& table, const TvomIndex& index) {
    return {&index, table.Store().ChangeStamp(), index.References().Stamp()};
  }
  bool operator==(const TvomOrderState&) const = default;
};

// Where the records holding each value of one integer field lie in one
// order: (value, position) pairs sorted, so that a walk under a filter that
// requires the field to equal a number visits only the records holding it
// (a folder's files among a million rows) instead of testing every record.
class TvomKeyPositions {
 public:
  bool Holds(const TvomOrderState& state, const TvomKeyTerm& term) const {
    return state_ && *state_ == state && term_->SameField(term);
  }

  // Reads the field of every record of `index`. REQUIRES: the store lock held.
  void Build(const TvomOrderState& state, const TvomKeyTerm& term, const TvomIndex& index) {
    entries_.clear();
    entries_.reserve(static_cast<std::size_t>(index.Count()));
    Integer position = 0;
    index.References().ForEach([&](const TvomRecord* record) {
      Int64 value = 0;
      if (term.Read(record, value)) entries_.emplace_back(value, position);
      ++position;
    });
    std::sort(entries_.begin(), entries_.end());
    state_ = state;
    term_ = term;
  }

  // The first position holding `value`, or -1.
  Integer First(Int64 value) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), value,
                                     [](const Entry& e, Int64 v) { return e.first < v; });
    return it != entries_.end() && it->first == value ? it->second : -1;
  }

  // As StepUntilAccepted, visiting only the positions that hold `value`.
  template <class Accepts>
  bool Step(const TvomIndex& index, Int64 value, Integer& cursor, Integer step, Integer end,
            Accepts accepts) const {
    const auto byValue = [](const Entry& e, Int64 v) { return e.first < v; };
    const auto lo = std::lower_bound(entries_.begin(), entries_.end(), value, byValue);
    const auto hi = std::upper_bound(lo, entries_.end(), value,
                                     [](Int64 v, const Entry& e) { return v < e.first; });
    const auto byPosition = [](const Entry& e, Integer p) { return e.second < p; };
    if (step > 0) {
      for (auto it = std::upper_bound(lo, hi, cursor,
                                      [](Integer p, const Entry&e) { return p < e.second; });
           it != hi && it->second <= end; ++it) {
        cursor = it->second;
        if (accepts(index.Refs(cursor))) return true;
      }
      cursor = std::max(cursor, end);
      return false;
    }
    for (auto it = std::lower_bound(lo, hi, cursor, byPosition); it != lo;) {
      --it;
      if (it->second < end) break;
      cursor = it->second;
      if (accepts(index.Refs(cursor))) return true;
    }
    cursor = std::min(cursor, end);
    return false;
  }

 private:
  using Entry = std::pair<Int64, Integer>;
  std::vector<Entry> entries_;
  std::optional<TvomOrderState> state_;
  std::optional<TvomKeyTerm> term_;
};

// Records a table must hold before a walk reads their key positions.
constexpr Integer kKeyPositionsMinRecords = 256;
// Fields whose positions a table keeps at most.
constexpr std::size_t kKeyPositionsFields = 3;

// What the filter part keeps per table: the compiled Filter text, and what
// spares walks under it (and searches for a key) from testing every record.
class TvomFilterPart : public TvomTablePart {
 public:
  std::unique_ptr<TvomCompiledFilter> filter;

  // The positions of `term`'s field that hold in `state`, or nullptr. A new
  // state drops what was kept and starts counting walks again.
  const TvomKeyPositions* Find(const TvomOrderState& state, const TvomKeyTerm& term) {
    for (const TvomKeyPositions& kept : positions_)
      if (kept.Holds(state, term)) return &kept;
    if (walked_state_ != state) {
      walked_state_ = state;
      walked_ = 0;
      positions_.clear();
    }
    return nullptr;
  }
  // Whether walks have tested enough records of the current state for the
  // positions to pay: half the records. A table walked once after each
  // change (a filtered table being appended to) never pays for them.
  bool WorthMaking(const TvomIndex& index) const {
    return walked_ >= std::max(kKeyPositionsMinRecords, index.Count() / 2);
  }
  void NoteWalked(Integer records) { walked_ += records; }
  const TvomKeyPositions& Make(const TvomOrderState& state, const TvomKeyTerm& term,
                               const TvomIndex& index) {
    if (positions_.size() >= kKeyPositionsFields) positions_.erase(positions_.begin());
    TvomKeyPositions& made = positions_.emplace_back();
    made.Build(state, term, index);
    return made;
  }

 private:
  // For the last few fields asked for, the most recent last: a form that
  // switches between a filter on one field and one on another (a folder's
  // files, then a record by its id) keeps both.
  std::vector<TvomKeyPositions> positions_;
  TvomOrderState walked_state_;
  Integer walked_ = 0;  // records tested one by one in `walked_state_`
};

TvomFilterPart* FilterPartOf(const TvomCustomMemTable* table) {
  return static_cast<TvomFilterPart*>(table->FilterPart());
}

TvomFilterPart& MakeFilterPart(TvomCustomMemTable* table) {
  if (table->FilterPart() == nullptr) table->SetFilterPart(std::make_unique<TvomFilterPart>());
  return *FilterPartOf(table);
}

TvomCompiledFilter* CompiledFilterOf(const TvomCustomMemTable* table) {
  TvomFilterPart* part = FilterPartOf(table);
  return part != nullptr ? part->filter.get() : nullptr;
}

// The compiled filter when it is all that FilterRecord(record, force) would
// test: no calculation on the index, no range, no master values and no
// OnFilterRecord apply. Then that test comes down to the filter's verdict
// on the record, and none of what FilterRecord checks first depends on the
// record, so a walk checks it once instead of for every record.
TvomCompiledFilter* FilterAlone(const TvomCustomMemTable* table, bool force, bool masterApplies) {
  if (table->RecalcOnIndex() || table->RangeActive() || masterApplies || table->OnFilterRecord())
    return nullptr;
  if (!force && !table->Filtered()) return nullptr;
  return CompiledFilterOf(table);
}

// Moves `cursor` by `step` (+1 or -1) until `accepts` takes the record there;
// false when `end` was tested (or passed) without that.
template <class Accepts>
bool StepUntilAccepted(const TvomIndex& index, Integer& cursor, Integer step, Integer end,
                       Accepts accepts) {
  while (step > 0 ? cursor < end : cursor > end) {
    cursor += step;
    if (accepts(index.Refs(cursor))) return true;
  }
  return false;
}

// The cursor's step to the next (+1) or prior (-1) record that `table`
// accepts. Each record is tested with FilterRecord, unless `alone` is the
// compiled filter that makes the whole test (FilterAlone): then the walk
// takes the store lock once, and the filter is given each record in turn,
// shown to field reads as FilterRecord would show it (the caller has put
// the table in the filter state for the walk).
bool StepToAccepted(TvomCustomMemTable& table, const TvomCompiledFilter* alone,
                    const TvomIndex& index, Integer& cursor, Integer step, Integer end,
                    bool force) {
  if (alone == nullptr)
    return StepUntilAccepted(index, cursor, step, end,
                             [&](TvomRecord* record) { return table.FilterRecord(record, force); });
  TvomStoreLock lock(table.Store());
  TvomRecord* const previous = table.OverrideRecord();
  TScopeExit restore([&] { table.SetOverrideRecord(previous); });
  const auto accepts = [&](TvomRecord* record) {
    table.SetOverrideRecord(record);
    return alone->Accepts(record);
  };
  TvomFilterPart* part = FilterPartOf(&table);
  const std::optional<TvomKeyTerm>& term = alone->KeyTerm();
  if (part == nullptr || !term || index.Count() < kKeyPositionsMinRecords)
    return StepUntilAccepted(index, cursor, step, end, accepts);

  const TvomOrderState state = TvomOrderState::Of(table, index);
  if (const TvomKeyPositions* positions = part->Find(state, *term))
    return positions->Step(index, term->Value(), cursor, step, end, accepts);
  while (step > 0 ? cursor < end : cursor > end) {
    if (part->WorthMaking(index))
      return part->Make(state, *term, index).Step(index, term->Value(), cursor, step, end, accepts);
    part->NoteWalked(1);
    cursor += step;
    if (accepts(index.Refs(cursor))) return true;
  }
  return false;
}

}  // namespace

// --- the compiled filter ----------------------------------------------------------

bool TvomCustomMemTable::HasCompiledFilter() const {
  return CompiledFilterOf(this) != nullptr;
}

void TvomCustomMemTable::CompileFilter() {
  TvomFilterPart& part = MakeFilterPart(this);
  part.filter.reset();
  if (!IsTableActive()) return;
  part.filter = ::CompileFilter(this, &Store(), Filter(), FilterOptions());
}

void TvomCustomMemTable::DropCompiledFilter() {
  if (TvomFilterPart* part = FilterPartOf(this)) part->filter.reset();
}

Integer TvomCustomMemTable::FirstKeyPosition(const TvomKeyTerm& term,
                                             const std::function<Integer()>& walk) {
  const TvomIndex* index = CurrentIndex();
  if (index == nullptr || index->Count() < kKeyPositionsMinRecords) return walk();
  TvomFilterPart& part = MakeFilterPart(this);
  const TvomOrderState state = TvomOrderState::Of(*this, *index);
  const TvomKeyPositions* positions = part.Find(state, term);
  if (positions == nullptr) {
    if (!part.WorthMaking(*index)) {
      const Integer found = walk();
      part.NoteWalked(found >= 0 ? found + 1 : index->Count());
      return found;
    }
    positions = &part.Make(state, term, *index);
  }
  return positions->First(term.Value());
}

// --- the record test ----------------------------------------------------------------

bool TvomCustomMemTable::MasterDetailApplies() const {
  return MasterDetailActive() && MasterLink() != nullptr && MasterLink()->Active() &&
         MasterValuesSet() && MasterKeyRecord() != nullptr;
}

void TvomCustomMemTable::UpdateFilteringState() {
  TvomStoreLock lock(Store());
  const bool filtering = Filtered() && (HasCompiledFilter() || static_cast<bool>(OnFilterRecord()));
  SetMustTestRecords(Store().DeletedCount() > 0 || filtering || MasterDetailApplies() ||
                     RangeActive());
}

void TvomCustomMemTable::FireFilterRecord(bool& accept) {
  if (OnFilterRecord()) OnFilterRecord()(this, accept);
}

bool TvomCustomMemTable::RangeAccepts(const TvomRecord* record) {
  const TvomFieldList& fields = CurrentIndexFieldList();
  if (fields.Count() == 0) return true;
  const bool ignoreNulls = RangeIgnoreNullKeyValues();
  if (range_start_ == nullptr || range_end_ == nullptr) return true;
  // A key compares below the record (negative) when the record lies after it.
  return Store().CompareRecords(fields, 0, range_start_, record, ignoreNulls, false, 0) <= 0 &&
         Store().CompareRecords(fields, 0, range_end_, record, ignoreNulls, false, 0) >= 0;
}

bool TvomCustomMemTable::MasterAccepts(const TvomRecord* record) {
  const TvomFieldList& fields =
      DetailFieldList().Count() > 0 ? DetailFieldList() : CurrentIndexFieldList();
  const Integer count = std::min(MasterFieldList().Count(), fields.Count());
  if (count == 0) return true;
  return Store().CompareRecords(fields, count, MasterKeyRecord(), record, false, false, 0) == 0;
}

bool TvomCustomMemTable::FilterRecord(TvomRecord* record, bool force) {
  if (!force && !MustTestRecords()) return true;
  TvomStoreLock lock(Store());
  const TDataSetState previous = SetTempState(dsFilter);
  TvomRecord* const previousOverride = OverrideRecord();
  SetOverrideRecord(record);
  struct Restore {
    TvomCustomMemTable* table;
    TDataSetState state;
    TvomRecord* record;
    ~Restore() {
      table->SetOverrideRecord(record);
      table->RestoreState(state);
    }
  } restore{this, previous, previousOverride};

  if (RecalcOnIndex()) CalcRecordFields(record);
  if (RangeActive() && !RangeAccepts(record)) return false;
  if (MasterDetailApplies() && !MasterAccepts(record)) return false;
  if (!force && !Filtered()) return true;
  bool accept = true;
  FireFilterRecord(accept);
  if (accept)
    if (TvomCompiledFilter* filter = CompiledFilterOf(this)) accept = filter->Accepts(record);
  return accept;
}

// --- steps to accepted records -------------------------------------------------------

bool TvomCustomMemTable::MoveToNextAccepted(bool forceTest) {
  TvomIndex* index = CurrentIndex();
  const Integer last = index->Count() - 1;
  ClipCursor();
  if (!forceTest && !must_test_) {
    if (cursor_ >= last) return false;
    ++cursor_;
    return true;
  }
  const TvomCompiledFilter* alone = FilterAlone(this, forceTest, MasterDetailApplies());
  const TDataSetState previous = alone != nullptr ? SetTempState(dsFilter) : State();
  TScopeExit restore([&] {
    if (alone != nullptr) RestoreState(previous);
  });
  return StepToAccepted(*this, alone, *index, cursor_, +1, last, forceTest);
}

bool TvomCustomMemTable::MoveToPriorAccepted(bool forceTest) {
  TvomIndex* index = CurrentIndex();
  ClipCursor();
  if (!forceTest && !must_test_) {
    if (cursor_ <= 0) return false;
    --cursor_;
    return true;
  }
  const TvomCompiledFilter* alone = FilterAlone(this, forceTest, MasterDetailApplies());
  const TDataSetState previous = alone != nullptr ? SetTempState(dsFilter) : State();
  TScopeExit restore([&] {
    if (alone != nullptr) RestoreState(previous);
  });
  return StepToAccepted(*this, alone, *index, cursor_, -1, 0, forceTest);
}

// --- ranges -------------------------------------------------------------------------

void TvomCustomMemTable::EnterRangeKey(TvomRecord*& key, bool clear) {
  CheckActive();
  CheckBrowseMode();
  if (State() == dsSetKey) SetState(dsBrowse);
  TvomStoreLock lock(Store());
  if (key == nullptr) {
    key = Store().AllocRecord();
  } else if (clear) {
    Store().FreeIndirectBuffers(key);
    Store().ClearRecord(key);
  }
  SetKeyBuffer(key);
  SetState(dsSetKey);
}

void TvomCustomMemTable::SetRangeStart() {
  EnterRangeKey(range_start_, true);
}

void TvomCustomMemTable::SetRangeEnd() {
  EnterRangeKey(range_end_, true);
}

void TvomCustomMemTable::EditRangeStart() {
  EnterRangeKey(range_start_, false);
}

void TvomCustomMemTable::EditRangeEnd() {
  EnterRangeKey(range_end_, false);
}

void TvomCustomMemTable::ApplyRange() {
  CheckActive();
  if (State() == dsSetKey) SetState(dsBrowse);
  SetKeyBuffer(nullptr);
  {
    // A bound never set holds nulls, as a cleared one does.
    TvomStoreLock lock(Store());
    if (range_start_ == nullptr) range_start_ = Store().AllocRecord();
    if (range_end_ == nullptr) range_end_ = Store().AllocRecord();
  }
  SetRangeActive(true);
  UpdateFilteringState();
  First();
}

void TvomCustomMemTable::CancelRange() {
  if (State() == dsSetKey) SetState(dsBrowse);
  SetKeyBuffer(nullptr);
  if (!RangeActive()) return;
  SetRangeActive(false);
  UpdateFilteringState();
  if (Active()) First();
}

void TvomCustomMemTable::SetRange(const std::vector<Variant>& startValues,
                                  const std::vector<Variant>& endValues) {
  const TvomFieldList& fields = CurrentIndexFieldList();
  auto fill = [&](const std::vector<Variant>& values) {
    const Integer count = std::min(fields.Count(), static_cast<Integer>(values.size()));
    for (Integer i = 0; i < count; ++i)
      fields.Fields(i)->SetAsVariant(values[static_cast<std::size_t>(i)]);
  };
  SetRangeStart();
  fill(startValues);
  SetRangeEnd();
  fill(endValues);
  ApplyRange();
}
