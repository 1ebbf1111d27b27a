// platform/data/BinaryFields.cpp
#include "platform/data/BinaryFields.h"

#include <algorithm>
#include <cstring>

#include "platform/data/DataSet.h"

TBinaryField::TBinaryField(TComponent* owner, TFieldType type, Integer size) : TField(owner) {
  SetDataType(type);
  InitSize(size);
}

String TBinaryField::GetAsString() const {
  std::vector<Byte> bytes;
  GetValue(bytes);
  return String(bytes.begin(), bytes.end());
}

void TBinaryField::SetAsStringValue(const String& value) {
  SetValueBytes(value.data(), value.size());
}

Variant TBinaryField::GetAsVariant() const {
  std::vector<Byte> bytes;
  if (!GetValue(bytes)) return Null();
  return VarByteArray(bytes.data(), bytes.size());
}

void TBinaryField::SetAsVariantValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) {
    Clear();
  } else if (value.Type() == (varArray | varByte)) {
    SetValueBytes(VarArrayBytes(value), VarArrayElementCount(value));
  } else {
    const String text = value.AsString();
    SetValueBytes(text.data(), text.size());
  }
}

// Controls show a marker, not the raw bytes.
String TBinaryField::GetClassText(bool) const {
  return IsNull() ? String() : "(" + FieldTypeName(DataType()) + ")";
}

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner, ftBytes, 16) {}

bool TBytesField::GetValue(std::vector<Byte>& value) const {
  value.assign(static_cast<std::size_t>(DataSize()), 0);
  if (!GetData(value.data())) {
    value.clear();
    return false;
  }
  return true;
}

void TBytesField::SetValueBytes(const void* data, std::size_t size) {
  std::vector<Byte> buffer(static_cast<std::size_t>(DataSize()), 0);
  std::memcpy(buffer.data(), data, std::min(size, buffer.size()));
  SetData(buffer.data());
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner, ftVarBytes, 16) {}

bool TVarBytesField::GetValue(std::vector<Byte>& value) const {
  std::vector<Byte> buffer(static_cast<std::size_t>(DataSize()), 0);
  value.clear();
  if (!GetData(buffer.data())) return false;
  Word count;
  std::memcpy(&count, buffer.data(), 2);
  count = std::min<Word>(count, static_cast<Word>(Size()));
  value.assign(buffer.begin() + 2, buffer.begin() + 2 + count);
  return true;
}

void TVarBytesField::SetValueBytes(const void* data, std::size_t size) {
  std::vector<Byte> buffer(static_cast<std::size_t>(DataSize()), 0);
  const Word count = static_cast<Word>(std::min(size, static_cast<std::size_t>(Size())));
  std::memcpy(buffer.data(), &count, 2);
  std::memcpy(buffer.data() + 2, data, count);
  SetData(buffer.data());
}
