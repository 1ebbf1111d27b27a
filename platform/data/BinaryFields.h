// platform/data/BinaryFields.h
//
// Fixed-size byte fields: TBytesField (ftBytes, exactly Size bytes) and
// TVarBytesField (ftVarBytes, up to Size bytes after a 16-bit count). As
// variants they are byte arrays; as text, the bytes as they are.
#pragma once

#include <vector>

#include "platform/data/Field.h"

class TBinaryField : public TField {
  ZORVET_CLASS_NAME(TBinaryField)

 public:
  // The bytes; false (and empty) when null.
  virtual bool GetValue(std::vector<Byte>& value) const = 0;
  virtual void SetValueBytes(const void* data, std::size_t size) = 0;

 protected:
  TBinaryField(TComponent* owner, TFieldType type, Integer size);

  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;
};

class TBytesField : public TBinaryField {
  ZORVET_CLASS_NAME(TBytesField)

 public:
  // ftBytes of Size 16.
  explicit TBytesField(TComponent* owner);
  Integer DataSize() const override { return Size(); }

  bool GetValue(std::vector<Byte>& value) const override;
  // Fewer bytes than Size are padded with zeros; more are cut.
  void SetValueBytes(const void* data, std::size_t size) override;
};

class TVarBytesField : public TBinaryField {
  ZORVET_CLASS_NAME(TVarBytesField)

 public:
  // ftVarBytes of Size 16.
  explicit TVarBytesField(TComponent* owner);
  Integer DataSize() const override { return Size() + 2; }

  bool GetValue(std::vector<Byte>& value) const override;
  // More bytes than Size are cut.
  void SetValueBytes(const void* data, std::size_t size) override;
};
