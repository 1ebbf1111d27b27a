// memtable/MemTableSort.cpp
//
// Sort and SortOn: a table ordered by field names through its sort index.
#include <memory>

#include "memtable/MemTable.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

void TvomCustomMemTable::Sort(TvomMemTableCompareOptions options) {
  if (!Active()) return;
  CheckBrowseMode();
  const bool rangeWasActive = RangeActive();
  SetRangeActive(false);
  TScopeExit restoreRange([&] {
    SetRangeActive(rangeWasActive);
    UpdateFilteringState();
  });
  UpdateFilteringState();

  if (TvomIndex* old = Indexes().SortIndex()) {
    // Leave the old order properly before it goes, so that the cursor is
    // translated instead of pointing into a freed index.
    if (CurrentIndex() == old) SwitchToIndex(nullptr);
    Indexes().Delete(old);
  }
  TvomIndex* sortIndex = nullptr;
  if (!Trim(SortFields()).empty()) {
    sortIndex = Indexes().Add(std::make_unique<TvomIndex>(kvomDefaultSortIndexName, this,
                                                          SortFields(), options, mtikSorted, true));
    Indexes().SetSortIndex(sortIndex);
    sortIndex->Rebuild();
  }
  SwitchToIndex(sortIndex);
}

void TvomCustomMemTable::SortOn(const String& fieldNames, TvomMemTableCompareOptions options) {
  if (!Active()) return;
  SetSortFields(fieldNames);
  Sort(options);
}
