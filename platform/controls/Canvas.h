// platform/controls/Canvas.h
//
// TCanvas: drawing on a device context with a pen, a brush and a font. The
// canvas selects its tools into the context before each call that needs
// them and re-selects a tool the program changed, so code just sets
// Pen()->SetColor(...) and draws. Coordinates are the context's.
//
// A plain TCanvas draws on a context it is given (SetHandle); descendants
// make their own when Handle() is asked for: TControlCanvas on a control
// (its window, or for a control without a window its part of the parent's),
// the bitmap's canvas on the bitmap. Lock/Unlock bracket drawing that must
// not be interrupted by another thread's drawing on the same canvas.
//
// Threads: the GUI thread, except between Lock and Unlock.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/controls/GraphicsObjects.h"
#include "platform/win/WinStructs.h"

class TControl;
class TGraphic;

enum TCanvasStateFlag { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = Set<TCanvasStateFlag>;

class TCanvas : public TPersistent {
  ZORVET_CLASS_NAME(TCanvas)

 public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The context, made by CreateHandle when there is none; EInvalidOperation
  // "Canvas does not allow drawing" when none can be made.
  HDC Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Draws on `dc` from now on (nullptr: none); the canvas's tools are
  // taken out of the previous context first.
  void SetHandle(HDC dc);

  TFont* Font() { return font_.get(); }
  TPen* Pen() { return pen_.get(); }
  TBrush* Brush() { return brush_.get(); }
  void SetFont(const TFont* f) { font_->Assign(f); }
  void SetPen(const TPen* p) { pen_->Assign(p); }
  void SetBrush(const TBrush* b) { brush_->Assign(b); }

  POINT PenPos();
  void SetPenPos(POINT p) { MoveTo(p.x, p.y); }
  // The raster operation of CopyRect (SRCCOPY by default).
  DWORD CopyMode() const { return copy_mode_; }
  void SetCopyMode(DWORD value) { copy_mode_ = value; }
  // The bounds of what may be drawn, in the context's coordinates.
  RECT ClipRect();

  void MoveTo(Integer x, Integer y);
  void LineTo(Integer x, Integer y);
  void Rectangle(Integer x1, Integer y1, Integer x2, Integer y2);
  void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void Ellipse(Integer x1, Integer y1, Integer x2, Integer y2);
  void Pie(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4,
           Integer y4);
  void Polygon(const std::vector<POINT>& points);
  void Polyline(const std::vector<POINT>& points);
  // Fills with the brush (no outline).
  void FillRect(const RECT& r);
  // A one-pixel frame in the brush's colour.
  void FrameRect(const RECT& r);
  void DrawFocusRect(const RECT& r);
  // Text at (x, y) in the font, on the brush's colour unless the brush is bsClear.
  void TextOut(Integer x, Integer y, const String& text);
  // Text clipped to `r`, starting at (x, y).
  void TextRect(const RECT& r, Integer x, Integer y, const String& text);
  SIZE TextExtent(const String& text);
  Integer TextWidth(const String& text) { return TextExtent(text).cx; }
  Integer TextHeight(const String& text) { return TextExtent(text).cy; }
  COLORREF Pixels(Integer x, Integer y);
  void SetPixels(Integer x, Integer y, COLORREF color);
  // Draws a picture at (x, y) in its own size, or stretched into `r`.
  void Draw(Integer x, Integer y, TGraphic* graphic);
  void StretchDraw(const RECT& r, TGraphic* graphic);
  // Copies `source`'s rectangle into this canvas's with CopyMode.
  void CopyRect(const RECT& dest, TCanvas* source, const RECT& src);

  void Lock();
  void Unlock();
  Integer LockCount() const { return lock_count_; }

  TNotifyEvent OnChange, OnChanging;

  // Selects the tools named into the context (for drawing straight on Handle()).
  void RequiredState(TCanvasState state);

 protected:
  // Makes a context when one is asked for and there is none; the base makes none.
  virtual void CreateHandle() {}
  void Changing();
  void Changed();
  // Takes the canvas's tools out of the context, putting the originals back.
  void DeselectHandles();

 private:
  void CreateFont();
  void CreatePen();
  void CreateBrush();

  HDC handle_ = nullptr;
  TCanvasState state_;
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  std::unique_ptr<TPen> pen_ = std::make_unique<TPen>();
  std::unique_ptr<TBrush> brush_ = std::make_unique<TBrush>();
  HGDIOBJ old_font_ = nullptr, old_pen_ = nullptr, old_brush_ = nullptr;
  DWORD copy_mode_ = 0x00CC0020;  // SRCCOPY
  std::recursive_mutex lock_;
  Integer lock_count_ = 0;
};

// A canvas on a control: its window's client area, or for a control
// without a window its rectangle in the parent's (clipped to it). The
// context is made when drawing starts and given back by FreeHandle (and
// when the control changes).
class TControlCanvas : public TCanvas {
  ZORVET_CLASS_NAME(TControlCanvas)

 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;

  TControl* Control() const { return control_; }
  void SetControl(TControl* control);
  // Gives the context made by CreateHandle back to its window.
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_ = nullptr;
  HDC own_dc_ = nullptr;
  HWND own_window_ = nullptr;
};

// Runs `paint` with `canvas` drawing on `dc` in `control`'s font and colour;
// the canvas lets the context go afterwards, also when `paint` raises.
void PaintOnCanvas(TCanvas* canvas, HDC dc, TControl* control, const std::function<void()>& paint);
