// tests/ui/PickEditTest.cpp
#include <gtest/gtest.h>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/HintWindow.h"
#include "platform/controls/Panel.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"
#include "ui/PickButton.h"

namespace {

// A 16 x 16 glyph on a magenta (transparent) ground: a ring, a cross or a bar.
std::unique_ptr<TBitmap> Glyph(int kind) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetSize(16, 16);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(RGB(255, 0, 255));
  c->FillRect(RECT{0, 0, 16, 16});
  c->Pen()->SetColor(RGB(0, 0, 128));
  c->Pen()->SetWidth(2);
  c->Brush()->SetStyle(bsClear);
  if (kind == 0) {
    c->Ellipse(2, 2, 11, 11);
    c->MoveTo(10, 10);
    c->LineTo(14, 14);
  } else if (kind == 1) {
    c->MoveTo(3, 3);
    c->LineTo(13, 13);
    c->MoveTo(12, 3);
    c->LineTo(2, 13);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(RGB(0, 128, 0));
    c->FillRect(RECT{3, 6, 13, 10});
  }
  return bmp;
}

class PickEditTest : public ControlTest {
 protected:
  PickEditTest() : ControlTest({PickButtonModule()}) {
    form_ = BareForm(260, 60);
    form_->SetColor(clBtnFace);
  }
  // The edits go before the pick button unit ends.
  ~PickEditTest() override { owner_.reset(); }

  TPickEdit* Edit(int buttons, int width = 220) {
    auto* e = new TPickEdit(owner_.get());
    e->SetParent(form_);
    e->SetBounds(10, 10, width, 22);
    for (int i = 0; i < buttons; ++i) {
      TButtonInItem* item = e->ButtonsIn()->Add();
      item->SetGlyph(Glyph(i % 3).get());
      item->SetOnClick([this, i](TObject* sender) { clicks_.push_back({i, sender}); });
    }
    Pump();
    return e;
  }
  static RECT FormatRect(TWinControl* e) {
    RECT r{};
    SendMessage(e->WindowHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  static Integer FontHeight(HGDIOBJ font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    return tm.tmHeight;
  }

  TCustomForm* form_ = nullptr;
  std::vector<std::pair<int, TObject*>> clicks_;
};

TEST_F(PickEditTest, MinimumHeightAndButtonPlacesFollowTheFont) {
  for (int points : {8, 14}) {
    TPickEdit* e = Edit(3);
    e->Font()->SetSize(points);
    e->SetHeight(5);  // too low: grows back
    Pump();
    const Integer t = FontHeight(e->Font()->Handle()), s = FontHeight(GetStockObject(SYSTEM_FONT));
    const Integer minHeight = t + std::min(s, t) / 4 + 4 * GetSystemMetrics(SM_CYBORDER) + 2;
    EXPECT_EQ(e->MinHeight(), minHeight) << points;
    EXPECT_EQ(e->Height(), minHeight) << points;
    // Squares filling the client height, side by side, the last at the right edge.
    const Integer side = std::max<Integer>(18, minHeight - 4);
    for (int i = 0; i < 3; ++i) {
      TCPickButton* b = e->ButtonsIn()->Items(i)->Button();
      EXPECT_EQ(b->Height(), minHeight - 4) << points;
      EXPECT_EQ(b->Width(), side) << points;
      EXPECT_EQ(b->Top(), 0);
      EXPECT_EQ(b->Left(), e->Width() - side * (3 - i) - 5) << points << " item " << i;
      EXPECT_EQ(b->Button()->Width(), b->Width());
    }
    delete e;
  }
}

TEST_F(PickEditTest, TheTextRectangleLeavesRoomForTheVisibleButtonsOnly) {
  TPickEdit* e = Edit(3);
  ASSERT_EQ(e->ButtonsIn()->Items(0)->Button()->Width(), 18);
  RECT r = FormatRect(e);
  EXPECT_EQ(r.right, e->ClientWidth() - 56);
  EXPECT_EQ(r.top, 1);
  const Integer slot = e->ButtonsIn()->Items(2)->Button()->Left();
  e->ButtonsIn()->Items(1)->SetVisible(false);
  Pump();
  EXPECT_EQ(FormatRect(e).right, e->ClientWidth() - 38);
  EXPECT_EQ(e->ButtonsIn()->Items(2)->Button()->Left(), slot);  // slots stay
  e->ButtonsIn()->Clear();
  Pump();
  e->SetWidth(200);  // a size change resets the rectangle; no buttons, no room kept
  r = FormatRect(e);
  EXPECT_GE(r.right, e->ClientWidth() - 8);
}

TEST_F(PickEditTest, LineBreaksAreTakenOutAndTheCaretStaysInTheText) {
  TPickEdit* e = Edit(1);
  int changes = 0;
  e->OnChange = [&](TObject*) { ++changes; };
  e->SetFocus();
  SetClipboardText("a\r\nb");
  e->PasteFromClipboard();
  EXPECT_EQ(e->Text(), "ab");
  EXPECT_EQ(e->SelStart(), 2);
  // Several pairs at once, the caret after all of them.
  e->SelectAll();
  SetClipboardText("\r\n\r\n\r\nx");
  e->PasteFromClipboard();
  EXPECT_EQ(e->Text(), "x");
  EXPECT_EQ(e->SelStart(), 1);
  // Pairs behind the caret do not move it.
  e->SetText("mid");
  e->SetSelStart(1);
  e->SetSelText("\r\n");
  EXPECT_EQ(e->Text(), "mid");
  EXPECT_EQ(e->SelStart(), 1);
  // Enter types a line break that goes at once.
  e->SetSelStart(3);
  SendMessage(e->WindowHandle(), WM_CHAR, '\r', 0);
  EXPECT_EQ(e->Text(), "mid");
  EXPECT_EQ(SendMessage(e->WindowHandle(), EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_GT(changes, 0);
}

TEST_F(PickEditTest, ClipboardWaitsForAnEnabledWritableEditor) {
  TPickEdit* e = Edit(1);
  e->SetText("keep");
  e->SetFocus();
  e->SelectAll();
  SetClipboardText("other");
  e->SetEditorEnabled(false);
  e->PasteFromClipboard();
  SendMessage(e->WindowHandle(), WM_CHAR, 0x16, 0);  // Ctrl+V
  e->CutToClipboard();
  EXPECT_EQ(e->Text(), "keep");
  EXPECT_EQ(GetClipboardText(), "other");
  e->SetEditorEnabled(true);
  e->PasteFromClipboard();
  EXPECT_EQ(e->Text(), "other");
}

TEST_F(PickEditTest, AButtonClickReachesItsItemAndLeavesTheFocusInTheEdit) {
  TPickEdit* e = Edit(3);
  auto* other = new TPickEdit(owner_.get());
  other->SetParent(form_);
  other->SetBounds(10, 36, 100, 22);
  other->SetFocus();
  TCPickButton* b = e->ButtonsIn()->Items(1)->Button();
  InjectClick(TInputButton::Left, b->ClientToScreen(POINT{5, 5}));
  Pump();
  ASSERT_EQ(clicks_.size(), 1u);
  EXPECT_EQ(clicks_[0].first, 1);
  EXPECT_EQ(clicks_[0].second, b);
  EXPECT_TRUE(e->Focused());
  // Alt+Down on the button clicks it; Down alone does nothing.
  b->Perform(WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(clicks_.size(), 1u);
  b->Perform(WM_SYSKEYDOWN, VK_DOWN, LPARAM{1} << 29);  // with Alt held
  EXPECT_EQ(clicks_.size(), 2u);
}

TEST_F(PickEditTest, RestingOnAButtonShowsItsHint) {
  TPickEdit* e = Edit(2);
  e->ButtonsIn()->Items(0)->SetHint("Find files");
  e->ButtonsIn()->Items(0)->SetShowHint(true);
  Application->SetShowHint(true);
  TCPickButton* b = e->ButtonsIn()->Items(0)->Button();
  InjectMouseMove(b->ClientToScreen(POINT{4, 4}));
  Pump();
  clock_.Advance(static_cast<DWORD>(Application->HintPause() + 50));
  Pump();
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_TRUE(IsWindowVisible(Application->HintWindow()->WindowHandle()));
  EXPECT_EQ(Application->HintWindow()->Caption(), "Find files");
}

TEST_F(PickEditTest, AnEditThatCannotReachItsMinimumHeightSettlesWithoutLooping) {
  auto* panel = new TPanel(owner_.get());
  panel->SetParent(form_);
  panel->SetBounds(0, 0, 200, 14);
  auto* e = new TPickEdit(owner_.get());
  e->SetParent(panel);
  e->SetAlign(alClient);
  for (int i = 0; i < 2; ++i) e->ButtonsIn()->Add();
  auto* limited = new TPickEdit(owner_.get());
  limited->SetParent(form_);
  limited->Constraints()->SetMaxHeight(12);
  limited->SetBounds(0, 30, 30, 12);  // narrower than its buttons too
  for (int i = 0; i < 3; ++i) limited->ButtonsIn()->Add();
  for (int round = 0; round < 5; ++round) {
    Pump();
    form_->Update();
  }
  // Settled: painting once more leaves nothing to paint again.
  for (TWinControl* c : {static_cast<TWinControl*>(e), static_cast<TWinControl*>(limited)}) {
    c->Invalidate();
    c->Update();
    Pump();
    RECT pending{};
    EXPECT_FALSE(GetUpdateRect(c->WindowHandle(), &pending, FALSE)) << c->Name();
  }
  EXPECT_EQ(limited->Height(), 12);
  const RECT r = FormatRect(limited);
  EXPECT_GE(r.right, r.left);
}

TEST_F(PickEditTest, AssigningButtonsCopiesTheItemsAndFreeingTheEditFreesTheButtons) {
  TPickEdit* a = Edit(2);
  a->ButtonsIn()->Items(1)->SetHint("Second");
  a->ButtonsIn()->Items(1)->SetDisplayName("Clear");
  TPickEdit* b = Edit(0);
  b->SetButtonsIn(a->ButtonsIn());
  ASSERT_EQ(b->ButtonsIn()->Count(), 2);
  EXPECT_EQ(b->ButtonsIn()->Items(1)->Hint(), "Second");
  EXPECT_EQ(b->ButtonsIn()->Items(1)->DisplayName(), "Clear");
  EXPECT_EQ(b->ButtonsIn()->Items(0)->DisplayName(), "TButtonInItem");
  EXPECT_EQ(b->ButtonsIn()->Items(0)->Button()->Parent(), b);
  EXPECT_TRUE(b->ButtonsIn()->Items(0)->Flat());
  b->ButtonsIn()->Items(0)->Button()->Button()->Click();
  EXPECT_EQ(clicks_.size(), 1u);
  EXPECT_EQ(GetOrdProp(b, "EditorEnabled"), 1);
  const Integer before = form_->ControlCount();
  delete a;
  EXPECT_EQ(form_->ControlCount(), before - 1);
}

TEST_F(PickEditTest, LooksLikeItsReferencePicture) {
  TPickEdit* e = Edit(3);
  e->SetText("Search the catalogue");
  e->ButtonsIn()->Items(2)->SetVisible(false);
  auto* wide = new TPickEdit(owner_.get());
  wide->SetParent(form_);
  wide->Font()->SetSize(12);
  wide->SetBounds(10, 30, 240, 10);
  for (int i = 0; i < 2; ++i) wide->ButtonsIn()->Add()->SetGlyph(Glyph(i).get());
  wide->SetText("Larger font");
  form_->SetHeight(wide->Top() + 40);
  Pump();
  form_->Repaint();
  const TSurface shot = CaptureWindow(form_->WindowHandle());
  EXPECT_TRUE(MatchesReference(shot, "../../ui/reference/pick-edit.png", 8, 30));
}

}  // namespace
