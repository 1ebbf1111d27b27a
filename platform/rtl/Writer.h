// platform/rtl/Writer.h
//
// TWriter writes tagged values (see Filer.h) to a stream through a buffer of
// its own. Numbers take the smallest tag that holds them; floats are written
// as 10-byte extended values; text that is pure ASCII is written as a byte
// string (tag 6 up to 255 bytes, else 12), other text as UTF-8 (tag 20) with
// its bytes as they are.
//
// Whole components: WriteRootComponent(root) writes the signature and the
// root with its children (see TComponent::GetChildren); WriteDescendent(root,
// ancestor) writes only what differs from `ancestor`, a definition of the
// same shape (components matched by name).
//
// The bytes reach the stream when the buffer fills, on FlushBuffer and when
// the writer is destroyed (an error there is lost: call FlushBuffer first to
// see it). Writing errors raise EWriteError.
#pragma once

#include "platform/rtl/Filer.h"
#include "platform/rtl/Float80.h"
#include "platform/rtl/PropertyRegistry.h"

class TCollection;

class TWriter : public TFiler {
  ZORVET_CLASS_NAME(TWriter)

 public:
  TWriter(TStream* stream, Integer bufSize);
  ~TWriter() override;

  // The logical position: the stream's plus what is buffered.
  Int64 Position() const;
  void FlushBuffer() override;

  void WriteSignature();
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // Tag 2, 3, 4 or 19, whichever is the smallest that holds the value.
  void WriteInteger(Int64 value);
  // Tag 5 (extended).
  void WriteFloat(double value);
  void WriteFloat(const TFloat80& value);
  // Tag 6/12 for ASCII text, 20 otherwise.
  void WriteString(const String& value);
  // Tag 6/12 whatever the bytes are (binary values kept in strings).
  void WriteRawString(const String& bytes);
  void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
  // "False", "True", "nil" and "Null" (any case) become their own tags;
  // anything else is tag 7 with the name (at most 255 bytes).
  void WriteIdent(const String& ident);
  // Tag 10: the bytes that `writeData` writes to the stream it is given.
  void WriteBinary(const TStreamProc& writeData);
  // Tag 14: each item's properties as a list, then the end of the list.
  void WriteCollection(const TCollection* collection);

  // Untagged pieces of the format.
  void WriteValue(TValueType value);
  // A short string: length byte, bytes (EWriteError beyond 255 bytes).
  void WriteStr(const String& value);
  void Write(const void* buffer, Int64 count);

  // The published properties that differ from the ancestor's (or from their
  // defaults), then what DefineProperties declares.
  void WriteProperties(TPersistent* instance);
  // One component entry (prefix, class, name, properties, children).
  void WriteComponent(TComponent* component);
  void WriteRootComponent(TComponent* root);
  void WriteDescendent(TComponent* root, TComponent* ancestor);

  void DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const String& name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

 private:
  void WriteProperty(TPersistent* instance, const TPropInfo* prop);
  void WritePropName(const String& name);
  void WriteBytes(TValueType tag, const String& bytes, bool shortAllowed);
  String ComponentReference(const TComponent* component, const TComponent* root) const;

  Integer buf_pos_ = 0;
  String prop_path_;
  TComponent* root_ancestor_ = nullptr;
};
