// app/StoredValues.cpp
#include "app/StoredValues.h"

#include <cstring>

#include "memtable/Record.h"
#include "platform/data/Field.h"

bool ReadsInPlace(const TvomCommon& store, const TField* field) {
  return field != nullptr && field->FieldNo() >= 1 &&
         !(store.FieldFlags(field->FieldNo()) & mtffIndirect);
}

std::string_view StoredText(const TvomCommon& store, const TvomRecord* record,
                            const TField* field) {
  const Byte* at = store.FieldPointer(record, field);
  if (at == nullptr || at[0] == 0) return {};
  const char* text = reinterpret_cast<const char*>(at + 1);
  return {text, strnlen(text, static_cast<std::size_t>(store.FieldStorageSize(field->FieldNo())))};
}

bool StoredInteger(const TvomCommon& store, const TvomRecord* record, const TField* field,
                   Integer& value) {
  const Byte* at = store.FieldPointer(record, field);
  if (at == nullptr || at[0] == 0) return false;
  value = ReadValue<Integer>(at + 1);
  return true;
}

void CopyStoredValue(const TvomCommon& store, const TvomRecord* record, const TField* from,
                     TField* to) {
  const Byte* at = store.FieldPointer(record, from);
  if (at == nullptr || at[0] == 0)
    to->Clear();
  else
    to->SetData(at + 1);
}
