// platform/rtl/Filer.h
//
// The stored value format and the common part of its writer and reader.
//
// A stored definition is a sequence of tagged values: a one-byte tag (the
// TValueType below) followed by the value's bytes, numbers little-endian.
// A component is written as
//   [prefix byte 0xF0|flags]  class name  name  properties...  0  children... 0
// where names are short strings (a length byte, then the bytes) without a
// tag, and each property is its (dotted) name as a short string followed by
// one tagged value. A stream of definitions starts with the signature "TPF0".
//
// TFiler::DefineProperty lets an object store values that are not published
// properties: the writer calls `writeData` when `hasData` is true, and the
// reader calls `readData` when it meets the name. `hasData` should compare
// with Ancestor() (the corresponding object of the ancestor definition being
// written against, or nullptr) so that a value equal to the ancestor's is not
// written.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TComponent;
class TPersistent;
class TReader;
class TStream;
class TWriter;

enum TValueType : Byte {
  vaNull = 0,      // end of a list
  vaList = 1,      // start of a list
  vaInt8 = 2,      // 1 signed byte
  vaInt16 = 3,     // 2 bytes
  vaInt32 = 4,     // 4 bytes
  vaExtended = 5,  // 10-byte extended float (Float80.h)
  vaString = 6,    // 1-byte length, bytes
  vaIdent = 7,     // 1-byte length, identifier
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,      // 4-byte length, bytes
  vaSet = 11,         // member names as short strings, ended by an empty one
  vaLString = 12,     // 4-byte length, bytes
  vaNil = 13,         // no object
  vaCollection = 14,  // items, each a list of properties, then vaNull
  vaSingle = 15,      // 4-byte float
  vaCurrency = 16,    // 8-byte integer, value * 10000
  vaDate = 17,        // 8-byte double, TDateTime
  vaWString = 18,     // 4-byte count of UTF-16 units, then 2 bytes each
  vaInt64 = 19,       // 8 bytes
  vaUTF8String = 20,  // 4-byte length, UTF-8 bytes
};

// Flags of the optional prefix byte of a component entry.
enum TFilerFlag : Byte { ffInherited = 0x01, ffChildPos = 0x02, ffInline = 0x04 };

using TReaderProc = std::function<void(TReader* reader)>;
using TWriterProc = std::function<void(TWriter* writer)>;
using TStreamProc = std::function<void(TStream* stream)>;

class TFiler : public TObject {
  ZORVET_CLASS_NAME(TFiler)

 public:
  // The stream is not owned. `bufSize` is the size of the filer's own buffer.
  TFiler(TStream* stream, Integer bufSize);
  ~TFiler() override = default;

  // The root component of the definition being written or read.
  TComponent* Root() const { return root_; }
  void SetRoot(TComponent* root) { root_ = root; }
  // While writing: the ancestor's counterpart of the object whose properties
  // are being written (nullptr when there is none). Always nullptr while reading.
  TPersistent* Ancestor() const { return ancestor_; }
  void SetAncestor(TPersistent* ancestor) { ancestor_ = ancestor; }

  // Declares a value stored through the writer/reader (see above).
  virtual void DefineProperty(const String& name, const TReaderProc& readData,
                              const TWriterProc& writeData, bool hasData) = 0;
  // Declares a value stored as raw bytes (tag vaBinary): `writeData` fills the
  // stream it is given; `readData` gets a stream over the stored bytes,
  // positioned at 0.
  virtual void DefineBinaryProperty(const String& name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;
  // Writer: writes the buffered bytes. Reader: gives the unread buffered bytes
  // back to the stream (its position becomes the reader's).
  virtual void FlushBuffer() = 0;

 protected:
  TStream* stream_;
  std::vector<Byte> buffer_;
  TComponent* root_ = nullptr;
  TPersistent* ancestor_ = nullptr;
};
