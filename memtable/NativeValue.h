// memtable/NativeValue.h
//
// A program value in the form a record keeps it: the bytes after a field's
// null flag, as the field classes of platform/data read them back (string
// bytes cut on a character boundary, day and millisecond counts, BCD,
// UTF-16 with its byte count, SQL time stamps). Search keys and master
// keys are written this way, so that they compare with stored records
// exactly as values written through the fields do.
#pragma once

#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

// Writes `value` (not null) into `data`, which holds at least
// max(field->DataSize(), the stored size) bytes, zeroed. False, leaving
// `data` as it was, for a type that has no fixed record form (blobs, bytes).
// Text of a field with Transliterate goes through `dataset`'s Translate.
bool EncodeNativeValue(TDataSet& dataset, const TField* field, const Variant& value, Byte* data);
