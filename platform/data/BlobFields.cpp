// platform/data/BlobFields.cpp
#include "platform/data/BlobFields.h"

#include <memory>

#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringUtils.h"

namespace {

std::unique_ptr<TStream> OpenBlob(const TBlobField* field, TBlobStreamMode mode) {
  TDataSet* dataSet = field->DataSet();
  if (!dataSet) DatabaseErrorFmt(MsgDataSetMissing, nullptr, field->DisplayName());
  return dataSet->CreateBlobStream(const_cast<TBlobField*>(field), mode);
}

String ReadAll(TStream* stream) {
  String bytes(static_cast<std::size_t>(stream->Size()), '\0');
  stream->SetPosition(0);
  if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return bytes;
}

}  // namespace

TBlobField::TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner) {
  SetDataType(type);
}

void TBlobField::SetBlobType(TBlobType value) {
  if (IsBlobFieldType(value)) SetDataType(value);
}

Integer TBlobField::BlobSize() const {
  return static_cast<Integer>(OpenBlob(this, bmRead)->Size());
}

void TBlobField::LoadFromStream(TStream* stream) {
  auto blob = OpenBlob(this, bmWrite);
  blob->CopyFrom(stream, 0);
}

void TBlobField::SaveToStream(TStream* stream) const {
  auto blob = OpenBlob(this, bmRead);
  stream->CopyFrom(blob.get(), 0);
}

String TBlobField::AsBytes() const {
  auto blob = OpenBlob(this, bmRead);
  return ReadAll(blob.get());
}

void TBlobField::SetAsBytes(const String& value) {
  auto blob = OpenBlob(this, bmWrite);
  if (!value.empty()) blob->WriteBuffer(value.data(), static_cast<Int64>(value.size()));
}

void TBlobField::Clear() {
  OpenBlob(this, bmWrite);
}

String TBlobField::GetAsString() const {
  const String bytes = AsBytes();
  return transliterate_ && DataSet() ? DataSet()->Translate(bytes, false) : bytes;
}

void TBlobField::SetAsStringValue(const String& value) {
  SetAsBytes(transliterate_ && DataSet() ? DataSet()->Translate(value, true) : value);
}

Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return Null();
  const String bytes = AsBytes();
  return VarByteArray(bytes.data(), bytes.size());
}

void TBlobField::SetAsVariantValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) {
    Clear();
  } else if (value.Type() == (varArray | varByte)) {
    const Byte* bytes = VarArrayBytes(value);
    SetAsBytes(String(reinterpret_cast<const char*>(bytes), VarArrayElementCount(value)));
  } else {
    SetAsStringValue(value.AsString());
  }
}

// Controls show a marker of the kind of value, in lower case when it is empty.
String TBlobField::GetClassText(bool) const {
  const String marker = "(" + FieldTypeName(DataType()) + ")";
  return IsNull() ? LowerCase(marker) : marker;
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {
  SetTransliterate(true);
}

Variant TMemoField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsString());
}

String TMemoField::GetClassText(bool displayText) const {
  return displayText ? TBlobField::GetClassText(true) : GetAsString();
}

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner, ftGraphic) {}
