// app/Startup.h
//
// The program's start and end in one place, so that nothing depends on the
// order in which static objects of different files happen to be built.
//
// Start, in this order (main does the first steps itself, since they come
// before any window exists):
//   1. the memory manager, the drive mapping, the window system with its
//      display;
//   2. ZorvetModules(): the control layer (application object, screen,
//      message dialogs), the date utilities, the extra cursors, the window
//      hook, form placement, the drag tree (its copy cursor), the pick edit,
//      the balloon hint, then the published properties of every layer whose
//      components the forms store;
//   3. the command line, and threads' calls to the main thread woken into
//      the message loop (WireSynchronize);
//   4. TZorvetProgram::Start: the catalogue's lock, the data module, the
//      main window;
//   5. the message loop.
// The end runs the other way: window, data module, lock, modules.
//
// Threads: GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "app/CatalogueLock.h"
#include "platform/rtl/ModuleInit.h"

class TDmZorvet;
class TMnFrm;

// The modules the program starts, in their order.
std::vector<TModuleInit> ZorvetModules();

// Declares the published properties of the engine, the catalogue's
// components and the user-interface components (each declares once).
void DeclareZorvetProperties();

// Threads that synchronise with the main thread wake the message loop, and
// the loop runs their methods whenever it goes idle. REQUIRES: the control
// layer's module started. UnwireSynchronize undoes it.
void WireSynchronize();
void UnwireSynchronize();

// The program between the start and the end of its modules: the lock on
// the catalogue's folder, the data module and the main window.
class TZorvetProgram {
 public:
  // `catalogueFolder`: where "Zorvet.stbl" lies (the executable's folder
  // when empty).
  explicit TZorvetProgram(const String& catalogueFolder = String());
  // Frees the window, then the data module, then gives the lock back.
  ~TZorvetProgram();
  TZorvetProgram(const TZorvetProgram&) = delete;
  TZorvetProgram& operator=(const TZorvetProgram&) = delete;

  // Takes the lock and makes the data module and the main window (which
  // loads the catalogue). False, after saying so in a message, when
  // another copy of the program holds the catalogue.
  bool Start();

  TDmZorvet* DataModule() const { return data_module_; }
  TMnFrm* MainForm() const { return main_form_; }
  const TCatalogueLock& Lock() const { return lock_; }

 private:
  String folder_;
  TCatalogueLock lock_;
  TDmZorvet* data_module_ = nullptr;
  TMnFrm* main_form_ = nullptr;
};
