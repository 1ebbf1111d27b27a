// platform/data/FieldTypes.h
//
// The enumerations and small sets of the dataset model: field types and kinds,
// dataset states, the record-buffer protocol's get modes, results and bookmark
// flags, update statuses, field attributes, index, filter and locate options,
// and the notifications a dataset sends to its data sources.
//
// The ordinals of TFieldType (0..37) and TFieldKind (0..4) are stored in the
// engine's file formats (the type and kind name tables below are indexed by
// them), so members must never be reordered.
#pragma once

#include <cstdint>

#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

enum TFieldType : Byte {
  ftUnknown,      // 0
  ftString,       // 1
  ftSmallint,     // 2
  ftInteger,      // 3
  ftWord,         // 4
  ftBoolean,      // 5
  ftFloat,        // 6
  ftCurrency,     // 7
  ftBCD,          // 8
  ftDate,         // 9
  ftTime,         // 10
  ftDateTime,     // 11
  ftBytes,        // 12
  ftVarBytes,     // 13
  ftAutoInc,      // 14
  ftBlob,         // 15
  ftMemo,         // 16
  ftGraphic,      // 17
  ftFmtMemo,      // 18
  ftParadoxOle,   // 19
  ftDBaseOle,     // 20
  ftTypedBinary,  // 21
  ftCursor,       // 22
  ftFixedChar,    // 23
  ftWideString,   // 24
  ftLargeint,     // 25
  ftADT,          // 26
  ftArray,        // 27
  ftReference,    // 28
  ftDataSet,      // 29
  ftOraBlob,      // 30
  ftOraClob,      // 31
  ftVariant,      // 32
  ftInterface,    // 33
  ftIDispatch,    // 34
  ftGuid,         // 35
  ftTimeStamp,    // 36
  ftFMTBcd,       // 37
};
inline constexpr int FieldTypeCount = 38;

// The blob types: values live outside the record and are read and written
// through the dataset's blob streams.
using TBlobType = TFieldType;
bool IsBlobFieldType(TFieldType type);
// Types whose fields hold other fields (structures and arrays) or refer to
// other data (references, nested datasets).
bool IsObjectFieldType(TFieldType type);

// Names of the field types as the engine's stream formats write them, by
// ordinal ("Unknown", "String", ..., "FMTBcdField"). Out-of-range ordinals
// give the empty text.
String FieldTypeName(TFieldType type);
// The type whose name equals `name` exactly; false when there is none.
bool FieldTypeFromName(const String& name, TFieldType& type);

enum TFieldKind : Byte { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
inline constexpr int FieldKindCount = 5;
using TFieldKinds = Set<TFieldKind>;
// "Data", "Calculated", "Lookup", "InternalCalc", "Aggregate".
String FieldKindName(TFieldKind kind);
bool FieldKindFromName(const String& name, TFieldKind& kind);

// What a dataset is doing. The temporary states (calculated fields, filter,
// new/old/current value, internal calculation) are entered for the length of
// one operation by SetTempState and left by RestoreState; field access reads
// the record that the state designates.
enum TDataSetState : Byte {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening,
};
using TDataSetStates = Set<TDataSetState>;
// States in which the current record is being changed.
inline constexpr TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
// States in which field values may be written.
inline constexpr TDataSetStates dsWriteModes{dsEdit,   dsInsert,   dsSetKey,      dsCalcFields,
                                             dsFilter, dsNewValue, dsInternalCalc};

// The record-buffer protocol: which record GetRecord fetches, and what it found.
enum TGetMode : Byte { gmCurrent, gmNext, gmPrior };
enum TGetResult : Byte { grOK, grBOF, grEOF, grError };

// Where a record buffer stands: on a record, before the first, after the last,
// or a new record not yet posted. The ordinals are stored in record buffers.
enum TBookmarkFlag : Byte { bfCurrent, bfBOF, bfEOF, bfInserted };

// The ordinals are stored in records and stream formats.
enum TUpdateStatus : Byte { usUnmodified, usModified, usInserted, usDeleted };
using TUpdateStatusSet = Set<TUpdateStatus>;

// Attributes of a field definition.
enum TFieldAttribute : Byte { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = Set<TFieldAttribute>;

// How a provider treats a field when it writes changes back.
enum TProviderFlag : Byte { pfInUpdate, pfInWhere, pfInKey, pfHidden };
using TProviderFlags = Set<TProviderFlag>;

enum TIndexOption : Byte {
  ixPrimary,
  ixUnique,
  ixDescending,
  ixCaseInsensitive,
  ixExpression,
  ixNonMaintained
};
using TIndexOptions = Set<TIndexOption>;

enum TFilterOption : Byte { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = Set<TFilterOption>;

enum TLocateOption : Byte { loCaseInsensitive, loPartialKey };
using TLocateOptions = Set<TLocateOption>;

// Resync: rmExact insists that the cursor's record still exists; rmCenter
// puts it in the middle of the buffer ring instead of at its old row.
enum TResyncModeItem : Byte { rmExact, rmCenter };
using TResyncMode = Set<TResyncModeItem>;

enum TBlobStreamMode : Byte { bmRead, bmWrite, bmReadWrite };

// What an error handler (OnPostError, OnEditError, OnDeleteError) asks for.
enum TDataAction : Byte { daFail, daAbort, daRetry };

// Horizontal alignment of a field's text in data-aware controls.
enum TAlignment : Byte { taLeftJustify, taRightJustify, taCenter };

// The notifications a dataset sends to its data sources and they to their
// data links. The argument (`info`) is the field for deFieldChange,
// deRecordChange (or none) and deFocusControl, the scroll distance for
// deDataSetScroll, kDataSetMovedOnly for a deDataSetChange that only moved
// the cursor (TDataSet::ResyncMoved), and 0 otherwise.
enum TDataEvent : Byte {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
};
// The info of a deDataSetChange after which every record is as it was.
constexpr std::intptr_t kDataSetMovedOnly = 1;
