// oracle/OracleQueryObjects.cpp
//
// Object and REF variables and columns of TOracleQuery. A variable binds
// the instance of its TOracleObject, or the REF of its TOracleReference,
// with the type the client needs to read it. A column keeps a pointer slot
// per row that the client fills with an instance or a REF of its cache
// (and, for objects, a pointer to the instance's indicator struct); the
// column's companion object or reference follows the current row.
#include <cstring>

#include "oracle/OciConstants.h"
#include "oracle/OracleCI.h"
#include "oracle/OracleErrors.h"
#include "oracle/OracleObjects.h"
#include "oracle/OracleQuery.h"

namespace {

// What an object or REF column keeps besides its buffers: its type and the
// object or reference that stands for its current row.
class TObjectColumn : public TObject {
  ZORVET_CLASS_NAME(TObjectColumn)

 public:
  String TypeName;  // SCHEMA.TYPE
  OCIRef* TypeRef = nullptr;
  std::unique_ptr<TOracleObject> Object;
  std::unique_ptr<TOracleReference> Reference;
};

TObjectColumn* ColumnOf(TFieldData* field) {
  auto* column = dynamic_cast<TObjectColumn*>(field->OwnedObject.get());
  if (!column) throw Exception("Column " + field->Name + " is not an object or REF column");
  return column;
}

}  // namespace

Integer TOracleQuery::ComplexObjectId(TVariableData* variable, TObject* object) {
  if (variable->ExternalType() == Oracle::otObject) {
    auto* instance = dynamic_cast<TOracleObject*>(object);
    if (!instance) throw Exception("Assign TOracleObject instance to variable " + variable->Name());
    return instance->ObjectId();
  }
  auto* reference = dynamic_cast<TOracleReference*>(object);
  if (!reference)
    throw Exception("Assign TOracleReference instance to variable " + variable->Name());
  return reference->ObjectId();
}

void TOracleQuery::BindObjectVariable(TVariableData* variable) {
  const String& name = variable->Name();
  const bool object = variable->ExternalType() == Oracle::otObject;
  Oracle::CheckSessionRequirement(session_, object ? "An object variable" : "A reference variable");
  TObject* bound = static_cast<TObject*>(Oracle::OracleObjectFromId(variable->ObjectId()));
  auto* instance = object ? dynamic_cast<TOracleObject*>(bound) : nullptr;
  auto* reference = object ? nullptr : dynamic_cast<TOracleReference*>(bound);
  if (object && !instance) throw Exception("Object variable " + name + " cannot be nil");
  if (!object && !reference) throw Exception("Reference variable " + name + " cannot be nil");
  array_size_ = std::max(array_size_, 1);
  // The client reads the instance (or REF) through the pointer it is given
  // the address of; the variable keeps that pointer while it is bound.
  void** slot = object ? instance->BindSlot() : reference->BindSlot();
  void** indicator = object ? instance->BindIndicatorSlot() : nullptr;
  sb2* null = variable->Indicators();
  *null = object ? (instance->IsNull() ? -1 : 0) : (reference->IsNull() ? -1 : 0);
  OCIType* type =
      static_cast<OCIType*>(object ? instance->TypeDescriptor() : reference->TypeDescriptor());
  OCIBind* bind = nullptr;
  session_->EnterCall(false);
  if (!Succeeded(OracleCI::OCIBindByName(
          stmt_, &bind, error_, reinterpret_cast<const OraText*>(name.c_str()), sb4(name.size()),
          nullptr, 0, ub2(variable->ExternalType()), null, nullptr, nullptr, 0, nullptr,
          OCI_DEFAULT)) ||
      !Succeeded(OracleCI::OCIBindObject(bind, error_, type, slot, nullptr, indicator, nullptr)))
    Fail(false);
  // A bind of an address that changes with each object is made again
  // before every execution.
  variable->BindHandle = nullptr;
  session_->LeaveCall(false);
}

void TOracleQuery::ReconcileReferenceVariables() {
  if (!session_ || !session_->Connected() || !Oci8()) return;
  for (Integer i = 0; i < variables_->Count(); ++i) {
    TVariableData* variable = variables_->Items(i);
    if (variable->ExternalType() != Oracle::otReference || !variable->ObjectId()) continue;
    auto* reference = dynamic_cast<TOracleReference*>(
        static_cast<TObject*>(Oracle::OracleObjectFromId(variable->ObjectId())));
    if (!reference) continue;
    sb2& indicator = variable->Indicators()[0];
    if (indicator == -1) {
      // The statement gave no REF: the client leaves the REF it was bound
      // with as it was, and the reference must not go on pointing there.
      if (!reference->IsNull()) reference->Clear();
      indicator = 0;
    } else if (sb2* own = reference->Indicator()) {
      *own = 0;
    }
  }
}

void TOracleQuery::DescribeObjectField(TFieldData* field, void* param) {
  OraText* text = nullptr;
  ub4 length = 0;
  String schema;
  if (!Succeeded(OracleCI::OCIAttrGet(param, kDtypeParam, reinterpret_cast<void*>(&text), &length,
                                      kAttrSchemaName, error_)))
    Fail(true);
  schema.assign(reinterpret_cast<const char*>(text), length);
  if (!Succeeded(OracleCI::OCIAttrGet(param, kDtypeParam, reinterpret_cast<void*>(&text), &length,
                                      kAttrTypeName, error_)))
    Fail(true);
  auto column = std::make_unique<TObjectColumn>();
  column->TypeName = schema + "." + String(reinterpret_cast<const char*>(text), length);
  OCIRef* type_ref = nullptr;
  if (!Succeeded(OracleCI::OCIAttrGet(param, kDtypeParam, &type_ref, nullptr, kAttrRefTdo, error_)))
    Fail(true);
  // The column keeps its own REF to the type and, for objects, the type's
  // pinned descriptor, which the define needs.
  void* made = nullptr;
  if (!Succeeded(OracleCI::OCIObjectNew(session_->EnvHandle(), error_, session_->ServiceHandle(),
                                        kTypecodeRef, nullptr, nullptr, kDurationSession, 1,
                                        &made)))
    Fail(true);
  column->TypeRef = static_cast<OCIRef*>(made);
  void* pinned = nullptr;
  field->SetObjectContext(session_->EnvHandle(), error_, nullptr, made);
  if (!Succeeded(OracleCI::OCIRefAssign(session_->EnvHandle(), error_, type_ref, &column->TypeRef)))
    Fail(true);
  if (field->DBType == Oracle::otObject &&
      !Succeeded(OracleCI::OCIObjectPin(session_->EnvHandle(), error_, column->TypeRef, nullptr,
                                        kPinAny, kDurationSession, kLockNone, &pinned)))
    Fail(true);
  field->SetObjectContext(session_->EnvHandle(), error_, pinned, made);
  field->OwnedObject = std::move(column);
}

void TOracleQuery::BufferObjectField(TFieldData* field, Integer& size) {
  const bool object = field->DBType == Oracle::otObject;
  auto* column = dynamic_cast<TObjectColumn*>(field->OwnedObject.get());
  try {
    Oracle::CheckSessionRequirement(session_,
                                    object ? "A query with objects" : "A query with references");
    if (!column) throw Exception("Column " + field->Name + " has no type");
    if (object)
      column->Object = std::make_unique<TOracleObject>(session_, String());
    else
      column->Reference =
          std::make_unique<TOracleReference>(session_, column->TypeName, column->TypeRef);
  } catch (...) {
    fields_.Clear();
    throw;
  }
  size = Integer(sizeof(void*));
}

void TOracleQuery::DefineObjectField(TFieldData* field, OCIDefine* define) {
  if (field->ExternalType != Oracle::otObject && field->ExternalType != Oracle::otReference) return;
  const bool object = field->ExternalType == Oracle::otObject;
  if (!Succeeded(OracleCI::OCIDefineObject(
          define, error_, object ? static_cast<OCIType*>(field->PinnedType()) : nullptr,
          reinterpret_cast<void**>(field->Data.data()), nullptr,
          object ? field->ObjectIndicators() : nullptr, nullptr)))
    Fail(false);
}

void TOracleQuery::FreeObjectRows(TFieldData* field) {
  if (field->ExternalType != Oracle::otObject && field->ExternalType != Oracle::otReference) return;
  // The companion lets go of the instance before the client frees it.
  if (auto* column = dynamic_cast<TObjectColumn*>(field->OwnedObject.get());
      column && column->Object)
    column->Object->SetInstance(nullptr, nullptr, String(), nullptr);
  field->FreeRowObjects();
}

TOracleObject* TOracleQuery::ObjField(Integer Index) {
  TFieldData* field = FieldAt(Index);
  if (field->ExternalType != Oracle::otObject)
    throw Exception("Field " + field->Name + " is not an object");
  const Integer row = CurrentRow();
  TObjectColumn* column = ColumnOf(field);
  if (!field->RowHandle(row)) {
    // A row without an instance gets a new, null one of the column's type.
    void* instance = nullptr;
    void* indicator = nullptr;
    session_->EnterCall(false);
    if (!Succeeded(OracleCI::OCIObjectNew(
            session_->EnvHandle(), error_, session_->ServiceHandle(), Oracle::otObject,
            static_cast<OCIType*>(field->PinnedType()), nullptr, kDurationSession, 1, &instance)) ||
        !Succeeded(OracleCI::OCIObjectGetInd(session_->EnvHandle(), error_, instance, &indicator)))
      Fail(false);
    session_->LeaveCall(false);
    const sb2 null = -1;
    std::memcpy(indicator, &null, sizeof null);
    field->SetRowHandle(row, instance);
    field->SetRowObjectIndicator(row, indicator);
  }
  column->Object->SetOwnsInstance(false);
  column->Object->SetInstance(field->RowHandle(row), field->RowObjectIndicator(row),
                              column->TypeName, column->TypeRef);
  return column->Object.get();
}

TOracleReference* TOracleQuery::RefField(Integer Index) {
  TFieldData* field = FieldAt(Index);
  if (field->ExternalType != Oracle::otReference)
    throw Exception("Field " + field->Name + " is not a reference");
  const Integer row = CurrentRow();
  TObjectColumn* column = ColumnOf(field);
  if (!field->RowHandle(row)) {
    void* made = nullptr;
    session_->EnterCall(false);
    if (!Succeeded(OracleCI::OCIObjectNew(session_->EnvHandle(), error_, session_->ServiceHandle(),
                                          kTypecodeRef, nullptr, nullptr, kDurationSession, 1,
                                          &made)))
      Fail(false);
    session_->LeaveCall(false);
    field->SetRowHandle(row, made);
  }
  column->Reference->SetRef(static_cast<OCIRef*>(field->RowHandle(row)),
                            &field->Indicators[std::size_t(row)]);
  return column->Reference.get();
}
