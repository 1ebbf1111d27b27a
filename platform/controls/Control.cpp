// platform/controls/Control.cpp
#include "platform/controls/Control.h"

#include <algorithm>
#include <cstring>

#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/Drag.h"
#include "platform/controls/WinControl.h"
#include "platform/win/Input.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"

namespace {
// The control without a window that holds the capture through its parent's window.
TControl* capture_control = nullptr;
}  // namespace

TShiftState MouseKeysToShiftState(WPARAM keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s += ssShift;
  if (keys & MK_CONTROL) s += ssCtrl;
  if (keys & MK_LBUTTON) s += ssLeft;
  if (keys & MK_RBUTTON) s += ssRight;
  if (keys & MK_MBUTTON) s += ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s += ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s += ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s += ssCtrl;
  if (keyData & KF_ALTDOWN_BIT) s += ssAlt;
  return s;
}

void TSizeConstraints::Apply(Integer& width, Integer& height) const {
  if (max_width_ > 0 && width > max_width_) width = max_width_;
  if (min_width_ > 0 && width < min_width_) width = min_width_;
  if (max_height_ > 0 && height > max_height_) height = max_height_;
  if (min_height_ > 0 && height < min_height_) height = min_height_;
}

TControl* GetCaptureControl() {
  const HWND h = GetCapture();
  if (!h) return nullptr;
  TWinControl* owner = TWinControl::FindControl(h);
  if (!owner) return nullptr;
  if (capture_control && capture_control->Parent() == owner) return capture_control;
  return owner;
}

void SetCaptureControl(TControl* control) {
  capture_control = nullptr;
  if (!control) {
    ReleaseCapture();
    return;
  }
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    SetCapture(w->Handle());
    return;
  }
  if (control->Parent() && control->Parent()->HandleAllocated()) {
    SetCapture(control->Parent()->Handle());
    capture_control = control;
  }
}

TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  control_style_ = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  font_->OnChange = [this](TObject*) {
    if (changing_font_) return;
    parent_font_ = false;
    Perform(CM_FONTCHANGED, 0, 0);
  };
  constraints_.OnChange = [this](TObject*) { SetBounds(left_, top_, width_, height_); };
}

TControl::~TControl() {
  DragControlDestroyed(this);
  action_link_.reset();
  if (capture_control == this) capture_control = nullptr;
  if (GetCaptureControl() == this) ReleaseCapture();
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) {
    parent->InsertControl(this);
    ParentChanged();
    UpdateAnchorRules();
    RequestAlign();
  }
}

void TControl::ParentChanged() {
  if (parent_font_) Perform(CM_PARENTFONTCHANGED, 0, 0);
  if (parent_color_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
  if (parent_show_hint_) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  if (parent_ctl3d_) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
  if (parent_font_ == value) return;
  parent_font_ = value;
  if (value) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!parent_font_ || !parent_) return;
  changing_font_ = true;
  font_->Assign(parent_->Font());
  changing_font_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::CMFontChanged(TMessage&) {
  AdjustSize();
  Invalidate();
}

void TControl::SetColor(TColor value) {
  parent_color_ = false;
  if (color_ == value) return;
  color_ = value;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  if (parent_color_ == value) return;
  parent_color_ = value;
  if (value) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!parent_color_ || !parent_) return;
  if (color_ == parent_->Color()) return;
  color_ = parent_->Color();
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::CMColorChanged(TMessage&) {
  Invalidate();
}

void TControl::SetShowHint(bool value) {
  parent_show_hint_ = false;
  if (show_hint_ == value) return;
  show_hint_ = value;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
  if (parent_show_hint_ == value) return;
  parent_show_hint_ = value;
  if (value) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parent_show_hint_ || !parent_) return;
  if (show_hint_ == parent_->ShowHint()) return;
  show_hint_ = parent_->ShowHint();
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetCtl3D(bool value) {
  parent_ctl3d_ = false;
  if (ctl3d_ == value) return;
  ctl3d_ = value;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TControl::SetParentCtl3D(bool value) {
  if (parent_ctl3d_ == value) return;
  parent_ctl3d_ = value;
  if (value) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TControl::CMParentCtl3DChanged(TMessage&) {
  if (!parent_ctl3d_ || !parent_) return;
  if (ctl3d_ == parent_->Ctl3D()) return;
  ctl3d_ = parent_->Ctl3D();
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TComponent* value) {
  if (popup_menu_ == value) return;
  if (popup_menu_) popup_menu_->RemoveFreeNotification(this);
  popup_menu_ = value;
  if (value) value->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popup_menu_) popup_menu_ = nullptr;
  if (operation == opRemove && action_link_ && component == action_link_->Action())
    action_link_.reset();
}

TBasicAction* TControl::Action() const {
  return action_link_ ? action_link_->Action() : nullptr;
}

void TControl::SetAction(TBasicAction* value) {
  if (value == Action()) return;
  if (TBasicAction* old = Action()) old->RemoveFreeNotification(this);
  if (!value) {
    action_link_.reset();
    return;
  }
  if (!action_link_) {
    action_link_ = std::make_unique<TBasicActionLink>(this);
    action_link_->OnChange = [this](TObject*) { ActionChange(Action(), false); };
  }
  action_link_->SetAction(value);
  value->FreeNotification(this);
  ActionChange(value, true);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || text_.empty() || text_ == Name()) SetCaption(a->Caption());
  if (!checkDefaults || hint_.empty()) SetHint(a->Hint());
  if (!checkDefaults || enabled_) SetEnabled(a->Enabled());
  if (!checkDefaults || visible_) SetVisible(a->Visible());
}

void TControl::SetAlign(TAlign value) {
  if (align_ == value) return;
  const TAlign old = align_;
  align_ = value;
  anchors_ = TAnchors{akLeft, akTop};
  if (old == alNone || value != alNone) RequestAlign();
  if (value == alNone) UpdateAnchorRules();
}

void TControl::SetAnchors(TAnchors value) {
  if (anchors_ == value) return;
  anchors_ = value;
  UpdateAnchorRules();
}

void TControl::SetAutoSize(bool value) {
  if (auto_size_ == value) return;
  auto_size_ = value;
  if (value) AdjustSize();
}

void TControl::RequestAlign() {
  if (parent_ && align_ != alNone) parent_->AlignControls(this);
}

void TControl::UpdateAnchorRules() {
  if (!parent_) return;
  const RECT r = parent_->ClientRect();
  anchor_parent_w_ = RectWidth(r);
  anchor_parent_h_ = RectHeight(r);
  anchor_right_ = anchor_parent_w_ - (left_ + width_);
  anchor_bottom_ = anchor_parent_h_ - (top_ + height_);
}

void TControl::AnchorToParent(Integer parentWidth, Integer parentHeight) {
  if (align_ != alNone || anchor_parent_w_ < 0) return;
  if (anchors_ == TAnchors{akLeft, akTop}) {
    UpdateAnchorRules();
    return;
  }
  Integer l = left_, t = top_, w = width_, h = height_;
  if (anchors_.Contains(akRight)) {
    if (anchors_.Contains(akLeft))
      w = parentWidth - anchor_right_ - l;
    else
      l = parentWidth - anchor_right_ - w;
  }
  if (anchors_.Contains(akBottom)) {
    if (anchors_.Contains(akTop))
      h = parentHeight - anchor_bottom_ - t;
    else
      t = parentHeight - anchor_bottom_ - h;
  }
  const Integer keepRight = anchor_right_, keepBottom = anchor_bottom_;
  SetBounds(l, t, std::max(w, 0), std::max(h, 0));
  // The rule holds for the next resize as it was, even where a constraint bent it now.
  anchor_right_ = keepRight;
  anchor_bottom_ = keepBottom;
  anchor_parent_w_ = parentWidth;
  anchor_parent_h_ = parentHeight;
}

void TControl::BringToFront() {
  if (parent_) parent_->ChangeZOrder(this, true);
}

void TControl::SendToBack() {
  if (parent_) parent_->ChangeZOrder(this, false);
}

bool TControl::MouseCapture() const {
  return GetCaptureControl() == this;
}

void TControl::SetMouseCapture(bool value) {
  if (MouseCapture() == value) return;
  SetCaptureControl(value ? this : nullptr);
}

void TControl::Click() {
  if (OnClick)
    OnClick(this);
  else if (action_link_)
    action_link_->Execute();
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, Integer x, Integer y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::WMMouseMove(TMessage& m) {
  DefaultHandler(m);
  if (Application) Application->HintMouseMessage(this, m);
  if (!control_style_.Contains(csNoStdEvents))
    MouseMove(MouseKeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
}

void TControl::WMButtonDown(TMessage& m, TMouseButton button, bool dbl) {
  // An automatic drag takes the press whole: the drag holds the mouse now.
  if (button == mbLeft && drag_mode_ == dmAutomatic && !dbl &&
      !ComponentState().Contains(csDesigning)) {
    NoteDragPress(ClientToScreen(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}));
    BeginAutoDrag();
    return;
  }
  DefaultHandler(m);
  if (Application) Application->HintMouseMessage(this, m);
  // A control that takes no double clicks sees the second press as a press.
  dbl = dbl && control_style_.Contains(csDoubleClicks);
  if (button == mbLeft) {
    if (control_style_.Contains(csCaptureMouse)) SetMouseCapture(true);
    // The release after a double click is no click of its own.
    if (control_style_.Contains(csClickEvents) && !dbl) SetControlStateFlag(csClicked, true);
    SetControlStateFlag(csLButtonDown, true);
    if (dbl && control_style_.Contains(csClickEvents)) DblClick();
  }
  if (control_style_.Contains(csNoStdEvents)) return;
  TShiftState shift = MouseKeysToShiftState(m.WParam);
  if (dbl) shift += ssDouble;
  MouseDown(button, shift, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
}

void TControl::WMButtonUp(TMessage& m, TMouseButton button) {
  DefaultHandler(m);
  const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  if (button == mbLeft) {
    SetControlStateFlag(csLButtonDown, false);
    if (control_style_.Contains(csCaptureMouse)) SetMouseCapture(false);
    if (control_state_.Contains(csClicked)) {
      SetControlStateFlag(csClicked, false);
      if (PtInRect(ClientRect(), p)) Click();
    }
  }
  if (!control_style_.Contains(csNoStdEvents))
    MouseUp(button, MouseKeysToShiftState(m.WParam), p.x, p.y);
}

// Another window took the mouse: a press in progress ends as a release
// outside the control, which is no click.
void TControl::WMCancelMode(TMessage&) {
  if (MouseCapture()) {
    SetMouseCapture(false);
    if (control_state_.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, MAKELPARAM(-1, -1));
  } else {
    SetControlStateFlag(csLButtonDown, false);
  }
}

void TControl::StoreBounds(Integer left, Integer top, Integer width, Integer height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void TControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  constraints_.Apply(width, height);
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  const bool sizeChanged = width != width_ || height != height_;
  StoreBounds(left, top, width, height);
  Invalidate();
  BoundsChanged(sizeChanged);
}

void TControl::BoundsChanged(bool sizeChanged) {
  UpdateAnchorRules();
  RequestAlign();
  if (sizeChanged) Resize();
}

RECT TControl::ClientRect() const {
  return RECT{0, 0, width_, height_};
}

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
  if (!value) Invalidate();
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value, 0);
  if (value) Invalidate();
  RequestAlign();
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

void TControl::WndProc(TMessage& message) {
  Dispatch(message);
}

void TControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_VISIBLECHANGED:
      CMVisibleChanged(message);
      break;
    case CM_ENABLEDCHANGED:
      CMEnabledChanged(message);
      break;
    case CM_TEXTCHANGED:
      CMTextChanged(message);
      break;
    case CM_FONTCHANGED:
      CMFontChanged(message);
      break;
    case CM_COLORCHANGED:
      CMColorChanged(message);
      break;
    case CM_PARENTFONTCHANGED:
      CMParentFontChanged(message);
      break;
    case CM_PARENTCOLORCHANGED:
      CMParentColorChanged(message);
      break;
    case CM_PARENTSHOWHINTCHANGED:
      CMParentShowHintChanged(message);
      break;
    case CM_CTL3DCHANGED:
      CMCtl3DChanged(message);
      break;
    case CM_PARENTCTL3DCHANGED:
      CMParentCtl3DChanged(message);
      break;
    case WM_CANCELMODE:
      WMCancelMode(message);
      break;
    case CM_DRAG:
      CMDrag(message);
      break;
    case WM_MOUSEMOVE:
      WMMouseMove(message);
      break;
    case WM_LBUTTONDOWN:
      WMButtonDown(message, mbLeft, false);
      break;
    case WM_LBUTTONDBLCLK:
      WMButtonDown(message, mbLeft, true);
      break;
    case WM_RBUTTONDOWN:
      WMButtonDown(message, mbRight, false);
      break;
    case WM_RBUTTONDBLCLK:
      WMButtonDown(message, mbRight, true);
      break;
    case WM_MBUTTONDOWN:
      WMButtonDown(message, mbMiddle, false);
      break;
    case WM_MBUTTONDBLCLK:
      WMButtonDown(message, mbMiddle, true);
      break;
    case WM_LBUTTONUP:
      WMButtonUp(message, mbLeft);
      break;
    case WM_RBUTTONUP:
      WMButtonUp(message, mbRight);
      break;
    case WM_MBUTTONUP:
      WMButtonUp(message, mbMiddle);
      break;
    default:
      DefaultHandler(message);
      break;
  }
}

// A control without a window keeps its text itself.
void TControl::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_SETTEXT:
      text_ = message.LParam ? reinterpret_cast<const char*>(message.LParam) : "";
      message.Result = TRUE;
      break;
    case WM_GETTEXTLENGTH:
      message.Result = static_cast<LRESULT>(text_.size());
      break;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(message.LParam);
      if (!buf || message.WParam == 0) break;
      const size_t n = std::min<size_t>(text_.size(), message.WParam - 1);
      std::memcpy(buf, text_.data(), n);
      buf[n] = '\0';
      message.Result = static_cast<LRESULT>(n);
      break;
    }
    default:
      break;
  }
}

void TControl::CMVisibleChanged(TMessage&) {}
void TControl::CMEnabledChanged(TMessage&) {}
void TControl::CMTextChanged(TMessage&) {}

// --- Painting --------------------------------------------------------------------

void TControl::Invalidate() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  const RECT r = BoundsRect();
  InvalidateRect(parent_->WindowHandle(), &r, control_style_.Contains(csOpaque) ? FALSE : TRUE);
}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}
