// ui/ZxCursors.h
//
// The two extra cursors of the components, drawn for this program
// ("ZX_HANDCUR", "ZX_DRAGCUR") and registered in the screen's cursor list at
// the unit's start.
#pragma once

#include "platform/controls/Control.h"
#include "platform/rtl/ModuleInit.h"

constexpr TCursor crZxHand = 14000;
constexpr TCursor crZxDrag = 14001;

// Start: registers both cursors with Screen. REQUIRES: the controls module started.
TModuleInit ZxCursorsModule();
