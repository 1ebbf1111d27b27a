// memtable/MemTableErrors.h
//
// The engine's exceptions and the fixed English texts it raises them with.
// Every engine error is an EMemTableError (a database error of the dataset
// model) except where a class below says otherwise; callers that only care
// whether the engine refused something catch EMemTableError.
#pragma once

#include "platform/rtl/Exceptions.h"

ZORVET_DECLARE_EXCEPTION(EMemTableError, EDatabaseError);
// Errors after which the table should be closed and reopened.
ZORVET_DECLARE_EXCEPTION(EMemTableFatalError, EMemTableError);
// A record that the engine was asked to read no longer exists.
ZORVET_DECLARE_EXCEPTION(EMemTableInvalidRecord, EMemTableFatalError);
// A unique index refused a key.
ZORVET_DECLARE_EXCEPTION(EMemTableDupKey, EMemTableError);
ZORVET_DECLARE_EXCEPTION(EMemTableFilterError, EMemTableError);
ZORVET_DECLARE_EXCEPTION(EMemTableLocaleError, EMemTableError);
// The store's locale identifier names no locale.
ZORVET_DECLARE_EXCEPTION(EMemTableInvalidLocale, EMemTableLocaleError);

// Texts of the record store and the indexes.
inline constexpr const char* SvomBookmarkOutOfRange =
    "Bookmark counter is out of range. Please close and reopen table.";
inline constexpr const char* SvomInvalidRecord = "Invalid record ";
inline constexpr const char* SvomInvalidLocale = "Invalid locale.";
inline constexpr const char* SvomInvalidStreamData = "Invalid stream data";
inline constexpr const char* SvomCsvColumnCount =
    "Line %d holds %d columns where the table's definition has %d fields";
inline constexpr const char* SvomCsvCutInQuote = "Line %d ends inside a quoted value";
inline constexpr const char* SvomCsvNoHeader =
    "The table's definition is not followed by its header";
inline constexpr const char* SvomCsvNotAHeader = "The first line names none of the table's fields";
inline constexpr const char* SvomCsvNoLines = "The file holds no line of text";
inline constexpr const char* SvomTooManyFieldDefs =
    "Too many fielddefs. Please raise VOM_MAX_FIELDS value.";
inline constexpr const char* SvomFieldTypeNotSupported =
    "Fielddef %s (%s) Datatype %d not supported.";
inline constexpr const char* SvomNoFields = "There must be at least one field";
inline constexpr const char* SvomTableMustBeClosed = "Table must be closed for this operation.";
inline constexpr const char* SvomChildrenAttached = "Children are attached to this table.";
inline constexpr const char* SvomInvalidArgument = "Invalid argument.";
inline constexpr const char* SvomDuplicateKey = "Duplicate index value. Operation aborted.";
inline constexpr const char* SvomCantIndexOnField = "Can't index on field %s";
inline constexpr const char* SvomMissingIndexFields = "Missing Name or FieldNames in IndexDef!";
