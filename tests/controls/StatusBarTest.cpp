#include "platform/controls/StatusBar.h"

#include "platform/win/Paint.h"
#include "platform/win/StatusBar.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class StatusBarTest : public ControlTest {
 protected:
  TStatusBar* Bar(TWinControl* parent) {
    auto* bar = new TStatusBar(owner_.get());
    bar->SetParent(parent);
    return bar;
  }
  static String Text(HWND bar, int part) {
    char buf[256] = {};
    SendMessage(bar, SB_GETTEXT, part, reinterpret_cast<LPARAM>(buf));
    return buf;
  }
  static std::string Reference(const char* name) {
    return std::string("../../controls/reference/") + name;
  }
};

TEST_F(StatusBarTest, PanelsBecomeThePartsOfTheWindow) {
  TCustomForm* form = BareForm(300, 100);
  TStatusBar* bar = Bar(form);
  bar->Panels()->Add()->SetWidth(100);
  TStatusPanel* right = bar->Panels()->Add();
  right->SetWidth(80);
  right->SetText("12 files");
  right->SetAlignment(taRightJustify);
  right->SetBevel(pbRaised);
  bar->Panels()->Add()->SetText("Ready");
  HWND h = bar->WindowHandle();
  int rights[4] = {};
  ASSERT_EQ(SendMessage(h, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(rights)), 3);
  EXPECT_EQ(rights[0], 100);
  EXPECT_EQ(rights[1], 180);
  EXPECT_EQ(rights[2], -1);
  EXPECT_EQ(Text(h, 1), "\t\t12 files");
  EXPECT_EQ(HIWORD(SendMessage(h, SB_GETTEXTLENGTH, 1, 0)), SBT_POPOUT);
  EXPECT_EQ(Text(h, 2), "Ready");
  // The bar sits along the form's bottom.
  EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());
  EXPECT_EQ(bar->Width(), form->ClientWidth());
}

TEST_F(StatusBarTest, TheSimplePanelKeepsThePanelsTexts) {
  TCustomForm* form = BareForm(300, 100);
  TStatusBar* bar = Bar(form);
  bar->Panels()->Add()->SetText("Panel");
  bar->SetSimpleText("Scanning...");
  bar->SetSimplePanel(true);
  HWND h = bar->WindowHandle();
  EXPECT_TRUE(SendMessage(h, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(Text(h, SB_SIMPLEID), "Scanning...");
  bar->SetSimplePanel(false);
  EXPECT_EQ(Text(h, 0), "Panel");
  // Nonsense parts are refused, not stored.
  int none[1] = {-1};
  EXPECT_FALSE(SendMessage(h, SB_SETPARTS, 0, reinterpret_cast<LPARAM>(none)));
  EXPECT_FALSE(SendMessage(h, SB_SETTEXT, 7, reinterpret_cast<LPARAM>("x")));
}

// A long operation sets the text and goes on working: the new text must be
// on the screen without a single message being handled.
TEST_F(StatusBarTest, ANewPanelTextIsOnTheScreenAtOnce) {
  TCustomForm* form = BareForm(200, 60);
  TStatusBar* bar = Bar(form);
  TStatusPanel* p = bar->Panels()->Add();
  p->SetWidth(200);
  Pump();
  const TSurface before = CaptureWindow(bar->WindowHandle());
  p->SetText("Reading folder 1 of 3");
  const TSurface after = CaptureWindow(bar->WindowHandle());
  int changed = 0;
  for (int y = 0; y < after.Height(); ++y)
    for (int x = 0; x < after.Width(); ++x) changed += before.Row(y)[x] != after.Row(y)[x];
  EXPECT_GT(changed, 30);
}

TEST_F(StatusBarTest, PanelsBevelsAndTheGripMatchTheirReferencePicture) {
  TCustomForm* form = BareForm(320, 40);
  form->SetColor(clWindow);
  TStatusBar* bar = Bar(form);
  const struct {
    int width;
    const char* text;
    TAlignment align;
    TStatusPanelBevel bevel;
  } panels[] = {{90, "Disk: CD-1", taLeftJustify, pbLowered},
                {70, "Centre", taCenter, pbRaised},
                {80, "42 MB", taRightJustify, pbLowered},
                {50, "none", taLeftJustify, pbNone}};
  for (const auto& spec : panels) {
    TStatusPanel* p = bar->Panels()->Add();
    p->SetWidth(spec.width);
    p->SetText(spec.text);
    p->SetAlignment(spec.align);
    p->SetBevel(spec.bevel);
  }
  Pump();
  const TSurface shot = CaptureWindow(form->WindowHandle());
  EXPECT_TRUE(MatchesReference(shot, Reference("statusbar.png"), 8, 20));
  // The size grip's first ridge crosses the corner.
  EXPECT_NE(shot.Row(38)[318], shot.Row(30)[300]);
  bar->SetSizeGrip(false);
  Pump();
  EXPECT_EQ(CaptureWindow(form->WindowHandle()).Row(38)[318], shot.Row(30)[300]);
}

}  // namespace
