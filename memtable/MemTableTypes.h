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
