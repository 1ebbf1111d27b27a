// platform/controls/Control.h
//
// TControl: the base of everything that sits on a form. A control has a
// parent (the windowed control it lies on), bounds in the parent's client
// coordinates (a form's are on the screen), a caption, visibility, enabled
// state and a cursor.
//
// Messages. Every message reaches a control through WindowProc, which a
// component may replace to watch or change the control's messages (keeping
// the previous one to pass messages on); it starts as the control's WndProc.
// WndProc hands the message to Dispatch, which maps the messages a class
// handles to its virtual handlers; a descendant overrides Dispatch for its
// own few messages and passes the rest to its base. What no handler takes
// goes to DefaultHandler. Perform sends a message to the control directly.
//
// Threads: GUI thread only.
#pragma once

#include "platform/controls/ControlMessages.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Set.h"
#include "platform/win/WinStructs.h"

class TWinControl;

// Cursor numbers of the cursor table (see platform/win/Cursor.h).
using TCursor = SmallInt;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

enum TControlStateFlag { csLButtonDown, csClicked, csFocusing, csCreating, csDestroyingHandle, csRecreating };
using TControlState = Set<TControlStateFlag>;

enum TControlStyleFlag { csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks };
using TControlStyle = Set<TControlStyleFlag>;

class TControl : public TComponent {
  ZORVET_CLASS_NAME(TControl)

 public:
  explicit TControl(TComponent* owner);
  // Leaves the parent.
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // Moves the control onto another windowed control (nullptr: none).
  virtual void SetParent(TWinControl* parent);

  Integer Left() const { return left_; }
  Integer Top() const { return top_; }
  Integer Width() const { return width_; }
  Integer Height() const { return height_; }
  void SetLeft(Integer v) { SetBounds(v, top_, width_, height_); }
  void SetTop(Integer v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(Integer v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(Integer v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(Integer left, Integer top, Integer width, Integer height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  // The client area in the control's own coordinates.
  virtual RECT ClientRect() const;
  Integer ClientWidth() const { return RectWidth(ClientRect()); }
  Integer ClientHeight() const { return RectHeight(ClientRect()); }
  // Client coordinates of this control to and from the screen.
  virtual POINT ClientOrigin() const;
  POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);

  // The caption, through WM_GETTEXT / WM_SETTEXT (and CM_TEXTCHANGED).
  String Text();
  void SetText(const String& value);
  String Caption() { return Text(); }
  void SetCaption(const String& value) { SetText(value); }

  TControlState ControlState() const { return control_state_; }
  TControlStyle ControlStyle() const { return control_style_; }

  // Sends a message straight to the control's WindowProc.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

  // The entry of every message; replaceable (see above).
  TWndMethod WindowProc;

  virtual void WndProc(TMessage& message);
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

 protected:
  void SetControlStateFlag(TControlStateFlag flag, bool on);
  TControlStyle control_style_;
  // Stores bounds without telling anyone (windowed controls learn them from the window).
  void StoreBounds(Integer left, Integer top, Integer width, Integer height);

  virtual void CMVisibleChanged(TMessage& message);
  virtual void CMEnabledChanged(TMessage& message);
  virtual void CMTextChanged(TMessage& message);

  String text_;

 private:
  friend class TWinControl;
  TWinControl* parent_ = nullptr;
  Integer left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  TCursor cursor_ = crDefault;
  TControlState control_state_;
};
