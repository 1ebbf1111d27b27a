// oracle/OracleObjects.cpp
#include "oracle/OracleObjects.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "oracle/OciConstants.h"
#include "oracle/OciHandle.h"
#include "oracle/OracleCI.h"
#include "oracle/OracleErrors.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr ub4 kAttrCollectionTypeCode = 217;
constexpr ub4 kAttrCollectionElement = 227;
constexpr ub4 kAttrNumTypeAttrs = 228;
constexpr ub4 kAttrListTypeAttrs = 229;
constexpr ub4 kAttrIsFinalType = 279;

constexpr Integer kNumberSize = 22;  // OCINumber
constexpr Integer kDateSize = 8;     // OCIDate: a 16-bit year and six bytes
constexpr Integer kDateAlignment = 2;
constexpr Integer kPointerSize = sizeof(void*);

Integer AlignUp(Integer offset, Integer alignment) {
  return (offset + alignment - 1) / alignment * alignment;
}

String TextAttribute(void* parameter, ub4 attribute, OCIError* error, sword& status) {
  OraText* text = nullptr;
  ub4 size = 0;
  if (status == OCI_SUCCESS)
    status = OracleCI::OCIAttrGet(parameter, kDtypeParam, &text, &size, attribute, error);
  return status == OCI_SUCCESS && text ? String(reinterpret_cast<const char*>(text), size)
                                       : String();
}

template <class T>
T AttributeOf(const void* parameter, ub4 type, ub4 attribute, OCIError* error, sword& status) {
  T value{};
  if (status == OCI_SUCCESS)
    status = OracleCI::OCIAttrGet(parameter, type, &value, nullptr, attribute, error);
  return value;
}

// A new REF object of the session holding a copy of Source.
sword CopyRef(TOracleSession* session, OCIError* error, const OCIRef* source, OCIRef*& target) {
  void* made = nullptr;
  sword status = OracleCI::OCIObjectNew(session->EnvHandle(), error, session->ServiceHandle(),
                                        kTypecodeRef, nullptr, nullptr, kDurationSession, 1, &made);
  if (status != OCI_SUCCESS) return status;
  target = static_cast<OCIRef*>(made);
  return OracleCI::OCIRefAssign(session->EnvHandle(), error, source, &target);
}

// The type's descriptor pinned through a copy of TypeRef, kept in Ref.
sword PinType(TOracleSession* session, OCIError* error, const OCIRef* type_ref, OCIRef*& ref,
              void*& descriptor) {
  sword status = CopyRef(session, error, type_ref, ref);
  if (status == OCI_SUCCESS)
    status = OracleCI::OCIObjectPin(session->EnvHandle(), error, ref, nullptr, kPinAny,
                                    kDurationSession, kLockNone, &descriptor);
  return status;
}

OCIError* NewErrorHandle(TOracleSession* session) {
  OCIError* error = nullptr;
  if (OracleCI::OCIHandleAlloc(session->EnvHandle(), reinterpret_cast<void**>(&error), kHtypeError,
                               0, nullptr) != OCI_SUCCESS)
    throw Exception("Could not allocate an Oracle handle of type 2");
  return error;
}

// The status rule of objects and references.
void CheckStatus(TOracleSession* session, Integer error_id, sword status) {
  if (status == OCI_INVALID_HANDLE) {
    session->LeaveCall(false);
    throw Exception("TOracleObject: Invalid handle");
  }
  if (status == OCI_ERROR) session->RaiseCallError(error_id, false);
}

}  // namespace

sword Oracle::PinTypeByName(TOracleSession* Session, OCIError* ErrorHandle, const String& TypeName,
                            OCIRef*& Ref, void*& Descriptor) {
  const TOciHandle describe(Session->EnvHandle(), kHtypeDescribe);
  sword status = describe.Status();
  if (status != OCI_SUCCESS) return status;
  String name = AnsiUpperCase(TypeName);
  status =
      OracleCI::OCIDescribeAny(Session->ServiceHandle(), ErrorHandle, name.data(), ub4(name.size()),
                               kDescribeByName, 0, kParamType, describe.As<OCIDescribe>());
  void* param =
      AttributeOf<void*>(describe.As<void>(), kHtypeDescribe, kAttrParam, ErrorHandle, status);
  const auto* type_ref = AttributeOf<OCIRef*>(param, kDtypeParam, kAttrRefTdo, ErrorHandle, status);
  if (status == OCI_SUCCESS) status = PinType(Session, ErrorHandle, type_ref, Ref, Descriptor);
  return status;
}

// ---------------------------------------------------------------------------
// TObjectAttribute

TObjectAttribute::~TObjectAttribute() {
  if (TypeRef && Owner && Owner->session_ && Owner->session_->Connected())
    OracleCI::OCIObjectFree(Owner->session_->EnvHandle(), Owner->error_, TypeRef, 0);
}

void TObjectAttribute::Describe(void* Parameter, TOracleObject* AOwner, bool IsElement) {
  Owner = AOwner;
  OCIError* error = Owner->error_;
  sword status = OCI_SUCCESS;
  Owner->Enter();
  if (!IsElement) Name = TextAttribute(Parameter, kAttrName, error, status).substr(0, 30);
  const auto type = AttributeOf<ub2>(Parameter, kDtypeParam, kAttrDataType, error, status);
  switch (type) {
    case 1:
    case 9:
    case 96:
      ExternalType = 5;
      break;
    case 187:
    case 188:
    case 232:
      ExternalType = 5;
      HasPrecision = true;
      Scale = AttributeOf<sb1>(Parameter, kDtypeParam, kAttrScale, error, status);
      break;
    case 2:
      Precision = AttributeOf<ub1>(Parameter, kDtypeParam, kAttrPrecision, error, status);
      Scale = AttributeOf<sb1>(Parameter, kDtypeParam, kAttrScale, error, status);
      ExternalType = Scale <= 0 && Precision <= 9 && !(Precision == 0 && Scale == 0) ? 3 : 4;
      break;
    default:
      ExternalType = type;
      break;
  }
  if (ExternalType == Oracle::otObject || ExternalType == Oracle::otReference) {
    const String schema = TextAttribute(Parameter, kAttrSchemaName, error, status);
    ObjectTypeName = schema + "." + TextAttribute(Parameter, kAttrTypeName, error, status);
    const auto* ref = AttributeOf<OCIRef*>(Parameter, kDtypeParam, kAttrRefTdo, error, status);
    if (status == OCI_SUCCESS) status = CopyRef(Owner->session_, error, ref, TypeRef);
    if (ExternalType == Oracle::otObject && status == OCI_SUCCESS) {
      // A type that is not final may hold a subtype's larger instance: the
      // image holds a pointer to it.
      const TOciHandle describe(Owner->session_->EnvHandle(), kHtypeDescribe);
      status = describe.Status();
      String name = ObjectTypeName;
      if (status == OCI_SUCCESS)
        status = OracleCI::OCIDescribeAny(Owner->session_->ServiceHandle(), error, name.data(),
                                          ub4(name.size()), kDescribeByName, 0, kParamType,
                                          describe.As<OCIDescribe>());
      void* type_param =
          AttributeOf<void*>(describe.As<void>(), kHtypeDescribe, kAttrParam, error, status);
      HeldByPointer =
          AttributeOf<ub1>(type_param, kDtypeParam, kAttrIsFinalType, error, status) == 0;
    }
  }
  if (ExternalType == Oracle::otObject) {
    TypeCode = AttributeOf<ub2>(Parameter, kDtypeParam, kAttrTypeCode, error, status);
    IsCollection = TypeCode == Oracle::otCollection;
  }
  DataSize = AttributeOf<ub2>(Parameter, kDtypeParam, kAttrDataSize, error, status);
  Owner->Call(status);
  Owner->Leave();
}

void* TObjectAttribute::ValueAddress() const {
  auto* address = static_cast<Byte*>(Owner->instance_) + ValueOffset;
  if (!HeldByPointer && !IsCollection) return address;
  void* held = nullptr;
  std::memcpy(&held, address, sizeof held);
  return held;
}

void* TObjectAttribute::IndicatorAddress() const {
  if (!HeldByPointer) return static_cast<Byte*>(Owner->indicator_) + IndicatorOffset;
  void* indicator = nullptr;
  Owner->Enter();
  Owner->Call(OracleCI::OCIObjectGetInd(Owner->session_->EnvHandle(), Owner->error_, ValueAddress(),
                                        &indicator));
  Owner->Leave();
  return indicator;
}

// ---------------------------------------------------------------------------
// TOracleObject

TOracleObject::TOracleObject(TOracleSession* Session, const String& TypeName) : session_(Session) {
  if (!session_ || !session_->Connected()) throw Exception("Not logged on");
  // The session learns of the object only once nothing before can fail:
  // an object that never finished must not stay among its dependents.
  error_ = NewErrorHandle(session_);
  error_id_ = Oracle::RegisterOracleObject(error_);
  session_->AddDependent(sdObject, this);
  OracleCI::OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&describe_),
                           kHtypeDescribe, 0, nullptr);
  if (TypeName.empty()) return;
  try {
    Enter();
    Call(Oracle::PinTypeByName(session_, error_, TypeName, type_ref_, type_descriptor_));
    void* instance = nullptr;
    Call(OracleCI::OCIObjectNew(session_->EnvHandle(), error_, session_->ServiceHandle(),
                                Oracle::otObject, static_cast<OCIType*>(type_descriptor_), nullptr,
                                kDurationSession, 1, &instance));
    Leave();
    SetInstance(instance, nullptr, AnsiUpperCase(TypeName), nullptr);
  } catch (...) {
    ReleaseClientObjects();
    session_->RemoveDependent(sdObject, this);
    throw;
  }
}

TOracleObject::~TOracleObject() {
  if (object_id_) Oracle::ReleaseOracleObject(object_id_);
  ReleaseClientObjects();
  if (session_) session_->RemoveDependent(sdObject, this);
}

void TOracleObject::ReleaseClientObjects() {
  FreeSubObjects();
  attributes_.reset();
  element_holder_.reset();
  element_ = nullptr;
  if (session_ && session_->Connected()) {
    OCIEnv* env = session_->EnvHandle();
    if (instance_ && owns_instance_) {
      if (pinned_ || pinned_by_reference_)
        OracleCI::OCIObjectUnpin(env, error_, instance_);
      else
        OracleCI::OCIObjectFree(env, error_, instance_, 0);
    }
    if (type_ref_) OracleCI::OCIObjectFree(env, error_, type_ref_, 0);
    if (type_descriptor_) OracleCI::OCIObjectUnpin(env, error_, type_descriptor_);
  }
  instance_ = indicator_ = nullptr;
  type_ref_ = nullptr;
  type_descriptor_ = nullptr;
  if (describe_) OracleCI::OCIHandleFree(describe_, kHtypeDescribe);
  describe_ = nullptr;
  if (error_id_) Oracle::ReleaseOracleObject(error_id_);
  error_id_ = 0;
  if (error_) OracleCI::OCIHandleFree(error_, kHtypeError);
  error_ = nullptr;
}

void TOracleObject::FreeSubObjects() {
  objects_.clear();
  references_.clear();
  lobs_.clear();
}

void TOracleObject::SessionClosing() {
  // The instance goes with the session's cache; only the wrapper remains.
  ReleaseClientObjects();
}

void TOracleObject::SessionDestroyed() {
  ReleaseClientObjects();
  session_ = nullptr;
}

void TOracleObject::Enter() {
  session_->EnterCall(false);
}

void TOracleObject::Leave() {
  session_->LeaveCall(false);
}

void TOracleObject::Call(sword Status) {
  CheckStatus(session_, error_id_, Status);
}

Integer TOracleObject::ObjectId() {
  if (!object_id_) object_id_ = Oracle::RegisterOracleObject(static_cast<TObject*>(this));
  return object_id_;
}

void TOracleObject::Check(sword Status) {
  Enter();
  Call(Status);
  Leave();
}

void TOracleObject::SetInstance(void* Instance, void* Indicator, const String& TypeName,
                                OCIRef* TypeRef) {
  if (!session_ || !error_) throw Exception("Not logged on");
  FreeSubObjects();
  instance_ = Instance;
  Enter();
  indicator_ = Indicator;
  if (!indicator_ && instance_)
    Call(OracleCI::OCIObjectGetInd(session_->EnvHandle(), error_, instance_, &indicator_));
  if (!type_descriptor_ && TypeRef)
    Call(PinType(session_, error_, TypeRef, type_ref_, type_descriptor_));
  Leave();
  if (!TypeName.empty()) type_name_ = TypeName;
  if (type_ref_) BuildAttributes();
}

void TOracleObject::BuildAttributes() {
  if (attributes_) return;
  attributes_ = std::make_unique<TCollection>(TCollectionItemClass::Of<TObjectAttribute>());
  // The first 16 bits of the indicator image are the object's own.
  Integer indicator = 2;
  AddAttributes("", type_ref_, indicator, true);
}

TOracleObject::TLaidOut TOracleObject::AddAttributes(const String& Prefix, OCIRef* TypeRef,
                                                     Integer& IndicatorOffset, bool TopLevel) {
  TLaidOut laid;
  // Each level describes on a handle of its own: describing the embedded
  // type on the same handle would end the parameters still being read.
  OCIDescribe* describe = describe_;
  std::optional<TOciHandle> own;
  Enter();
  if (!TopLevel) {
    own.emplace(session_->EnvHandle(), kHtypeDescribe);
    Call(own->Status());
    describe = own->As<OCIDescribe>();
  }
  sword status = OracleCI::OCIDescribeAny(session_->ServiceHandle(), error_, TypeRef, 0,
                                          kDescribeByRef, 0, kParamType, describe);
  void* type = AttributeOf<void*>(describe, kHtypeDescribe, kAttrParam, error_, status);
  if (TopLevel) {
    type_code_ = AttributeOf<ub2>(type, kDtypeParam, kAttrTypeCode, error_, status);
    if (type_code_ == Oracle::otCollection) {
      element_type_code_ =
          AttributeOf<ub2>(type, kDtypeParam, kAttrCollectionTypeCode, error_, status);
      void* element = AttributeOf<void*>(type, kDtypeParam, kAttrCollectionElement, error_, status);
      Call(status);
      element_holder_ = std::make_unique<TCollection>(TCollectionItemClass::Of<TObjectAttribute>());
      element_ = static_cast<TObjectAttribute*>(element_holder_->Add());
      Leave();
      element_->Describe(element, this, true);
      Enter();
    }
  }
  const auto count = AttributeOf<ub2>(type, kDtypeParam, kAttrNumTypeAttrs, error_, status);
  void* list = AttributeOf<void*>(type, kDtypeParam, kAttrListTypeAttrs, error_, status);
  Call(status);
  Leave();
  Integer offset = 0;
  for (ub4 i = 1; i <= count; ++i) {
    void* parameter = nullptr;
    Check(OracleCI::OCIParamGet(list, kDtypeParam, error_, &parameter, i));
    auto* attribute = static_cast<TObjectAttribute*>(attributes_->Add());
    attribute->Describe(parameter, this, false);
    attribute->Name = Prefix + attribute->Name;
    attribute->IndicatorOffset = IndicatorOffset;
    IndicatorOffset += 2;
    if (attribute->ExternalType == Oracle::otObject && !attribute->HeldByPointer &&
        !attribute->IsCollection) {
      // Its attributes follow inline as a nested struct, laid out from
      // its own start and then moved to where the struct lands.
      const Integer first = attributes_->Count();
      const TLaidOut inner =
          AddAttributes(attribute->Name + ".", attribute->TypeRef, IndicatorOffset, false);
      offset = AlignUp(offset, inner.Alignment);
      for (Integer k = first; k < attributes_->Count(); ++k)
        static_cast<TObjectAttribute*>(attributes_->Items(k))->ValueOffset += offset;
      attribute->ValueSize = inner.Size;
      attribute->Alignment = inner.Alignment;
    } else {
      switch (attribute->ExternalType) {
        case 3:
        case 4:
          attribute->ValueSize = kNumberSize;
          attribute->Alignment = 1;
          break;
        case 12:
          attribute->ValueSize = kDateSize;
          attribute->Alignment = kDateAlignment;
          break;
        default:  // strings, raws, references, LOBs, collections, held objects
          attribute->ValueSize = kPointerSize;
          attribute->Alignment = kPointerSize;
          break;
      }
      offset = AlignUp(offset, attribute->Alignment);
    }
    attribute->ValueOffset = offset;
    offset += attribute->ValueSize;
    laid.Alignment = std::max(laid.Alignment, attribute->Alignment);
  }
  laid.Size = AlignUp(offset, laid.Alignment);
  return laid;
}

Integer TOracleObject::AttributeCount() {
  BuildAttributes();
  return attributes_->Count();
}

TObjectAttribute* TOracleObject::Attribute(Integer Index) {
  BuildAttributes();
  return static_cast<TObjectAttribute*>(attributes_->Items(Index));
}

TObjectAttribute* TOracleObject::ElementAttribute() {
  BuildAttributes();
  return element_;
}

TObjectAttribute* TOracleObject::FindAttribute(const String& Name, bool Required) {
  BuildAttributes();
  for (Integer i = 0; i < attributes_->Count(); ++i) {
    auto* attribute = static_cast<TObjectAttribute*>(attributes_->Items(i));
    if (AnsiSameText(attribute->Name, Name)) return attribute;
  }
  if (Required) throw Exception("Unknown attribute: " + Name);
  return nullptr;
}

TOracleObject* TOracleObject::ObjAttr(const String& Name) {
  TObjectAttribute* attribute = FindAttribute(Name, true);
  if (attribute->ExternalType != Oracle::otObject || attribute->IsCollection)
    throw Exception(Name + " is not an object attribute");
  for (auto& [name, object] : objects_)
    if (name == attribute->Name) return object.get();
  auto object = std::make_unique<TOracleObject>(session_, String());
  object->owner_ = this;
  object->owner_attribute_ = attribute;
  object->owns_instance_ = false;
  object->SetInstance(attribute->ValueAddress(), attribute->IndicatorAddress(),
                      attribute->ObjectTypeName, attribute->TypeRef);
  objects_.emplace_back(attribute->Name, std::move(object));
  return objects_.back().second.get();
}

TOracleReference* TOracleObject::RefAttr(const String& Name) {
  TObjectAttribute* attribute = FindAttribute(Name, true);
  if (attribute->ExternalType != Oracle::otReference)
    throw Exception(Name + " is not a reference attribute");
  for (auto& [name, reference] : references_)
    if (name == attribute->Name) return reference.get();
  auto reference =
      std::make_unique<TOracleReference>(session_, attribute->ObjectTypeName, attribute->TypeRef);
  reference->owner_ = this;
  reference->owner_attribute_ = attribute;
  reference->indicator_ = static_cast<sb2*>(attribute->IndicatorAddress());
  references_.emplace_back(attribute->Name, std::move(reference));
  return references_.back().second.get();
}

TLOBLocator* TOracleObject::LOBAttr(const String& Name) {
  TObjectAttribute* attribute = FindAttribute(Name, true);
  const Integer type = attribute->ExternalType;
  if (type != Oracle::otCLOB && type != Oracle::otBLOB && type != Oracle::otBFile)
    throw Exception(Name + " is not a LOB attribute");
  for (auto& [name, lob] : lobs_)
    if (name == attribute->Name) return lob.get();
  auto lob = std::make_unique<TLOBLocator>(session_, type);
  const String path = attribute->Name;
  lob->AttachToObject(static_cast<OCILobLocator**>(attribute->ValueAddress()),
                      static_cast<sb2*>(attribute->IndicatorAddress()),
                      [this, path] { AttributeModified(path); });
  lobs_.emplace_back(attribute->Name, std::move(lob));
  return lobs_.back().second.get();
}

bool TOracleObject::IsNull() {
  if (!indicator_) return true;
  sb2 indicator = 0;
  std::memcpy(&indicator, indicator_, sizeof indicator);
  return indicator != 0;
}

bool TOracleObject::AttributeIsNull(const String& Name) {
  TObjectAttribute* attribute = FindAttribute(Name, true);
  if (IsNull()) return true;
  // A null enclosing object makes its attributes null whatever they say.
  for (std::size_t dot = Name.find('.'); dot != String::npos; dot = Name.find('.', dot + 1)) {
    sb2 enclosing = 0;
    std::memcpy(&enclosing, FindAttribute(Name.substr(0, dot), true)->IndicatorAddress(),
                sizeof enclosing);
    if (enclosing != 0) return true;
  }
  sb2 indicator = 0;
  std::memcpy(&indicator, attribute->IndicatorAddress(), sizeof indicator);
  return indicator != 0;
}

void TOracleObject::AttributeModified(const String& Name) {
  if (owner_) {
    // An embedded object's images are part of its owner's.
    owner_->AttributeModified(owner_attribute_->Name + "." + Name);
    return;
  }
  MarkModified(true);
  const sb2 not_null = 0;
  // The attribute itself, then each enclosing object from the innermost.
  for (std::size_t end = Name.size(); end != String::npos && end > 0;
       end = end == 0 ? String::npos : Name.rfind('.', end - 1)) {
    if (TObjectAttribute* attribute = FindAttribute(Name.substr(0, end), false))
      std::memcpy(attribute->IndicatorAddress(), &not_null, sizeof not_null);
  }
  if (indicator_) std::memcpy(indicator_, &not_null, sizeof not_null);
}

void TOracleObject::MarkModified(bool Flag) {
  if (!pinned_ && !pinned_by_reference_) {
    if (owner_) owner_->MarkModified(Flag);
    return;
  }
  Enter();
  Call(Flag ? OracleCI::OCIObjectMarkUpdate(session_->EnvHandle(), error_, instance_)
            : OracleCI::OCIObjectUnmark(session_->EnvHandle(), error_, instance_));
  Leave();
  if (owner_) owner_->MarkModified(Flag);
}

// ---------------------------------------------------------------------------
// TOracleReference

TOracleReference::TOracleReference(TOracleSession* Session, const String& TypeName,
                                   OCIRef* SourceRef)
    : session_(Session) {
  if (!session_ || !session_->Connected()) throw Exception("Not logged on");
  // As for an object: a reference that failed to get its error handle
  // never joins the session's dependents.
  error_ = NewErrorHandle(session_);
  error_id_ = Oracle::RegisterOracleObject(error_);
  session_->AddDependent(sdReference, this);
  type_name_ = AnsiUpperCase(TypeName);
  try {
    session_->EnterCall(false);
    Call(SourceRef ? PinType(session_, error_, SourceRef, type_ref_, pinned_)
                   : Oracle::PinTypeByName(session_, error_, TypeName, type_ref_, pinned_));
    void* made = nullptr;
    Call(OracleCI::OCIObjectNew(session_->EnvHandle(), error_, session_->ServiceHandle(),
                                kTypecodeRef, nullptr, nullptr, kDurationSession, 1, &made));
    ref_ = static_cast<OCIRef*>(made);
    session_->LeaveCall(false);
  } catch (...) {
    Release();
    throw;
  }
}

TOracleReference::~TOracleReference() {
  if (object_id_) Oracle::ReleaseOracleObject(object_id_);
  Release();
}

Integer TOracleReference::ObjectId() {
  if (!object_id_) object_id_ = Oracle::RegisterOracleObject(static_cast<TObject*>(this));
  return object_id_;
}

void TOracleReference::Release() {
  if (session_ && session_->Connected()) {
    OCIEnv* env = session_->EnvHandle();
    if (type_ref_) OracleCI::OCIObjectFree(env, error_, type_ref_, 0);
    if (pinned_) OracleCI::OCIObjectUnpin(env, error_, pinned_);
    if (ref_) OracleCI::OCIObjectFree(env, error_, ref_, 0);
  }
  type_ref_ = ref_ = nullptr;
  pinned_ = nullptr;
  if (error_id_) Oracle::ReleaseOracleObject(error_id_);
  error_id_ = 0;
  if (error_) OracleCI::OCIHandleFree(error_, kHtypeError);
  error_ = nullptr;
  if (session_) session_->RemoveDependent(sdReference, this);
  session_ = nullptr;
}

void TOracleReference::SessionDestroyed() {
  session_ = nullptr;
}

void TOracleReference::Call(sword Status) {
  CheckStatus(session_, error_id_, Status);
}

OCIRef** TOracleReference::RefSlot() const {
  if (owner_attribute_) return static_cast<OCIRef**>(owner_attribute_->ValueAddress());
  if (external_) return const_cast<OCIRef**>(&external_);
  return const_cast<OCIRef**>(&ref_);
}

OCIRef* TOracleReference::Ref() const {
  return *RefSlot();
}

void TOracleReference::SetRef(OCIRef* ARef, sb2* AIndicator) {
  external_ = ARef;
  indicator_ = AIndicator;
}

bool TOracleReference::IsNull() {
  if (indicator_ && *indicator_ != 0) return true;
  if (!session_) return true;
  return !Ref() || OracleCI::OCIRefIsNull(session_->EnvHandle(), Ref()) != 0;
}

void TOracleReference::Clear() {
  if (Ref()) OracleCI::OCIRefClear(session_->EnvHandle(), Ref());
  if (indicator_) *indicator_ = IsNull() ? -1 : 0;
  Changed();
}

void TOracleReference::Assign(TOracleReference* Source) {
  if (!session_) throw Exception("Not logged on");
  OCIRef** slot = RefSlot();
  if (Source->IsNull()) {
    if (*slot) OracleCI::OCIRefClear(session_->EnvHandle(), *slot);
  } else {
    session_->EnterCall(false);
    Call(OracleCI::OCIRefAssign(session_->EnvHandle(), error_, Source->Ref(), slot));
    session_->LeaveCall(false);
  }
  if (indicator_) *indicator_ = Source->IsNull() ? -1 : 0;
  Changed();
}

void TOracleReference::Changed() {
  if (owner_ && owner_attribute_) {
    if (IsNull()) {
      // A cleared reference leaves its enclosing objects as they were.
      owner_->MarkModified(true);
      return;
    }
    owner_->AttributeModified(owner_attribute_->Name);
  }
}

std::unique_ptr<TOracleObject> TOracleReference::Pin() {
  if (!session_) throw Exception("Not logged on");
  if (IsNull()) throw Exception("Cannot pin a null reference");
  void* instance = nullptr;
  session_->EnterCall(false);
  Call(OracleCI::OCIObjectPin(session_->EnvHandle(), error_, Ref(), nullptr, kPinAny,
                              kDurationSession, kLockNone, &instance));
  session_->LeaveCall(false);
  auto object = std::make_unique<TOracleObject>(session_, String());
  object->pinned_by_reference_ = true;
  try {
    object->SetInstance(instance, nullptr, type_name_, type_ref_);
  } catch (...) {
    OracleCI::OCIObjectUnpin(session_->EnvHandle(), error_, instance);
    object->instance_ = nullptr;
    throw;
  }
  return object;
}
