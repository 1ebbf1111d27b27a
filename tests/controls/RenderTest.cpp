#include "platform/controls/Graphics.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/Label.h"
#include "platform/controls/Panel.h"
#include "platform/win/ImageList.h"
#include "platform/win/Paint.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class Render : public ControlTest {
 protected:
  TLabel* Label(TWinControl* parent, int x, int y, const String& text) {
    auto* l = new TLabel(owner_.get());
    l->SetParent(parent);
    l->SetLeft(x);
    l->SetTop(y);
    l->SetCaption(text);
    return l;
  }
  // The controls' references lie beside this file.
  static std::string Reference(const char* name) {
    return std::string("../../controls/reference/") + name;
  }
};

// A change in how labels and panels measure, place or draw their text shows
// up as a changed picture.
TEST_F(Render, LabelsAndAPanelMatchTheirReferencePicture) {
  TCustomForm* form = BareForm(240, 120);
  Label(form, 4, 4, "Comments:");
  TLabel* bold = Label(form, 4, 22, "Free space: 12 345 678");
  bold->Font()->SetStyle(TFontStyles{fsBold});
  TLabel* right = Label(form, 4, 40, "Нет диска!");
  right->SetAutoSize(false);
  right->SetBounds(4, 40, 150, 16);
  right->SetAlignment(taRightJustify);
  right->SetColor(clInfoBk);
  auto* panel = new TPanel(owner_.get());
  panel->SetParent(form);
  panel->SetBounds(4, 60, 230, 56);
  panel->SetCaption("Panel caption");
  panel->SetAlignment(taLeftJustify);
  TLabel* wrapped = Label(panel, 120, 4, "");
  wrapped->SetWordWrap(true);
  wrapped->SetAutoSize(false);
  wrapped->SetBounds(120, 4, 100, 48);
  wrapped->SetTransparent(true);
  wrapped->SetCaption("Words wrap on a transparent label");
  Pump();
  const TSurface shot = CaptureWindow(form->WindowHandle());
  EXPECT_TRUE(MatchesReference(shot, Reference("labels.png"), 8, 20));
}

TEST_F(Render, AutoSizeFollowsTheTextAndTheSameTextMeasuresTheSame) {
  TCustomForm* form = BareForm(200, 100);
  TLabel* a = Label(form, 0, 0, "Scan");
  const int oneWord = a->Width();
  a->SetCaption("Scan Scan");
  EXPECT_GT(a->Width(), oneWord * 2 - 4);
  TLabel* b = Label(form, 0, 30, "Scan Scan");
  EXPECT_EQ(b->Width(), a->Width());
  EXPECT_EQ(b->Height(), a->Height());
  b->Font()->SetSize(16);
  EXPECT_GT(b->Height(), a->Height());
}

TEST_F(Render, AChildWithoutAWindowPaintsOnlyItsOwnRectangle) {
  TCustomForm* form = BareForm(100, 60);
  form->SetColor(clWhite);
  struct TBlock : TGraphicControl {
    using TGraphicControl::TGraphicControl;
    void Paint() override {
      Canvas()->Brush()->SetColor(clRed);
      // Asks for more than its rectangle: the clip keeps it inside.
      Canvas()->FillRect(RECT{-50, -50, 500, 500});
    }
  };
  auto* block = new TBlock(owner_.get());
  block->SetParent(form);
  block->SetBounds(10, 10, 20, 20);
  Pump();
  const TSurface shot = CaptureWindow(form->WindowHandle());
  EXPECT_EQ(shot.Pixel(15, 15) & 0xFFFFFF, PixelOf(255, 0, 0));
  EXPECT_EQ(shot.Pixel(9, 15) & 0xFFFFFF, PixelOf(255, 255, 255));
  EXPECT_EQ(shot.Pixel(30, 30) & 0xFFFFFF, PixelOf(255, 255, 255));
  // Hiding it gives its place back to the parent's background.
  block->Hide();
  Pump();
  EXPECT_EQ(CaptureWindow(form->WindowHandle()).Pixel(15, 15) & 0xFFFFFF, PixelOf(255, 255, 255));
}

// The form's background first, then OnPaint, then its windowless children on top.
TEST_F(Render, AFormPaintsItsColourThenOnPaintThenItsChildren) {
  TCustomForm* form = BareForm(60, 40);
  form->SetColor(clYellow);
  form->OnPaint = [form](TObject*) {
    form->Canvas()->Brush()->SetColor(clNavy);
    form->Canvas()->FillRect(RECT{0, 0, 30, 40});
  };
  TLabel* label = Label(form, 20, 0, "");
  label->SetAutoSize(false);
  label->SetBounds(20, 0, 5, 5);
  label->SetColor(clLime);
  form->Invalidate();
  Pump();
  const TSurface shot = CaptureWindow(form->WindowHandle());
  EXPECT_EQ(shot.Pixel(50, 30) & 0xFFFFFF, PixelOf(255, 255, 0));
  EXPECT_EQ(shot.Pixel(5, 30) & 0xFFFFFF, PixelOf(0, 0, 128));
  EXPECT_EQ(shot.Pixel(22, 2) & 0xFFFFFF, PixelOf(0, 255, 0));
}

TEST_F(Render, ABitmapKeepsItsPixelsThroughAPngFile) {
  TBitmap bmp;
  bmp.SetSize(8, 4);
  bmp.Canvas()->Brush()->SetColor(clBlue);
  bmp.Canvas()->FillRect(RECT{0, 0, 4, 4});
  const auto dir =
      std::filesystem::temp_directory_path() / ("zorvet-render-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const String file = (dir / "b.png").string();
  bmp.SaveToFile(file);
  TPicture pic;
  pic.LoadFromFile(file);
  ASSERT_EQ(pic.Width(), 8);
  TBitmap* back = pic.Bitmap();
  EXPECT_EQ(back->Canvas()->Pixels(1, 1), ColorToRGB(clBlue));
  EXPECT_EQ(back->Canvas()->Pixels(6, 1), ColorToRGB(clWhite));
  std::filesystem::remove_all(dir);
  EXPECT_THROW(pic.LoadFromFile(file), EInvalidGraphic);
}

}  // namespace

namespace {

class ImageLists : public ControlTest {};

TEST_F(ImageLists, AStripAddsOneImagePerWidthAndDrawsWithoutItsMaskColour) {
  TImageList list(nullptr);
  list.SetWidth(4);
  list.SetHeight(4);
  TBitmap strip;
  strip.SetSize(8, 4);
  strip.Canvas()->Brush()->SetColor(clFuchsia);
  strip.Canvas()->FillRect(RECT{0, 0, 8, 4});
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect(RECT{1, 1, 3, 3});
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect(RECT{4, 0, 8, 4});
  EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);
  TBitmap target;
  target.SetSize(10, 10);
  target.Canvas()->Brush()->SetColor(clGreen);
  target.Canvas()->FillRect(RECT{0, 0, 10, 10});
  list.Draw(target.Canvas(), 2, 2, 0);
  EXPECT_EQ(target.Canvas()->Pixels(3, 3), ColorToRGB(clRed));
  EXPECT_EQ(target.Canvas()->Pixels(2, 2),
            ColorToRGB(clGreen));  // the mask colour lets the target through
  TBitmap second;
  list.GetBitmap(1, &second);
  EXPECT_EQ(second.Width(), 4);
  EXPECT_EQ(second.Canvas()->Pixels(0, 0), ColorToRGB(clBlue));
  // A shared list is never destroyed by the component.
  HIMAGELIST shared = list.Handle();
  {
    TImageList user(nullptr);
    user.SetShareImages(true);
    user.SetHandle(shared);
    EXPECT_EQ(user.Count(), 2);
  }
  EXPECT_EQ(ImageList_GetImageCount(shared), 2);
  list.SetWidth(8);
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
