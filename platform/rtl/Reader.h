// platform/rtl/Reader.h
//
// TReader reads tagged values (see Filer.h) from a stream through a buffer
// of its own. Every read checks the tag it expects and every length it reads
// against what is left of the stream, so a truncated or damaged stream
// raises EReadError and never reads out of bounds.
//
// Errors (EReadError): "Invalid stream format" (bad signature), "Stream read
// error" (the stream ended), "Invalid property value" (another tag than the
// one expected), "Invalid stream data" (a length or size that cannot be),
// "Property %s does not exist", "Ancestor for '%s' not found". An unknown
// class raises EClassNotFound "Class %s not found".
//
// Whole components: ReadRootComponent(root) reads a definition into `root`
// (which exists, built in code). A component entry whose name exists in the
// root is read into that component; any other is created from the class
// registry (ClassRegistry.h) with the root as its owner. While reading, the
// components are in csLoading and csReading; references to other components
// are resolved after the whole definition is read, and then every component
// gets Loaded() (see Component.h), unless the root was already loading.
//
// When the reader is destroyed, the stream's position is set to the end of
// what was read.
#pragma once

#include <vector>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Float80.h"
#include "platform/rtl/PropertyRegistry.h"

class TCollection;

class TReader : public TFiler {
  ZORVET_CLASS_NAME(TReader)

 public:
  TReader(TStream* stream, Integer bufSize);
  ~TReader() override;

  // The logical position: where the next value starts.
  Int64 Position();
  void SetPosition(Int64 value);
  void FlushBuffer() override;

  void ReadSignature();
  // The tag of the next value, not consumed.
  TValueType NextValue();
  TValueType ReadValue();
  void CheckValue(TValueType value);
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  // Whether the next value ends a list.
  bool EndOfList() { return NextValue() == vaNull; }

  // Tags 2, 3, 4, and 19 when the value fits in 32 bits.
  Integer ReadInteger();
  // Tags 2, 3, 4, 19.
  Int64 ReadInt64();
  // Tags 5 and 15, and the integer tags.
  double ReadFloat();
  // Tag 5 as it is, and the integer tags exactly.
  TFloat80 ReadFloat80();
  // Tags 6, 12 (bytes as they are), 20 (UTF-8) and 18 (UTF-16, given as UTF-8).
  String ReadString();
  bool ReadBoolean();
  // Tag 7, and "False", "True", "nil", "Null" for tags 8, 9, 13, 0.
  String ReadIdent();
  // Tag 10: the bytes.
  String ReadBinary();
  // Reads and throws away one value, lists and collections included.
  void SkipValue();

  // Untagged pieces of the format.
  String ReadStr();
  void Read(void* buffer, Int64 count);

  // Tag 14 into `collection`, which is cleared first.
  void ReadCollection(TCollection* collection);
  // One property (name and value) of `instance`.
  void ReadProperty(TPersistent* instance);
  // One component entry; `component` is the root itself, or nullptr for a
  // child (found by name or created). Returns the component read.
  TComponent* ReadComponent(TComponent* component);
  void ReadRootComponent(TComponent* root);

  void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const String& name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

 private:
  struct Fixup {
    TComponent* instance;
    TPersistent* object;
    const TPropInfo* prop;
    String name;
  };
  Byte ReadByte();
  Int64 Remaining();
  void CheckLength(Int64 length);
  void ReadBuffered(void* buffer, Int64 count);
  void ReadPropValue(TPersistent* instance, const TPropInfo* prop);
  void SkipSetBody();
  void ResolveFixups();
  [[noreturn]] void PropValueError();

  Integer buf_pos_ = 0;
  Integer buf_end_ = 0;
  String prop_name_;
  bool prop_found_ = false;
  TComponent* current_ = nullptr;
  std::vector<Fixup> fixups_;
  Integer depth_ = 0;
};
