// demo/DemoListView.cpp
//
// Ten thousand made-up files in a report, with icons drawn in code. Keys 1
// to 4 switch between the icon, small icon, list and report styles; a click
// on a column header, a double click on an item and the selection show in
// the line above the list.
#include "demo/DemoListView.h"

#include <memory>
#include <string>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/Window.h"

namespace {

// Three document pictures of `size` pixels: a folder, a text page, a song.
TImageList* Pictures(int size) {
  auto* list = new TImageList(Application);
  list->SetWidth(size);
  list->SetHeight(size);
  const TColor colours[] = {static_cast<TColor>(0x30B0E0), static_cast<TColor>(0xF0F0F0),
                            static_cast<TColor>(0xC06020)};
  for (int kind = 0; kind < 3; ++kind) {
    TBitmap bitmap;
    bitmap.SetSize(size, size);
    TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(RECT{0, 0, size, size});
    c->Brush()->SetColor(colours[kind]);
    c->Pen()->SetColor(clBlack);
    const int m = size / 8;
    if (kind == 0) {
      c->Rectangle(m, 3 * m, size - m, size - m);
      c->Rectangle(m, 2 * m, size / 2, 3 * m + 1);
    } else if (kind == 1) {
      c->Rectangle(2 * m, m, size - 2 * m, size - m);
      for (int y = 3 * m; y < size - 2 * m; y += m + 1) {
        c->MoveTo(3 * m, y);
        c->LineTo(size - 3 * m, y);
      }
    } else {
      c->Ellipse(m, size / 2, size / 2, size - m);
      c->MoveTo(size / 2 - 1, size * 3 / 4);
      c->LineTo(size / 2 - 1, m);
      c->LineTo(size - m, 2 * m);
    }
    list->AddMasked(&bitmap, clFuchsia);
  }
  return list;
}

}  // namespace

void ShowDemoListView(HWND demo, int x, int y) {
  const bool started = !Application;
  if (started) InitializeModules({ControlsModule()});
  auto* form = new TCustomForm(Application);
  form->SetCaption("Zorvet list view");
  form->SetBounds(x, y, 460, 340);
  auto* line = new TLabel(Application);
  line->SetParent(form);
  line->SetBounds(8, 6, 440, 16);
  line->SetCaption("Keys 1-4: icons, small icons, list, report");
  auto* list = new TListView(Application);
  list->SetParent(form);
  list->SetBounds(8, 26, 436, 270);
  list->SetViewStyle(vsReport);
  list->SetRowSelect(true);
  list->SetMultiSelect(true);
  list->SetHideSelection(false);
  list->SetLargeImages(Pictures(32));
  list->SetSmallImages(Pictures(16));
  const char* captions[] = {"Name", "Size", "Date created"};
  for (const char* caption : captions) {
    TListColumn* column = list->Columns()->Add();
    column->SetCaption(caption);
    column->SetWidth(ColumnTextWidth);
  }
  list->Column(1)->SetAlignment(taRightJustify);
  list->Column(2)->SetWidth(ColumnHeaderWidth);
  list->Items()->BeginUpdate();
  const char* kinds[] = {"Folder ", "notes-", "track-"};
  const char* extensions[] = {"", ".txt", ".mp3"};
  for (int i = 0; i < 10000; ++i) {
    TListItem* item = list->Items()->Add();
    const int kind = i % 3;
    item->SetCaption(kinds[kind] + std::to_string(i) + extensions[kind]);
    item->SetImageIndex(kind);
    item->SubItems()->Add(kind == 0 ? "" : std::to_string(1024 + i * 37));
    item->SubItems()->Add("2004-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10) +
                          " 12:00:00");
  }
  list->Items()->EndUpdate();
  list->OnColumnClick = [line](TObject*, TListColumn* column) {
    column->SetTag(column->Tag() == 1 ? 2 : 1);
    line->SetCaption("Column \"" + column->Caption() + "\" clicked, " +
                     (column->Tag() == 1 ? "ascending" : "descending"));
  };
  list->OnDblClick = [line, list](TObject*) {
    if (TListItem* item = list->Selected()) line->SetCaption("Opened " + item->Caption());
  };
  list->OnSelectItem = [line, list](TObject*, TListItem*, bool) {
    line->SetCaption(std::to_string(list->SelCount()) + " selected");
  };
  list->OnKeyDown = [list](TObject*, Word& key, TShiftState) {
    static const TViewStyle styles[] = {vsIcon, vsSmallIcon, vsList, vsReport};
    if (key >= '1' && key <= '4') list->SetViewStyle(styles[key - '1']);
  };
  form->Show();
  list->SetFocus();
  // The form goes with the demonstration window, and the control layer
  // with it when it was started here: nothing may outlive the window system.
  const WNDPROC old = GetWindowProc(demo);
  auto hook = std::make_shared<WNDPROC>();
  *hook = MakeWndProc([old, hook, form, started](HWND h, UINT m, WPARAM w, LPARAM l) {
    const LRESULT r = CallWindowProc(old, h, m, w, l);
    if (m == WM_NCDESTROY) {
      delete form;
      if (started) FinalizeModules();
      FreeWndProc(*hook);
    }
    return r;
  });
  SetWindowProc(demo, *hook);
}
