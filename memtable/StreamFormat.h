// memtable/StreamFormat.h
//
// TvomCustomStreamFormat: the component that saves a memory table to a stream
// and loads it back. A table never reads or writes a stream itself; its file
// and stream entry points (SaveToStreamViaFormat, LoadFromStreamViaFormat,
// ...) hand the stream to a format, which runs the whole procedure. This
// class fixes that procedure as a template of virtual steps; a concrete
// format (CSV, binary) overrides the definition and data steps.
//
//   save:  SaveTable -> BeforeSave -> Save (OnBeforeSave, SaveDef, SaveData,
//          OnAfterSave) -> AfterSave
//   load:  LoadTable -> BeforeLoad -> Load (OnBeforeLoad, LoadDef,
//          DetermineLoadFields, LoadData, OnAfterLoad) -> AfterLoad
//
// AfterSave / AfterLoad run even when Save / Load raise, so the table's
// switches, lock, controls and progress are always restored; the error then
// reaches the caller. An error inside BeforeSave / BeforeLoad reaches the
// caller without the after-step (nothing needs restoring that it has not
// restored itself).
//
// What a descendant can rely on:
// - Between BeforeSave and AfterSave: the table is marked saving, its store
//   is locked, its data-aware controls are disabled, the filter, range and
//   master/detail switches are off as the flags asked, WorkStream() is
//   positioned where the format must write (the stream was truncated, or
//   seeked to its end for sfSaveAppend, or left alone for sfSaveInsert), and
//   SaveFieldMap() says which fields to write.
// - Between BeforeLoad and AfterLoad: the table is marked loading, its store
//   is locked, its controls are disabled, read-only fields may be written
//   (the ignore-read-only switch), auto-increment values read are kept, index
//   upkeep is off (AfterLoad rebuilds every index of every open table sharing
//   the store), Persistent is off, and WorkStream() is positioned at the
//   data (rewound with sfLoadFromStart, decompressed through OnDeCompress when
//   that is assigned). LoadFieldMap() is the column -> field map computed
//   after the definitions were read (Load computes it before LoadData).
//
// Maps: the save map has one entry per field of the table (the field's index
// when it is written, -1 when not), the load map one per stream column (the
// field it loads into, or -1). Data and internal-calculated fields need
// sf...Data, calculated and lookup fields sf...Calculated / sf...Lookup,
// fields of a blob type (IsBlobFieldType) sf...Blobs, invisible fields
// sf...NonVisible; aggregate fields are never written or read. (A blob data
// field is written for sfSaveBlobs even without sfSaveData.)
//
// Flag sets: each property is a set over a one- or two-member enumeration,
// the save side first, held in one byte (bit 0 the first member, bit 1 the
// second). The types are enum bitmasks: combine with | and test with
// HasFlag(sfData(), sfSaveData).
//
// Threads: everything runs on the caller's (GUI) thread. A format is passive
// between operations; one format may serve several tables, one operation at
// a time.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "memtable/MemTableTypes.h"
#include "platform/data/Bookmark.h"
#include "platform/data/FieldTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

class TField;
class TStream;
class TStrings;
class TvomCustomMemTable;
struct TvomRecord;

// --- the fifteen flag sets ----------------------------------------------------
// Write / read record data; also admits data and internal-calculated fields
// to the maps.
enum TvomStreamFlagsData : Byte { sfSaveData = 0x01, sfLoadData = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsData)
// Include calculated fields.
enum TvomStreamFlagsCalculated : Byte { sfSaveCalculated = 0x01, sfLoadCalculated = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsCalculated)
// Include lookup fields.
enum TvomStreamFlagsLookup : Byte { sfSaveLookup = 0x01, sfLoadLookup = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsLookup)
// Include fields whose Visible is false.
enum TvomStreamFlagsNonVisible : Byte { sfSaveNonVisible = 0x01, sfLoadNonVisible = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsNonVisible)
// Include blob-type fields.
enum TvomStreamFlagsBlobs : Byte { sfSaveBlobs = 0x01, sfLoadBlobs = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsBlobs)
// Write / read the field definitions.
enum TvomStreamFlagsDef : Byte { sfSaveDef = 0x01, sfLoadDef = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsDef)
// Write / read the index definitions.
enum TvomStreamFlagsIndexDef : Byte { sfSaveIndexDef = 0x01, sfLoadIndexDef = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsIndexDef)
// Switch the table's filter off while saving (filtered-out records are saved too).
enum TvomStreamFlagsFiltered : Byte { sfSaveFiltered = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsFiltered)
// Switch an active range off while saving.
enum TvomStreamFlagsIgnoreRange : Byte { sfSaveIgnoreRange = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsIgnoreRange)
// Stop honouring the master/detail link while saving.
enum TvomStreamFlagsIgnoreMasterDetail : Byte { sfSaveIgnoreMasterDetail = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsIgnoreMasterDetail)
// Save / load older record versions (only a format that can carry them).
enum TvomStreamFlagsDeltas : Byte { sfSaveDeltas = 0x01, sfLoadDeltas = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsDeltas)
// Also save records inserted and deleted since the last check point.
enum TvomStreamFlagsDontFilterDeltas : Byte { sfSaveDontFilterDeltas = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsDontFilterDeltas)
// sfSaveAppend: write after the stream's (and a file's) existing end;
// sfSaveInsert: write at the stream's position without truncating.
enum TvomStreamFlagsAppend : Byte { sfSaveAppend = 0x01, sfSaveInsert = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsAppend)
// Save: write each field's real kind instead of "Data"; load: also fill
// fields whose kind is not data.
enum TvomStreamFlagsFieldKind : Byte { sfSaveFieldKind = 0x01, sfLoadFieldKind = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsFieldKind)
// Rewind the stream to position 0 before loading.
enum TvomStreamFlagsFromStart : Byte { sfLoadFromStart = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsFromStart)

// The member types, under the names the set types are made of.
using TvomStreamFlagData = TvomStreamFlagsData;
using TvomStreamFlagCalculated = TvomStreamFlagsCalculated;
using TvomStreamFlagLookup = TvomStreamFlagsLookup;
using TvomStreamFlagNonVisible = TvomStreamFlagsNonVisible;
using TvomStreamFlagBlobs = TvomStreamFlagsBlobs;
using TvomStreamFlagDef = TvomStreamFlagsDef;
using TvomStreamFlagIndexDef = TvomStreamFlagsIndexDef;
using TvomStreamFlagFiltered = TvomStreamFlagsFiltered;
using TvomStreamFlagIgnoreRange = TvomStreamFlagsIgnoreRange;
using TvomStreamFlagIgnoreMasterDetail = TvomStreamFlagsIgnoreMasterDetail;
using TvomStreamFlagDeltas = TvomStreamFlagsDeltas;
using TvomStreamFlagDontFilterDeltas = TvomStreamFlagsDontFilterDeltas;
using TvomStreamFlagAppend = TvomStreamFlagsAppend;
using TvomStreamFlagFieldKind = TvomStreamFlagsFieldKind;
using TvomStreamFlagFromStart = TvomStreamFlagsFromStart;

// Whether a load-field step runs before the stream's definitions are read
// (from BeforeLoad) or after them (from Load).
enum TvomDetermineLoadFieldsSituation : Byte { dlfBeforeLoad, dlfAfterLoadDef };

// OnCompress: write `CompressedStream` from `UnCompressedStream` (the whole
// of what the format wrote, rewound by nobody: seek it yourself).
using TvomOnCompress = std::function<void(TvomCustomMemTable* Dataset, TStream* UnCompressedStream,
                                          TStream* CompressedStream)>;
// OnDeCompress: write `DeCompressedStream` from `CompressedStream` (the
// caller's stream, rewound when sfLoadFromStart is set).
using TvomOnDeCompress = std::function<void(TvomCustomMemTable* Dataset, TStream* CompressedStream,
                                            TStream* DeCompressedStream)>;

class TvomCustomStreamFormat : public TComponent {
  ZORVET_CLASS_NAME(TvomCustomStreamFormat)

 public:
  // Default flags: sfData, sfNonVisible, sfBlobs, sfDef, sfIndexDef both
  // ways; sfSaveFiltered, sfSaveIgnoreRange, sfSaveIgnoreMasterDetail,
  // sfSaveFieldKind, sfLoadFromStart; the rest empty.
  explicit TvomCustomStreamFormat(TComponent* owner);
  ~TvomCustomStreamFormat() override;

  // The format's version text; SetVersion does nothing (a stored value is
  // ignored), so Version() is always the class's own.
  String Version() const { return GetVersion(); }
  void SetVersion(const String&) {}

  TvomStreamFlagsData sfData() const { return sf_data_; }
  void SetsfData(TvomStreamFlagsData value) { sf_data_ = value; }
  TvomStreamFlagsCalculated sfCalculated() const { return sf_calculated_; }
  void SetsfCalculated(TvomStreamFlagsCalculated value) { sf_calculated_ = value; }
  TvomStreamFlagsLookup sfLookup() const { return sf_lookup_; }
  void SetsfLookup(TvomStreamFlagsLookup value) { sf_lookup_ = value; }
  TvomStreamFlagsNonVisible sfNonVisible() const { return sf_non_visible_; }
  void SetsfNonVisible(TvomStreamFlagsNonVisible value) { sf_non_visible_ = value; }
  TvomStreamFlagsBlobs sfBlobs() const { return sf_blobs_; }
  void SetsfBlobs(TvomStreamFlagsBlobs value) { sf_blobs_ = value; }
  TvomStreamFlagsDef sfDef() const { return sf_def_; }
  void SetsfDef(TvomStreamFlagsDef value) { sf_def_ = value; }
  TvomStreamFlagsIndexDef sfIndexDef() const { return sf_index_def_; }
  void SetsfIndexDef(TvomStreamFlagsIndexDef value) { sf_index_def_ = value; }
  TvomStreamFlagsFiltered sfFiltered() const { return sf_filtered_; }
  void SetsfFiltered(TvomStreamFlagsFiltered value) { sf_filtered_ = value; }
  TvomStreamFlagsIgnoreRange sfIgnoreRange() const { return sf_ignore_range_; }
  void SetsfIgnoreRange(TvomStreamFlagsIgnoreRange value) { sf_ignore_range_ = value; }
  TvomStreamFlagsIgnoreMasterDetail sfIgnoreMasterDetail() const {
    return sf_ignore_master_detail_;
  }
  void SetsfIgnoreMasterDetail(TvomStreamFlagsIgnoreMasterDetail value) {
    sf_ignore_master_detail_ = value;
  }
  TvomStreamFlagsDeltas sfDeltas() const { return sf_deltas_; }
  void SetsfDeltas(TvomStreamFlagsDeltas value) { sf_deltas_ = value; }
  TvomStreamFlagsDontFilterDeltas sfDontFilterDeltas() const { return sf_dont_filter_deltas_; }
  void SetsfDontFilterDeltas(TvomStreamFlagsDontFilterDeltas value) {
    sf_dont_filter_deltas_ = value;
  }
  TvomStreamFlagsAppend sfAppend() const { return sf_append_; }
  void SetsfAppend(TvomStreamFlagsAppend value) { sf_append_ = value; }
  TvomStreamFlagsFieldKind sfFieldKind() const { return sf_field_kind_; }
  void SetsfFieldKind(TvomStreamFlagsFieldKind value) { sf_field_kind_ = value; }
  TvomStreamFlagsFromStart sfFromStart() const { return sf_from_start_; }
  void SetsfFromStart(TvomStreamFlagsFromStart value) { sf_from_start_ = value; }

  // Sender: the format.
  TNotifyEvent OnBeforeSave, OnAfterSave, OnBeforeLoad, OnAfterLoad;
  TvomOnCompress OnCompress;
  TvomOnDeCompress OnDeCompress;

  // From another stream format: the fifteen flag sets (not the events).
  // Any other source: the inherited assign (EConvertError).
  void Assign(const TPersistent* source) override;

  // --- the protocols, driven by the table's entry points -----------------------
  // Saves `table` to `stream` (see the top of this file). REQUIRES: both set.
  void SaveTable(TvomCustomMemTable* table, TStream* stream);
  // Loads `table` from `stream`.
  void LoadTable(TvomCustomMemTable* table, TStream* stream);

  // --- run-time state, valid during one save or load ----------------------------
  // The caller's stream.
  TStream* Stream() const { return stream_; }
  // Where the format writes or reads: the caller's stream, or a private
  // memory stream while a compression hook is assigned.
  TStream* WorkStream() const { return work_stream_; }
  // Per field of the table (by Fields index): the index when the field is
  // written, -1 when not.
  const std::vector<Integer>& SaveFieldMap() const { return save_map_; }
  // Per stream column: the table's Fields index it loads into, or -1.
  const std::vector<Integer>& LoadFieldMap() const { return load_map_; }

 protected:
  // "1.00" here; formats return their own.
  virtual String GetVersion() const;

  // Fills the save map (one entry per field of the table).
  virtual void DetermineSaveFields(TvomCustomMemTable* table);
  virtual void BeforeSave(TvomCustomMemTable* table);
  // Write the definitions / the records. Nothing here.
  virtual void SaveDef(TvomCustomMemTable* table);
  virtual void SaveData(TvomCustomMemTable* table);
  // OnBeforeSave, SaveDef, SaveData, OnAfterSave.
  virtual void Save(TvomCustomMemTable* table);
  virtual void AfterSave(TvomCustomMemTable* table);

  // Fills `ids` with one identifier per column that the stream holds. Here:
  // the display name of every field of the table, in field order.
  virtual void DetermineLoadFieldIDs(TvomCustomMemTable* table, TStrings* ids,
                                     TvomDetermineLoadFieldsSituation situation);
  // Fills the load map from the identifiers and the load flags.
  virtual void DetermineLoadFields(TvomCustomMemTable* table,
                                   TvomDetermineLoadFieldsSituation situation);
  // Maps identifier `id` (column `position` of `count`) to a Fields index of
  // the table in `fieldIndex` (preset to -1). Nothing here.
  virtual void DetermineLoadFieldIndex(TvomCustomMemTable* table, const String& id, Integer count,
                                       Integer position, Integer& fieldIndex,
                                       TvomDetermineLoadFieldsSituation situation);
  virtual void BeforeLoad(TvomCustomMemTable* table);
  // Read the definitions / the records. Nothing here.
  virtual void LoadDef(TvomCustomMemTable* table);
  virtual void LoadData(TvomCustomMemTable* table);
  // OnBeforeLoad, LoadDef, DetermineLoadFields (after the definitions;
  // EMemTableError "Couldnt determine field count for load." when no column
  // maps), LoadData, OnAfterLoad.
  virtual void Load(TvomCustomMemTable* table);
  virtual void AfterLoad(TvomCustomMemTable* table);

  // Sets the table's keep-loaded-auto-increment switch: while on, values
  // read into an auto-increment field are kept instead of renumbered.
  static void SetKeepLoadedAutoInc(TvomCustomMemTable* table, bool value);

  // One position of a save's walk over `count` positions, the same for every
  // format: at the table's save limit the walk stops and the save is marked
  // incomplete; progress is reported every 100 positions; a free slot
  // (`record` null), a record the filter refuses or one OnSaveRecord declines
  // is skipped. A written record is the table's override record, with its
  // calculated fields computed.
  enum class TSaveStep { Stop, Skip, Write };
  static TSaveStep SaveStep(TvomCustomMemTable* table, Integer position, Integer count,
                            TvomRecord* record);

 private:
  // Runs before, the step and after as the protocols do (the after-step also
  // when the step fails), then forgets the streams.
  void RunProtocol(TvomCustomMemTable* table, TStream* stream,
                   void (TvomCustomStreamFormat::*before)(TvomCustomMemTable*),
                   void (TvomCustomStreamFormat::*step)(TvomCustomMemTable*),
                   void (TvomCustomStreamFormat::*after)(TvomCustomMemTable*));
  // The restoring halves of AfterSave / AfterLoad (also run when
  // BeforeSave / BeforeLoad fail after switching something).
  void RestoreAfterSave(TvomCustomMemTable* table);
  void RestoreAfterLoad(TvomCustomMemTable* table, bool loaded);

  TvomStreamFlagsData sf_data_ = sfSaveData | sfLoadData;
  TvomStreamFlagsCalculated sf_calculated_{};
  TvomStreamFlagsLookup sf_lookup_{};
  TvomStreamFlagsNonVisible sf_non_visible_ = sfSaveNonVisible | sfLoadNonVisible;
  TvomStreamFlagsBlobs sf_blobs_ = sfSaveBlobs | sfLoadBlobs;
  TvomStreamFlagsDef sf_def_ = sfSaveDef | sfLoadDef;
  TvomStreamFlagsIndexDef sf_index_def_ = sfSaveIndexDef | sfLoadIndexDef;
  TvomStreamFlagsFiltered sf_filtered_ = sfSaveFiltered;
  TvomStreamFlagsIgnoreRange sf_ignore_range_ = sfSaveIgnoreRange;
  TvomStreamFlagsIgnoreMasterDetail sf_ignore_master_detail_ = sfSaveIgnoreMasterDetail;
  TvomStreamFlagsDeltas sf_deltas_{};
  TvomStreamFlagsDontFilterDeltas sf_dont_filter_deltas_{};
  TvomStreamFlagsAppend sf_append_{};
  TvomStreamFlagsFieldKind sf_field_kind_ = sfSaveFieldKind;
  TvomStreamFlagsFromStart sf_from_start_ = sfLoadFromStart;

  TStream* stream_ = nullptr;
  TStream* work_stream_ = nullptr;
  std::unique_ptr<TStream> own_work_stream_;
  std::vector<Integer> save_map_;
  std::vector<Integer> load_map_;

  // What a save switched off, to switch on again.
  bool saved_filtered_ = false;
  bool saved_range_ = false;
  bool saved_master_detail_ = false;
  // What a load switched off, to restore.
  bool saved_persistent_ = false;
  bool saved_enable_indexes_ = true;
  TBookmark saved_bookmark_;
};
