// tests/controls/ControlTestSupport.h
//
// A fresh window system and control layer per test, and a windowed control
// that records the messages its WndProc sees.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystem.h"

class TProbe : public TWinControl {
  ZORVET_CLASS_NAME(TProbe)

 public:
  using TWinControl::TWinControl;
  std::vector<UINT> seen;
  bool sawDestroyingAtDestroy = false;
  void WndProc(TMessage& m) override {
    seen.push_back(m.Msg);
    if (m.Msg == WM_DESTROY) sawDestroyingAtDestroy = ComponentState().Contains(csDestroying);
    TWinControl::WndProc(m);
  }
  size_t Count(UINT msg) const {
    return static_cast<size_t>(std::count(seen.begin(), seen.end(), msg));
  }
};

class ControlTest : public ::testing::Test {
 protected:
  // `modules`: the start-up steps of the units a test needs beyond the controls.
  explicit ControlTest(std::vector<TModuleInit> modules = {}) {
    modules.insert(modules.begin(), ControlsModule());
    InitializeModules(std::move(modules));
  }
  ~ControlTest() override { FinalizeModules(); }

  // A form with its window, shown.
  TCustomForm* ShownForm(const char* name = "Form1") {
    auto* form = new TCustomForm(owner_.get());
    form->SetName(name);
    form->SetBounds(100, 100, 400, 300);
    form->Show();
    return form;
  }

  // A borderless form of `w` x `h` at the screen's corner, shown: its
  // surface is exactly its client area, as reference pictures want it.
  TCustomForm* BareForm(int w, int h) {
    auto* form = new TCustomForm(owner_.get());
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, w, h);
    form->Show();
    return form;
  }

  void Pump() { Application->ProcessMessages(); }
  // Screen point of a control's client point.
  static POINT At(TControl* c, int x, int y) { return c->ClientToScreen(POINT{x, y}); }
  void Click(TControl* c, int x, int y) {
    InjectClick(TInputButton::Left, At(c, x, y));
    Pump();
  }

  TWindowSystem system_;
  THandClock& clock_ = *system_.HandClock();
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
};
