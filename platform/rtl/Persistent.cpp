// platform/rtl/Persistent.cpp
#include "platform/rtl/Persistent.h"

#include "platform/rtl/Exceptions.h"

void TPersistent::Assign(const TPersistent* source) {
  if (source)
    source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const {
  dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
  const String source_name = source ? source->ClassName() : String("nil");
  throw EConvertError("Cannot assign a " + source_name + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler*) {}

String TPersistent::GetNamePath() const {
  return ClassName();
}
