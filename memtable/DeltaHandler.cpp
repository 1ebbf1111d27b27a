// memtable/DeltaHandler.cpp
#include "memtable/DeltaHandler.h"

#include "memtable/MemTable.h"
#include "platform/rtl/ScopeExit.h"

TvomCustomDeltaHandler::TvomCustomDeltaHandler(TComponent* owner) : TComponent(owner) {}

// The table hears of the handler's end through its notification.
TvomCustomDeltaHandler::~TvomCustomDeltaHandler() = default;

void TvomCustomDeltaHandler::SetTable(TvomCustomMemTable* table) {
  if (table_ == table) return;
  table_ = table;
  if (table != nullptr) FreeNotification(table);
}

void TvomCustomDeltaHandler::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == table_) table_ = nullptr;
}

void TvomCustomDeltaHandler::DoInsert(bool&, TUpdateStatus&) {}
void TvomCustomDeltaHandler::DoDelete(bool&, TUpdateStatus&) {}
void TvomCustomDeltaHandler::DoModify(bool&, TUpdateStatus&) {}
void TvomCustomDeltaHandler::DoUnmodified(bool&, TUpdateStatus&) {}

void TvomCustomDeltaHandler::Resolve() {
  if (table_ == nullptr) throw EMemTableError(SvomDeltaHandlerNotAssigned);
  TvomCustomMemTable* table = table_;
  const bool autoRefresh = table->AttachedAutoRefresh();
  table->SetAttachedAutoRefresh(false);
  {
    TvomStoreLock hold(table->Store());
    TScopeExit restore([&] {
      record_ = nullptr;
      oldest_ = nullptr;
      table->SetAttachedAutoRefresh(autoRefresh);
    });
    TvomCommon& store = table->Store();
    for (Integer slot = 0; slot < store.RecordCount(); ++slot) {
      TvomRecord* record = store.Records(slot);
      if (record == nullptr) continue;
      TvomRecord* oldest = record;
      while (oldest->PrevVersion != nullptr) oldest = oldest->PrevVersion;
      const bool wasInserted = oldest->UpdateStatus == usInserted;
      TUpdateStatus state;
      if (record->UpdateStatus == usDeleted)
        state = wasInserted ? usUnmodified : usDeleted;
      else if (wasInserted)
        state = usInserted;
      else
        state = static_cast<TUpdateStatus>(record->UpdateStatus);
      record_ = record;
      oldest_ = oldest;
      bool retry;
      do {
        retry = false;
        switch (state) {
          case usInserted:
            DoInsert(retry, state);
            break;
          case usDeleted:
            DoDelete(retry, state);
            break;
          case usModified:
            DoModify(retry, state);
            break;
          case usUnmodified:
            DoUnmodified(retry, state);
            break;
        }
      } while (retry);
    }
  }
  if (autoRefresh) table->Store().RefreshOtherTables(table);
}

// --- the table's property ----------------------------------------------------------------

TvomCustomDeltaHandler* TvomCustomMemTable::DeltaHandler() const {
  return static_cast<TvomCustomDeltaHandler*>(delta_handler_);
}

void TvomCustomMemTable::SetDeltaHandler(TvomCustomDeltaHandler* value) {
  TvomCustomDeltaHandler* old = DeltaHandler();
  if (old == value) return;
  delta_handler_ = value;
  if (old != nullptr && old->Table() == this) old->SetTable(nullptr);
  if (value != nullptr) {
    FreeNotification(value);
    value->SetTable(this);
  }
}
