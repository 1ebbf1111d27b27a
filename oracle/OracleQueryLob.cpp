// oracle/OracleQueryLob.cpp
//
// The query's LOB variables and LOB columns. A LOB variable binds the
// descriptor of a TLOBLocator, so that the statement fills it (a
// "returning ... into" of a changed row) or takes its value. A LOB column is
// defined with one descriptor per row of the fetch block, which the client
// fills at every fetch; the column's own locator is pointed at the current
// row's descriptor and indicator and rewound at every move.
#include <cstring>

#include "oracle/LOBLocator.h"
#include "oracle/OciConstants.h"
#include "oracle/OracleQuery.h"

Integer TOracleQuery::LobVariableId(TVariableData* variable, TObject* object) const {
  auto* locator = dynamic_cast<TLOBLocator*>(object);
  if (!locator) throw Exception("Assign TLOBLocator instance to variable " + variable->Name());
  return locator->ObjectId();
}

TLOBLocator* TOracleQuery::BoundLocator(TVariableData* variable) const {
  const Integer id = variable->ObjectId();
  void* object = Oracle::OracleObjectFromId(id);
  if (!object) throw Exception("LOB variable " + variable->Name() + " cannot be nil");
  // The id table holds anything the library hands around by number: the
  // object is taken for a locator only when it is one of the session's,
  // so that an id left over from a freed locator binds nothing.
  TThreadListLock locked(session_->DependentsList(sdLOBLocator));
  for (Integer i = 0; i < locked->Count(); ++i) {
    auto* locator = dynamic_cast<TLOBLocator*>(static_cast<TSessionDependent*>(locked->Items(i)));
    if (locator && static_cast<TObject*>(locator) == object) return locator;
  }
  throw Exception("LOB variable " + variable->Name() + " holds no LOB locator of the session");
}

void TOracleQuery::BindLobVariable(TVariableData* variable) {
  Oracle::CheckSessionRequirement(session_, "A LOB Locator variable");
  TLOBLocator* locator = BoundLocator(variable);
  // One locator is one row.
  if (array_size_ == 0)
    array_size_ = 1;
  else if (array_size_ != 1)
    throw Exception("All arrays must be of equal size for Array DML");
  variable->Indicators()[0] = locator->IsNull() ? -1 : 0;
  OCILobLocator** address = locator->DescriptorAddress();
  if (variable->BindHandle && variable->BoundAddress == address &&
      variable->BoundIndicators == variable->Indicators())
    return;
  const String& name = variable->Name();
  OCIBind* bind = nullptr;
  session_->EnterCall(false);
  if (!Succeeded(OracleCI::OCIBindByName(
          stmt_, &bind, error_, reinterpret_cast<const OraText*>(name.c_str()), sb4(name.size()),
          address, sb4(sizeof *address), ub2(variable->ExternalType()), variable->Indicators(),
          nullptr, nullptr, 0, nullptr, OCI_DEFAULT)))
    Fail(false);
  session_->LeaveCall(false);
  variable->BindHandle = bind;
  variable->BoundAddress = address;
  variable->BoundIndicators = variable->Indicators();
}

void TOracleQuery::ReconcileLobVariables() {
  if (!session_ || !session_->Connected() || !Oci8()) return;
  for (Integer i = 0; i < variables_->Count(); ++i) {
    TVariableData* variable = variables_->Items(i);
    if (!Oracle::IsLobType(variable->ExternalType()) || !variable->ObjectId()) continue;
    TLOBLocator* locator = BoundLocator(variable);
    if (variable->Indicators()[0] == -1) {
      // The statement gave no value: the locator must not keep one that
      // its descriptor held before.
      if (!locator->IsNull()) locator->Clear();
      variable->Indicators()[0] = 0;
    }
  }
}

void TOracleQuery::PrepareLobColumn(TFieldData* field) {
  try {
    Oracle::CheckSessionRequirement(session_, "A query with LOB's");
    const ub4 type = field->ExternalType == Oracle::otBFile ? kDtypeFile : kDtypeLob;
    for (Integer row = 0; row < field->Rows; ++row) {
      void* descriptor = nullptr;
      if (OracleCI::OCIDescriptorAlloc(session_->EnvHandle(), &descriptor, type, 0, nullptr) !=
          OCI_SUCCESS)
        throw Exception("The client could not allocate the LOB descriptors of column " +
                        field->Name);
      field->SetRowHandle(row, descriptor);
    }
    auto locator = std::make_unique<TLOBLocator>(session_, field->ExternalType);
    locator->FieldName = field->Name;
    field->OwnedObject = std::move(locator);
  } catch (...) {
    // The column's descriptors go with the list.
    fields_.Clear();
    throw;
  }
}

void TOracleQuery::SetupCurrentRow() {
  for (Integer i = 0; i < fields_.Count(); ++i) {
    auto* field = static_cast<TFieldData*>(fields_.Items(i));
    if (!Oracle::IsLobType(field->ExternalType)) continue;
    auto* locator = static_cast<TLOBLocator*>(field->OwnedObject.get());
    auto* slot = reinterpret_cast<OCILobLocator**>(
        field->Data.data() + std::size_t(current_row_) * std::size_t(field->Size));
    locator->Attach(slot, &field->Indicators[std::size_t(current_row_)]);
  }
}

TLOBLocator* TOracleQuery::LOBField(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  if (!Oracle::IsLobType(field->ExternalType))
    throw Exception("Field " + field->Name + " is not a LOB");
  return static_cast<TLOBLocator*>(field->OwnedObject.get());
}

Variant TOracleQuery::LobValue(const TFieldData* field) const {
  auto* locator = static_cast<TLOBLocator*>(field->OwnedObject.get());
  const Int64 size = locator->Size();
  if (size == 0) return session_->NullValue() == nvNull ? Null() : Unassigned();
  if (field->ExternalType == Oracle::otCLOB) return locator->AsString(Integer(size));
  std::vector<Byte> bytes(static_cast<std::size_t>(size));
  locator->Seek(0, soFromBeginning);
  Int64 done = 0;
  while (done < size) {
    const Int64 read = locator->Read(bytes.data() + done, size - done);
    if (read <= 0) break;
    done += read;
  }
  return VarByteArray(bytes.data(), std::size_t(done));
}
