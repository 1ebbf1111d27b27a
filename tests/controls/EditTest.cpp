#include "platform/controls/CustomEdit.h"

#include "platform/controls/Buttons.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Edit.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class EditTest : public ControlTest {
 protected:
  TEdit* MakeEdit() {
    if (!form_) form_ = ShownForm();
    auto* edit = new TEdit(owner_.get());
    edit->SetParent(form_);
    edit->SetBounds(10, 10, 150, 21);
    edit->OnChange = [this](TObject*) { ++changes_; };
    return edit;
  }
  TCustomForm* form_ = nullptr;
  int changes_ = 0;
};

TEST_F(EditTest, TextSetBeforeTheWindowReachesItAndChangesFireOnChange) {
  auto* edit = new TEdit(owner_.get());
  edit->OnChange = [this](TObject*) { ++changes_; };
  edit->SetText("before");
  edit->SetMaxLength(8);
  edit->SetParent(form_ = ShownForm());
  EXPECT_EQ(changes_, 0);
  EXPECT_EQ(edit->Text(), "before");
  EXPECT_EQ(SendMessage(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 8);
  edit->SetText("after");
  EXPECT_EQ(changes_, 1);
  edit->SetFocus();
  edit->SetSelStart(5);
  SendMessage(edit->WindowHandle(), WM_CHAR, 'X', 0);
  SendMessage(edit->WindowHandle(), WM_CHAR, 'Y', 0);
  SendMessage(edit->WindowHandle(), WM_CHAR, 'Z', 0);  // past the limit
  EXPECT_EQ(edit->Text(), "afterXYZ");
  SendMessage(edit->WindowHandle(), WM_CHAR, 'W', 0);
  EXPECT_EQ(edit->Text(), "afterXYZ");
  EXPECT_EQ(changes_, 4);
}

TEST_F(EditTest, SelectionPropertiesCountBytesOfTheUtf8Text) {
  TEdit* edit = MakeEdit();
  edit->SetText("a\xC3\xA9z");  // a, e acute, z
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  EXPECT_EQ(edit->SelText(), "\xC3\xA9");
  edit->SetSelText("\xE2\x82\xAC");  // the euro sign
  EXPECT_EQ(edit->Text(),
            "a\xE2\x82\xAC"
            "z");
  EXPECT_EQ(edit->SelStart(), 4);
  EXPECT_EQ(edit->SelLength(), 0);
  // A typed code point goes in as UTF-8.
  edit->SetFocus();
  edit->SetSelStart(4);
  SendMessage(edit->WindowHandle(), WM_CHAR, 0x1F600, 0);
  EXPECT_EQ(edit->Text(), "a\xE2\x82\xAC\xF0\x9F\x98\x80z");
}

TEST_F(EditTest, ReadOnlyRefusesTypingAndPasteButTheProgramStillWrites) {
  TEdit* edit = MakeEdit();
  edit->SetText("fixed");
  edit->SetReadOnly(true);
  edit->SetFocus();
  SendMessage(edit->WindowHandle(), WM_CHAR, 'x', 0);
  SetClipboardText("pasted");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "fixed");
  edit->SetText("changed");
  EXPECT_EQ(edit->Text(), "changed");
  edit->SetReadOnly(false);
  edit->SelectAll();
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "pasted");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "changed");
}

TEST_F(EditTest, AutoSelectSelectsAllWhenTheFocusComesFromTheKeyboardNotFromAClick) {
  TEdit* edit = MakeEdit();
  TEdit* other = MakeEdit();
  other->SetTop(40);
  edit->SetText("catalogue");
  other->SetFocus();
  edit->SetFocus();
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 9);
  other->SetFocus();
  Click(edit, 3, 5);
  EXPECT_EQ(edit->SelLength(), 0);
  edit->SetAutoSelect(false);
  other->SetFocus();
  edit->SetSelStart(2);
  edit->SetFocus();
  EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(EditTest, AutoSizeFollowsTheFontAndKeysReachTheEvents) {
  TEdit* edit = MakeEdit();
  const Integer small = edit->Height();
  edit->Font()->SetSize(16);
  EXPECT_GT(edit->Height(), small + 8);
  edit->SetAutoSize(false);
  edit->SetHeight(50);
  edit->Font()->SetSize(8);
  EXPECT_EQ(edit->Height(), 50);

  std::vector<Word> downs;
  edit->OnKeyDown = [&](TObject*, Word& key, TShiftState) { downs.push_back(key); };
  edit->OnKeyPress = [](TObject*, char& key) {
    if (key == 'q') key = 0;  // refused by the program
  };
  edit->SetFocus();
  InjectKey(VK_RIGHT);
  InjectChar('q');
  InjectChar('k');
  Pump();
  EXPECT_EQ(edit->Text(), "k");
  ASSERT_FALSE(downs.empty());
  EXPECT_EQ(downs.front(), VK_RIGHT);
}

TEST_F(EditTest, PublishedPropertiesReadAndWriteByName) {
  TEdit* edit = MakeEdit();
  SetStrProp(edit, "Text", "by name");
  SetOrdProp(edit, "MaxLength", 12);
  SetOrdProp(edit, "ReadOnly", 1);
  EXPECT_EQ(edit->Text(), "by name");
  EXPECT_EQ(edit->MaxLength(), 12);
  EXPECT_TRUE(edit->ReadOnly());
  EXPECT_EQ(GetOrdProp(edit, "Width"), 150);
  EXPECT_EQ(GetOrdProp(edit, "AutoSelect"), 1);
}

// --- Speed buttons ---------------------------------------------------------------------

class SpeedButtonTest : public ControlTest {
 protected:
  TSpeedButton* Button(int x, int group = 0) {
    if (!form_) {
      form_ = BareForm(140, 40);
      form_->SetColor(clBtnFace);
    }
    auto* b = new TSpeedButton(owner_.get());
    b->SetParent(form_);
    b->SetBounds(x, 8, 24, 24);
    b->SetGroupIndex(group);
    b->OnClick = [this](TObject*) { ++clicks_; };
    return b;
  }
  // Three 16 x 16 cells: red (up), grey (disabled), blue (down), on a
  // magenta ground that stays transparent.
  static std::unique_ptr<TBitmap> Glyph() {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(48, 16);
    TCanvas* c = bmp->Canvas();
    c->Brush()->SetColor(RGB(255, 0, 255));
    c->FillRect(RECT{0, 0, 48, 16});
    const TColor colours[3] = {RGB(200, 0, 0), RGB(128, 128, 128), RGB(0, 0, 200)};
    for (int i = 0; i < 3; ++i) {
      c->Brush()->SetColor(colours[i]);
      c->FillRect(RECT{i * 16 + 3, 3, i * 16 + 13, 13});
    }
    return bmp;
  }
  TCustomForm* form_ = nullptr;
  int clicks_ = 0;
};

TEST_F(SpeedButtonTest, APressAndReleaseOverTheButtonClicksWithoutTakingTheFocus) {
  TSpeedButton* b = Button(4);
  auto* edit = new TEdit(owner_.get());
  edit->SetParent(form_);
  edit->SetBounds(60, 8, 60, 21);
  edit->SetFocus();
  Click(b, 10, 10);
  EXPECT_EQ(clicks_, 1);
  EXPECT_TRUE(edit->Focused());
  // Released outside: no click.
  InjectButtonDown(TInputButton::Left, At(b, 10, 10));
  Pump();
  EXPECT_TRUE(b->Pressed());
  InjectMouseMove(At(b, 100, 10));
  Pump();
  EXPECT_FALSE(b->Pressed());
  InjectButtonUp(TInputButton::Left, At(b, 100, 10));
  Pump();
  EXPECT_EQ(clicks_, 1);
}

TEST_F(SpeedButtonTest, GroupedButtonsActAsRadioButtons) {
  TSpeedButton* a = Button(4, 1);
  TSpeedButton* b = Button(30, 1);
  TSpeedButton* lone = Button(56);
  a->SetDown(true);
  Click(b, 5, 5);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  clock_.Advance(1000);  // apart: no double click
  Click(b, 5, 5);        // the last one down stays down
  EXPECT_TRUE(b->Down());
  b->SetAllowAllUp(true);
  clock_.Advance(1000);
  Click(b, 5, 5);
  EXPECT_FALSE(b->Down());
  lone->SetDown(true);  // outside a group nothing stays down
  EXPECT_FALSE(lone->Down());
  EXPECT_EQ(clicks_, 3);
}

TEST_F(SpeedButtonTest, TheGlyphShownFollowsTheStateAndItsGroundStaysTransparent) {
  TSpeedButton* b = Button(4, 1);
  b->SetFlat(true);
  b->SetNumGlyphs(3);
  b->SetGlyph(Glyph().get());
  TSpeedButton* off = Button(40);
  off->SetNumGlyphs(3);
  off->SetGlyph(Glyph().get());
  off->SetEnabled(false);
  TSpeedButton* down = Button(76, 2);
  down->SetNumGlyphs(3);
  down->SetGlyph(Glyph().get());
  down->SetDown(true);
  form_->Repaint();
  const TSurface shot = CaptureWindow(form_->WindowHandle());
  // Centres: up red, disabled grey, down blue (one pixel lower and right).
  auto rgb = [&](int x, int y) { return ColorOfPixel(shot.Row(y)[x]); };
  EXPECT_EQ(rgb(4 + 12, 8 + 12), RGB(200, 0, 0));
  EXPECT_EQ(rgb(40 + 12, 8 + 12), RGB(128, 128, 128));
  EXPECT_EQ(rgb(76 + 13, 8 + 13), RGB(0, 0, 200));
  // The magenta ground never shows.
  for (int y = 8; y < 32; ++y)
    for (int x = 4; x < 100; ++x) ASSERT_NE(rgb(x, y), RGB(255, 0, 255)) << x << "," << y;
}

TEST_F(SpeedButtonTest, ACaptionShowsWithOrWithoutAGlyph) {
  TSpeedButton* b = Button(4);
  b->SetBounds(4, 8, 100, 24);
  b->SetCaption("Eject");
  form_->Repaint();
  const TSurface shot = CaptureWindow(form_->WindowHandle());
  int dark = 0;
  for (int y = 12; y < 28; ++y)
    for (int x = 20; x < 90; ++x) dark += PixelR(shot.Row(y)[x]) < 80 ? 1 : 0;
  EXPECT_GT(dark, 20);
}

}  // namespace
