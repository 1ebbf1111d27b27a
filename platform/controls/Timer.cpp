// platform/controls/Timer.cpp
#include "platform/controls/Timer.h"

#include "platform/controls/Application.h"
#include "platform/controls/ControlMessages.h"
#include "platform/win/Timer.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  window_ = AllocateHWnd([this](TMessage& m) {
    if (m.Msg != WM_TIMER) return;
    try {
      Timer();
    } catch (...) {
      HandleApplicationException(this);
    }
  });
}

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
  DeallocateHWnd(window_);
}

void TTimer::UpdateTimer() {
  KillTimer(window_, 1);
  if (ComponentState().Contains(csLoading)) return;
  if (enabled_ && interval_ != 0 && on_timer_) SetTimer(window_, 1, interval_);
}

void TTimer::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(UINT value) {
  if (interval_ == value) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  on_timer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::Timer() {
  if (enabled_ && on_timer_) on_timer_(this);
}
