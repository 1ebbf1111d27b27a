// platform/data/BlobFields.h
//
// Blob fields: values kept outside the record, read and written through the
// dataset's blob streams (TDataSet::CreateBlobStream). TBlobField serves the
// binary blob types (its BlobType tells which), TMemoField the text ones
// (ftMemo, ftFmtMemo, ftOraClob) and TGraphicField pictures (ftGraphic).
//
// A blob with no bytes reads as null. Writing happens in the dataset's edit
// or insert state; the value is taken when the write stream is freed.
#pragma once

#include "platform/data/Field.h"

class TStream;

class TBlobField : public TField {
  ZORVET_CLASS_NAME(TBlobField)

 public:
  // ftBlob.
  explicit TBlobField(TComponent* owner);

  bool IsBlob() const override { return true; }
  // One of the blob types; changes DataType.
  TBlobType BlobType() const { return DataType(); }
  void SetBlobType(TBlobType value);
  // Set when a value was written through a blob stream since the record was
  // read; datasets clear it.
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  // Whether text values pass through the dataset's Translate.
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool value) { transliterate_ = value; }

  // The number of bytes of the value.
  Integer BlobSize() const;
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream) const;
  // The bytes as they are.
  String AsBytes() const;
  void SetAsBytes(const String& value);

  void Clear() override;

 protected:
  TBlobField(TComponent* owner, TFieldType type);

  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;

 private:
  bool modified_ = false;
  bool transliterate_ = false;
};

class TMemoField : public TBlobField {
  ZORVET_CLASS_NAME(TMemoField)

 public:
  // ftMemo; text passes through Translate.
  explicit TMemoField(TComponent* owner);

 protected:
  Variant GetAsVariant() const override;
  String GetClassText(bool displayText) const override;
};

class TGraphicField : public TBlobField {
  ZORVET_CLASS_NAME(TGraphicField)

 public:
  // ftGraphic.
  explicit TGraphicField(TComponent* owner);
};
