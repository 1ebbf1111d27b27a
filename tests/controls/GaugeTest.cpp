#include "platform/controls/Gauge.h"

#include <climits>

#include "platform/win/Paint.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class GaugeTest : public ControlTest {
 protected:
  TCustomForm* Form(int w, int h) {
    TCustomForm* form = BareForm(w, h);
    form->SetColor(clBtnFace);
    return form;
  }
  TGauge* Gauge(TWinControl* parent, int x, int y, int w, int h) {
    auto* g = new TGauge(owner_.get());
    g->SetParent(parent);
    g->SetBounds(x, y, w, h);
    return g;
  }
  static std::string Reference(const char* name) {
    return std::string("../../controls/reference/") + name;
  }
};

TEST_F(GaugeTest, ProgressStaysInsideTheRangeAndPercentDoesNotOverflow) {
  TGauge g(nullptr);
  g.SetMaxValue(200);
  g.SetProgress(50);
  EXPECT_EQ(g.PercentDone(), 25);
  g.SetProgress(500);
  EXPECT_EQ(g.Progress(), 200);
  g.SetProgress(-5);
  EXPECT_EQ(g.Progress(), 0);
  g.SetProgress(150);
  g.SetMaxValue(100);
  EXPECT_EQ(g.Progress(), 100);
  g.SetMaxValue(0);
  EXPECT_EQ(g.PercentDone(), 0);  // an empty range is nothing done, not a division by zero
  // Byte counts of a nearly full two-gigabyte disk.
  g.SetMaxValue(INT_MAX);
  g.SetProgress(INT_MAX / 4 * 3);
  EXPECT_EQ(g.PercentDone(), 74);
  g.SetProgress(INT_MAX);
  g.AddProgress(INT_MAX);
  EXPECT_EQ(g.Progress(), INT_MAX);
}

// Pie gauges at several progress values, with and without a border, beside
// horizontal and vertical bars: the wedge must grow clockwise from the top.
TEST_F(GaugeTest, KindsAndProgressValuesMatchTheirReferencePicture) {
  TCustomForm* form = Form(250, 100);
  const int values[] = {0, 12, 25, 50, 75, 100};
  for (int i = 0; i < 6; ++i) {
    TGauge* pie = Gauge(form, 4 + i * 40, 4, 33, 33);
    pie->SetKind(gkPie);
    pie->SetForeColor(TColor(15256462));
    pie->SetBorderStyle(bsNone);
    pie->SetShowText(i % 2 == 0);
    pie->SetProgress(values[i]);
  }
  TGauge* bar = Gauge(form, 4, 44, 150, 20);
  bar->SetForeColor(clNavy);
  bar->SetProgress(40);
  TGauge* vbar = Gauge(form, 164, 44, 20, 50);
  vbar->SetKind(gkVerticalBar);
  vbar->SetForeColor(clGreen);
  vbar->SetProgress(60);
  TGauge* needle = Gauge(form, 194, 44, 50, 30);
  needle->SetKind(gkNeedle);
  needle->SetShowText(false);
  needle->SetProgress(25);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(form->WindowHandle()), Reference("gauge.png"), 8, 20));
}

TEST_F(GaugeTest, AChangedProgressRepaintsOnlyWhenItChanges) {
  TCustomForm* form = Form(60, 60);
  TGauge* g = Gauge(form, 0, 0, 40, 40);
  g->SetKind(gkPie);
  g->SetForeColor(clRed);
  g->SetBorderStyle(bsNone);
  g->SetShowText(false);
  Pump();
  // The top right quarter is background (white) until the progress reaches
  // it; the part done is red, so its green channel is empty.
  EXPECT_EQ(PixelG(CaptureWindow(form->WindowHandle()).Row(10)[28]), 255);
  g->SetProgress(30);
  Pump();
  const TSurface shot = CaptureWindow(form->WindowHandle());
  EXPECT_EQ(PixelG(shot.Row(10)[28]), 0);
  EXPECT_EQ(PixelG(shot.Row(28)[10]), 255);  // the bottom left is not yet done
}

TEST_F(GaugeTest, APieTooLittleDoneToShowIsPaintedEmptyNotFull) {
  TCustomForm* form = Form(60, 60);
  TGauge* g = Gauge(form, 0, 0, 40, 40);
  g->SetKind(gkPie);
  g->SetForeColor(clRed);
  g->SetBorderStyle(bsNone);
  g->SetShowText(false);
  g->SetMaxValue(1000000);
  g->SetProgress(1);
  Pump();
  const TSurface shot = CaptureWindow(form->WindowHandle());
  EXPECT_EQ(PixelG(shot.Row(10)[10]), 255);
  EXPECT_EQ(PixelG(shot.Row(28)[28]), 255);
}

}  // namespace
