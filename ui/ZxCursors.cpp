// ui/ZxCursors.cpp
#include "ui/ZxCursors.h"

#include "platform/controls/Screen.h"
#include "platform/win/Cursor.h"
#include "platform/win/Window.h"

TModuleInit ZxCursorsModule() {
  return TModuleInit{"ZxCursors",
                     [] {
                       Screen->SetCursors(crZxHand, LoadCursor(HInstance(), "ZX_HANDCUR"));
                       Screen->SetCursors(crZxDrag, LoadCursor(HInstance(), "ZX_DRAGCUR"));
                     },
                     nullptr};
}
