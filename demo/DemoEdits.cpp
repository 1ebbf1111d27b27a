// demo/DemoEdits.cpp
#include "demo/DemoEdits.h"

#include "platform/controls/Application.h"
#include "platform/controls/Buttons.h"
#include "platform/controls/CustomEdit.h"
#include "platform/controls/Form.h"
#include "platform/controls/Label.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/Gdi.h"
#include "ui/PickButton.h"
#include "ui/zAPIBalloon.h"

namespace {

// A 16 x 16 glyph drawn in code on a magenta ground (left out when drawn):
// a magnifier, a cross or an eye-like ring.
std::unique_ptr<TBitmap> Glyph(int kind) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetSize(16, 16);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(RGB(255, 0, 255));
  c->FillRect(RECT{0, 0, 16, 16});
  c->Pen()->SetColor(RGB(40, 60, 120));
  c->Pen()->SetWidth(2);
  c->Brush()->SetStyle(bsClear);
  switch (kind) {
    case 0:
      c->Ellipse(2, 2, 11, 11);
      c->MoveTo(10, 10);
      c->LineTo(14, 14);
      break;
    case 1:
      c->Pen()->SetColor(RGB(170, 30, 30));
      c->MoveTo(4, 4);
      c->LineTo(12, 12);
      c->MoveTo(11, 4);
      c->LineTo(3, 12);
      break;
    default:
      c->Ellipse(1, 4, 15, 12);
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(RGB(40, 60, 120));
      c->Ellipse(6, 6, 10, 10);
      break;
  }
  return bmp;
}

TLabel* Caption(TWinControl* parent, int y, const char* text) {
  auto* label = new TLabel(parent);
  label->SetParent(parent);
  label->SetBounds(12, y, 300, 16);
  label->SetCaption(text);
  return label;
}

}  // namespace

TEditsDemo::TEditsDemo(int x, int y) {
  InitializeModules({ControlsModule(), PickButtonModule(), zAPIBalloonModule()});
  Application->SetTitle("Zorvet");
  Application->SetShowHint(true);
  owner_ = std::make_unique<TComponent>(nullptr);
  auto* form = new TCustomForm(owner_.get());
  form->SetCaption("Zorvet edits");
  form->SetBounds(x, y, 340, 200);
  form->SetColor(clBtnFace);

  Caption(form, 10, "Edit");
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(12, 28, 300, 21);
  edit->SetText("Type here");

  Caption(form, 58, "Pick edit");
  auto* pick = new TPickEdit(form);
  pick->SetParent(form);
  pick->SetBounds(12, 76, 300, 22);
  const char* hints[] = {"Find", "Clear the text", "Hide the text"};
  for (int i = 0; i < 3; ++i) {
    TButtonInItem* item = pick->ButtonsIn()->Add();
    item->SetGlyph(Glyph(i).get());
    item->SetHint(hints[i]);
    item->SetShowHint(true);
  }
  pick->ButtonsIn()->Items(1)->SetOnClick([pick](TObject*) { pick->Clear(); });
  pick->ButtonsIn()->Items(2)->SetOnClick(
      [pick](TObject*) { pick->SetPasswordChar(pick->PasswordChar() ? 0 : '*'); });

  auto* balloon = new TzAPIBalloon(form);
  balloon->SetAutoCloseMode(acAutoCalc);
  balloon->SetBalloonIcon(bInfo);
  balloon->SetTitle("No files found");
  pick->ButtonsIn()->Items(0)->SetOnClick([pick, balloon](TObject*) {
    TStringList prompt;
    prompt.Add("Nothing matches \"" + pick->Text() + "\"");
    prompt.Add("in the selected discs.");
    balloon->SetPrompt(&prompt);
    balloon->ShowAt(pick);
  });

  auto* show = new TSpeedButton(form);
  show->SetParent(form);
  show->SetBounds(12, 120, 120, 25);
  show->SetCaption("Show a balloon");
  show->SetHint("Points a balloon at the pick edit");
  show->SetShowHint(true);
  show->OnClick = [pick](TObject*) { pick->ButtonsIn()->Items(0)->Button()->Button()->Click(); };

  form->Show();
  edit->SetFocus();
}

TEditsDemo::~TEditsDemo() {
  owner_.reset();
  FinalizeModules();
}
