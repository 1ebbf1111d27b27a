// demo/DemoMenus.cpp
#include "demo/DemoMenus.h"

#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/Form.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/Label.h"
#include "platform/controls/Menus.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/ToolBar.h"
#include "platform/rtl/ModuleInit.h"

namespace {

// Pictures drawn in code: a disc of each colour on the transparent colour.
TImageList* Pictures(TComponent* owner) {
  auto* list = new TImageList(owner);
  for (TColor c : {clRed, clGreen, clBlue, clYellow, clTeal, clPurple}) {
    TBitmap picture;
    picture.SetSize(16, 16);
    TCanvas* canvas = picture.Canvas();
    canvas->Brush()->SetColor(clFuchsia);
    canvas->FillRect(RECT{0, 0, 16, 16});
    canvas->Brush()->SetColor(c);
    canvas->Pen()->SetColor(clBlack);
    canvas->Ellipse(2, 2, 14, 14);
    list->AddMasked(&picture, clFuchsia);
  }
  return list;
}

template <class T>
T* Make(TComponent* owner, TWinControl* parent) {
  auto* c = new T(owner);
  c->SetParent(parent);
  return c;
}

}  // namespace

TDemoMenus::TDemoMenus(int x, int y) {
  InitializeModules({ControlsModule()});
  owner_ = std::make_unique<TComponent>(nullptr);
  TComponent* o = owner_.get();
  new TXPManifest(o);
  auto* form = new TForm(o);
  form->SetCaption("Zorvet demo: menus and bars");
  form->SetBounds(x, y, 420, 300);
  TImageList* images = Pictures(o);

  auto* status = new TLabel(o);
  status->SetParent(form);
  status->SetBounds(8, 252, 400, 16);
  status->SetCaption("Right-click anywhere for the view menu");
  auto say = [status](const String& text) { status->SetCaption(text); };

  auto* actions = new TActionList(o);
  actions->SetImages(images);
  auto action = [&](const char* caption, const char* hint, int image) {
    auto* a = new TAction(o);
    a->SetActionList(actions);
    a->SetCaption(caption);
    a->SetHint(hint);
    a->SetImageIndex(image);
    a->OnExecute = [say, caption](TObject*) { say(String(caption) + " ran"); };
    return a;
  };
  TAction* scan = action("Scan", "Scan|Scan the disk in the drive", 0);
  TAction* del = action("Delete", "Delete|Delete the disk from the catalogue", 2);
  TAction* expand = action("Expand", "Node expand", 4);

  auto* view = new TPopupMenu(o);
  view->SetImages(images);
  for (const char* caption : {"&Titles", "&Small icons", "&Report", "&Icon"}) {
    auto* item = new TMenuItem(o);
    item->SetCaption(caption);
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetAutoCheck(true);
    item->OnClick = [say, caption](TObject*) { say(String("View: ") + caption); };
    view->Items()->Add(item);
  }
  view->Items()->Items(1)->SetChecked(true);
  auto* line = new TMenuItem(o);
  line->SetCaption("-");
  view->Items()->Add(line);
  auto* delItem = new TMenuItem(o);
  delItem->SetAction(del);
  view->Items()->Add(delItem);
  form->SetPopupMenu(view);

  auto* bar = Make<TToolBar>(o, form);
  bar->SetFlat(true);
  bar->SetImages(images);
  bar->SetShowHint(true);
  Make<TToolButton>(o, bar)->SetAction(scan);
  auto* drop = Make<TToolButton>(o, bar);
  drop->SetStyle(tbsDropDown);
  drop->SetImageIndex(1);
  drop->SetHint("View style");
  drop->SetDropdownMenu(view);
  drop->OnClick = [drop](TObject*) { drop->CheckMenuDropdown(); };
  Make<TToolButton>(o, bar)->SetAction(del);
  Make<TToolButton>(o, bar)->SetStyle(tbsSeparator);
  Make<TToolButton>(o, bar)->SetAction(expand);

  auto* drives = Make<TComboBox>(o, form);
  drives->SetBounds(8, 36, 100, 21);
  for (const char* d : {"D:\\", "E:\\", "F:\\", "G:\\"}) drives->Items()->Add(d);
  drives->OnChange = [say, drives](TObject*) { say("Drive " + drives->Text()); };

  auto* pages = Make<TPageControl>(o, form);
  pages->SetBounds(8, 66, 400, 180);
  pages->SetImages(images);
  auto page = [&](const char* caption, int image) {
    auto* sheet = new TTabSheet(o);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    sheet->SetImageIndex(image);
    return sheet;
  };
  TTabSheet* files = page("Files", 5);
  TTabSheet* search = page("Search", 4);
  pages->OnChange = [say, pages](TObject*) { say("Page " + pages->ActivePage()->Caption()); };
  auto* toggle = Make<TButton>(o, files);
  toggle->SetBounds(10, 10, 140, 25);
  toggle->SetCaption("Enable/disable Delete");
  toggle->OnClick = [del](TObject*) { del->SetEnabled(!del->Enabled()); };
  auto* find = Make<TButton>(o, search);
  find->SetBounds(10, 10, 90, 25);
  find->SetCaption("Find");
  find->SetDefault(true);
  find->OnClick = [say](TObject*) { say("Find (or Enter) pressed"); };
  pages->SetActivePage(search);

  form->Show();
}

TDemoMenus::~TDemoMenus() {
  owner_.reset();
  FinalizeModules();
}
