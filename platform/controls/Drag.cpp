// platform/controls/Drag.cpp
#include "platform/controls/Drag.h"

#include <cstdlib>
#include <memory>

#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"
#include "platform/controls/WinControl.h"
#include "platform/win/Cursor.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

// --- Drag images -----------------------------------------------------------------

TDragImageList::~TDragImageList() {
  if (dragging_) EndDrag();
}

bool TDragImageList::SetDragImage(Integer index, Integer hotSpotX, Integer hotSpotY) {
  if (index < 0 || index >= Count()) return false;
  drag_index_ = index;
  hot_spot_ = POINT{hotSpotX, hotSpotY};
  return true;
}

bool TDragImageList::BeginDrag(HWND window, Integer x, Integer y) {
  if (dragging_ || !HandleAllocated() || Count() == 0) return false;
  if (!ImageList_BeginDrag(Handle(), drag_index_, hot_spot_.x, hot_spot_.y)) return false;
  dragging_ = true;
  window_ = window;
  ImageList_DragEnter(window, x, y);
  return true;
}

bool TDragImageList::DragMove(Integer x, Integer y) {
  return dragging_ && ImageList_DragMove(x, y);
}

void TDragImageList::HideDragImage() {
  if (dragging_) ImageList_DragShowNolock(FALSE);
}

void TDragImageList::ShowDragImage() {
  if (dragging_) ImageList_DragShowNolock(TRUE);
}

bool TDragImageList::EndDrag() {
  if (!dragging_) return false;
  dragging_ = false;
  ImageList_DragLeave(window_);
  ImageList_EndDrag();
  window_ = nullptr;
  return true;
}

// --- Drag objects ----------------------------------------------------------------

TCursor TDragObject::GetDragCursor(bool accepted, Integer, Integer) {
  return accepted ? crDrag : crNoDrop;
}

void TDragObject::HideDragImage() {
  if (TDragImageList* images = GetDragImages()) images->HideDragImage();
}

void TDragObject::ShowDragImage() {
  if (TDragImageList* images = GetDragImages()) images->ShowDragImage();
}

TCursor TDragControlObject::GetDragCursor(bool accepted, Integer, Integer) {
  return accepted ? control_->DragCursor() : crNoDrop;
}

TDragImageList* TDragControlObject::GetDragImages() {
  return control_->GetDragImages();
}

TObject* DragSourceOf(TDragObject* source) {
  if (auto* c = dynamic_cast<TDragControlObject*>(source)) return c->Control();
  return source;
}

// --- The manager -----------------------------------------------------------------

class TDragManager {
 public:
  static TDragManager* Current() { return current_.get(); }

  static void Begin(TControl* control, bool immediate, Integer threshold) {
    if (current_ || !control) return;
    current_.reset(new TDragManager(control, threshold));
    TDragManager* d = current_.get();
    // The capture window first: a press that ends before the threshold must
    // come here, not to the control.
    d->window_ = AllocateHWnd([](TMessage& m) {
      if (TDragManager* cur = Current()) cur->WindowMessage(m);
    });
    SetCapture(d->window_);
    // The threshold counts from the press; the pointer may be further on
    // already when the press is handled.
    if (press_noted_ && GetKeyState(VK_LBUTTON) < 0)
      d->start_ = press_;
    else
      GetCursorPos(&d->start_);
    press_noted_ = false;
    if (immediate) {
      POINT p;
      GetCursorPos(&p);
      d->Start(p);
    }
  }

  static void Finish(bool drop) {
    if (TDragManager* d = Current()) d->End(drop);
  }

  TControl* control_;
  TDragObject* object_ = nullptr;
  std::unique_ptr<TDragObject> own_object_;
  bool started_ = false;

  void ControlGone(TControl* control) {
    if (control == target_) {
      target_ = nullptr;
      if (object_) object_->drag_target_ = nullptr;
    }
    if (control == control_) {
      control_ = nullptr;
      End(false);
    }
  }

  bool KeyMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP) return false;
    if (msg.wParam == VK_ESCAPE) {
      if (msg.message == WM_KEYDOWN) End(false);
      return true;
    }
    if (msg.wParam == VK_CONTROL || msg.wParam == VK_SHIFT) {
      // The key state is already the new one: ask the target again, so
      // that a cursor that depends on the key changes at once.
      if (started_) {
        POINT p;
        GetCursorPos(&p);
        MoveTo(p);
      }
    }
    return true;
  }

 private:
  TDragManager(TControl* control, Integer threshold) : control_(control) {
    threshold_ = threshold >= 0 ? threshold : GetSystemMetrics(SM_CXDRAG);
    if (threshold_ <= 0) threshold_ = 5;
  }

  static std::unique_ptr<TDragManager> current_;

 public:
  static POINT press_;
  static bool press_noted_;

 private:
  // Past the threshold: the drag object is made and the images shown.
  void Start(POINT p) {
    if (started_) return;
    started_ = true;
    TDragObject* given = nullptr;
    control_->DoStartDrag(given);
    if (!current_ || current_.get() != this) return;  // ended from the handler
    if (given) {
      object_ = given;
    } else {
      own_object_ = std::make_unique<TDragControlObject>(control_);
      object_ = own_object_.get();
    }
    // The images are drawn over the source's top-level window.
    if (auto* w = dynamic_cast<TWinControl*>(control_) ? dynamic_cast<TWinControl*>(control_)
                                                       : control_->Parent();
        w && w->HandleAllocated())
      image_window_ = GetAncestor(w->WindowHandle(), GA_ROOT);
    if (TDragImageList* images = object_->GetDragImages()) {
      const POINT at = ImagePoint(p);
      images->BeginDrag(image_window_, at.x, at.y);
    }
    MoveTo(p);
  }

  LRESULT Send(TControl* target, TDragMessage kind, POINT pos) {
    TDragRec rec;
    rec.Pos = pos;
    rec.Source = object_;
    rec.Target = target;
    return target->Perform(CM_DRAG, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(&rec));
  }

  // The control under a screen point that stands for the drop.
  TControl* FindTarget(POINT pos) {
    HWND h = WindowFromPoint(pos);
    TWinControl* w = nullptr;
    while (h && !(w = TWinControl::FindControl(h))) h = GetParent(h);
    if (!w) return nullptr;
    LRESULT r = Send(w, dmFindTarget, pos);
    return r ? reinterpret_cast<TControl*>(r) : w;
  }

  void MoveTo(POINT pos) {
    if (!started_ || ending_) return;
    object_->drag_pos_ = pos;
    if (TDragImageList* images = object_->GetDragImages()) {
      const POINT at = ImagePoint(pos);
      images->DragMove(at.x, at.y);
    }
    TControl* target = FindTarget(pos);
    if (target != target_) {
      if (target_) {
        Send(target_, dmDragLeave, pos);
        if (!current_ || ending_) return;
      }
      target_ = target;
      object_->drag_target_ = target;
      if (target_) {
        object_->drag_target_pos_ = target_->ScreenToClient(pos);
        accepted_ = Send(target_, dmDragEnter, pos) != 0;
        if (!current_ || ending_) return;
      }
    }
    accepted_ = false;
    if (target_) {
      object_->drag_target_pos_ = target_->ScreenToClient(pos);
      accepted_ = Send(target_, dmDragMove, pos) != 0;
      if (!current_ || ending_) return;
    }
    const TCursor cursor = object_->GetDragCursor(accepted_, pos.x, pos.y);
    ::SetCursor(Screen ? Screen->Cursors(cursor) : CursorOfId(cursor));
  }

  void WindowMessage(TMessage& m) {
    switch (m.Msg) {
      case WM_MOUSEMOVE: {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ClientToScreen(window_, &p);
        if (started_)
          MoveTo(p);
        else if (std::abs(p.x - start_.x) >= threshold_ || std::abs(p.y - start_.y) >= threshold_)
          Start(p);
        break;
      }
      case WM_LBUTTONUP: {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ClientToScreen(window_, &p);
        if (started_ && (p.x != object_->drag_pos_.x || p.y != object_->drag_pos_.y)) MoveTo(p);
        End(true);
        break;
      }
      case WM_RBUTTONDOWN:
      case WM_CANCELMODE:
        End(false);
        break;
      case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(m.LParam) != window_ && !ending_) End(false);
        break;
      default:
        break;
    }
  }

  void End(bool drop) {
    if (ending_) return;
    ending_ = true;
    // Keep the manager alive until the end even if a handler starts anew.
    std::unique_ptr<TDragManager> self = std::move(current_);
    if (window_) {
      if (GetCapture() == window_) ReleaseCapture();
      DeallocateHWnd(window_);
      window_ = nullptr;
    }
    if (!started_) return;
    if (TDragImageList* images = object_->GetDragImages()) images->EndDrag();
    const bool dropped = drop && target_ && accepted_;
    object_->dropped_ = dropped;
    object_->cancelling_ = !dropped;
    TControl* target = target_;
    POINT targetPos{0, 0};
    if (target) {
      targetPos = target->ScreenToClient(object_->drag_pos_);
      Send(target, dropped ? dmDragDrop : dmDragCancel, object_->drag_pos_);
    }
    ::SetCursor(Screen ? Screen->Cursors(crDefault) : CursorOfId(crDefault));
    // The source learns last: it may free a drag object it gave.
    if (control_) {
      control_->DoEndDrag(dropped ? target : nullptr, dropped ? targetPos.x : 0,
                          dropped ? targetPos.y : 0);
    }
  }

  // A screen point relative to the window the images are drawn over.
  POINT ImagePoint(POINT screen) const {
    RECT r{0, 0, 0, 0};
    if (image_window_) GetWindowRect(image_window_, &r);
    return POINT{screen.x - r.left, screen.y - r.top};
  }

  HWND window_ = nullptr;
  HWND image_window_ = nullptr;
  POINT start_;
  Integer threshold_ = 5;
  TControl* target_ = nullptr;
  bool accepted_ = false;
  bool ending_ = false;
};

std::unique_ptr<TDragManager> TDragManager::current_;
POINT TDragManager::press_;
bool TDragManager::press_noted_ = false;

void NoteDragPress(POINT screen) {
  TDragManager::press_ = screen;
  TDragManager::press_noted_ = true;
}

bool DragActive() {
  return TDragManager::Current() != nullptr;
}

TDragObject* DragObject() {
  TDragManager* d = TDragManager::Current();
  return d ? d->object_ : nullptr;
}

TControl* DragControl() {
  TDragManager* d = TDragManager::Current();
  return d ? d->control_ : nullptr;
}

void EndDragging(bool drop) {
  TDragManager::Finish(drop);
}

void BeginDragging(TControl* control, bool immediate, Integer threshold) {
  TDragManager::Begin(control, immediate, threshold);
}

bool DragKeyMessage(const MSG& msg) {
  TDragManager* d = TDragManager::Current();
  return d && d->KeyMessage(msg);
}

void DragControlDestroyed(TControl* control) {
  if (TDragManager* d = TDragManager::Current()) d->ControlGone(control);
}

// --- TControl's side ---------------------------------------------------------------

void TControl::BeginDrag(bool immediate, Integer threshold) {
  if (ComponentState().Contains(csDesigning) || DragActive()) return;
  BeginDragging(this, immediate, threshold);
}

void TControl::EndDrag(bool drop) {
  if (Dragging()) EndDragging(drop);
}

bool TControl::Dragging() const {
  return DragActive() && DragControl() == this;
}

void TControl::DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) {
  accept = false;
  if (OnDragOver) {
    accept = true;
    OnDragOver(this, source, x, y, state, accept);
  }
}

void TControl::DragDrop(TObject* source, Integer x, Integer y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag(TDragObject*& dragObject) {
  if (OnStartDrag) OnStartDrag(this, dragObject);
}

void TControl::DoEndDrag(TObject* target, Integer x, Integer y) {
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::CMDrag(TMessage& message) {
  auto* rec = reinterpret_cast<TDragRec*>(message.LParam);
  if (!rec) return;
  const POINT p = ScreenToClient(rec->Pos);
  const auto kind = static_cast<TDragMessage>(message.WParam);
  switch (kind) {
    case dmFindTarget: {
      TControl* found = this;
      if (auto* w = dynamic_cast<TWinControl*>(this))
        if (TControl* child = w->ControlAtPos(p, false)) found = child;
      message.Result = reinterpret_cast<LRESULT>(found);
      break;
    }
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
      static constexpr TDragState kStates[] = {dsDragEnter, dsDragLeave, dsDragMove};
      bool accept = false;
      DragOver(DragSourceOf(rec->Source), p.x, p.y, kStates[kind], accept);
      message.Result = accept ? 1 : 0;
      break;
    }
    case dmDragDrop:
      DragDrop(DragSourceOf(rec->Source), p.x, p.y);
      break;
    case dmDragCancel:
      break;
  }
}
