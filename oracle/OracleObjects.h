// oracle/OracleObjects.h
//
// Instances of Oracle object types and references to them. A TOracleObject
// wraps one instance in the client's object cache: the value image the
// client lays out for the type and the indicator image beside it. Its
// attribute list is derived from the type's description and gives every
// attribute, embedded ones by dotted names ("ADDR.CITY"), the place of its
// value and of its null indicator. A TOracleReference holds a REF; pinning
// it gives the instance it refers to.
//
// 64 bits: the client lays images out as a C compiler lays out the structs
// of the type: a NUMBER is a 22-byte OCINumber (alignment 1), a DATE an
// 8-byte OCIDate (alignment 2), strings, raws, references, LOBs and
// collections are pointers (8 bytes, alignment 8), and an embedded object
// is a nested struct aligned to its strictest member and padded to a
// multiple of it. The indicator image is a struct of 16-bit indicators:
// the object's own, then one per attribute, an embedded object's nested in
// place after its own.
#pragma once

#include <memory>
#include <vector>

#include "oracle/LOBLocator.h"
#include "oracle/OciTypes.h"
#include "oracle/OracleSession.h"
#include "oracle/OracleTypes.h"
#include "platform/rtl/Collection.h"

class TOracleObject;
class TOracleReference;

namespace Oracle {

// External type codes of attributes besides the variable types.
enum : Integer { otCollection = 122 };

// Describes TypeName (upper-cased) and pins its type descriptor for the
// session: Ref receives a new REF object to the type, Descriptor the pinned
// descriptor. The status of the first call that failed, else 0.
sword PinTypeByName(TOracleSession* Session, OCIError* ErrorHandle, const String& TypeName,
                    OCIRef*& Ref, void*& Descriptor);

}  // namespace Oracle

// One attribute of an object type, or the element of a collection.
class TObjectAttribute : public TCollectionItem {
  ZORVET_CLASS_NAME(TObjectAttribute)

 public:
  explicit TObjectAttribute(TCollection* collection) : TCollectionItem(collection) {}
  ~TObjectAttribute() override;

  String Name;  // the dotted path; empty for a collection's element
  Integer ExternalType = 0;
  Integer TypeCode = 0;
  Integer DataSize = 0;
  Integer Precision = 0;
  Integer Scale = 0;
  bool HasPrecision = false;
  String ObjectTypeName;  // SCHEMA.TYPE of an object or a reference
  OCIRef* TypeRef = nullptr;
  bool HeldByPointer = false;
  bool IsCollection = false;
  Integer ValueOffset = 0;
  Integer IndicatorOffset = 0;
  // The bytes of its value in the image, and their alignment.
  Integer ValueSize = 0;
  Integer Alignment = 1;
  TOracleObject* Owner = nullptr;

  // Reads the attribute's description from a describe parameter.
  void Describe(void* Parameter, TOracleObject* Owner, bool IsElement);
  // Where its value and its null indicator lie in the owner's images.
  void* ValueAddress() const;
  void* IndicatorAddress() const;
};

class TOracleObject : public TObject, public TSessionDependent {
  ZORVET_CLASS_NAME(TOracleObject)

 public:
  // With a type name: a new instance of the type, all attributes null,
  // owned by the object. Without: an object that waits for SetInstance.
  TOracleObject(TOracleSession* Session, const String& TypeName);
  ~TOracleObject() override;
  TOracleObject(const TOracleObject&) = delete;
  TOracleObject& operator=(const TOracleObject&) = delete;

  TOracleSession* Session() const { return session_; }
  const String& TypeName() const { return type_name_; }
  Integer TypeCode() const { return type_code_; }
  void* Instance() const { return instance_; }
  void* Indicator() const { return indicator_; }
  void* TypeDescriptor() const { return type_descriptor_; }
  // Whether the object frees (or unpins) its instance when it goes.
  bool OwnsInstance() const { return owns_instance_; }
  void SetOwnsInstance(bool value) { owns_instance_ = value; }

  // Takes an instance: its indicator image is Indicator, or the client's
  // when that is nil; the type is pinned through TypeRef when none is yet.
  void SetInstance(void* Instance, void* Indicator, const String& TypeName, OCIRef* TypeRef);

  // The attribute list, built on first need.
  Integer AttributeCount();
  TObjectAttribute* Attribute(Integer Index);
  TObjectAttribute* ElementAttribute();
  // The attribute of a dotted name, ignoring case; nil when there is none
  // unless Required, which raises "Unknown attribute: " + Name.
  TObjectAttribute* FindAttribute(const String& Name, bool Required);
  // An embedded object attribute as an object of its own, a REF attribute
  // as a reference, and a CLOB, BLOB or BFILE attribute as a LOB locator
  // over the instance's own LOB; all kept by this object. A LOB attribute
  // that holds no LOB yet gets one made by the client on first use; what
  // the locator writes marks the attribute modified.
  TOracleObject* ObjAttr(const String& Name);
  TOracleReference* RefAttr(const String& Name);
  TLOBLocator* LOBAttr(const String& Name);
  // Null-ness of the object and of an attribute, as its indicators say.
  bool IsNull();
  bool AttributeIsNull(const String& Name);

  // After an attribute's value changed: the object is marked modified and
  // the attribute's enclosing objects and the object are no longer null.
  void AttributeModified(const String& Name);
  // Marks the instance modified (or not) in the client's cache.
  void MarkModified(bool Flag);
  bool IsCollection() const { return type_code_ == Oracle::otCollection; }

  // TSessionDependent: the instance lives in the session's cache.
  void SessionClosing() override;
  void SessionDestroyed() override;

  // Raises the failure a status stands for.
  void Check(sword Status);
  // The id that stands for this object in a complex variable's value.
  Integer ObjectId();
  // Where a bind finds the instance and its indicator struct.
  void** BindSlot() { return &instance_; }
  void** BindIndicatorSlot() { return &indicator_; }
  OCIError* ErrorHandle() const { return error_; }

 private:
  friend class TObjectAttribute;
  friend class TOracleReference;
  struct TLaidOut {
    Integer Size = 0, Alignment = 1;
  };
  void BuildAttributes();
  // Lays out the attributes of the type TypeRef refers to from offset 0;
  // the struct's size and alignment.
  TLaidOut AddAttributes(const String& Prefix, OCIRef* TypeRef, Integer& IndicatorOffset,
                         bool TopLevel);
  void FreeSubObjects();
  void ReleaseClientObjects();
  // Client calls hold the session's call lock; a failure leaves it.
  void Enter();
  void Leave();
  void Call(sword Status);

  TOracleSession* session_ = nullptr;
  OCIError* error_ = nullptr;
  Integer error_id_ = 0;
  Integer object_id_ = 0;
  OCIDescribe* describe_ = nullptr;
  void* instance_ = nullptr;
  void* indicator_ = nullptr;
  OCIRef* type_ref_ = nullptr;
  void* type_descriptor_ = nullptr;
  String type_name_;
  Integer type_code_ = 0;
  Integer element_type_code_ = 0;
  bool owns_instance_ = true;
  bool pinned_ = false;
  bool pinned_by_reference_ = false;
  std::unique_ptr<TCollection> attributes_;
  TObjectAttribute* element_ = nullptr;
  std::unique_ptr<TCollection> element_holder_;
  // Embedded objects, references and LOB locators handed out by name.
  std::vector<std::pair<String, std::unique_ptr<TOracleObject>>> objects_;
  std::vector<std::pair<String, std::unique_ptr<TOracleReference>>> references_;
  std::vector<std::pair<String, std::unique_ptr<TLOBLocator>>> lobs_;
  TOracleObject* owner_ = nullptr;
  TObjectAttribute* owner_attribute_ = nullptr;
};

class TOracleReference : public TObject, public TSessionDependent {
  ZORVET_CLASS_NAME(TOracleReference)

 public:
  // A null REF to objects of a type: SourceRef refers to the type's
  // descriptor, or TypeName names it when SourceRef is nil.
  TOracleReference(TOracleSession* Session, const String& TypeName, OCIRef* SourceRef);
  ~TOracleReference() override;
  TOracleReference(const TOracleReference&) = delete;
  TOracleReference& operator=(const TOracleReference&) = delete;

  const String& TypeName() const { return type_name_; }
  void* TypeDescriptor() const { return pinned_; }
  // The REF the reference stands for (the client's object).
  OCIRef* Ref() const;
  // Points the reference at a REF the caller keeps, with its indicator.
  void SetRef(OCIRef* Ref, sb2* Indicator);
  sb2* Indicator() const { return indicator_; }
  void SetIndicator(sb2* Indicator) { indicator_ = Indicator; }

  bool IsNull();
  void Clear();
  // Makes this reference refer to what Source refers to.
  void Assign(TOracleReference* Source);
  // The object referred to, pinned until the object returned goes.
  std::unique_ptr<TOracleObject> Pin();
  Integer ObjectId();
  void** BindSlot() { return reinterpret_cast<void**>(RefSlot()); }

  void SessionClosing() override {}
  void SessionDestroyed() override;

 private:
  friend class TOracleObject;
  void Release();
  OCIRef** RefSlot() const;
  void Changed();
  void Call(sword Status);

  TOracleSession* session_ = nullptr;
  OCIError* error_ = nullptr;
  Integer error_id_ = 0;
  Integer object_id_ = 0;
  OCIRef* type_ref_ = nullptr;  // the REF object to the type
  void* pinned_ = nullptr;      // the type's descriptor
  OCIRef* ref_ = nullptr;       // the reference's own REF, when it has one
  OCIRef* external_ = nullptr;  // a REF the caller keeps
  String type_name_;
  sb2* indicator_ = nullptr;
  TOracleObject* owner_ = nullptr;
  TObjectAttribute* owner_attribute_ = nullptr;
};
