// platform/controls/Control.cpp
#include "platform/controls/Control.h"

#include <algorithm>
#include <cstring>

#include "platform/controls/WinControl.h"

TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
}

TControl::~TControl() {
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::StoreBounds(Integer left, Integer top, Integer width, Integer height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void TControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  StoreBounds(left, top, width, height);
}

RECT TControl::ClientRect() const { return RECT{0, 0, width_, height_}; }

POINT TControl::ClientOrigin() const {
  if (!parent_) return POINT{left_, top_};
  POINT p = parent_->ClientOrigin();
  return POINT{p.x + left_, p.y + top_};
}

POINT TControl::ClientToScreen(POINT p) const {
  const POINT o = ClientOrigin();
  return POINT{p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) const {
  const POINT o = ClientOrigin();
  return POINT{p.x - o.x, p.y - o.y};
}

void TControl::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value, 0);
}

void TControl::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value) {
  if (cursor_ == value) return;
  cursor_ = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

String TControl::Text() {
  const LRESULT len = Perform(WM_GETTEXTLENGTH, 0, 0);
  if (len <= 0) return String();
  String buf(static_cast<size_t>(len) + 1, '\0');
  const LRESULT got = Perform(WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, len)));
  return buf;
}

void TControl::SetText(const String& value) {
  if (Text() == value) return;
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetControlStateFlag(TControlStateFlag flag, bool on) {
  if (on)
    control_state_.Include(flag);
  else
    control_state_.Exclude(flag);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& message) { Dispatch(message); }

void TControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_VISIBLECHANGED: CMVisibleChanged(message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(message); break;
    case CM_TEXTCHANGED: CMTextChanged(message); break;
    default: DefaultHandler(message); break;
  }
}

// A control without a window keeps its text itself.
void TControl::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_SETTEXT:
      text_ = message.LParam ? reinterpret_cast<const char*>(message.LParam) : "";
      message.Result = TRUE;
      break;
    case WM_GETTEXTLENGTH: message.Result = static_cast<LRESULT>(text_.size()); break;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(message.LParam);
      if (!buf || message.WParam == 0) break;
      const size_t n = std::min<size_t>(text_.size(), message.WParam - 1);
      std::memcpy(buf, text_.data(), n);
      buf[n] = '\0';
      message.Result = static_cast<LRESULT>(n);
      break;
    }
    default: break;
  }
}

void TControl::CMVisibleChanged(TMessage&) {}
void TControl::CMEnabledChanged(TMessage&) {}
void TControl::CMTextChanged(TMessage&) {}
