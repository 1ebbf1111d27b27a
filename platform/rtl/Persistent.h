// platform/rtl/Persistent.h
//
// TPersistent: an object that can take another's value (Assign) and that
// stored definitions can hold (DefineProperties, see Filer.h).
//
// Assign protocol: dest->Assign(src) lets the destination copy what it
// understands; a destination that does not know the source's class asks the
// source (src->AssignTo(dest)); when neither knows the other, EConvertError
// "Cannot assign a TSource to a TDest" (a null source reads "nil").
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TFiler;

class TPersistent : public TObject {
  ZORVET_CLASS_NAME(TPersistent)

 public:
  TPersistent() = default;
  ~TPersistent() override = default;

  // Copies `source`'s value. Descendants handle the classes they know and
  // call the inherited Assign for the rest.
  virtual void Assign(const TPersistent* source);

  // Declares the values that stored definitions hold besides the published
  // properties (TFiler::DefineProperty / DefineBinaryProperty). The writer
  // and the reader call it; the base declares nothing.
  virtual void DefineProperties(TFiler* filer);

  // The object that owns this one in the sense of stored definitions: a
  // component's owner, a collection item's collection, a collection's owner.
  virtual TPersistent* GetOwner() const { return nullptr; }

  // The dotted path that names the object in messages ("Form1.Table1").
  virtual String GetNamePath() const;

 protected:
  // Copies this object's value into `dest`; the base refuses (see above).
  virtual void AssignTo(TPersistent* dest) const;
  // Raises EConvertError "Cannot assign a <source class> to a <this class>".
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

// Runs `body` between target.BeginUpdate() and target.EndUpdate() (string
// lists, collections), ending the update also when `body` raises.
template <class T, class F>
void WithinUpdate(T& target, F&& body) {
  target.BeginUpdate();
  try {
    body();
  } catch (...) {
    target.EndUpdate();
    throw;
  }
  target.EndUpdate();
}
