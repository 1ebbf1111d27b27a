// ui/ZxSplitter.h
//
// TZxSplitter: a thin panel between two aligned controls; dragging it with
// the left button resizes one of them.
//
// The sizing layout is decided when a drag begins, from the alignments of
// ControlFirst and ControlSecond:
//   1  first top or bottom, second none or client: the first's height
//   2  first client, second top or bottom:         the second's height
//   3  first left or right, second none or client: the first's width
//   4  first client, second left or right:         the second's width
// and the splitter's own Align must equal that of the control it resizes;
// anything else gives no layout and the splitter does not drag. The cursor
// shows the layout (crVSplit for 1 and 2, crHSplit for 3 and 4).
//
// While dragging, a line as thick as the splitter (less two pixels) is drawn
// inverted (XOR) over the form where the splitter would go, kept so that
// TopLeftLimit pixels stay before the splitter and BottomRightLimit after
// it; beyond a limit the cursor shows no-drop. Releasing the button asks
// OnPosChanging (which may refuse), resizes the control by the distance
// moved and fires OnPosChanged. Escape cancels: nothing is resized and no
// event fires. Escape reaches the splitter through its form's OnKeyDown,
// which the splitter takes over during the drag (the form gets the keys
// while the splitter holds the mouse capture, KeyPreview or not).
//
// Losing the mouse capture in any other way (another window capturing,
// WM_CANCELMODE, the program deactivated) ends the drag exactly as Escape
// does: the line is erased, the drawing context released, the form's key
// handler and the application's hints restored.
#pragma once

#include <functional>

#include "platform/controls/Panel.h"

using TSplitterMoveEvent =
    std::function<void(TObject* Sender, Integer X, Integer Y, bool& AllowChange)>;

class TCustomForm;

class TZxSplitter : public TCustomPanel {
  ZORVET_CLASS_NAME(TZxSplitter)

 public:
  explicit TZxSplitter(TComponent* owner);
  // Ends a drag in progress as a cancel.
  ~TZxSplitter() override;

  TControl* ControlFirst() const { return control_first_; }
  // The splitter itself or a form is refused (the property becomes none).
  void SetControlFirst(TControl* value);
  TControl* ControlSecond() const { return control_second_; }
  void SetControlSecond(TControl* value);
  // See the header: a side alignment also sets the thickness to 3 and, with
  // no controls set, picks ControlFirst from the control beside the splitter.
  void SetAlign(TAlign value) override;
  Integer TopLeftLimit() const { return top_left_limit_; }
  void SetTopLeftLimit(Integer value) { top_left_limit_ = value; }
  Integer BottomRightLimit() const { return bottom_right_limit_; }
  void SetBottomRightLimit(Integer value) { bottom_right_limit_ = value; }

  // Whether a drag is in progress.
  bool Sizing() const { return sizing_; }
  // The layout that a drag starting now would have (0: none).
  int SizingLayout() const;

  // Asked before the resize with the release point (the splitter's client
  // coordinates, kept within the limits).
  TSplitterMoveEvent OnPosChanging;
  TNotifyEvent OnPosChanged;

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void DefineProperties(TFiler* filer) override;
  void Dispatch(TMessage& message) override;

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void MouseMove(TShiftState shift, Integer x, Integer y) override;
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

 private:
  void SetControl(TControl*& field, TControl* value);
  void UpdateCursor();
  void StartSizing(Integer x, Integer y);
  void StopSizing(bool apply);
  void ControlKeyDown(TObject* sender, Word& key, TShiftState shift);
  bool Horizontal() const { return layout_ == 3 || layout_ == 4; }
  // The inverted line through the splitter's middle moved by `offset`.
  void DrawLine(Integer offset);
  // The offset along the dragging axis kept within the limits.
  Integer ClampOffset(Integer offset) const;

  TControl* control_first_ = nullptr;
  TControl* control_second_ = nullptr;
  Integer top_left_limit_ = 20;
  Integer bottom_right_limit_ = 20;

  bool sizing_ = false;
  bool releasing_ = false;  // handling the button release that ends the drag
  int layout_ = 0;
  POINT start_;
  Integer offset_ = 0;  // the clamped offset the line is drawn at
  Integer min_offset_ = 0, max_offset_ = 0;
  bool beyond_limit_ = false;
  TCustomForm* form_ = nullptr;
  HDC dc_ = nullptr;
  HPEN pen_ = nullptr;
  HGDIOBJ old_pen_ = nullptr;
  TKeyEvent old_key_down_;
  bool old_show_hint_ = true;
};
