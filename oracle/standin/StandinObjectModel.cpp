// oracle/standin/StandinObjectModel.cpp
//
// Object types described, references to them assigned and pinned, and
// instances of them made in the images a 64-bit client lays out. The model
// keeps no object tables: a reference refers to a type, and pinning it
// gives the type's descriptor; instances come from OCIObjectNew.
#include <cstring>

#include "oracle/OciConstants.h"
#include "oracle/standin/StandinModel.h"

namespace Standin {
namespace {

constexpr ub1 kParamTypeUnknown = 0;
constexpr ub1 kParamTypeType = 6;

TOraError NotAnObject() {
  return OraError(21710, "argument is expecting a valid memory address of an object");
}

}  // namespace

THandle* TModelServer::LiveObject(const void* object, ub4 type) const {
  return Live<THandle>(object, type);
}

TParamHandle* TModelServer::NewParam(const THandle* owner) {
  auto param = std::make_unique<TParamHandle>();
  param->owner = owner;
  TParamHandle* result = param.get();
  void* out = nullptr;
  Own(std::move(param), &out, nullptr);
  return result;
}

TOraError TModelServer::RunCreateType(TConnection& connection, const std::string& text) {
  return types_.Create(connection.User(), text);
}

sword TModelServer::OCIDescribeAny(OCISvcCtx* svchp, OCIError* errhp, void* objptr, ub4 objnm_len,
                                   ub1 objptr_typ, ub1, ub1 objtyp, OCIDescribe* dschp) {
  std::lock_guard lock(mutex_);
  auto* svc = Live<TSvcCtxHandle>(svchp, kHtypeSvcCtx);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  auto* describe = Live<TDescribeHandle>(dschp, kHtypeDescribe);
  if (!svc || !error || !describe || !objptr) return OCI_INVALID_HANDLE;
  if (!svc->session || !svc->session->connection)
    return Fail(error, OraError(3114, "not connected to ORACLE"));
  if (objtyp != kParamTypeType && objtyp != kParamTypeUnknown)
    return Fail(error, NoRule("a describe of object type " + std::to_string(objtyp)));
  const TObjectType* type = nullptr;
  std::string name;
  if (objptr_typ == kDescribeByName) {
    name.assign(static_cast<const char*>(objptr), objnm_len);
    std::string held;
    for (const TToken& token : Tokenize(name))
      held += token.kind == TToken::TKind::Quoted ? token.text : token.upper;
    type = types_.Find(svc->session->user, held);
  } else if (objptr_typ == kDescribeByRef) {
    auto* ref = static_cast<TRefObject*>(LiveObject(objptr, kObjRef));
    if (!ref) return OCI_INVALID_HANDLE;
    type = types_.Find(ref->type);
    name = ref->type;
  } else {
    return Fail(error, NoRule("a describe by pointer type " + std::to_string(objptr_typ)));
  }
  if (!type) return Fail(error, OraError(4043, "object " + name + " does not exist"));
  // What an earlier describe on the handle gave goes.
  for (std::size_t i = owned_.size(); i-- > 0;)
    if (owned_[i]->owner == describe) Disown(owned_[i].get());
  TParamHandle* param = NewParam(describe);
  param->kind = TParamHandle::TKind::Type;
  param->type = type->Key();
  describe->param = param;
  return OCI_SUCCESS;
}

sword TModelServer::OCIObjectNew(OCIEnv* env, OCIError* err, const OCISvcCtx*, OCITypeCode typecode,
                                 OCIType* tdo, void*, OCIDuration, boolean, void** instance) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error || !instance) return OCI_INVALID_HANDLE;
  if (typecode == kTypecodeRef) return Own(std::make_unique<TRefObject>(), instance, nullptr);
  if (IsLobType(typecode))
    return Own(std::make_unique<TLobHandle>(typecode == kSqltBfile ? kDtypeFile : kDtypeLob),
               instance, nullptr);
  if (typecode != kTypecodeObject)
    return Fail(error, OraError(3001, "unimplemented feature: OCIObjectNew of type code " +
                                          std::to_string(typecode) + " is not modelled"));
  auto* descriptor = static_cast<TTypeDescriptor*>(LiveObject(tdo, kObjTypeDescriptor));
  if (!descriptor) return OCI_INVALID_HANDLE;
  // The model describes collections, but keeps no elements.
  if (const TObjectType* type = types_.Find(descriptor->type); type && type->collection)
    return Fail(error, NoRule("an instance of the collection type " + descriptor->type));
  const TObjectTypes::TLayout layout = types_.Layout(descriptor->type);
  TInstance made;
  made.type = descriptor->type;
  made.image = std::make_unique<unsigned char[]>(std::max<std::size_t>(layout.size, 1));
  made.indicators = std::make_unique<unsigned char[]>(layout.indicator_size);
  // A new instance is there, its attributes all NULL.
  for (std::size_t at = 0; at < layout.indicator_size; at += 2) {
    const OCIInd ind = at == 0 ? 0 : -1;
    std::memcpy(made.indicators.get() + at, &ind, sizeof ind);
  }
  *instance = made.image.get();
  instances_[made.image.get()] = std::move(made);
  return OCI_SUCCESS;
}

sword TModelServer::OCIRefAssign(OCIEnv* env, OCIError* err, const OCIRef* source,
                                 OCIRef** target) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  auto* from = static_cast<TRefObject*>(LiveObject(source, kObjRef));
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error || !from || !target) return OCI_INVALID_HANDLE;
  auto* to = static_cast<TRefObject*>(LiveObject(*target, kObjRef));
  if (!*target) {
    void* made = nullptr;
    Own(std::make_unique<TRefObject>(), &made, nullptr);
    to = static_cast<TRefObject*>(made);
    *target = reinterpret_cast<OCIRef*>(static_cast<THandle*>(to));
  }
  if (!to) return OCI_INVALID_HANDLE;
  to->type = from->type;
  to->table = from->table;
  to->row = from->row;
  to->session = from->session;
  return OCI_SUCCESS;
}

void TModelServer::OCIRefClear(OCIEnv*, OCIRef* ref) {
  std::lock_guard lock(mutex_);
  if (auto* live = static_cast<TRefObject*>(LiveObject(ref, kObjRef))) live->type.clear();
}

boolean TModelServer::OCIRefIsNull(OCIEnv*, const OCIRef* ref) {
  std::lock_guard lock(mutex_);
  const auto* live = static_cast<TRefObject*>(LiveObject(ref, kObjRef));
  return !live || live->type.empty() ? 1 : 0;
}

sword TModelServer::OCIObjectPin(OCIEnv* env, OCIError* err, OCIRef* object_ref, OCIComplexObject*,
                                 OCIPinOpt, OCIDuration, OCILockOpt, void** object) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  auto* ref = static_cast<TRefObject*>(LiveObject(object_ref, kObjRef));
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error || !ref || !object) return OCI_INVALID_HANDLE;
  if (ref->type.empty() || !types_.Find(ref->type))
    return Fail(error, OraError(21700, "object does not exist or is marked for delete"));
  if (!ref->table.empty()) {
    if (TOraError e = PinRow(ref, object)) return Fail(error, e);
    return OCI_SUCCESS;
  }
  // One descriptor per type, pinned as often as asked.
  TTypeDescriptor* descriptor = nullptr;
  for (const auto& handle : owned_)
    if (handle->type == kObjTypeDescriptor &&
        static_cast<TTypeDescriptor*>(handle.get())->type == ref->type)
      descriptor = static_cast<TTypeDescriptor*>(handle.get());
  if (!descriptor) {
    void* made = nullptr;
    auto fresh = std::make_unique<TTypeDescriptor>();
    fresh->type = ref->type;
    Own(std::move(fresh), &made, nullptr);
    descriptor = static_cast<TTypeDescriptor*>(made);
  }
  ++descriptor->pins;
  *object = static_cast<THandle*>(descriptor);
  return OCI_SUCCESS;
}

sword TModelServer::OCIObjectUnpin(OCIEnv* env, OCIError* err, void* object) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error) return OCI_INVALID_HANDLE;
  if (auto* descriptor = static_cast<TTypeDescriptor*>(LiveObject(object, kObjTypeDescriptor))) {
    if (descriptor->pins == 0) return Fail(error, NotAnObject());
    --descriptor->pins;
    return OCI_SUCCESS;
  }
  const auto found = instances_.find(object);
  if (found != instances_.end() && found->second.from_table) {
    if (!found->second.pinned) return Fail(error, NotAnObject());
    ReleaseParts(found->second);
    instances_.erase(found);
    return OCI_SUCCESS;
  }
  return WithInstance(env, err, object, [](TInstance& instance) { instance.pinned = false; });
}

sword TModelServer::OCIObjectFree(OCIEnv* env, OCIError* err, void* instance, ub2) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error) return OCI_INVALID_HANDLE;
  if (const auto found = instances_.find(instance); found != instances_.end()) {
    ReleaseParts(found->second);
    instances_.erase(found);
    return OCI_SUCCESS;
  }
  // References and LOBs that OCIObjectNew made; a pinned type stays.
  for (ub4 type : {kObjRef, kObjString, kDtypeLob, kDtypeFile})
    if (THandle* handle = LiveObject(instance, type); handle && !handle->owner)
      return Disown(handle);
  return Fail(error, NotAnObject());
}

sword TModelServer::OCIObjectGetInd(OCIEnv* env, OCIError* err, void* instance,
                                    void** null_struct) {
  if (!null_struct) return OCI_INVALID_HANDLE;
  return WithInstance(env, err, instance,
                      [null_struct](TInstance& found) { *null_struct = found.indicators.get(); });
}

sword TModelServer::OCIObjectMarkUpdate(OCIEnv* env, OCIError* err, void* object) {
  return WithInstance(env, err, object, [](TInstance& instance) { instance.dirty = true; });
}

sword TModelServer::OCIObjectUnmark(OCIEnv* env, OCIError* err, void* object) {
  return WithInstance(env, err, object, [](TInstance& instance) { instance.dirty = false; });
}

sword TModelServer::OCIObjectIsDirty(OCIEnv* env, OCIError* err, void* ins, boolean* dirty) {
  if (!dirty) return OCI_INVALID_HANDLE;
  return WithInstance(env, err, ins,
                      [dirty](TInstance& instance) { *dirty = instance.dirty ? 1 : 0; });
}

sword TModelServer::WithInstance(OCIEnv* env, OCIError* err, void* object,
                                 const std::function<void(TInstance&)>& action) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error) return OCI_INVALID_HANDLE;
  const auto found = instances_.find(object);
  if (found == instances_.end()) return Fail(error, NotAnObject());
  action(found->second);
  return OCI_SUCCESS;
}

sword TModelServer::TypeParamAttribute(TParamHandle* param, void* attributep, ub4* sizep,
                                       ub4 attrtype, TErrorHandle* error) {
  constexpr ub4 kDataSize = 1, kDataType = 2, kName = 4, kPrecision = 5, kScale = 6, kTypeName = 8,
                kSchemaName = 9, kRefTdo = 110, kTypecode = 216, kCollectionTypecode = 217,
                kCollectionElement = 227, kNumAttributes = 228, kAttributeList = 229, kFinal = 279;
  const auto put = [&](auto value) { return PutAttribute(attributep, sizep, value); };
  const auto put_text = [&](const std::string& text) {
    return PutTextAttribute(attributep, sizep, text);
  };
  // References and lists a parameter gives live as long as its describe.
  const auto ref_to = [&](const std::string& type) {
    TRefObject* ref = nullptr;
    for (const auto& handle : owned_)
      if (handle->owner == param->owner && handle->type == kObjRef &&
          static_cast<TRefObject*>(handle.get())->type == type)
        ref = static_cast<TRefObject*>(handle.get());
    if (!ref) {
      auto fresh = std::make_unique<TRefObject>();
      fresh->type = type;
      fresh->owner = param->owner;
      void* made = nullptr;
      Own(std::move(fresh), &made, nullptr);
      ref = static_cast<TRefObject*>(made);
    }
    return put(static_cast<THandle*>(ref));
  };
  const TObjectType* type = types_.Find(param->type);
  if (!type) return Fail(error, OraError(4043, "object " + param->type + " does not exist"));
  if (param->kind == TParamHandle::TKind::Type) {
    switch (attrtype) {
      case kName:
      case kTypeName:
        return put_text(type->name);
      case kSchemaName:
        return put_text(type->schema);
      case kRefTdo:
        return ref_to(type->Key());
      case kTypecode:
        return put(type->collection ? kTypecodeNamedCollection : kTypecodeObject);
      case kCollectionTypecode:
        if (!type->collection) break;
        return put(type->collection);
      case kCollectionElement: {
        if (!type->collection) break;
        TParamHandle* element = NewParam(param->owner);
        element->kind = TParamHandle::TKind::Element;
        element->type = param->type;
        return put(static_cast<THandle*>(element));
      }
      case kNumAttributes:
        return put(static_cast<ub2>(type->attributes.size()));
      case kAttributeList: {
        TParamHandle* list = NewParam(param->owner);
        list->kind = TParamHandle::TKind::List;
        list->type = param->type;
        return put(static_cast<THandle*>(list));
      }
      case kFinal:
        return put(static_cast<ub1>(type->final ? 1 : 0));
      default:
        break;
    }
  } else if (param->kind == TParamHandle::TKind::Attribute ||
             param->kind == TParamHandle::TKind::Element) {
    const TObjectAttr& attr = param->kind == TParamHandle::TKind::Element
                                  ? type->element
                                  : type->attributes.at(param->attribute);
    const TObjectType* target = attr.type.empty() ? nullptr : types_.Find(attr.type);
    static const std::map<ub2, std::string> kBuiltinNames = {
        {kTypecodeNumber, "NUMBER"}, {kTypecodeVarchar2, "VARCHAR2"},
        {kTypecodeDate, "DATE"},     {kTypecodeChar, "CHAR"},
        {kTypecodeRaw, "RAW"},       {kSqltClob, "CLOB"},
        {kSqltBlob, "BLOB"},         {kSqltBfile, "BFILE"}};
    static const std::string kNone;
    switch (attrtype) {
      case kDataSize:
        return put(attr.size);
      case kDataType:
        return put(attr.data_type);
      case kName:
        return put_text(attr.name);
      case kPrecision:
        return put(attr.precision);
      case kScale:
        return put(attr.scale);
      case kTypeName:
        return put_text(target ? target->name : kBuiltinNames.at(attr.typecode));
      case kSchemaName:
        return put_text(target ? target->schema : kNone);
      case kRefTdo:
        if (!target) break;
        return ref_to(target->Key());
      case kTypecode:
        return put(attr.typecode);
      case kFinal:
        if (!target) break;
        return put(static_cast<ub1>(target->final ? 1 : 0));
      default:
        break;
    }
  }
  return Fail(error, OraError(24315, "illegal attribute type"));
}

sword TModelServer::AttributeParam(TParamHandle* list, TErrorHandle* error, void** parmdpp,
                                   ub4 pos) {
  const TObjectType* type = types_.Find(list->type);
  if (list->kind != TParamHandle::TKind::List || !type || pos == 0 || pos > type->attributes.size())
    return Fail(error, OraError(24334, "no descriptor for this position"));
  TParamHandle* param = NewParam(list->owner);
  param->kind = TParamHandle::TKind::Attribute;
  param->type = list->type;
  param->attribute = pos - 1;
  *parmdpp = static_cast<THandle*>(param);
  return OCI_SUCCESS;
}

bool TModelServer::ObjectLayout(const std::string& type, const std::string& attribute,
                                TAttrPlace& place, std::size_t& size, std::size_t& indicator_size) {
  std::lock_guard lock(mutex_);
  const TObjectType* found = types_.Find(type);
  if (!found && type.find('.') == std::string::npos) found = types_.FindAnySchema(type);
  if (!found) return false;
  const TObjectTypes::TLayout layout = types_.Layout(found->Key());
  size = layout.size;
  indicator_size = layout.indicator_size;
  if (attribute.empty()) return true;
  for (const TAttrPlace& candidate : layout.places)
    if (candidate.name == attribute) {
      place = candidate;
      return true;
    }
  return false;
}

}  // namespace Standin
