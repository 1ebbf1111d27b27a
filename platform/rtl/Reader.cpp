// platform/rtl/Reader.cpp
#include "platform/rtl/Reader.h"

#include <cstring>
#include <limits>

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Unicode.h"

namespace {

// Nesting deeper than this is taken as damage rather than read, so that a
// crafted stream cannot exhaust the stack.
constexpr Integer kMaxDepth = 256;

bool IsIntegerTag(TValueType t) {
  return t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64;
}

std::uint64_t GetLittleEndian(const Byte* in, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= std::uint64_t{in[i]} << (8 * i);
  return value;
}

[[noreturn]] void StreamDataError() {
  throw EReadError("Invalid stream data");
}

class DepthGuard {
 public:
  explicit DepthGuard(Integer& depth) : depth_(depth) {
    if (++depth_ > kMaxDepth) {
      --depth_;
      StreamDataError();
    }
  }
  ~DepthGuard() { --depth_; }

 private:
  Integer& depth_;
};

}  // namespace

TReader::TReader(TStream* stream, Integer bufSize) : TFiler(stream, bufSize) {}

TReader::~TReader() {
  try {
    FlushBuffer();
  } catch (...) {
    // The position could not be given back; nothing more can be done here.
  }
}

Int64 TReader::Position() {
  return stream_->Position() - (buf_end_ - buf_pos_);
}

void TReader::SetPosition(Int64 value) {
  stream_->SetPosition(value);
  buf_pos_ = buf_end_ = 0;
}

void TReader::FlushBuffer() {
  const Integer unread = buf_end_ - buf_pos_;
  buf_pos_ = buf_end_ = 0;
  if (unread > 0) stream_->Seek(-unread, soFromCurrent);
}

Int64 TReader::Remaining() {
  return (buf_end_ - buf_pos_) + std::max<Int64>(0, stream_->Size() - stream_->Position());
}

void TReader::CheckLength(Int64 length) {
  if (length < 0 || length > Remaining()) StreamDataError();
}

void TReader::ReadBuffered(void* buffer, Int64 count) {
  Byte* out = static_cast<Byte*>(buffer);
  while (count > 0) {
    if (buf_pos_ == buf_end_) {
      const Int64 n = stream_->Read(buffer_.data(), static_cast<Int64>(buffer_.size()));
      if (n <= 0) throw EReadError("Stream read error");
      buf_pos_ = 0;
      buf_end_ = static_cast<Integer>(n);
    }
    const Int64 n = std::min<Int64>(count, buf_end_ - buf_pos_);
    std::memcpy(out, buffer_.data() + buf_pos_, static_cast<std::size_t>(n));
    buf_pos_ += static_cast<Integer>(n);
    out += n;
    count -= n;
  }
}

void TReader::Read(void* buffer, Int64 count) {
  ReadBuffered(buffer, count);
}

Byte TReader::ReadByte() {
  Byte b;
  ReadBuffered(&b, 1);
  return b;
}

void TReader::PropValueError() {
  throw EReadError("Invalid property value");
}

void TReader::ReadSignature() {
  char signature[4];
  if (Remaining() < 4) throw EReadError("Invalid stream format");
  ReadBuffered(signature, 4);
  if (std::memcmp(signature, "TPF0", 4) != 0) throw EReadError("Invalid stream format");
}

TValueType TReader::NextValue() {
  const Byte b = ReadByte();
  --buf_pos_;  // the byte is still in the buffer
  return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue() {
  const Byte b = ReadByte();
  if (b > vaUTF8String) StreamDataError();
  return static_cast<TValueType>(b);
}

void TReader::CheckValue(TValueType value) {
  if (ReadValue() != value) PropValueError();
}

Int64 TReader::ReadInt64() {
  Byte bytes[8];
  switch (ReadValue()) {
    case vaInt8:
      ReadBuffered(bytes, 1);
      return static_cast<std::int8_t>(bytes[0]);
    case vaInt16:
      ReadBuffered(bytes, 2);
      return static_cast<std::int16_t>(GetLittleEndian(bytes, 2));
    case vaInt32:
      ReadBuffered(bytes, 4);
      return static_cast<std::int32_t>(GetLittleEndian(bytes, 4));
    case vaInt64:
      ReadBuffered(bytes, 8);
      return static_cast<Int64>(GetLittleEndian(bytes, 8));
    default:
      PropValueError();
  }
}

Integer TReader::ReadInteger() {
  const Int64 value = ReadInt64();
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
    PropValueError();
  return static_cast<Integer>(value);
}

double TReader::ReadFloat() {
  const TValueType t = NextValue();
  if (IsIntegerTag(t)) return static_cast<double>(ReadInt64());
  if (t == vaSingle) {
    ReadValue();
    Byte bytes[4];
    ReadBuffered(bytes, 4);
    const auto bits = static_cast<std::uint32_t>(GetLittleEndian(bytes, 4));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  return ReadFloat80().ToDouble();
}

TFloat80 TReader::ReadFloat80() {
  if (IsIntegerTag(NextValue())) return TFloat80::FromInt64(ReadInt64());
  CheckValue(vaExtended);
  TFloat80 value;
  ReadBuffered(value.Bytes.data(), 10);
  return value;
}

String TReader::ReadString() {
  const TValueType t = ReadValue();
  Int64 length;
  if (t == vaString) {
    length = ReadByte();
  } else if (t == vaLString || t == vaUTF8String || t == vaWString) {
    Byte bytes[4];
    ReadBuffered(bytes, 4);
    length = static_cast<std::int32_t>(GetLittleEndian(bytes, 4));
    if (t == vaWString) {
      if (length < 0) StreamDataError();
      CheckLength(length * 2);
      String raw(static_cast<std::size_t>(length * 2), '\0');
      ReadBuffered(raw.data(), length * 2);
      std::u16string wide(static_cast<std::size_t>(length), u'\0');
      for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(static_cast<Byte>(raw[2 * i]) |
                                        (static_cast<Byte>(raw[2 * i + 1]) << 8));
      return Utf16ToUtf8(wide);
    }
  } else {
    PropValueError();
  }
  CheckLength(length);
  String value(static_cast<std::size_t>(length), '\0');
  ReadBuffered(value.data(), length);
  return value;
}

bool TReader::ReadBoolean() {
  const TValueType t = ReadValue();
  if (t == vaTrue) return true;
  if (t != vaFalse) PropValueError();
  return false;
}

String TReader::ReadStr() {
  const Byte length = ReadByte();
  String value(length, '\0');
  ReadBuffered(value.data(), length);
  return value;
}

String TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent:
      return ReadStr();
    case vaFalse:
      return "False";
    case vaTrue:
      return "True";
    case vaNil:
      return "nil";
    case vaNull:
      return "Null";
    default:
      PropValueError();
  }
}

String TReader::ReadBinary() {
  CheckValue(vaBinary);
  Byte bytes[4];
  ReadBuffered(bytes, 4);
  const Int64 length = static_cast<std::int32_t>(GetLittleEndian(bytes, 4));
  CheckLength(length);
  String value(static_cast<std::size_t>(length), '\0');
  ReadBuffered(value.data(), length);
  return value;
}

void TReader::SkipSetBody() {
  while (!ReadStr().empty()) {
  }
}

void TReader::SkipValue() {
  DepthGuard guard(depth_);
  auto skip = [this](Int64 n) {
    CheckLength(n);
    Byte scratch[256];
    while (n > 0) {
      const Int64 k = std::min<Int64>(n, sizeof scratch);
      ReadBuffered(scratch, k);
      n -= k;
    }
  };
  auto skip_counted = [&](Int64 unit) {
    Byte bytes[4];
    ReadBuffered(bytes, 4);
    const Int64 count = static_cast<std::int32_t>(GetLittleEndian(bytes, 4));
    if (count < 0) StreamDataError();
    skip(count * unit);
  };
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      return;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      return;
    case vaInt8:
      return skip(1);
    case vaInt16:
      return skip(2);
    case vaInt32:
    case vaSingle:
      return skip(4);
    case vaInt64:
    case vaCurrency:
    case vaDate:
      return skip(8);
    case vaExtended:
      return skip(10);
    case vaString:
    case vaIdent:
      return skip(ReadByte());
    case vaBinary:
    case vaLString:
    case vaUTF8String:
      return skip_counted(1);
    case vaWString:
      return skip_counted(2);
    case vaSet:
      return SkipSetBody();
    case vaCollection:
      while (!EndOfList()) {
        if (IsIntegerTag(NextValue())) ReadInt64();
        ReadListBegin();
        while (!EndOfList()) {
          ReadStr();
          SkipValue();
        }
        ReadListEnd();
      }
      ReadListEnd();
      return;
  }
}

void TReader::ReadCollection(TCollection* collection) {
  DepthGuard guard(depth_);
  CheckValue(vaCollection);
  WithinUpdate(*collection, [&] {
    collection->Clear();
    while (!EndOfList()) {
      if (IsIntegerTag(NextValue()))
        ReadInt64();  // an item order, which the items' position already gives
      TCollectionItem* item = collection->Add();
      ReadListBegin();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  });
}

void TReader::ReadProperty(TPersistent* instance) {
  const String path = ReadStr();
  TPersistent* target = instance;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = path.find('.', start);
    const String part = path.substr(start, dot == String::npos ? String::npos : dot - start);
    const TPropInfo* prop = GetPropInfo(target, part);
    if (dot == String::npos) {
      if (prop) {
        if (prop->Kind != tkClass && !prop->IsWritable())
          throw EReadError("Property " + path + " cannot be written");
        ReadPropValue(target, prop);
        return;
      }
      // Not published: one of the values the object defines itself.
      const String saved_name = prop_name_;
      const bool saved_found = prop_found_;
      prop_name_ = part;
      prop_found_ = false;
      try {
        target->DefineProperties(this);
      } catch (...) {
        prop_name_ = saved_name;
        prop_found_ = saved_found;
        throw;
      }
      const bool found = prop_found_;
      prop_name_ = saved_name;
      prop_found_ = saved_found;
      if (!found) throw EReadError("Property " + path + " does not exist");
      return;
    }
    // A dotted name walks into a part of the object (Font.Size, Lines.Strings).
    TPersistent* part_object = prop && prop->Kind == tkClass
                                   ? dynamic_cast<TPersistent*>(prop->GetObject(target))
                                   : nullptr;
    if (!part_object) throw EReadError("Property " + path + " does not exist");
    target = part_object;
    start = dot + 1;
  }
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo* prop) {
  switch (prop->Kind) {
    case tkInteger:
      prop->SetOrd(instance, ReadInteger());
      return;
    case tkInt64:
      prop->SetOrd(instance, ReadInt64());
      return;
    case tkChar: {
      if (IsIntegerTag(NextValue())) {
        prop->SetOrd(instance, ReadInteger() & 0xFF);
        return;
      }
      const String s = ReadString();
      if (s.size() != 1) PropValueError();
      prop->SetOrd(instance, static_cast<unsigned char>(s[0]));
      return;
    }
    case tkEnumeration: {
      Int64 value;
      if (IsIntegerTag(NextValue())) {
        value = ReadInt64();
        if (!prop->Names.empty() && (value < 0 || value >= static_cast<Int64>(prop->Names.size())))
          PropValueError();
      } else {
        value = GetEnumValue(prop, ReadIdent());
        if (value < 0) PropValueError();
      }
      prop->SetOrd(instance, value);
      return;
    }
    case tkSet: {
      CheckValue(vaSet);
      std::uint64_t bits = 0;
      for (;;) {
        const String name = ReadStr();
        if (name.empty()) break;
        const Integer member = GetEnumValue(prop, name);
        if (member < 0 || member >= 64) PropValueError();
        bits |= std::uint64_t{1} << member;
      }
      prop->SetOrd(instance, static_cast<Int64>(bits));
      return;
    }
    case tkFloat:
      prop->SetFloat(instance, ReadFloat());
      return;
    case tkString:
    case tkLString:
    case tkWString:
      prop->SetStr(instance, ReadString());
      return;
    case tkClass: {
      const TValueType t = NextValue();
      if (t == vaCollection) {
        auto collection = dynamic_cast<TCollection*>(prop->GetObject(instance));
        if (!collection) PropValueError();
        ReadCollection(collection);
        return;
      }
      if (!prop->SetObject) PropValueError();
      if (t == vaNil) {
        ReadValue();
        prop->SetObject(instance, nullptr);
        return;
      }
      if (t != vaIdent) PropValueError();
      // Resolved once the whole definition is read: the component named may
      // come later in the stream.
      fixups_.push_back({current_, instance, prop, ReadIdent()});
      return;
    }
    default:
      PropValueError();
  }
}

TComponent* TReader::ReadComponent(TComponent* component) {
  DepthGuard guard(depth_);
  Byte flags = 0;
  if ((NextValue() & 0xF0) == 0xF0) {
    flags = ReadByte() & 0x0F;
    if (flags & ffChildPos) ReadInt64();
  }
  const String class_name = ReadStr();
  const String name = ReadStr();

  if (!component) {
    TComponent* existing = root_ ? root_->FindComponent(name) : nullptr;
    if ((flags & ffInherited) && !existing)
      throw EReadError("Ancestor for '" + name + "' not found");
    if (existing) {
      if (!existing->ClassNameIs(class_name)) PropValueError();
      component = existing;
    } else {
      const TRegisteredClass& entry = FindClass(class_name);
      if (!entry.Create) throw EClassNotFound("Class " + class_name + " not found");
      TPersistent* made = entry.Create(root_);
      component = dynamic_cast<TComponent*>(made);
      if (!component) {
        delete made;
        throw EClassNotFound("Class " + class_name + " not found");
      }
      try {
        component->SetName(name);
      } catch (...) {
        delete component;
        throw;
      }
    }
  }
  component->state_.Include(csLoading);
  component->state_.Include(csReading);
  TComponent* saved_current = current_;
  current_ = component;
  TScopeExit restore([&] { current_ = saved_current; });
  while (!EndOfList()) ReadProperty(component);
  ReadListEnd();
  while (!EndOfList()) ReadComponent(nullptr);
  ReadListEnd();
  return component;
}

void TReader::ResolveFixups() {
  std::vector<Fixup> fixups;
  fixups.swap(fixups_);
  for (const Fixup& f : fixups) {
    TComponent* found = nullptr;
    const auto dot = f.name.find('.');
    if (dot == String::npos) {
      found = root_ && SameIdent(root_->Name(), f.name)
                  ? root_
                  : (root_ ? root_->FindComponent(f.name) : nullptr);
    } else if (root_ && SameIdent(root_->Name(), f.name.substr(0, dot))) {
      found = root_->FindComponent(f.name.substr(dot + 1));
    }
    // A name that names nothing here leaves the property as it was.
    if (found) f.prop->SetObject(f.object, found);
  }
}

void TReader::ReadRootComponent(TComponent* root) {
  ReadSignature();
  root_ = root;
  const bool was_loading = root->ComponentState().Contains(csLoading);
  if (!was_loading) BeginLoading(root);
  try {
    ReadComponent(root);
    ResolveFixups();
  } catch (...) {
    fixups_.clear();
    if (!was_loading) {
      TLoadingScope abandon(root);  // clears the loading state without Loaded
    }
    throw;
  }
  if (!was_loading) {
    EndLoading(root);
  } else {
    // The outer loading scope calls Loaded; reading itself is over.
    std::vector<TComponent*> pending{root};
    while (!pending.empty()) {
      TComponent* c = pending.back();
      pending.pop_back();
      c->state_.Exclude(csReading);
      for (Integer i = 0; i < c->ComponentCount(); ++i) pending.push_back(c->Components(i));
    }
  }
}

void TReader::DefineProperty(const String& name, const TReaderProc& readData, const TWriterProc&,
                             bool) {
  if (prop_found_ || !SameIdent(name, prop_name_)) return;
  prop_found_ = true;
  if (readData)
    readData(this);
  else
    SkipValue();
}

void TReader::DefineBinaryProperty(const String& name, const TStreamProc& readData,
                                   const TStreamProc&, bool) {
  if (prop_found_ || !SameIdent(name, prop_name_)) return;
  prop_found_ = true;
  const String bytes = ReadBinary();
  if (!readData) return;
  TMemoryStream data;
  data.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  data.SetPosition(0);
  readData(&data);
}
