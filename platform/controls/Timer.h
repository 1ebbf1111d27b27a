// platform/controls/Timer.h
//
// TTimer: fires OnTimer every Interval milliseconds while Enabled, through a
// window timer on a hidden window of its own, so the ticks arrive through the
// message loop (never while another message is being handled). A timer with
// no OnTimer, an Interval of 0 or not Enabled holds no window timer.
#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/win/WinTypes.h"

class TTimer : public TComponent {
  ZORVET_CLASS_NAME(TTimer)

 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  UINT Interval() const { return interval_; }
  void SetInterval(UINT value);
  const TNotifyEvent& OnTimer() const { return on_timer_; }
  void SetOnTimer(TNotifyEvent handler);

  void Loaded() override;

 protected:
  virtual void Timer();

 private:
  void UpdateTimer();
  HWND window_ = nullptr;
  bool enabled_ = true;
  UINT interval_ = 1000;
  TNotifyEvent on_timer_;
};
