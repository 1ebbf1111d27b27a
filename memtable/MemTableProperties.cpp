// memtable/MemTableProperties.cpp
//
// The published properties of TvomMemTable, as stored definitions (forms,
// data modules) hold them, and its registration for the component reader.
#include <mutex>

#include "memtable/DeltaHandler.h"
#include "memtable/MemTable.h"
#include "memtable/StreamFormat.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/PropertyRegistry.h"

void DeclareMemTableProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    using T = TvomMemTable;
    const TvomProgressCodes defaultProgress{mtpcLoad, mtpcSave, mtpcCopy};
    TPublishedClass<T, TComponent>()
        .AddBoolean("Active", &T::Active, &T::SetActive)
        .AddBoolean("AutoCalcFields", &T::AutoCalcFields, &T::SetAutoCalcFields, true)
        .AddObject("FieldDefs", [](T* t) { return t->FieldDefs(); })
        .AddBoolean("Filtered", &T::Filtered, &T::SetFiltered)
        .AddString("Filter", &T::Filter, &T::SetFilter)
        .AddSet("FilterOptions", &T::FilterOptions, &T::SetFilterOptions,
                {"foCaseInsensitive", "foNoPartialCompare"})
        .AddBoolean("DesignActivation", &T::DesignActivation, &T::SetDesignActivation, true)
        .AddComponent("AttachedTo", &T::AttachedTo, &T::SetAttachedTo)
        .AddBoolean("AttachedAutoRefresh", &T::AttachedAutoRefresh, &T::SetAttachedAutoRefresh,
                    true)
        .AddInteger("AttachMaxCount", &T::AttachMaxCount, &T::SetAttachMaxCount, 1)
        .AddInteger("AutoIncMinValue", &T::AutoIncMinValue, &T::SetAutoIncMinValue, 0)
        .AddComponent("DeltaHandler", &T::DeltaHandler, &T::SetDeltaHandler)
        .AddBoolean("EnableIndexes", &T::EnableIndexes, &T::SetEnableIndexes, true)
        .AddBoolean("AutoAddIndexes", &T::AutoAddIndexes, &T::SetAutoAddIndexes)
        .AddBoolean("AutoReposition", &T::AutoReposition, &T::SetAutoReposition)
        .AddString("IndexFieldNames", &T::IndexFieldNames, &T::SetIndexFieldNames)
        .AddString("IndexName", &T::IndexName, &T::SetIndexName)
        .AddObject("IndexDefs", &T::IndexDefs)
        .AddBoolean("RecalcOnIndex", &T::RecalcOnIndex, &T::SetRecalcOnIndex)
        .AddBoolean("RecalcOnFetch", &T::RecalcOnFetch, &T::SetRecalcOnFetch, true)
        .AddString("SortFields", &T::SortFields, &T::SetSortFields)
        .AddSet("SortOptions", &T::SortOptions, &T::SetSortOptions,
                {"mtcoDescending", "mtcoCaseInsensitive", "mtcoPartialKey", "mtcoIgnoreNullKey",
                 "mtcoIgnoreLocale", "mtcoUnique", "mtcoNonMaintained"})
        .AddBoolean("ReadOnly", &T::ReadOnly, &T::SetReadOnly)
        .AddEnum("Performance", &T::Performance, &T::SetPerformance,
                 {"mtpfFast", "mtpfBalanced", "mtpfSmall"}, mtpfFast)
        .AddBoolean("Standalone", &T::Standalone, &T::SetStandalone)
        .AddString("PersistentFile", &T::PersistentFile, &T::SetPersistentFile)
        .AddBoolean("Persistent", &T::Persistent, &T::SetPersistent)
        .AddBoolean("PersistentBackup", &T::PersistentBackup, &T::SetPersistentBackup)
        .AddString("PersistentBackupExt", &T::PersistentBackupExt, &T::SetPersistentBackupExt)
        .AddBoolean("StoreDataOnForm", &T::StoreDataOnForm, &T::SetStoreDataOnForm)
        .AddSet("ProgressFlags", &T::ProgressFlags, &T::SetProgressFlags,
                {"mtpcLoad", "mtpcSave", "mtpcEmpty", "mtpcPack", "mtpcCheckPoint", "mtpcSearch",
                 "mtpcCopy", "mtpcUpdate", "mtpcSort"},
                static_cast<Int64>(defaultProgress.Bits()))
        .AddInteger("LoadLimit", &T::LoadLimit, &T::SetLoadLimit, -1)
        .AddInteger("SaveLimit", &T::SaveLimit, &T::SetSaveLimit, -1)
        .AddBoolean("LoadedCompletely", &T::LoadedCompletely, &T::SetLoadedCompletely)
        .AddBoolean("SavedCompletely", &T::SavedCompletely, &T::SetSavedCompletely)
        .AddBoolean("EnableVersioning", &T::EnableVersioning, &T::SetEnableVersioning)
        .AddEnum("VersioningMode", &T::VersioningMode, &T::SetVersioningMode,
                 {"mtvm1SinceCheckPoint", "mtvmAllSinceCheckPoint"}, mtvm1SinceCheckPoint)
        .AddString("MasterFields", &T::MasterFields, &T::SetMasterFields)
        .AddString("DetailFields", &T::DetailFields, &T::SetDetailFields)
        .AddComponent("MasterSource", &T::MasterSource, &T::SetMasterSource)
        .AddString("Version", &T::Version, &T::SetVersion)
        // The parts first, the whole identifier last: reading it settles them.
        .AddInteger("LanguageID", &T::LanguageID, &T::SetLanguageID, 0)
        .AddInteger("SubLanguageID", &T::SubLanguageID, &T::SetSubLanguageID, 1)
        .AddInteger("SortID", &T::SortID, &T::SetSortID, 0)
        .AddInteger("LocaleID", &T::LocaleID, &T::SetLocaleID, 1024)
        .AddComponent("DefaultFormat", &T::DefaultFormat, &T::SetDefaultFormat)
        .AddComponent("CommaTextFormat", &T::CommaTextFormat, &T::SetCommaTextFormat)
        .AddComponent("PersistentFormat", &T::PersistentFormat, &T::SetPersistentFormat)
        .AddComponent("AllDataFormat", &T::AllDataFormat, &T::SetAllDataFormat)
        .AddComponent("FormFormat", &T::FormFormat, &T::SetFormFormat)
        .AddBoolean("RangeIgnoreNullKeyValues", &T::RangeIgnoreNullKeyValues,
                    &T::SetRangeIgnoreNullKeyValues, true);
    RegisterClass<TvomMemTable>();
  });
}
