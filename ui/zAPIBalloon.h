// ui/zAPIBalloon.h
//
// TzAPIBalloon: a balloon with a title, an icon and lines of text pointing
// at the centre of a control, on the tooltip window in tracking mode. It
// closes by AutoCloseMode:
//   acNone      only by Hide or a click on it;
//   acTimeOut   after TimeOut milliseconds (at least 500);
//   acAutoCalc  after 100 ms per character of the text and title (at least 2 s);
//   acAction    on the user's next action once it has been up 2 s: a key
//               press, a mouse move, press or wheel turn, or a change of the
//               active control or form.
// A click on the balloon fires OnClick and closes it.
//
// Each balloon watches the user through keyboard and mouse hooks of its
// own, so that two balloons never close each other or lose each other's
// hooks; the hooks and the screen's focus handlers it took are given back
// when it closes, however it closes, and when it is destroyed. The screen's
// focus handlers are shared: the first watching balloon puts the watch in
// and keeps the handlers it found, the last one to stop puts them back (and
// every focus change is passed on to them).
//
// Times come from the window system's clock: tests advance it by hand.
#pragma once

#include <memory>

#include "platform/controls/Control.h"
#include "platform/controls/GraphicsObjects.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/rtl/StringList.h"
#include "platform/win/WinTypes.h"

class TTimer;

enum TAutoCloseMode { acNone, acAction, acTimeOut, acAutoCalc };
enum TBalloonIconType { bNoIcon, bInfo, bWarning, bError };

class TzAPIBalloon : public TComponent {
  ZORVET_CLASS_NAME(TzAPIBalloon)

 public:
  explicit TzAPIBalloon(TComponent* owner);
  ~TzAPIBalloon() override;

  TAutoCloseMode AutoCloseMode() const { return auto_close_mode_; }
  void SetAutoCloseMode(TAutoCloseMode value) { auto_close_mode_ = value; }
  TColor BackGroundColor() const { return back_ground_color_; }
  void SetBackGroundColor(TColor value) { back_ground_color_ = value; }
  TBalloonIconType BalloonIcon() const { return balloon_icon_; }
  void SetBalloonIcon(TBalloonIconType value) { balloon_icon_ = value; }
  Integer TimeOut() const { return time_out_; }
  void SetTimeOut(Integer value) { time_out_ = value; }
  const String& Title() const { return title_; }
  // An empty title keeps the old one.
  void SetTitle(const String& value);
  TStrings* Prompt() const { return prompt_.get(); }
  // A list without text keeps the old lines.
  void SetPrompt(const TStrings* value);
  TFont* Font() const { return font_.get(); }
  // nullptr keeps the old font.
  void SetFont(const TFont* value);
  Integer MaxTipWidth() const { return max_tip_width_; }
  void SetMaxTipWidth(Integer value) { max_tip_width_ = value; }

  TNotifyEvent AfterShow, BeforeShow, AfterClose;
  const TNotifyEvent& OnClick() const { return on_click_; }
  // An empty handler keeps the previous one.
  void SetOnClick(TNotifyEvent value);

  // Shows the balloon pointing at `control` (closing it first when shown).
  void ShowAt(TControl* control);
  // Closes the balloon when it is shown.
  void Hide();

  bool Visible() const { return visible_; }
  // Whether the balloon waits for the user's next action (acAction, after 2 s).
  bool Watching() const { return keyboard_hook_ != nullptr; }
  // The tooltip window.
  HWND TipWindow() const { return tip_; }
  // How long the balloon stays before it closes or starts watching (ms).
  UINT CloseInterval() const;

 private:
  void CreateTipWindow();
  LRESULT TipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void PrepareTool(const RECT& target);
  String PromptText() const;
  void TimerTick();
  void StartWatching();
  void StopWatching();
  void Close();
  LRESULT KeyboardHook(int code, WPARAM wParam, LPARAM lParam);
  LRESULT MouseHook(int code, WPARAM wParam, LPARAM lParam);
  friend struct TBalloonFocusWatch;
  void FocusChanged();

  TAutoCloseMode auto_close_mode_ = acNone;
  TColor back_ground_color_ = clInfoBk;
  TBalloonIconType balloon_icon_ = bInfo;
  Integer time_out_ = 5000;
  String title_;
  std::unique_ptr<TStringList> prompt_ = std::make_unique<TStringList>();
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  Integer max_tip_width_ = -1;
  TNotifyEvent on_click_;

  HWND tip_ = nullptr;
  WNDPROC old_proc_ = nullptr;
  WNDPROC own_proc_ = nullptr;
  HFONT tip_font_ = nullptr;
  std::u16string tool_text_;
  bool visible_ = false;
  // The balloon's own timer: a timer its owner held could outlive it or go first.
  std::unique_ptr<TTimer> timer_;
  HHOOK keyboard_hook_ = nullptr;
  HHOOK mouse_hook_ = nullptr;
  bool focus_watch_ = false;
};

// Publishes the properties of TzAPIBalloon (once, from a module's start).
void DeclarezAPIBalloonProperties();

// The unit's start: publishes the properties above.
TModuleInit zAPIBalloonModule();
