// platform/controls/Application.cpp
#include "platform/controls/Application.h"

#include <cstdio>
#include <memory>

#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

TApplication* Application = nullptr;

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  previous_handler_ = SetExceptionHandler([this](const std::exception& e) { HandleException(this, e); });
}

TApplication::~TApplication() { SetExceptionHandler(std::move(previous_handler_)); }

void TApplication::SetMainForm(TCustomForm* form) { main_form_ = form; }

void TApplication::CreateForm(TCustomForm* form) {
  if (!main_form_) main_form_ = form;
}

void TApplication::Run() {
  if (main_form_) main_form_->Show();
  while (!terminated_) {
    MSG msg;
    if (ProcessMessage(msg)) continue;
    Idle();
    if (terminated_ || !WaitMessage()) return;
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) {
    Idle();
    if (!terminated_) WaitMessage();
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  try {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  } catch (...) {
    HandleException(this);
  }
  FreeReleasedForms();
  return true;
}

void TApplication::Idle() {
  bool done = true;
  if (OnIdle) {
    try {
      OnIdle(this, done);
    } catch (...) {
      HandleException(this);
    }
  }
}

void TApplication::Terminate() {
  if (!terminated_) PostQuitMessage(0);
}

void TApplication::HandleException(TObject* sender) {
  try {
    throw;
  } catch (const std::exception& e) {
    HandleException(sender, e);
  } catch (...) {
    HandleException(sender, Exception("Unknown error"));
  }
}

void TApplication::HandleException(TObject* sender, const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;
  if (OnException)
    OnException(sender, e);
  else
    ShowException(e);
}

void HandleApplicationException(TObject* sender) {
  if (Application)
    Application->HandleException(sender);
  else
    HandleCurrentException();
}

void TApplication::ShowException(const std::exception& e) { std::fprintf(stderr, "%s\n", e.what()); }

namespace {
// The owners of the two globals.
std::unique_ptr<TScreen> the_screen;
std::unique_ptr<TApplication> the_application;
}  // namespace

TModuleInit ControlsModule() {
  return TModuleInit{"Controls",
                     [] {
                       the_screen = std::make_unique<TScreen>(nullptr);
                       Screen = the_screen.get();
                       the_application = std::make_unique<TApplication>(nullptr);
                       Application = the_application.get();
                     },
                     [] {
                       Application = nullptr;
                       the_application.reset();
                       Screen = nullptr;
                       the_screen.reset();
                     }};
}
