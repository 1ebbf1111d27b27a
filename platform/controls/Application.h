// platform/controls/Application.h
//
// TApplication: the message loop and the program's exception handling, and
// the control layer's start-up module.
//
// Modules (platform/rtl/ModuleInit.h). The control layer's own module
// (ControlsModule) comes first in the program's list: it makes `Application`
// and `Screen` (a window system must exist), and its end frees them.
//
// The loop. Run shows the main form and handles messages until Terminate
// (or the main form closing) ends it; ProcessMessages handles what is queued
// now. Under the hand-driven clock of tests an empty queue cannot be waited
// for: Run and HandleMessage then return to the caller.
//
// Exceptions. While the application exists it takes over the runtime
// layer's exception handling (SetExceptionHandler): an exception that a
// control's window procedure or a component hands on reaches OnException when
// assigned, else ShowException, which reports the message.
#pragma once

#include <exception>
#include <functional>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/WinStructs.h"

class TCustomForm;

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class TApplication : public TComponent {
  ZORVET_CLASS_NAME(TApplication)

 public:
  explicit TApplication(TComponent* owner);
  // Gives the runtime layer its previous exception handling back.
  ~TApplication() override;

  const String& Title() const { return title_; }
  void SetTitle(const String& value) { title_ = value; }
  TCustomForm* MainForm() const { return main_form_; }
  // The first form made through CreateForm becomes the main form by itself.
  void SetMainForm(TCustomForm* form);
  // Registers a form the application owns; the first becomes the main form.
  void CreateForm(TCustomForm* form);

  void Run();
  // Handles one message, or idles and waits when there is none.
  void HandleMessage();
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Hands the exception being handled (call inside a catch) to OnException
  // or ShowException; EAbort is dropped silently.
  void HandleException(TObject* sender);
  void HandleException(TObject* sender, const std::exception& e);
  // Reports an exception's message (on the standard error until the message
  // dialogs exist).
  virtual void ShowException(const std::exception& e);

  TExceptionEvent OnException;
  TIdleEvent OnIdle;

 private:
  bool ProcessMessage(MSG& msg);
  void Idle();

  String title_;
  TCustomForm* main_form_ = nullptr;
  bool terminated_ = false;
  TExceptionHandler previous_handler_;
};

extern TApplication* Application;

// Inside a catch: hands the exception to Application->HandleException, or to
// the runtime layer's handling while there is no application.
void HandleApplicationException(TObject* sender);

// The control layer's own module: makes Application and Screen, frees them.
TModuleInit ControlsModule();
