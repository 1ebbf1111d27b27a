// platform/controls/Application.h
//
// TApplication: the message loop and the program's exception handling, the
// application window, hints, and the control layer's start-up module.
//
// Modules (platform/rtl/ModuleInit.h). The control layer's own module
// (ControlsModule) comes first in the program's list: it makes `Application`
// and `Screen` (a window system must exist), installs the message dialogs
// behind MessageBoxA, and its end undoes all of it.
//
// The loop. Run shows the main form and handles messages until Terminate
// (or the main form closing) ends it; ProcessMessages handles what is queued
// now. Under the hand-driven clock of tests an empty queue cannot be waited
// for: Run and HandleMessage then return to the caller. A key message that
// arrives while a control holds the mouse capture goes to that control's
// form instead of the focused control (see Form.h).
//
// The application window (Handle) is a hidden top-level window standing for
// the program as a whole: Minimize hides the forms and leaves it minimised
// (IsIconic(Handle) reads the state; WM_SYSCOMMAND SC_MINIMIZE / SC_RESTORE
// posted to it do the same as Minimize / Restore).
//
// Hints. While ShowHint is on, resting the mouse HintPause milliseconds on a
// control with ShowHint and a Hint shows the hint window beside the pointer;
// moving to another control, pressing a button or switching ShowHint off
// hides it. Hint is the long part (after '|') of the hint under the mouse;
// OnHint fires when it changes.
//
// Exceptions. While the application exists it takes over the runtime
// layer's exception handling (SetExceptionHandler): an exception that a
// control's window procedure or a component hands on reaches OnException when
// assigned, else ShowException, which shows the message in a dialog.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/WinStructs.h"

class TCustomForm;
class TControl;
class THintWindow;
struct TMessage;

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class TApplication : public TComponent {
  ZORVET_CLASS_NAME(TApplication)

 public:
  explicit TApplication(TComponent* owner);
  // Gives the runtime layer its previous exception handling back.
  ~TApplication() override;

  // Present for the program's start-up sequence; the window system and the
  // modules are made before, so nothing is left to do.
  void Initialize() {}

  HWND Handle() const { return handle_; }
  const String& Title() const { return title_; }
  void SetTitle(const String& value) { title_ = value; }
  // The running program's file (the executable's path).
  String ExeName() const;
  TCustomForm* MainForm() const { return main_form_; }
  // The first form made through CreateForm becomes the main form by itself.
  void SetMainForm(TCustomForm* form);
  // Registers a form or data module made for the application (with the
  // application as its owner), in the program's order; the first form
  // becomes the main form.
  void CreateForm(TComponent* instance);

  void Run();
  // Turns a key message into a character message before it is dispatched:
  // TranslateMessage unless set. A display whose input already types the
  // text (the SDL display) puts its own here, so that no key types twice
  // in the main loop or in a modal one.
  using TKeyTranslator = BOOL (*)(const MSG* msg);
  void SetKeyTranslator(TKeyTranslator value) { key_translator_ = value; }
  // Handles one message, or idles and waits when there is none.
  void HandleMessage();
  void ProcessMessages();
  // Takes and handles one message; false when the queue is empty.
  bool ProcessMessage(MSG& msg);
  // The idle step of the loop (OnIdle).
  void DoIdle();
  void Terminate();
  bool Terminated() const { return terminated_; }

  void Minimize();
  void Restore();
  TNotifyEvent OnMinimize, OnRestore;

  // Hints (see above).
  const String& Hint() const { return hint_; }
  void SetHint(const String& value);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value);
  Integer HintPause() const { return hint_pause_; }
  void SetHintPause(Integer value) { hint_pause_ = value; }
  Integer HintHidePause() const { return hint_hide_pause_; }
  void SetHintHidePause(Integer value) { hint_hide_pause_ = value; }
  TNotifyEvent OnHint;
  // The hint window while it shows, else nullptr.
  THintWindow* HintWindow() const;
  // Told by every control of the mouse messages it gets.
  void HintMouseMessage(TControl* control, const TMessage& message);
  void CancelHint();
  void ActivateHint(POINT cursorPos);

  // Hands the exception being handled (call inside a catch) to OnException
  // or ShowException; EAbort is dropped silently.
  void HandleException(TObject* sender);
  void HandleException(TObject* sender, const std::exception& e);
  // Shows an exception's message in an error dialog.
  virtual void ShowException(const std::exception& e);
  // A message box as a modal dialog (MB_ flags; returns IDOK, ...). The
  // caption defaults to the Title.
  int MessageBox(const String& text, const String& caption, UINT flags);

  TExceptionEvent OnException;
  TIdleEvent OnIdle;

  void Notification(TComponent* component, TOperation operation) override;
  // The application window's messages (see above).
  void WndProcEntry(TMessage& message);

 private:
  void WndProc(TMessage& message);
  bool IsKeyMsg(MSG& msg);
  void HintTimerExpired();
  void ShowHintFor(TControl* control, POINT cursorPos);

  HWND handle_ = nullptr;
  String title_;
  TCustomForm* main_form_ = nullptr;
  TKeyTranslator key_translator_ = nullptr;
  bool terminated_ = false;
  TExceptionHandler previous_handler_;
  std::vector<HWND> minimized_forms_;
  String hint_;
  bool show_hint_ = true;
  Integer hint_pause_ = 500;
  Integer hint_hide_pause_ = 2500;
  TControl* hint_control_ = nullptr;  // the control under the mouse with a hint
  bool hint_shown_ = false;
  std::unique_ptr<THintWindow> hint_window_;
};

extern TApplication* Application;

// Inside a catch: hands the exception to Application->HandleException, or to
// the runtime layer's handling while there is no application.
void HandleApplicationException(TObject* sender);

// The part of a hint before '|' (shown beside the control) and after it
// (the application's Hint); a hint without '|' is both.
String GetShortHint(const String& hint);
String GetLongHint(const String& hint);

// The control layer's own module: declares the published properties of the
// control classes, makes Application and Screen, installs
// the message dialogs, and undoes it at the end.
TModuleInit ControlsModule();
