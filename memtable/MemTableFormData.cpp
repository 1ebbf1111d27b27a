// memtable/MemTableFormData.cpp
//
// The records a table keeps in its form's stored definition: the binary
// property "Data", in whatever layout the table's FormFormat writes. Reading
// the form only keeps the bytes; the table loads them once it has opened
// (its after-open step), when its fields exist.
#include <memory>

#include "memtable/MemTable.h"
#include "memtable/StreamFormat.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"

void TvomCustomMemTable::DefineProperties(TFiler* filer) {
  TDataSet::DefineProperties(filer);
  filer->DefineBinaryProperty(
      "Data",
      [this](TStream* stream) {
        auto data = std::make_unique<TMemoryStream>();
        data->LoadFromStream(stream);
        FormData() = std::move(data);
      },
      [this](TStream* stream) { SaveToStreamViaFormat(stream, FormFormat()); },
      StoreDataOnForm() && Active());
}
