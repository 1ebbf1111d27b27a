// platform/rtl/ModuleInit.h
//
// The start and end of the program's modules. What a unit of the program
// does at start ("unit start") and at the end ("program end") is a
// TModuleInit. The program lists its modules in the order their start must
// run and hands the list to InitializeModules; FinalizeModules runs the ends
// in the reverse order. The list lives in the lowest layer so that every
// layer, not only the GUI's, can name a start-up step of its own; a layer's
// module is a function returning its TModuleInit (ControlsModule, ...).
//
// The order is explicit because static constructors across files run in an
// order no one chooses.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Types.h"

struct TModuleInit {
  String Name;
  std::function<void()> Initialize;  // may be empty
  std::function<void()> Finalize;    // may be empty
};

// Runs each module's start in the given order and remembers the list.
// A start that raises stops the list: the modules started so far are ended
// (in reverse) and the exception passes on.
void InitializeModules(std::vector<TModuleInit> modules);
// Runs the ends of the started modules in reverse order and forgets them.
void FinalizeModules();
