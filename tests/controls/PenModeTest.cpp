#include "platform/controls/CustomControl.h"
#include "platform/win/Paint.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

// A shape drawn with each pen mode combines with what lies beneath as the
// mode says: a white rectangle over a grey (192) background.
struct TModeCase {
  TPenMode mode;
  int expected;  // one channel of the result
};

class PenModeTest : public ControlTest, public ::testing::WithParamInterface<TModeCase> {};

TEST_P(PenModeTest, ARectangleCombinesWithTheBackgroundAsTheModeSays) {
  auto* form = new TCustomForm(owner_.get());
  form->SetBorderStyle(bsNone);
  form->SetColor(TColor(0xC0C0C0));
  form->SetBounds(0, 0, 40, 40);
  struct TShape : TGraphicControl {
    using TGraphicControl::TGraphicControl;
    TPenMode mode = pmCopy;
    void Paint() override {
      Canvas()->Pen()->SetMode(mode);
      Canvas()->Pen()->SetColor(clWhite);
      Canvas()->Brush()->SetColor(clWhite);
      Canvas()->Rectangle(0, 0, 20, 20);
    }
  };
  auto* shape = new TShape(owner_.get());
  shape->mode = GetParam().mode;
  shape->SetParent(form);
  shape->SetBounds(0, 0, 20, 20);
  form->Show();
  Pump();
  // The outline is drawn with the pen's mode.
  EXPECT_EQ(PixelR(CaptureWindow(form->WindowHandle()).Row(0)[5]), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, PenModeTest,
                         ::testing::Values(TModeCase{pmCopy, 255}, TModeCase{pmXor, 63},
                                           TModeCase{pmNot, 63}, TModeCase{pmBlack, 0},
                                           TModeCase{pmMask, 192}, TModeCase{pmNop, 192}));

}  // namespace
