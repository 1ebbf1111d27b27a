// platform/controls/Drag.h
//
// The drag manager: dragging something from a control (the source) onto
// another (the target) with the left mouse button.
//
// TControl::BeginDrag starts a drag. The source's DoStartDrag (OnStartDrag)
// may hand in a drag object of its own (it stays the giver's: the manager
// never frees it); otherwise the manager makes a TDragControlObject for the
// source and frees it at the end. An immediate drag starts at once; a
// delayed one only once the pointer has moved the threshold away from where
// it started (a release before that ends it as a plain click).
//
// While the drag runs the manager holds the mouse capture in a hidden window
// of its own, so the source and target see only drag messages: CM_DRAG with
// wParam a TDragMessage and lParam a TDragRec*. The control under the pointer
// is asked which control it stands for (dmFindTarget, a windowed control
// answers its child without a window); a new target gets dmDragEnter and the
// one it replaces dmDragLeave; every move sends dmDragMove. Enter, leave and
// move answer whether the target accepts the drag (TControl::DragOver, event
// OnDragOver). The cursor is the drag object's GetDragCursor for that answer
// (crNoDrop when refused, the source's DragCursor otherwise).
//
// Releasing the button over a target that accepts sends dmDragDrop
// (TControl::DragDrop, OnDragDrop); releasing elsewhere, Escape, losing the
// capture or EndDrag(false) send dmDragCancel to the target there is. The
// source then hears DoEndDrag (OnEndDrag) with the target that took the drop
// (nullptr when none did). Pressing or releasing Ctrl re-asks the target at
// the same point, so a cursor that depends on it changes at once.
//
// Drag images: when the drag object has images (GetDragImages, the source's
// by default), they are shown at the pointer for the whole drag; a target
// that repaints under them hides them around the change (HideDragImage /
// ShowDragImage).
//
// One drag at a time, GUI thread only.
#pragma once

#include "platform/controls/Control.h"
#include "platform/controls/ImageLists.h"
#include "platform/rtl/Object.h"
#include "platform/win/WinStructs.h"

enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };
// What a CM_DRAG message carries. Pos is on the screen.
struct TDragRec {
  POINT Pos;
  TDragObject* Source = nullptr;
  TControl* Target = nullptr;
};

// Images shown under the pointer while dragging: a list whose image
// DragIndex is drawn with its hot spot at the pointer.
class TDragImageList : public TCustomImageList {
  ZORVET_CLASS_NAME(TDragImageList)

 public:
  using TCustomImageList::TCustomImageList;
  ~TDragImageList() override;

  // Chooses the image and its hot spot; false when there is no such image.
  bool SetDragImage(Integer index, Integer hotSpotX, Integer hotSpotY);
  Integer DragIndex() const { return drag_index_; }
  POINT DragHotspot() const { return hot_spot_; }
  bool Dragging() const { return dragging_; }

  // Starts showing the image over `window` at its client point (x, y).
  bool BeginDrag(HWND window, Integer x, Integer y);
  bool DragMove(Integer x, Integer y);
  void HideDragImage();
  void ShowDragImage();
  bool EndDrag();

 private:
  Integer drag_index_ = 0;
  POINT hot_spot_;
  bool dragging_ = false;
  HWND window_ = nullptr;
};

class TDragObject : public TObject {
  ZORVET_CLASS_NAME(TDragObject)

 public:
  // The cursor number to show; `accepted` tells whether the target takes
  // the drag at screen point (x, y).
  virtual TCursor GetDragCursor(bool accepted, Integer x, Integer y);
  // Images to show under the pointer (nullptr: none).
  virtual TDragImageList* GetDragImages() { return nullptr; }
  // Hides and shows the drag images, for a target that draws beneath them.
  void HideDragImage();
  void ShowDragImage();

  TControl* DragTarget() const { return drag_target_; }
  POINT DragPos() const { return drag_pos_; }
  // The pointer in the target's client coordinates.
  POINT DragTargetPos() const { return drag_target_pos_; }
  bool Cancelling() const { return cancelling_; }
  bool Dropped() const { return dropped_; }

 private:
  friend class TDragManager;
  TControl* drag_target_ = nullptr;
  POINT drag_pos_;
  POINT drag_target_pos_;
  bool cancelling_ = false;
  bool dropped_ = false;
};

// The drag of a control: what the events see as the drag's Source is the control.
class TDragControlObject : public TDragObject {
  ZORVET_CLASS_NAME(TDragControlObject)

 public:
  explicit TDragControlObject(TControl* control) : control_(control) {}
  TControl* Control() const { return control_; }
  TCursor GetDragCursor(bool accepted, Integer x, Integer y) override;
  TDragImageList* GetDragImages() override;

 private:
  TControl* control_;
};

// What the drag events name as the source: a control object's control, else the object.
TObject* DragSourceOf(TDragObject* source);

// Whether a drag is running (past its threshold or waiting for it).
bool DragActive();
// The drag object of the running drag, or nullptr.
TDragObject* DragObject();
// The control that started the running drag, or nullptr.
TControl* DragControl();
// Ends the running drag: with `drop`, dropped where the pointer is (when
// the target accepts), else cancelled.
void EndDragging(bool drop);
// Starts a drag from `control` (TControl::BeginDrag). A threshold below 0
// takes the system's drag distance.
void BeginDragging(TControl* control, bool immediate, Integer threshold);
// The left button was pressed at a screen point: a drag begun for this
// press counts its threshold from there.
void NoteDragPress(POINT screen);
// A key message taken from the queue while a drag runs; true when the drag
// took it (Escape, Ctrl).
bool DragKeyMessage(const MSG& msg);
// A control goes away: a drag that involves it is cancelled.
void DragControlDestroyed(TControl* control);
