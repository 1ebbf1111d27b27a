// oracle/OracleTypes.h
//
// The data holders a statement binds and defines: TVariableData is one bind
// variable with its client buffer, null indicators and PL/SQL table size;
// TVariables is the list of them, stored with a statement's definition as
// the binary property "Data"; TFieldData is one select-list column with its
// per-row buffers, indicators, LONG pieces and handles.
//
// External type codes are the call interface's: 1 VARCHAR2, 3 integer,
// 4 float, 5 null-terminated string, 8 LONG, 10 long string, 12 DATE,
// 24 LONG RAW, 97 CHAR, 108 object, 110 reference, 112 CLOB, 113 BLOB,
// 114 BFILE, 116 cursor.
//
// 64 bits: a complex variable (object, reference, LOB or cursor) holds the
// 4-byte id of its object in the process-wide table (RegisterOracleObject),
// so the stored "Data" keeps 4 bytes for it as it always had; a column
// keeps one pointer-sized slot per row for LOB descriptors, statement
// handles and object indicators.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "oracle/OciTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"

class TOracleSession;
class TFiler;

namespace Oracle {

// Type codes of variables and fetch buffers.
enum : Integer {
  otSubst = 1,
  otInteger = 3,
  otFloat = 4,
  otString = 5,
  otLong = 8,
  otPLSQLString = 10,
  otDate = 12,
  otLongRaw = 24,
  otChar = 97,
  otObject = 108,
  otReference = 110,
  otCLOB = 112,
  otBLOB = 113,
  otBFile = 114,
  otCursor = 116,
};

// The buffer size of a newly declared variable of `Type`; false for a type
// that cannot be declared.
bool DeclaredVariableSize(Integer Type, Integer& Size);
// Object, reference, LOB and cursor variables hold an object, not a value.
bool IsComplexType(Integer Type);
// CLOB, BLOB and BFILE: values reached through a LOB locator.
inline bool IsLobType(Integer Type) {
  return Type == otCLOB || Type == otBLOB || Type == otBFile;
}

// Text sent to the server loses its CR characters, unless the session says
// not to convert line breaks.
String StripCR(const String& Text, const TOracleSession* Session);

}  // namespace Oracle

// One piece of a LONG or LONG RAW value fetched piece by piece.
class TLongPiece : public TCollectionItem {
  ZORVET_CLASS_NAME(TLongPiece)

 public:
  using TCollectionItem::TCollectionItem;

  Integer Size() const { return Integer(buffer_.size()); }
  Byte* Buffer() { return buffer_.data(); }
  const Byte* Buffer() const { return buffer_.data(); }
  // Allocates the piece, counted as full until the client says how much of
  // it it used.
  void SetSize(Integer size) {
    buffer_.assign(std::size_t(std::max(size, 0)), 0);
    Length = ub4(buffer_.size());
  }
  // The bytes the client put in the piece (it writes this field itself).
  ub4 Length = 0;

 private:
  std::vector<Byte> buffer_;
};

// One select-list column.
class TFieldData : public TCollectionItem {
  ZORVET_CLASS_NAME(TFieldData)

 public:
  explicit TFieldData(TCollection* collection);
  ~TFieldData() override;

  // The column as the server describes it.
  String Name;
  ub2 DBType = 0;
  Integer DataSize = 0;
  Integer Precision = 0;
  Integer Scale = 0;
  bool Nullable = true;

  ub2 ExternalType = 0;
  Integer Size = 0;  // of one row's value (a handle slot for handle types)
  Integer Rows = 0;
  std::vector<Byte> Data;
  std::vector<sb2> Indicators;
  std::vector<ub2> Lengths;
  TCollection LongPieces;
  // An object the column owns besides its buffers (its LOB locator or
  // object wrapper).
  std::unique_ptr<TObject> OwnedObject;

  // Sizes the buffers for `rows` rows of `type`: handle types get one
  // pointer-sized slot per row.
  void AllocateRows(ub2 type, Integer size, Integer rows);
  // The handle or descriptor in row `row` of a LOB, cursor, object or REF
  // column.
  void* RowHandle(Integer row) const;
  void SetRowHandle(Integer row, void* handle);
  void* RowObjectIndicator(Integer row) const;
  // The per-row indicator-struct pointers, as the client fills them.
  void** ObjectIndicators() { return object_indicators_.data(); }
  void* PinnedType() const { return pinned_; }
  void SetRowObjectIndicator(Integer row, void* indicator);

  // The bytes of the LONG value fetched in pieces.
  Integer LongSize() const;
  void SetObjectContext(OCIEnv* env, OCIError* error, void* pinned, void* to_free);
  // Frees the objects fetched into an object or REF column.
  void FreeRowObjects();

 private:
  void CheckRow(Integer row) const;

  OCIEnv* env_ = nullptr;
  OCIError* error_ = nullptr;
  void* pinned_ = nullptr;
  void* to_free_ = nullptr;
  std::vector<void*> object_indicators_;
};

class TVariables;

// One declared bind variable.
class TVariableData : public TCollectionItem {
  ZORVET_CLASS_NAME(TVariableData)

 public:
  explicit TVariableData(TCollection* collection);
  ~TVariableData() override;

  const String& Name() const { return name_; }
  Integer ExternalType() const { return type_; }
  // Bytes of one element.
  Integer BufferSize() const { return buffer_size_; }
  Byte* Buffer() const { return buffer_; }
  sb2 Indicator(Integer index) const;
  // The null indicators of every element, for binding.
  sb2* Indicators() { return indicators_.data(); }
  Integer ActualLength() const { return actual_length_; }
  // Elements of an array or PL/SQL table (1 for a plain variable).
  Integer ElementCount() const { return element_count_; }
  bool IsPLSQLTable() const { return plsql_table_; }
  bool OwnsBuffer() const { return owns_buffer_; }
  bool IsComplex() const { return complex_; }
  // The object id a complex variable holds (0: none).
  Integer ObjectId() const;

  // Sets up a freshly declared variable: a null value in a buffer of the
  // type's declared size.
  void Declare(const String& name, Integer type);
  void MarkPLSQLTable(bool value) {
    plsql_table_ = value;
    current_elements_ = 0;
  }
  // The elements of a PL/SQL table in use (the client reads and writes the
  // field while the statement runs).
  Integer CurrentElements() const { return Integer(current_elements_); }
  void SetCurrentElements(Integer count);
  ub4* CurrentElementsField() { return &current_elements_; }
  // The statement's bind of this variable and the addresses it was bound
  // at: unchanged addresses need no new bind on the same statement.
  OCIBind* BindHandle = nullptr;
  const void* BoundAddress = nullptr;
  const void* BoundIndicators = nullptr;
  void ReleaseBuffer();
  void SetArraySize(Integer Count, Integer StringSize, TOracleSession* Session);
  void SetValue(Integer Index, const Variant& Value, TOracleSession* Session);
  // Element 0 read back: Null for a null value.
  Variant Value(TOracleSession* Session) const;
  String ValueText(TOracleSession* Session) const;
  // What the stored "Data" holds for the value: 0 for null; the text with
  // its zero for the string types; else the element buffer.
  Integer StoredValueSize() const;

 private:
  friend class TVariables;
  void Allocate(Integer size, Integer count);
  Byte* Element(Integer index) const;
  void CheckIndex(Integer index) const;
  // Takes `bytes` as the whole value (LONG, LONG RAW, VARCHAR2).
  void SetWholeValue(const void* bytes, std::size_t size, bool text);

  String name_;
  Integer type_ = 0;
  Integer buffer_size_ = 0;
  Byte* buffer_ = nullptr;
  std::unique_ptr<Byte[]> owned_;
  std::vector<sb2> indicators_;
  Integer actual_length_ = 0;
  Integer element_count_ = 1;
  bool plsql_table_ = false;
  ub4 current_elements_ = 0;
  bool owns_buffer_ = false;
  bool complex_ = false;
  Byte object_slot_[4] = {};  // a complex variable's object id
};

// The variables of one statement. The statement that owns the list passes
// itself as owner and tells it its session.
class TVariables : public TPersistent {
  ZORVET_CLASS_NAME(TVariables)

 public:
  explicit TVariables(TPersistent* owner);
  ~TVariables() override;

  Integer Count() const { return items_.Count(); }
  TVariableData* Items(Integer index) const;
  // -1 when no variable has that name.
  Integer IndexOf(const String& name) const;
  void Clear() { items_.Clear(); }
  void Delete(Integer index) { items_.Delete(index); }

  // A variable of `Type`, replacing one of the same name in place.
  TVariableData* DeclareVariable(const String& Name, Integer Type);
  void DeclarePLSQLTable(const String& Name, Integer TableSize, Integer StringSize);

  std::function<TOracleSession*()> SessionOf;
  TOracleSession* Session() const { return SessionOf ? SessionOf() : nullptr; }

  void DefineProperties(TFiler* filer) override;
  void ReadData(TStream* Stream);
  void WriteData(TStream* Stream) const;
  // Whether the stored "Data" of the two lists would be the same.
  bool SameData(const TVariables& other) const;
  TPersistent* GetOwner() const override { return owner_; }

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  TPersistent* owner_;
  TCollection items_;
};
