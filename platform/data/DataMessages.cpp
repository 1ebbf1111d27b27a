// platform/data/DataMessages.cpp
#include "platform/data/DataMessages.h"

#include "platform/rtl/Component.h"

void DatabaseError(const String& message, const TComponent* component) {
  if (component && !component->Name().empty())
    throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}
