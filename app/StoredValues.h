// app/StoredValues.h
//
// Values read straight from a record of a table's store, for the passes
// over the whole catalogue (the scan's bookkeeping, the search), where
// positioning the table on every record would cost more than the pass's
// own work. Only fields held in the record itself qualify, not those in
// buffers of their own.
//
// Threads: under the rules of the table whose store is read.
#pragma once

#include <string_view>

#include "memtable/RecordStore.h"
#include "platform/rtl/Types.h"

class TField;
struct TvomRecord;

// Whether `field` is held in the records of `store` itself.
bool ReadsInPlace(const TvomCommon& store, const TField* field);
// The text of a string field (empty for null). REQUIRES: ReadsInPlace.
std::string_view StoredText(const TvomCommon& store, const TvomRecord* record, const TField* field);
// The value of an integer field; false for null. REQUIRES: ReadsInPlace.
bool StoredInteger(const TvomCommon& store, const TvomRecord* record, const TField* field,
                   Integer& value);
// Sets `to` (a field of the same type and size) to the stored value of
// `from` in `record`. REQUIRES: ReadsInPlace for `from`.
void CopyStoredValue(const TvomCommon& store, const TvomRecord* record, const TField* from,
                     TField* to);
