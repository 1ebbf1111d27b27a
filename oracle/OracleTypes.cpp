// oracle/OracleTypes.cpp
#include "oracle/OracleTypes.h"

#include <algorithm>
#include <cstring>

#include "oracle/OciConstants.h"
#include "oracle/OracleCI.h"
#include "oracle/OracleSession.h"
#include "oracle/OracleText.h"
#include "oracle/StoredData.h"
#include "platform/rtl/Checked.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Format.h"

namespace Oracle {

bool DeclaredVariableSize(Integer Type, Integer& Size) {
  switch (Type) {
    case otSubst:
    case otLong:
    case otLongRaw:
    case otObject:
    case otReference:
    case otCLOB:
    case otBLOB:
    case otBFile:
    case otCursor:
      Size = 0;
      return true;
    case otInteger:
      Size = 4;
      return true;
    case otFloat:
      Size = 8;
      return true;
    case otString:
    case otChar:
      Size = 4001;
      return true;
    case otPLSQLString:
      Size = 32513;
      return true;
    case otDate:
      Size = 7;
      return true;
    default:
      return false;
  }
}

bool IsComplexType(Integer Type) {
  return Type == otObject || Type == otReference || Type == otCLOB || Type == otBLOB ||
         Type == otBFile || Type == otCursor;
}

String StripCR(const String& Text, const TOracleSession* Session) {
  if (Session && !Session->Preferences()->ConvertCRLF()) return Text;
  String result;
  result.reserve(Text.size());
  for (char c : Text)
    if (c != '\r') result += c;
  return result;
}

}  // namespace Oracle

using namespace Oracle;

namespace {

constexpr Integer kDataVersion = 3;

bool IsHandleType(Integer type) {
  return IsComplexType(type);
}

bool IsTextType(Integer type) {
  return type == 1 || type == otString || type == otPLSQLString || type == otChar;
}

}  // namespace

// ---------------------------------------------------------------------------
// TFieldData

TFieldData::TFieldData(TCollection* collection)
    : TCollectionItem(collection), LongPieces(TCollectionItemClass::Of<TLongPiece>()) {}

TFieldData::~TFieldData() {
  OwnedObject.reset();
  if (OracleCI::OciLoaded()) {
    for (Integer row = 0; row < Rows && IsHandleType(ExternalType); ++row) {
      void* handle = RowHandle(row);
      if (!handle) continue;
      if (ExternalType == otCLOB || ExternalType == otBLOB)
        OracleCI::OCIDescriptorFree(handle, kDtypeLob);
      else if (ExternalType == otBFile)
        OracleCI::OCIDescriptorFree(handle, kDtypeFile);
      else if (ExternalType == otCursor)
        OracleCI::OCIHandleFree(handle, kHtypeStmt);
    }
    if (pinned_) OracleCI::OCIObjectUnpin(env_, error_, pinned_);
    if (to_free_) OracleCI::OCIObjectFree(env_, error_, to_free_, 0);
    FreeRowObjects();
  }
}

void TFieldData::AllocateRows(ub2 type, Integer size, Integer rows) {
  if (rows < 0 || size < 0) throw ERangeError("Invalid column buffer size");
  ExternalType = type;
  Size = IsHandleType(type) ? Integer(sizeof(void*)) : size;
  Rows = rows;
  Data.assign(std::size_t(CheckedMul<Int64>(Size, rows)), 0);
  Indicators.assign(std::size_t(rows), 0);
  Lengths.assign(std::size_t(rows), 0);
  object_indicators_.assign(std::size_t(rows), nullptr);
}

void TFieldData::CheckRow(Integer row) const {
  if (row < 0 || row >= Rows) throw ERangeError(Format("Row %d outside the column buffer", row));
}

void* TFieldData::RowHandle(Integer row) const {
  CheckRow(row);
  void* handle = nullptr;
  if (Size >= Integer(sizeof handle))
    std::memcpy(&handle, Data.data() + std::size_t(row) * std::size_t(Size), sizeof handle);
  return handle;
}

void TFieldData::SetRowHandle(Integer row, void* handle) {
  CheckRow(row);
  if (Size < Integer(sizeof handle)) throw ERangeError("The column holds no handles");
  std::memcpy(Data.data() + std::size_t(row) * std::size_t(Size), &handle, sizeof handle);
}

void* TFieldData::RowObjectIndicator(Integer row) const {
  CheckRow(row);
  return object_indicators_[std::size_t(row)];
}

void TFieldData::SetRowObjectIndicator(Integer row, void* indicator) {
  CheckRow(row);
  object_indicators_[std::size_t(row)] = indicator;
}

Integer TFieldData::LongSize() const {
  Integer total = 0;
  for (Integer i = 0; i < LongPieces.Count(); ++i) {
    const auto* piece = static_cast<const TLongPiece*>(LongPieces.Items(i));
    // A client that claims more than the piece holds is not believed.
    total = CheckedAdd(total, std::min(Integer(piece->Length), piece->Size()));
  }
  return total;
}

void TFieldData::SetObjectContext(OCIEnv* env, OCIError* error, void* pinned, void* to_free) {
  env_ = env;
  error_ = error;
  pinned_ = pinned;
  to_free_ = to_free;
}

void TFieldData::FreeRowObjects() {
  if (ExternalType != otObject && ExternalType != otReference) return;
  for (Integer row = 0; row < Rows; ++row)
    if (void* object = RowHandle(row)) OracleCI::OCIObjectFree(env_, error_, object, 0);
  std::fill(Data.begin(), Data.end(), Byte(0));
  std::fill(object_indicators_.begin(), object_indicators_.end(), nullptr);
}

// ---------------------------------------------------------------------------
// TVariableData

TVariableData::TVariableData(TCollection* collection) : TCollectionItem(collection) {}

// A complex variable's id belongs to its object, which releases it.
TVariableData::~TVariableData() = default;

void TVariableData::Declare(const String& name, Integer type) {
  Integer size = 0;
  if (!DeclaredVariableSize(type, size)) throw Exception("Unsupported variable type");
  ReleaseBuffer();
  name_ = name;
  type_ = type;
  complex_ = IsComplexType(type);
  plsql_table_ = false;
  element_count_ = 1;
  actual_length_ = 0;
  indicators_.assign(1, -1);
  if (complex_) {
    std::memset(object_slot_, 0, sizeof object_slot_);
    buffer_ = object_slot_;
    buffer_size_ = Integer(sizeof object_slot_);
    owns_buffer_ = false;
  } else {
    owns_buffer_ = true;
    Allocate(size, 1);
  }
}

void TVariableData::Allocate(Integer size, Integer count) {
  const std::size_t bytes = std::size_t(CheckedMul<Int64>(size, count));
  owned_ = bytes ? std::make_unique<Byte[]>(bytes) : nullptr;
  if (owned_) std::memset(owned_.get(), 0, bytes);
  buffer_ = owned_.get();
  buffer_size_ = size;
  owns_buffer_ = true;
}

void TVariableData::ReleaseBuffer() {
  if (owns_buffer_) owned_.reset();
  buffer_ = complex_ ? object_slot_ : nullptr;
  buffer_size_ = complex_ ? Integer(sizeof object_slot_) : 0;
}

void TVariableData::SetCurrentElements(Integer count) {
  if (count < 0 || count > element_count_)
    throw ERangeError(Format("Array is larger than PL/SQL Table (%d > %d)", count, element_count_));
  current_elements_ = ub4(count);
}

sb2 TVariableData::Indicator(Integer index) const {
  CheckIndex(index);
  return indicators_[std::size_t(index)];
}

Integer TVariableData::ObjectId() const {
  Integer id = 0;
  if (complex_) std::memcpy(&id, object_slot_, sizeof id);
  return id;
}

void TVariableData::CheckIndex(Integer index) const {
  if (index < 0 || std::size_t(index) >= indicators_.size())
    throw ERangeError(Format("Index %d outside variable %s", index, name_.c_str()));
}

Byte* TVariableData::Element(Integer index) const {
  CheckIndex(index);
  if (!buffer_ || buffer_size_ <= 0) throw ERangeError("Variable " + name_ + " has no buffer");
  return buffer_ + std::size_t(index) * std::size_t(buffer_size_);
}

void TVariableData::SetArraySize(Integer Count, Integer StringSize, TOracleSession* Session) {
  if (Count < 0) throw ERangeError("Negative array size for variable " + name_);
  if (Count == element_count_ && (StringSize < 1 || StringSize + 1 == buffer_size_)) return;
  indicators_.assign(std::size_t(std::max(Count, 1)), -1);
  if (owns_buffer_) {
    Integer size = buffer_size_;
    if (type_ == otString || type_ == otChar)
      size = std::min(size, (Session ? Session->MaxStringSize() : 2000) + 1);
    if (StringSize > 0) size = CheckedAdd(StringSize, 1);
    Allocate(size, std::max(Count, 1));
  }
  element_count_ = Count;
}

void TVariableData::SetWholeValue(const void* bytes, std::size_t size, bool text) {
  if (size > std::size_t(INT32_MAX - 1)) throw ERangeError("Value too long for " + name_);
  owns_buffer_ = true;
  Allocate(Integer(size) + (text ? 1 : 0), 1);
  if (size) std::memcpy(buffer_, bytes, size);
  actual_length_ = Integer(size);
}

void TVariableData::SetValue(Integer Index, const Variant& Value, TOracleSession* Session) {
  CheckIndex(Index);
  if (Value.IsEmpty() || Value.IsNull()) {
    indicators_[std::size_t(Index)] = -1;
    if (complex_) std::memset(object_slot_, 0, sizeof object_slot_);
    return;
  }
  if (complex_) {
    const TVarType type = Value.Type();
    if (type != varInteger && type != varSmallint && type != varShortInt && type != varByte &&
        type != varWord)
      throw Exception("Pass LongInt(Object) to complex variable " + name_);
    const Integer id = Value.AsInteger();
    std::memcpy(object_slot_, &id, sizeof id);
    indicators_[std::size_t(Index)] = id != 0 ? 0 : -1;
    return;
  }
  switch (type_) {
    case otInteger: {
      const Integer value = Value.AsInteger();
      std::memcpy(Element(Index), &value, sizeof value);
      break;
    }
    case otFloat: {
      const double value = Value.AsDouble();
      std::memcpy(Element(Index), &value, sizeof value);
      break;
    }
    case 1:
    case otLong: {
      if (Index != 0) throw ERangeError("Variable " + name_ + " holds one value only");
      const String text = StripCR(Value.AsString(), Session);
      SetWholeValue(text.data(), text.size(), true);
      break;
    }
    case otString:
    case otPLSQLString:
    case otChar: {
      const String text = StripCR(Value.AsString(), Session);
      Byte* element = Element(Index);
      const std::size_t n = std::min(text.size(), std::size_t(buffer_size_ - 1));
      std::memcpy(element, text.data(), n);
      element[n] = 0;
      break;
    }
    case otDate: {
      const TDateTime value =
          Value.Type() == varString ? StrToDateTime(Value.AsString()) : Value.AsDateTime();
      if (value == 0 && (!Session || Session->Preferences()->ZeroDateIsNull())) {
        indicators_[std::size_t(Index)] = -1;
        return;
      }
      Byte bytes[7];
      DateTimeToOracleDate(bytes, value);
      std::memcpy(Element(Index), bytes, sizeof bytes);
      break;
    }
    case otLongRaw: {
      if (Index != 0) throw ERangeError("Variable " + name_ + " holds one value only");
      if (Value.Type() == varString) {
        const String bytes = Value.AsString();
        SetWholeValue(bytes.data(), bytes.size(), false);
      } else if (Value.Type() == (varArray | varByte) && VarArrayDimCount(Value) == 1) {
        SetWholeValue(VarArrayBytes(Value), VarArrayElementCount(Value), false);
      } else {
        throw Exception("Only one-dimensional array of bytes allowed for " + name_);
      }
      break;
    }
    default:
      throw Exception("Unsupported variable type for " + name_);
  }
  indicators_[std::size_t(Index)] = 0;
}

Variant TVariableData::Value(TOracleSession* Session) const {
  if (indicators_.empty() || indicators_[0] < 0) return Null();
  if (complex_) return Variant(ObjectId());
  if (!buffer_) return Null();
  switch (type_) {
    case 1:
    case otLong:
      return Variant(AdjustCRLF(
          String(reinterpret_cast<const char*>(buffer_), std::size_t(actual_length_)), Session));
    case otLongRaw:
      return VarByteArray(buffer_, std::size_t(actual_length_));
    default: {
      Variant value;
      OracleValueToVariant(buffer_, type_, buffer_size_, value, Session);
      return value;
    }
  }
}

String TVariableData::ValueText(TOracleSession* Session) const {
  if (plsql_table_) return "(PL/SQL Table)";
  if (element_count_ >= 2) return "(Array)";
  switch (type_) {
    case otLong:
      return "(Long)";
    case otLongRaw:
      return "(Long Raw)";
    case otObject:
      return "(Object)";
    case otReference:
      return "(Reference)";
    case otCLOB:
      return "(CLOB)";
    case otBLOB:
      return "(BLOB)";
    case otBFile:
      return "(BFile)";
    case otCursor:
      return "(Cursor)";
  }
  const Variant value = Value(Session);
  if (value.IsNull() || value.IsEmpty()) return "Null";
  return value.AsString();
}

Integer TVariableData::StoredValueSize() const {
  if (indicators_.empty() || indicators_[0] < 0 || !buffer_) return 0;
  if (IsTextType(type_))
    return Integer(strnlen(reinterpret_cast<const char*>(buffer_), std::size_t(buffer_size_))) + 1;
  return buffer_size_;
}

// ---------------------------------------------------------------------------
// TVariables

TVariables::TVariables(TPersistent* owner)
    : owner_(owner), items_(TCollectionItemClass::Of<TVariableData>()) {}

TVariables::~TVariables() = default;

TVariableData* TVariables::Items(Integer index) const {
  return static_cast<TVariableData*>(items_.Items(index));
}

Integer TVariables::IndexOf(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->Name() == name) return i;
  return -1;
}

TVariableData* TVariables::DeclareVariable(const String& Name, Integer Type) {
  if (Name.empty()) throw Exception("You cannot declare a variable with an empty name");
  Integer size = 0;
  if (!DeclaredVariableSize(Type, size)) throw Exception("Unsupported variable type");
  const Integer index = IndexOf(Name);
  auto* variable = index >= 0 ? Items(index) : static_cast<TVariableData*>(items_.Add());
  variable->Declare(Name, Type);
  return variable;
}

void TVariables::DeclarePLSQLTable(const String& Name, Integer TableSize, Integer StringSize) {
  const Integer index = IndexOf(Name);
  if (index < 0) throw Exception("Variable " + Name + " not declared");
  TVariableData* variable = Items(index);
  const Integer type = variable->ExternalType();
  if (type != otInteger && type != otFloat && type != otString && type != otDate)
    throw Exception("Only PL/SQL Tables of strings, integers, floats and dates supported");
  if (type == otString && StringSize <= 0)
    throw Exception("You must specify a string size for a PL/SQL Table of strings");
  if (type != otString && StringSize != 0)
    throw Exception("You can only specify a string size for a PL/SQL Table of strings");
  if (TableSize <= 0) throw Exception("You must specify the size of the PL/SQL Table");
  variable->MarkPLSQLTable(true);
  variable->SetArraySize(TableSize, StringSize, Session());
}

void TVariables::AssignTo(TPersistent* dest) const {
  auto* other = dynamic_cast<TVariables*>(dest);
  if (!other) {
    TPersistent::AssignTo(dest);
    return;
  }
  if (!other->owner_) throw EConvertError("Can only Assign TVariables owned by a TOracleQuery");
  other->Clear();
  for (Integer i = 0; i < Count(); ++i) {
    const TVariableData* source = Items(i);
    TVariableData* target = other->DeclareVariable(source->Name(), source->ExternalType());
    if (source->IsPLSQLTable()) {
      other->DeclarePLSQLTable(source->Name(), source->ElementCount(),
                               source->ExternalType() == otString ? source->BufferSize() - 1 : 0);
    } else {
      target->SetValue(0, source->Value(Session()), other->Session());
    }
  }
}

void TVariables::WriteData(TStream* Stream) const {
  WriteStoredInt32(Stream, kDataVersion);
  WriteStoredInt32(Stream, Count());
  for (Integer i = 0; i < Count(); ++i) {
    const TVariableData* variable = Items(i);
    WriteStoredInt32(Stream, Integer(variable->Name().size()));
    Stream->WriteBuffer(variable->Name().data(), Int64(variable->Name().size()));
    WriteStoredInt32(Stream, variable->ExternalType());
    const Integer size = variable->StoredValueSize();
    WriteStoredInt32(Stream, size);
    if (size > 0) {
      // A string's zero byte is written even when the buffer is full.
      const Integer from_buffer = std::min(size, variable->BufferSize());
      Stream->WriteBuffer(variable->Buffer(), from_buffer);
      if (from_buffer < size) Stream->WriteBuffer("", 1);
    }
    WriteStoredInt32(Stream, variable->IsPLSQLTable() ? 1 : 0);
    if (variable->IsPLSQLTable()) {
      WriteStoredInt32(Stream, variable->ElementCount());
      WriteStoredInt32(Stream,
                       IsTextType(variable->ExternalType()) ? variable->BufferSize() - 1 : 0);
    }
  }
}

void TVariables::ReadData(TStream* Stream) {
  TStoredDataReader reader(Stream, "Invalid Query variables data: ");
  Clear();
  const Integer version = reader.Int32("version");
  if (version > kDataVersion) throw Exception("Invalid version of Query variables");
  const Integer count = reader.Int32("count");
  // Each variable takes at least its name's length and its type.
  if (count < 0 || Int64(count) * 8 > reader.Remaining())
    reader.Damaged(Format("count of %d variables", count));
  for (Integer i = 0; i < count; ++i) {
    String name(std::size_t(reader.Length("name")), '\0');
    reader.Bytes(name.data(), Integer(name.size()), "name");
    const Integer type = reader.Int32("type");
    TVariableData* variable = DeclareVariable(name, type);
    if (version >= 2) {
      const Integer size = reader.Length("value");
      if (size > 0) {
        if (!variable->Buffer()) {
          variable->Allocate(size, 1);
          variable->actual_length_ = type == otLong ? size - 1 : size;
        } else if (size > variable->BufferSize()) {
          reader.Damaged(Format("value of %s holds %d bytes, its buffer %d", name.c_str(), size,
                                variable->BufferSize()));
        }
        reader.Bytes(variable->Buffer(), size, "value");
        variable->indicators_[0] = 0;
      }
    }
    if (version >= 3 && reader.Int32("table flag") == 1) {
      const Integer table_size = reader.Int32("table size");
      const Integer string_size = reader.Int32("string size");
      if (table_size <= 0 || string_size < 0 ||
          Int64(table_size) * (Int64(string_size) + 1) > Int64(INT32_MAX))
        reader.Damaged(Format("PL/SQL table of %d elements of %d bytes", table_size, string_size));
      DeclarePLSQLTable(name, table_size, string_size);
    }
  }
}

bool TVariables::SameData(const TVariables& other) const {
  if (Count() != other.Count()) return false;
  for (Integer i = 0; i < Count(); ++i) {
    const TVariableData* a = Items(i);
    const TVariableData* b = other.Items(i);
    if (a->Name() != b->Name() || a->ExternalType() != b->ExternalType() ||
        (a->indicators_[0] < 0) != (b->indicators_[0] < 0) ||
        a->IsPLSQLTable() != b->IsPLSQLTable())
      return false;
    if (a->IsPLSQLTable() &&
        (a->ElementCount() != b->ElementCount() || a->BufferSize() != b->BufferSize()))
      return false;
    if (a->indicators_[0] >= 0) {
      const Integer size = a->StoredValueSize();
      if (size != b->StoredValueSize()) return false;
      const Integer compared = std::min(size, a->BufferSize());
      if (compared > 0 && std::memcmp(a->Buffer(), b->Buffer(), std::size_t(compared)) != 0)
        return false;
    }
  }
  return true;
}

void TVariables::DefineProperties(TFiler* filer) {
  bool has_data = Count() > 0;
  if (auto* ancestor = dynamic_cast<TVariables*>(filer->Ancestor()))
    has_data = !SameData(*ancestor);
  filer->DefineBinaryProperty(
      "Data", [this](TStream* stream) { ReadData(stream); },
      [this](TStream* stream) { WriteData(stream); }, has_data);
}
