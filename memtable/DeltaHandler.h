// memtable/DeltaHandler.h
//
// TvomCustomDeltaHandler: walks every record of a table's store and tells a
// descendant what happened to it since the last check point, so that the
// changes can be applied elsewhere (a database, another file). A table
// refers to its handler through its DeltaHandler property, which also makes
// the handler serve that table.
//
// Resolve classifies each record by its update status and that of its
// oldest version:
//   inserted and deleted again since the check point  -> DoUnmodified
//   deleted                                           -> DoDelete
//   inserted (oldest version inserted)                -> DoInsert
//   modified                                          -> DoModify
//   unmodified                                        -> DoUnmodified
// A hook may set Retry to be called again, and may change State first to be
// called through another hook (State is the record's resolved status).
// While a hook runs, Record() is the current version and OldestRecord() its
// oldest version (the record itself when it has none); read their values
// with the table's store (TvomCommon::FieldPointer).
//
// Resolve holds the store's lock throughout and keeps the table's
// AttachedAutoRefresh off; both are restored on every way out, and the other
// tables of the store refresh afterwards when it is on. An error in a hook
// ends Resolve and reaches the caller.
//
// Threads: the GUI thread, like the table.
#pragma once

#include <functional>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TField;
class TvomCustomMemTable;
class TvomCustomDeltaHandler;
struct TvomRecord;

inline constexpr const char* SvomDeltaHandlerNotAssigned =
    "Delta handler is not assigned to any memorytables.";

// For descendants that read record values; nothing here fires it.
using TvomDeltaHandlerGetValue =
    std::function<void(TvomCustomDeltaHandler* DeltaHandler, TField* Field, Variant& Value)>;

class TvomCustomDeltaHandler : public TComponent {
  ZORVET_CLASS_NAME(TvomCustomDeltaHandler)

 public:
  explicit TvomCustomDeltaHandler(TComponent* owner);
  ~TvomCustomDeltaHandler() override;

  // The table served; set through the table's SetDeltaHandler.
  TvomCustomMemTable* Table() const { return table_; }
  // The record being handled and its oldest version (nullptr outside Resolve).
  TvomRecord* Record() const { return record_; }
  TvomRecord* OldestRecord() const { return oldest_; }

  // Calls the hook of every record of the table's store in slot order.
  // EMemTableError "Delta handler is not assigned to any memorytables."
  // without a table.
  virtual void Resolve();

  TvomDeltaHandlerGetValue OnGetValue;

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // The hooks; they do nothing here.
  virtual void DoInsert(bool& Retry, TUpdateStatus& State);
  virtual void DoDelete(bool& Retry, TUpdateStatus& State);
  virtual void DoModify(bool& Retry, TUpdateStatus& State);
  virtual void DoUnmodified(bool& Retry, TUpdateStatus& State);

 private:
  friend class TvomCustomMemTable;
  // Called by the table's SetDeltaHandler.
  void SetTable(TvomCustomMemTable* table);

  TvomCustomMemTable* table_ = nullptr;
  TvomRecord* record_ = nullptr;
  TvomRecord* oldest_ = nullptr;
};
