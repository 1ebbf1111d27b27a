// ui/ZxSplitter.cpp
#include "ui/ZxSplitter.h"

#include <algorithm>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Cursor.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowPos.h"

namespace {
bool IsSide(TAlign a) {
  return a == alTop || a == alBottom || a == alLeft || a == alRight;
}
}  // namespace

TZxSplitter::TZxSplitter(TComponent* owner) : TCustomPanel(owner) {
  SetBounds(Left(), Top(), 185, 3);
  SetParentCtl3D(false);
  SetCtl3D(false);
}

TZxSplitter::~TZxSplitter() {
  if (sizing_) StopSizing(false);
}

void TZxSplitter::SetControl(TControl*& field, TControl* value) {
  if (value == this || dynamic_cast<TCustomForm*>(value)) value = nullptr;
  if (field == value) return;
  TControl* other = &field == &control_first_ ? control_second_ : control_first_;
  if (field && field != other) field->RemoveFreeNotification(this);
  field = value;
  if (value) value->FreeNotification(this);
  if (!ComponentState().Contains(csLoading)) UpdateCursor();
}

void TZxSplitter::SetControlFirst(TControl* value) {
  SetControl(control_first_, value);
}
void TZxSplitter::SetControlSecond(TControl* value) {
  SetControl(control_second_, value);
}

void TZxSplitter::Notification(TComponent* component, TOperation operation) {
  TCustomPanel::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == control_first_ || component == control_second_) {
    if (sizing_) StopSizing(false);
    if (component == control_first_) control_first_ = nullptr;
    if (component == control_second_) control_second_ = nullptr;
  }
}

void TZxSplitter::SetAlign(TAlign value) {
  const bool wasSide = IsSide(Align());
  TCustomPanel::SetAlign(value);
  if (!wasSide && !ComponentState().Contains(csLoading)) {
    if (value == alTop || value == alBottom)
      SetHeight(3);
    else if (value == alLeft || value == alRight)
      SetWidth(3);
  }
  if (!control_first_ && !control_second_ && Parent() && IsSide(value)) {
    POINT p{Left() + Width() / 2, Top() + Height() / 2};
    switch (value) {
      case alTop:
        p.y = Top() - 1;
        break;
      case alBottom:
        p.y = Top() + Height();
        break;
      case alLeft:
        p.x = Left() - 1;
        break;
      case alRight:
        p.x = Left() + Width();
        break;
      default:
        break;
    }
    TControl* beside = Parent()->ControlAtPos(p, true, true);
    if (beside != this) SetControlFirst(beside);
  }
  if (!ComponentState().Contains(csLoading)) UpdateCursor();
}

int TZxSplitter::SizingLayout() const {
  if (!control_first_) return 0;
  const TAlign first = control_first_->Align();
  const bool secondFree = !control_second_ || control_second_->Align() == alNone ||
                          control_second_->Align() == alClient;
  const TAlign second = control_second_ ? control_second_->Align() : alNone;
  if ((first == alTop || first == alBottom) && secondFree) return Align() == first ? 1 : 0;
  if (first == alClient && (second == alBottom || second == alTop))
    return Align() == second ? 2 : 0;
  if ((first == alLeft || first == alRight) && secondFree) return Align() == first ? 3 : 0;
  if (first == alClient && (second == alRight || second == alLeft))
    return Align() == second ? 4 : 0;
  return 0;
}

void TZxSplitter::UpdateCursor() {
  switch (SizingLayout()) {
    case 1:
    case 2:
      SetCursor(crVSplit);
      break;
    case 3:
    case 4:
      SetCursor(crHSplit);
      break;
    default:
      SetCursor(crDefault);
      break;
  }
}

void TZxSplitter::Loaded() {
  TCustomPanel::Loaded();
  UpdateCursor();
}

void TZxSplitter::DefineProperties(TFiler* filer) {
  TCustomPanel::DefineProperties(filer);
  // Older definitions stored one value for both limits; it is read, never written.
  filer->DefineProperty(
      "LimitOffset",
      [this](TReader* reader) {
        const Integer v = reader->ReadInteger();
        top_left_limit_ = v;
        bottom_right_limit_ = v;
      },
      nullptr, false);
}

// --- Dragging ------------------------------------------------------------------------

void TZxSplitter::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TCustomPanel::MouseDown(button, shift, x, y);
  if (button != mbLeft || sizing_ || ComponentState().Contains(csDesigning)) return;
  layout_ = SizingLayout();
  if (layout_ != 0) StartSizing(x, y);
}

void TZxSplitter::StartSizing(Integer x, Integer y) {
  form_ = GetParentForm(this);
  if (!form_ || !Parent()) return;
  sizing_ = true;
  if (Application) {
    old_show_hint_ = Application->ShowHint();
    Application->SetShowHint(false);
  }
  SetMouseCapture(true);
  old_key_down_ = form_->OnKeyDown;
  form_->OnKeyDown = [this](TObject* sender, Word& key, TShiftState shift) {
    ControlKeyDown(sender, key, shift);
  };
  start_ = POINT{x, y};
  offset_ = 0;
  beyond_limit_ = false;
  const RECT client = Parent()->ClientRect();
  if (Horizontal()) {
    min_offset_ = top_left_limit_ - Left();
    max_offset_ = RectWidth(client) - bottom_right_limit_ - (Left() + Width());
  } else {
    min_offset_ = top_left_limit_ - Top();
    max_offset_ = RectHeight(client) - bottom_right_limit_ - (Top() + Height());
  }
  // The line crosses the controls beside the splitter, so it is drawn on the
  // parent's client area unclipped by its children (the parent is the form
  // in the main window): a context of the splitter clipped as its parent.
  dc_ = GetDCEx(Handle(), nullptr, DCX_CACHE | DCX_PARENTCLIP | DCX_LOCKWINDOWUPDATE);
  const Integer thickness = Horizontal() ? Width() : Height();
  pen_ = CreatePen(PS_SOLID, std::max(thickness - 2, 2), RGB(255, 255, 255));
  old_pen_ = SelectObject(dc_, pen_);
  SetROP2(dc_, R2_XORPEN);
  DrawLine(offset_);
}

Integer TZxSplitter::ClampOffset(Integer offset) const {
  // The lower limit wins when the parent is too small for both.
  return std::max(std::min(offset, max_offset_), min_offset_);
}

void TZxSplitter::DrawLine(Integer offset) {
  if (!dc_) return;
  if (Horizontal()) {
    const Integer x = Width() / 2 + offset;
    MoveToEx(dc_, x, 0, nullptr);
    LineTo(dc_, x, Height());
  } else {
    const Integer y = Height() / 2 + offset;
    MoveToEx(dc_, 0, y, nullptr);
    LineTo(dc_, Width(), y);
  }
}

void TZxSplitter::MouseMove(TShiftState shift, Integer x, Integer y) {
  TCustomPanel::MouseMove(shift, x, y);
  if (!sizing_) return;
  const Integer wanted = Horizontal() ? x - start_.x : y - start_.y;
  const Integer clamped = ClampOffset(wanted);
  const bool beyond = clamped != wanted;
  if (beyond != beyond_limit_) {
    beyond_limit_ = beyond;
    ::SetCursor(CursorOfId(beyond ? crNoDrop : Cursor()));
  }
  if (clamped == offset_) return;
  DrawLine(offset_);
  offset_ = clamped;
  DrawLine(offset_);
}

void TZxSplitter::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TCustomPanel::MouseUp(button, shift, x, y);
  if (button == mbLeft && sizing_) StopSizing(true);
}

void TZxSplitter::ControlKeyDown(TObject* sender, Word& key, TShiftState shift) {
  if (key == VK_ESCAPE) {
    StopSizing(false);
    key = 0;
    return;
  }
  if (old_key_down_) old_key_down_(sender, key, shift);
}

void TZxSplitter::StopSizing(bool apply) {
  if (!sizing_) return;
  // First, so that the capture change the release causes finds the drag over.
  sizing_ = false;
  if (MouseCapture()) SetMouseCapture(false);
  bool allow = true;
  if (apply && OnPosChanging) {
    const Integer x = Horizontal() ? start_.x + offset_ : start_.x;
    const Integer y = Horizontal() ? start_.y : start_.y + offset_;
    OnPosChanging(this, x, y, allow);
  }
  DrawLine(offset_);
  if (dc_) {
    SelectObject(dc_, old_pen_);
    ReleaseDC(WindowHandle(), dc_);
    dc_ = nullptr;
  }
  if (pen_) DeleteObject(pen_);
  pen_ = nullptr;
  old_pen_ = nullptr;
  if (beyond_limit_) ::SetCursor(CursorOfId(Cursor()));
  beyond_limit_ = false;
  if (apply && allow && Parent()) {
    TControl* resized = (layout_ == 1 || layout_ == 3) ? control_first_ : control_second_;
    if (resized) {
      const RECT client = Parent()->ClientRect();
      Integer delta = offset_;
      const TAlign far = Horizontal() ? alRight : alBottom;
      if ((control_first_ && control_first_->Align() == far) ||
          (control_second_ && control_second_->Align() == far))
        delta = -delta;
      const Integer limit =
          Horizontal() ? RectWidth(client) - Width() : RectHeight(client) - Height();
      Integer size = (Horizontal() ? resized->Width() : resized->Height()) + delta;
      if (size >= limit) size = limit - 3;
      if (size < 1) size = 1;
      Parent()->DisableAlign();
      TScopeExit align([this] { Parent()->EnableAlign(); });
      if (Horizontal())
        resized->SetWidth(size);
      else
        resized->SetHeight(size);
    }
  }
  if (Application) Application->SetShowHint(old_show_hint_);
  if (form_) form_->OnKeyDown = std::move(old_key_down_);
  old_key_down_ = nullptr;
  form_ = nullptr;
  if (apply && allow && OnPosChanged) OnPosChanged(this);
}

// Anything that takes the mouse away mid-drag ends the drag as Escape does.
void TZxSplitter::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_CANCELMODE:
      if (sizing_) StopSizing(false);
      break;
    case WM_CAPTURECHANGED:
      if (sizing_ && !releasing_ && reinterpret_cast<HWND>(message.LParam) != WindowHandle())
        StopSizing(false);
      break;
    case WM_LBUTTONUP:
      // The release gives the capture up before MouseUp applies the drag;
      // that loss of the capture is the drag's own end, not a cancel.
      if (sizing_) {
        {
          const auto releasing = SetForScope(releasing_, true);
          TCustomPanel::Dispatch(message);
        }
        if (sizing_) StopSizing(false);
        return;
      }
      break;
    default:
      break;
  }
  TCustomPanel::Dispatch(message);
}
