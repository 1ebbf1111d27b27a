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
// Mouse. A control sees the mouse through MouseDown, MouseMove and MouseUp
// (virtual; the events OnMouseDown, ... fire from them), in its client
// coordinates. A control without a window gets the mouse messages of its
// parent's window while the pointer is over it (or while it holds the
// capture). A press and release of the left button on a control with
// csClickEvents is a Click (OnClick); a double click is DblClick. With
// csCaptureMouse the control holds the mouse capture from the press to the
// release (MouseCapture); WM_CANCELMODE takes it away and ends the press as a
// release outside the control (no Click).
//
// Inherited looks. Font, Color, ShowHint and Ctl3D follow the parent's while
// ParentFont, ParentColor, ParentShowHint and ParentCtl3D are set (the
// default); setting the property itself clears the Parent... flag.
//
// Placement. Align glues the control to a side of its parent's client area
// (see TWinControl::AlignControls for the order); Anchors keep a control
// that is not aligned at its distance from the sides named when the parent
// is resized; Constraints bound the size every SetBounds gives.
//
// Threads: GUI thread only.
#pragma once

#include <memory>

#include "platform/controls/ControlMessages.h"
#include "platform/controls/GraphicsObjects.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Set.h"
#include "platform/win/WinStructs.h"

class TWinControl;
class TBasicAction;
class TBasicActionLink;
class TDragObject;
class TDragImageList;

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

enum TControlStateFlag {
  csLButtonDown,
  csClicked,
  csFocusing,
  csCreating,
  csDestroyingHandle,
  csRecreating,
  csAlignmentNeeded,
  csCustomPaint
};
using TControlState = Set<TControlStateFlag>;

enum TControlStyleFlag {
  csAcceptsControls,
  csCaptureMouse,
  csClickEvents,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csReplicatable,
  csNoStdEvents
};
using TControlStyle = Set<TControlStyleFlag>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = Set<TAnchorKind>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateFlag>;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                       Integer X, Integer Y)>;
using TMouseMoveEvent =
    std::function<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// Dragging (see Drag.h). Source is what is dragged: the source control for
// a control's own drag.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, Integer X, Integer Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, Integer X, Integer Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, Integer X, Integer Y)>;

// The shift state of a mouse message's wParam (MK_ flags) plus Alt.
TShiftState MouseKeysToShiftState(WPARAM keys);
// The shift state of a key message, from the key state at the time.
TShiftState KeyDataToShiftState(LPARAM keyData);

// The smallest and largest size a control may take; 0 means no bound.
class TSizeConstraints : public TPersistent {
  ZORVET_CLASS_NAME(TSizeConstraints)

 public:
  Integer MinWidth() const { return min_width_; }
  Integer MinHeight() const { return min_height_; }
  Integer MaxWidth() const { return max_width_; }
  Integer MaxHeight() const { return max_height_; }
  void SetMinWidth(Integer v) { Set(min_width_, v); }
  void SetMinHeight(Integer v) { Set(min_height_, v); }
  void SetMaxWidth(Integer v) { Set(max_width_, v); }
  void SetMaxHeight(Integer v) { Set(max_height_, v); }
  // Bounds a width and a height (a maximum below the minimum loses).
  void Apply(Integer& width, Integer& height) const;

  TNotifyEvent OnChange;

 private:
  void Set(Integer& field, Integer v) {
    if (v < 0 || field == v) return;
    field = v;
    if (OnChange) OnChange(this);
  }
  Integer min_width_ = 0, min_height_ = 0, max_width_ = 0, max_height_ = 0;
};

class TControl : public TComponent {
  ZORVET_CLASS_NAME(TControl)

 public:
  explicit TControl(TComponent* owner);
  // Gives up the mouse capture and leaves the parent.
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

  TAlign Align() const { return align_; }
  virtual void SetAlign(TAlign value);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors value);
  TSizeConstraints* Constraints() { return &constraints_; }
  bool AutoSize() const { return auto_size_; }
  virtual void SetAutoSize(bool value);

  // The parent's controls are kept in z-order, the topmost last.
  void BringToFront();
  void SendToBack();

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
  void SetControlStyle(TControlStyle value) { control_style_ = value; }

  TFont* Font() { return font_.get(); }
  void SetFont(const TFont* value) { font_->Assign(value); }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool value);
  const String& Hint() const { return hint_; }
  void SetHint(const String& value) { hint_ = value; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool value);
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const { return parent_ctl3d_; }
  void SetParentCtl3D(bool value);
  // The control's popup menu component (nullptr: none); cleared when it is freed.
  TComponent* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TComponent* value);

  // Mouse capture (see above). Setting it on a control without a window
  // captures the parent's window on its behalf.
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  // Repainting: Invalidate marks the control's area for the next paint,
  // Update paints what is marked now, Repaint and Refresh do both.
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // The action the control follows (caption, hint, enabled, visible); a
  // click without an OnClick executes it. nullptr: none.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);

  // Fires OnClick (or executes the action) / OnDblClick.
  virtual void Click();
  virtual void DblClick();

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // Dragging (see Drag.h). With dmAutomatic a left press starts a drag
  // (BeginAutoDrag). A threshold below 0 takes the system's drag distance.
  TDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(TDragMode value) { drag_mode_ = value; }
  TCursor DragCursor() const { return drag_cursor_; }
  void SetDragCursor(TCursor value) { drag_cursor_ = value; }
  void BeginDrag(bool immediate, Integer threshold = -1);
  // Ends this control's drag: dropped where the pointer is, or cancelled.
  void EndDrag(bool drop);
  bool Dragging() const;
  // The images shown under the pointer while this control is dragged.
  virtual TDragImageList* GetDragImages() { return nullptr; }
  // A drop on this control: fires OnDragDrop.
  virtual void DragDrop(TObject* source, Integer x, Integer y);
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

  // Sends a message straight to the control's WindowProc.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

  // The entry of every message; replaceable (see above).
  TWndMethod WindowProc;

  virtual void WndProc(TMessage& message);
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // The drag steps: whether a drag over the control is taken (the base
  // accepts when OnDragOver says so), the start (OnStartDrag; may give a
  // drag object) and the end (OnEndDrag, target nullptr when nothing took
  // the drop). CMDrag handles CM_DRAG.
  virtual void DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept);
  virtual void DoStartDrag(TDragObject*& dragObject);
  virtual void DoEndDrag(TObject* target, Integer x, Integer y);
  virtual void CMDrag(TMessage& message);
  virtual void BeginAutoDrag() { BeginDrag(false); }

  virtual void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
  virtual void MouseMove(TShiftState shift, Integer x, Integer y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
  // The size changed: fires OnResize.
  virtual void Resize();
  // Asks the parent to align again after this control's bounds, alignment
  // or visibility changed.
  void RequestAlign();
  // Fits the control to its content when AutoSize is on; the base does nothing.
  virtual void AdjustSize() {}
  // The bounds have just been stored; the base realigns and fires Resize.
  virtual void BoundsChanged(bool sizeChanged);
  // Takes the parent's font, colour, hint flag and 3-D look where inherited.
  virtual void ParentChanged();
  virtual void CMFontChanged(TMessage& message);
  virtual void CMColorChanged(TMessage& message);
  virtual void CMParentFontChanged(TMessage& message);
  virtual void CMParentColorChanged(TMessage& message);
  virtual void CMParentShowHintChanged(TMessage& message);
  virtual void CMParentCtl3DChanged(TMessage& message);
  virtual void CMCtl3DChanged(TMessage& message) {
    Invalidate();
    (void)message;
  }
  virtual void WMCancelMode(TMessage& message);
  virtual void WMMouseMove(TMessage& message);
  virtual void WMButtonDown(TMessage& message, TMouseButton button, bool dbl);
  virtual void WMButtonUp(TMessage& message, TMouseButton button);
  // The anchored distances to the parent's sides, remembered after a move.
  void UpdateAnchorRules();
  // Applies the anchors after the parent's client area changed size.
  void AnchorToParent(Integer parentWidth, Integer parentHeight);

  void SetControlStateFlag(TControlStateFlag flag, bool on);
  TControlStyle control_style_;
  // Stores bounds without telling anyone (windowed controls learn them from the window).
  void StoreBounds(Integer left, Integer top, Integer width, Integer height);

  virtual void CMVisibleChanged(TMessage& message);
  virtual void CMEnabledChanged(TMessage& message);
  virtual void CMTextChanged(TMessage& message);
  // Takes the linked action's state; with checkDefaults (when the action is
  // first assigned) only where the control still has its default.
  virtual void ActionChange(TObject* sender, bool checkDefaults);

  String text_;

 private:
  friend class TWinControl;
  friend class TDragManager;
  std::unique_ptr<TBasicActionLink> action_link_;
  TDragMode drag_mode_ = dmManual;
  TCursor drag_cursor_ = crDrag;
  TWinControl* parent_ = nullptr;
  Integer left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  TCursor cursor_ = crDefault;
  TControlState control_state_;
  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  TSizeConstraints constraints_;
  bool auto_size_ = false;
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  bool parent_font_ = true;
  TColor color_ = clWindow;
  bool parent_color_ = true;
  String hint_;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  bool ctl3d_ = true;
  bool parent_ctl3d_ = true;
  TComponent* popup_menu_ = nullptr;
  // Anchor distances: right and bottom gaps, and the parent's client size
  // they were taken at.
  Integer anchor_right_ = 0, anchor_bottom_ = 0, anchor_parent_w_ = -1, anchor_parent_h_ = -1;
  bool changing_font_ = false;
};

// The control that holds the mouse capture (a control without a window is
// captured through its parent's window), or nullptr.
TControl* GetCaptureControl();
// Gives the capture to `control` (nullptr releases it).
void SetCaptureControl(TControl* control);
