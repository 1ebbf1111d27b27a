// memtable/MemTableTypes.h
//
// The small value types shared by the engine's store, indexes and tables:
// compare options, per-field options, storage performance, versioning modes,
// progress codes and operation states.
#pragma once

#include <type_traits>

#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

// The most field definitions (and so field numbers) a table can have.
inline constexpr Integer kvomMaxFields = 256;

// Options of indexes, sorting and searching; one bit each.
enum TvomMemTableCompareOptions : Byte {
  mtcoNone = 0x00,
  mtcoDescending = 0x01,
  mtcoCaseInsensitive = 0x02,
  mtcoPartialKey = 0x04,
  mtcoIgnoreNullKey = 0x08,
  mtcoIgnoreLocale = 0x10,
  mtcoUnique = 0x20,
  mtcoNonMaintained = 0x40,
};
ZORVET_ENUM_BITMASK(TvomMemTableCompareOptions)
using TvomMemTableCompareOption = TvomMemTableCompareOptions;

// Per-field options of a field list, held in one byte. The first five compare
// options carry over bit for bit, which the index relies on.
enum TvomifoOptions : Byte {
  mtifoNone = 0x00,
  mtifoDescending = 0x01,
  mtifoCaseInsensitive = 0x02,
  mtifoPartial = 0x04,
  mtifoIgnoreNull = 0x08,
  mtifoIgnoreLocale = 0x10,
};
ZORVET_ENUM_BITMASK(TvomifoOptions)

// The part of the compare options that becomes every index field's options.
inline constexpr Byte kvomFieldCompareOptionsMask = 0x1F;

// How the store keeps strings and byte fields of declared size 13 or more.
enum TvomPerformance : Byte { mtpfFast, mtpfBalanced, mtpfSmall };

// How many older versions a changed record keeps.
enum TvomVersioningMode : Byte { mtvm1SinceCheckPoint, mtvmAllSinceCheckPoint };

// Codes under which long operations report progress.
enum TvomProgressCode : Byte {
  mtpcLoad,
  mtpcSave,
  mtpcEmpty,
  mtpcPack,
  mtpcCheckPoint,
  mtpcSearch,
  mtpcCopy,
  mtpcUpdate,
  mtpcSort,
};
using TvomProgressCodes = Set<TvomProgressCode>;

// What a table is busy with; readable while an operation runs.
enum TvomOperationState : Byte {
  mtosIdle,
  mtosLoading,
  mtosSaving,
  mtosEmptying,
  mtosPacking,
  mtosCheckpointing,
  mtosSearching,
  mtosUpdating,
  mtosSorting,
};

// The kind of change that the indexes are told about after a post or delete.
enum TvomIndexChange : Byte { mticInsert, mticEdit, mticDelete };

// Index kinds: kept sorted by its fields, or in the order records were added.
enum TvomIndexKind : Byte { mtikSorted, mtikRowOrder };

// Options of copying between datasets (a 16-bit set; other bits do nothing).
enum TvomCopyOptions : Word {
  coNone = 0x0000,
  coStructure = 0x0001,         // take the source's field definitions
  coOnlySourceFields = 0x0002,  // with coStructure: only definitions the source has fields for
  coFieldProperties = 0x0004,   // copy field properties matched by name
  coLookupFields = 0x0008,      // with coStructure: create the source's lookup fields
  coCalculatedFields = 0x0010,  // with coStructure: create the source's calculated fields
  coAppend = 0x0020,            // keep the existing rows and append
  coFieldOrder = 0x0040,        // created calculated and lookup fields keep their positions
  coKeepIndexes = 0x0080,       // keep indexes maintained while copying
  coStringsAsWide = 0x0200,     // with coStructure: string definitions become wide strings
  coWideStringsUTF8 = 0x0400,   // convert between 8-bit and wide strings through UTF-8
};
ZORVET_ENUM_BITMASK(TvomCopyOptions)

// Where a save or load reads or writes, as OnSave / OnLoad report it.
enum TvomMemTableStorageType : Byte {
  mtstDataSet,
  mtstStream,
  mtstBinaryStream,
  mtstFile,
  mtstBinaryFile,
};
