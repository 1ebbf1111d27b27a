// platform/rtl/Writer.cpp
#include "platform/rtl/Writer.h"

#include <cstring>
#include <limits>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

bool IsAscii(const String& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

void PutLittleEndian(Byte* out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<Byte>(value >> (8 * i));
}

// The bytes a collection is stored as, to tell whether two collections differ.
String CollectionBytes(const TCollection* collection, TComponent* root) {
  TStringStream stream;
  {
    TWriter writer(&stream, 4096);
    writer.SetRoot(root);
    writer.WriteCollection(collection);
    writer.FlushBuffer();
  }
  return stream.DataString();
}

}  // namespace

TWriter::TWriter(TStream* stream, Integer bufSize) : TFiler(stream, bufSize) {}

TWriter::~TWriter() {
  try {
    FlushBuffer();
  } catch (...) {
    // A destructor cannot report it; callers that care flush first.
  }
}

Int64 TWriter::Position() const {
  return stream_->Position() + buf_pos_;
}

void TWriter::FlushBuffer() {
  if (buf_pos_ == 0) return;
  const Integer n = buf_pos_;
  buf_pos_ = 0;
  stream_->WriteBuffer(buffer_.data(), n);
}

void TWriter::Write(const void* buffer, Int64 count) {
  const Byte* in = static_cast<const Byte*>(buffer);
  const Int64 capacity = static_cast<Int64>(buffer_.size());
  while (count > 0) {
    if (buf_pos_ == capacity) FlushBuffer();
    if (buf_pos_ == 0 && count >= capacity) {
      stream_->WriteBuffer(in, count);
      return;
    }
    const Int64 n = std::min(count, capacity - buf_pos_);
    std::memcpy(buffer_.data() + buf_pos_, in, static_cast<std::size_t>(n));
    buf_pos_ += static_cast<Integer>(n);
    in += n;
    count -= n;
  }
}

void TWriter::WriteValue(TValueType value) {
  const Byte b = value;
  Write(&b, 1);
}

void TWriter::WriteSignature() {
  Write("TPF0", 4);
}

void TWriter::WriteInteger(Int64 value) {
  Byte bytes[9];
  int size;
  if (value >= -128 && value <= 127) {
    bytes[0] = vaInt8;
    size = 1;
  } else if (value >= -32768 && value <= 32767) {
    bytes[0] = vaInt16;
    size = 2;
  } else if (value >= std::numeric_limits<Integer>::min() &&
             value <= std::numeric_limits<Integer>::max()) {
    bytes[0] = vaInt32;
    size = 4;
  } else {
    bytes[0] = vaInt64;
    size = 8;
  }
  PutLittleEndian(bytes + 1, static_cast<std::uint64_t>(value), size);
  Write(bytes, 1 + size);
}

void TWriter::WriteFloat(double value) {
  WriteFloat(TFloat80::FromDouble(value));
}

void TWriter::WriteFloat(const TFloat80& value) {
  WriteValue(vaExtended);
  Write(value.Bytes.data(), 10);
}

void TWriter::WriteBytes(TValueType tag, const String& bytes, bool shortAllowed) {
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<Integer>::max()))
    throw EWriteError("String too long to be stored");
  if (shortAllowed && bytes.size() <= 255) {
    const Byte head[2] = {vaString, static_cast<Byte>(bytes.size())};
    Write(head, 2);
  } else {
    Byte head[5];
    head[0] = tag;
    PutLittleEndian(head + 1, bytes.size(), 4);
    Write(head, 5);
  }
  Write(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TWriter::WriteString(const String& value) {
  if (IsAscii(value))
    WriteBytes(vaLString, value, true);
  else
    WriteBytes(vaUTF8String, value, false);
}

void TWriter::WriteRawString(const String& bytes) {
  WriteBytes(vaLString, bytes, true);
}

void TWriter::WriteIdent(const String& ident) {
  if (SameIdent(ident, "False")) return WriteValue(vaFalse);
  if (SameIdent(ident, "True")) return WriteValue(vaTrue);
  if (SameIdent(ident, "nil")) return WriteValue(vaNil);
  if (SameIdent(ident, "Null")) return WriteValue(vaNull);
  WriteValue(vaIdent);
  WriteStr(ident);
}

void TWriter::WriteStr(const String& value) {
  if (value.size() > 255)
    throw EWriteError("Name too long to be stored: " + value.substr(0, 64) + "...");
  const Byte length = static_cast<Byte>(value.size());
  Write(&length, 1);
  Write(value.data(), static_cast<Int64>(value.size()));
}

void TWriter::WriteBinary(const TStreamProc& writeData) {
  TMemoryStream data;
  if (writeData) writeData(&data);
  if (data.Size() > std::numeric_limits<Integer>::max())
    throw EWriteError("Binary value too large to be stored");
  Byte head[5];
  head[0] = vaBinary;
  PutLittleEndian(head + 1, static_cast<std::uint64_t>(data.Size()), 4);
  Write(head, 5);
  Write(data.Memory(), data.Size());
}

void TWriter::WriteCollection(const TCollection* collection) {
  WriteValue(vaCollection);
  if (collection) {
    // The reader makes the items afresh, so each is written against the
    // defaults, not against an ancestor's item.
    TPersistent* saved_ancestor = ancestor_;
    String saved_path = prop_path_;
    ancestor_ = nullptr;
    prop_path_.clear();
    try {
      for (Integer i = 0; i < collection->Count(); ++i) {
        WriteListBegin();
        WriteProperties(collection->Items(i));
        WriteListEnd();
      }
    } catch (...) {
      ancestor_ = saved_ancestor;
      prop_path_ = saved_path;
      throw;
    }
    ancestor_ = saved_ancestor;
    prop_path_ = saved_path;
  }
  WriteListEnd();
}

void TWriter::WritePropName(const String& name) {
  WriteStr(prop_path_ + name);
}

void TWriter::WriteProperties(TPersistent* instance) {
  for (const TPropInfo* prop : GetPropList(instance)) {
    if (!IsStoredProp(instance, prop)) continue;
    if (prop->Kind != tkClass && !prop->IsWritable()) continue;
    WriteProperty(instance, prop);
  }
  instance->DefineProperties(this);
}

String TWriter::ComponentReference(const TComponent* component, const TComponent* root) const {
  if (component->Name().empty()) return String();
  if (component == root || (root && component->Owner() == root) || !component->Owner())
    return component->Name();
  const TComponent* owner = component->Owner();
  if (owner->Name().empty()) return String();
  return owner->Name() + "." + component->Name();
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo* prop) {
  // The ancestor's value counts only when the ancestor has the same property.
  TObject* ancestor = ancestor_ && GetPropInfo(ancestor_, prop->Name) == prop ? ancestor_ : nullptr;
  switch (prop->Kind) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkEnumeration:
    case tkSet: {
      const Int64 value = prop->GetOrd(instance);
      if (ancestor ? value == prop->GetOrd(ancestor) : (prop->HasDefault && value == prop->Default))
        return;
      WritePropName(prop->Name);
      if (prop->Kind == tkChar) {
        WriteRawString(String(1, static_cast<char>(value)));
      } else if (prop->Kind == tkEnumeration) {
        const String name = GetEnumName(prop, value);
        if (name.empty())
          WriteInteger(value);
        else
          WriteIdent(name);
      } else if (prop->Kind == tkSet) {
        WriteValue(vaSet);
        for (int k = 0; k < 64; ++k)
          if ((static_cast<std::uint64_t>(value) >> k) & 1u) {
            const String name = GetEnumName(prop, k);
            if (!name.empty()) WriteStr(name);
          }
        WriteStr(String());
      } else {
        WriteInteger(value);
      }
      return;
    }
    case tkFloat: {
      const double value = prop->GetFloat(instance);
      const double reference = ancestor ? prop->GetFloat(ancestor) : 0.0;
      if (value == reference) return;
      WritePropName(prop->Name);
      WriteFloat(value);
      return;
    }
    case tkString:
    case tkLString:
    case tkWString: {
      const String value = prop->GetStr(instance);
      const String reference = ancestor ? prop->GetStr(ancestor) : String();
      if (value == reference) return;
      WritePropName(prop->Name);
      WriteString(value);
      return;
    }
    case tkClass: {
      TObject* value = prop->GetObject(instance);
      TObject* reference = ancestor ? prop->GetObject(ancestor) : nullptr;
      auto component = dynamic_cast<TComponent*>(value);
      if (prop->SetObject && (!value || component)) {
        const String name = component ? ComponentReference(component, root_) : String();
        // The ancestor's reference is named within the ancestor's own root.
        auto ref_component = dynamic_cast<TComponent*>(reference);
        const String ref_name =
            ref_component ? ComponentReference(ref_component, root_ancestor_) : String();
        if (name == ref_name && (value == nullptr) == (reference == nullptr)) return;
        WritePropName(prop->Name);
        if (name.empty())
          WriteValue(vaNil);
        else
          WriteIdent(name);
        return;
      }
      if (auto collection = dynamic_cast<TCollection*>(value)) {
        if (auto ref_collection = dynamic_cast<TCollection*>(reference))
          if (CollectionBytes(collection, root_) == CollectionBytes(ref_collection, root_)) return;
        WritePropName(prop->Name);
        WriteCollection(collection);
        return;
      }
      if (auto part = dynamic_cast<TPersistent*>(value)) {
        const String saved_path = prop_path_;
        TPersistent* saved_ancestor = ancestor_;
        prop_path_ += prop->Name + ".";
        ancestor_ = dynamic_cast<TPersistent*>(reference);
        try {
          WriteProperties(part);
        } catch (...) {
          prop_path_ = saved_path;
          ancestor_ = saved_ancestor;
          throw;
        }
        prop_path_ = saved_path;
        ancestor_ = saved_ancestor;
      }
      return;
    }
    default:
      return;
  }
}

void TWriter::WriteComponent(TComponent* component) {
  TComponent* ancestor = nullptr;
  if (component == root_) {
    ancestor = root_ancestor_;
  } else if (root_ancestor_) {
    TComponent* match = root_ancestor_->FindComponent(component->Name());
    if (match && match->ClassName() == component->ClassName()) ancestor = match;
  }
  const bool was_writing = component->state_.Contains(csWriting);
  component->state_.Include(csWriting);
  TPersistent* saved_ancestor = ancestor_;
  const String saved_path = prop_path_;
  try {
    if (component != root_ && ancestor) {
      const Byte prefix = 0xF0 | ffInherited;
      Write(&prefix, 1);
    }
    WriteStr(component->ClassName());
    WriteStr(component->Name());
    ancestor_ = ancestor;
    prop_path_.clear();
    WriteProperties(component);
    WriteListEnd();
    component->GetChildren([this](TComponent* child) { WriteComponent(child); }, root_);
    WriteListEnd();
  } catch (...) {
    ancestor_ = saved_ancestor;
    prop_path_ = saved_path;
    if (!was_writing) component->state_.Exclude(csWriting);
    throw;
  }
  ancestor_ = saved_ancestor;
  prop_path_ = saved_path;
  if (!was_writing) component->state_.Exclude(csWriting);
}

void TWriter::WriteRootComponent(TComponent* root) {
  WriteDescendent(root, nullptr);
}

void TWriter::WriteDescendent(TComponent* root, TComponent* ancestor) {
  root_ = root;
  root_ancestor_ = ancestor;
  WriteSignature();
  WriteComponent(root);
}

void TWriter::DefineProperty(const String& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData) {
  if (!hasData || !writeData) return;
  WritePropName(name);
  writeData(this);
}

void TWriter::DefineBinaryProperty(const String& name, const TStreamProc&,
                                   const TStreamProc& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  WritePropName(name);
  WriteBinary(writeData);
}
