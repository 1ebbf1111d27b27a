// platform/controls/HintWindow.cpp
#include "platform/controls/HintWindow.h"

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  SetColor(clInfoBk);
  SetParentColor(false);
  Font()->SetColor(clInfoText);
  SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = WS_POPUP | WS_BORDER;
  p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  p.WndParent = nullptr;
  p.WindowClass.style |= CS_SAVEBITS;
}

// The hint never takes the mouse: hits pass to what lies beneath.
void THintWindow::Dispatch(TMessage& message) {
  if (message.Msg == WM_NCHITTEST) {
    message.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(message);
}

RECT THintWindow::CalcHintRect(Integer maxWidth, const String& hint) {
  RECT r{0, 0, maxWidth, 0};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  DrawText(dc, hint.c_str(), static_cast<int>(hint.size()), &r,
           DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // Room for the border and a little space around the text.
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(RECT rect, const String& hint) {
  SetText(hint);
  // Kept on the screen.
  const Integer sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (rect.right > sw) OffsetRect(rect, sw - rect.right, 0);
  if (rect.left < 0) OffsetRect(rect, -rect.left, 0);
  if (rect.bottom > sh) OffsetRect(rect, 0, sh - rect.bottom);
  HandleNeeded();
  SetWindowPos(WindowHandle(), HWND_TOPMOST, rect.left, rect.top, RectWidth(rect), RectHeight(rect),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ReleaseHandle() {
  if (HandleAllocated()) DestroyHandle();
}

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  r.left += 2;
  r.top += 1;
  c->Brush()->SetStyle(bsClear);
  c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  const String text = Caption();
  SetTextColor(c->Handle(), ColorToRGB(Font()->Color()));
  DrawText(c->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
           DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}
