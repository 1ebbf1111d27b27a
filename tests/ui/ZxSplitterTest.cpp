#include <gtest/gtest.h>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Panel.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "ui/ZxSplitter.h"

namespace {

class ZxSplitter : public ::testing::Test {
 protected:
  ZxSplitter() {
    InitializeModules({ControlsModule()});
    form_ = new TCustomForm(owner_.get());
    form_->SetBounds(0, 0, 400, 300);
    form_->Show();
    area_ = Panel(form_, alNone, 0, 0, 300, 200);
    area_->SetBevelOuter(bvNone);
  }
  ~ZxSplitter() override { FinalizeModules(); }

  TPanel* Panel(TWinControl* parent, TAlign align, int l, int t, int w, int h) {
    auto* p = new TPanel(owner_.get());
    p->SetBounds(l, t, w, h);
    p->SetParent(parent);
    p->SetAlign(align);
    return p;
  }
  TZxSplitter* Splitter(TAlign align, int l, int t, TControl* first, TControl* second) {
    auto* s = new TZxSplitter(owner_.get());
    s->SetParent(area_);
    s->SetBounds(l, t, 3, 3);
    s->SetControlFirst(first);
    s->SetControlSecond(second);
    s->SetAlign(align);
    s->OnPosChanging = [this](TObject*, Integer, Integer, bool& allow) {
      events_.push_back("changing");
      allow = allow_;
    };
    s->OnPosChanged = [this](TObject*) { events_.push_back("changed"); };
    return s;
  }
  void Pump() { Application->ProcessMessages(); }
  POINT At(TControl* c, int x, int y) { return c->ClientToScreen(POINT{x, y}); }
  void Press(TZxSplitter* s) {
    grab_ = At(s, 1, 1);
    InjectMouseMove(grab_);
    InjectButtonDown(TInputButton::Left, grab_);
    Pump();
  }
  void MoveBy(int dx, int dy) {
    InjectMouseMove(POINT{grab_.x + dx, grab_.y + dy});
    Pump();
  }
  void Release(int dx, int dy) {
    InjectButtonUp(TInputButton::Left, POINT{grab_.x + dx, grab_.y + dy});
    Pump();
  }
  void Drag(TZxSplitter* s, int dx, int dy) {
    Press(s);
    MoveBy(dx, dy);
    Release(dx, dy);
  }

  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_ = nullptr;
  TPanel* area_ = nullptr;
  POINT grab_;
  std::vector<String> events_;
  bool allow_ = true;
};

// The four layouts in an area of 300 by 200, each dragged within the limits
// and past both of them (limits 20 and 20, splitter 3 thick).
TEST_F(ZxSplitter, FourLayoutsResizeTheirControlWithinTheLimits) {
  struct Case {
    const char* name;
    int layout;
    int drag;               // along the axis
    int within, far, near;  // the resized size after dragging by drag, +500, -500
  };
  const Case cases[] = {
      {"top", 1, 30, 80, 177, 20},
      {"bottom", 2, 30, 20, 20, 177},
      {"left", 3, 30, 130, 277, 20},
      {"right", 4, -30, 130, 20, 277},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    while (area_->ControlCount() > 0) delete area_->Controls(0);
    TPanel* resized = nullptr;
    TZxSplitter* s = nullptr;
    switch (c.layout) {
      case 1:
        resized = Panel(area_, alTop, 0, 0, 10, 50);
        s = Splitter(alTop, 0, 60, resized, Panel(area_, alClient, 0, 0, 5, 5));
        break;
      case 2: {
        TPanel* client = Panel(area_, alClient, 0, 0, 5, 5);
        resized = Panel(area_, alBottom, 0, 150, 10, 50);
        s = Splitter(alBottom, 0, 100, client, resized);
        break;
      }
      case 3:
        resized = Panel(area_, alLeft, 0, 0, 100, 10);
        s = Splitter(alLeft, 150, 0, resized, Panel(area_, alClient, 0, 0, 5, 5));
        break;
      case 4: {
        TPanel* client = Panel(area_, alClient, 0, 0, 5, 5);
        resized = Panel(area_, alRight, 200, 0, 100, 10);
        s = Splitter(alRight, 150, 0, client, resized);
        break;
      }
    }
    ASSERT_EQ(s->SizingLayout(), c.layout);
    const bool horizontal = c.layout >= 3;
    EXPECT_EQ(s->Cursor(), horizontal ? crHSplit : crVSplit);
    auto size = [&] { return horizontal ? resized->Width() : resized->Height(); };
    auto drag = [&](int d) { Drag(s, horizontal ? d : 0, horizontal ? 0 : d); };
    drag(c.drag);
    EXPECT_EQ(size(), c.within);
    drag(500);
    EXPECT_EQ(size(), c.far);
    drag(-500);
    EXPECT_EQ(size(), c.near);
    // The splitter stays glued to the control it resizes.
    const RECT sb = s->BoundsRect(), rb = resized->BoundsRect();
    switch (c.layout) {
      case 1:
        EXPECT_EQ(sb.top, rb.bottom);
        break;
      case 2:
        EXPECT_EQ(sb.bottom, rb.top);
        break;
      case 3:
        EXPECT_EQ(sb.left, rb.right);
        break;
      case 4:
        EXPECT_EQ(sb.right, rb.left);
        break;
    }
    EXPECT_EQ(events_, (std::vector<String>{"changing", "changed", "changing", "changed",
                                            "changing", "changed"}));
    events_.clear();
  }
}

TEST_F(ZxSplitter, AnAlignmentOtherThanTheResizedControlsGivesNoDrag) {
  TPanel* top = Panel(area_, alTop, 0, 0, 10, 50);
  TZxSplitter* s = Splitter(alLeft, 0, 60, top, Panel(area_, alClient, 0, 0, 5, 5));
  EXPECT_EQ(s->SizingLayout(), 0);
  EXPECT_EQ(s->Cursor(), crDefault);
  Drag(s, 0, 30);
  EXPECT_EQ(top->Height(), 50);
  EXPECT_TRUE(events_.empty());
  s->SetAlign(alTop);
  EXPECT_EQ(s->Cursor(), crVSplit);
}

TEST_F(ZxSplitter, ASideAlignmentMakesItThinAndFindsTheControlBesideIt) {
  TPanel* left = Panel(area_, alLeft, 0, 0, 100, 10);
  auto* s = new TZxSplitter(owner_.get());
  EXPECT_EQ(s->Width(), 185);
  EXPECT_EQ(s->Height(), 3);
  s->SetParent(area_);
  s->SetBounds(150, 0, 40, 40);
  s->SetAlign(alLeft);
  EXPECT_EQ(s->Width(), 3);
  EXPECT_EQ(s->ControlFirst(), left);
  s->SetControlFirst(s);
  EXPECT_EQ(s->ControlFirst(), nullptr);
  s->SetControlFirst(form_);
  EXPECT_EQ(s->ControlFirst(), nullptr);
  s->SetControlSecond(left);
  delete left;
  EXPECT_EQ(s->ControlSecond(), nullptr);
}

TEST_F(ZxSplitter, ARefusedChangeResizesNothing) {
  TPanel* left = Panel(area_, alLeft, 0, 0, 100, 10);
  TZxSplitter* s = Splitter(alLeft, 150, 0, left, Panel(area_, alClient, 0, 0, 5, 5));
  allow_ = false;
  Drag(s, 40, 0);
  EXPECT_EQ(left->Width(), 100);
  EXPECT_EQ(events_, (std::vector<String>{"changing"}));
}

// Definitions read "LimitOffset" into both limits; it is never written.
TEST_F(ZxSplitter, TheOldLimitOffsetIsReadIntoBothLimits) {
  struct TOneProperty : TFiler {
    TOneProperty() : TFiler(nullptr, 0) {}
    void DefineProperty(const String& n, const TReaderProc& r, const TWriterProc& w,
                        bool has) override {
      name = n;
      read = r;
      writes = static_cast<bool>(w) || has;
    }
    void DefineBinaryProperty(const String&, const TStreamProc&, const TStreamProc&,
                              bool) override {}
    void FlushBuffer() override {}
    String name;
    TReaderProc read;
    bool writes = true;
  } filer;
  auto* s = new TZxSplitter(owner_.get());
  s->DefineProperties(&filer);
  EXPECT_EQ(filer.name, "LimitOffset");
  EXPECT_FALSE(filer.writes);
  TMemoryStream stream;
  {
    TWriter writer(&stream, 64);
    writer.WriteInteger(35);
  }
  stream.SetPosition(0);
  TReader reader(&stream, 64);
  filer.read(&reader);
  EXPECT_EQ(s->TopLeftLimit(), 35);
  EXPECT_EQ(s->BottomRightLimit(), 35);
}

// The main window's layout: the tree panel left, the splitter, the pages;
// the focus in a control of the pages and no KeyPreview on the form.
class ZxSplitterMainWindow : public ZxSplitter {
 protected:
  ZxSplitterMainWindow() {
    tree_ = Panel(area_, alLeft, 0, 0, 185, 10);
    splitter_ = Splitter(alLeft, 190, 0, tree_, nullptr);
    pages_ = Panel(area_, alClient, 0, 0, 5, 5);
    splitter_->SetControlSecond(pages_);
    focused_ = Panel(pages_, alTop, 0, 0, 10, 30);
    focused_->SetTabStop(true);
    focused_->SetFocus();
    form_->OnKeyDown = [this](TObject*, Word& key, TShiftState) { formKeys_.push_back(key); };
    Application->SetShowHint(true);
  }
  // Starts a drag and moves the line by 40.
  void StartDrag() {
    Press(splitter_);
    MoveBy(40, 0);
    ASSERT_TRUE(splitter_->Sizing());
    ASSERT_FALSE(Application->ShowHint());
  }
  // Nothing was resized or told, and everything the drag took is back.
  void ExpectCancelled() {
    EXPECT_FALSE(splitter_->Sizing());
    EXPECT_EQ(tree_->Width(), 185);
    EXPECT_TRUE(events_.empty());
    EXPECT_TRUE(Application->ShowHint());
    EXPECT_FALSE(splitter_->MouseCapture());
    formKeys_.clear();
    Word key = 'Q';
    ASSERT_TRUE(form_->OnKeyDown);
    form_->OnKeyDown(form_, key, TShiftState{});
    EXPECT_EQ(formKeys_, (std::vector<Word>{'Q'}));
    // The release that follows is no longer a drag.
    Release(40, 0);
    EXPECT_EQ(tree_->Width(), 185);
    EXPECT_TRUE(events_.empty());
  }
  TPanel* tree_ = nullptr;
  TZxSplitter* splitter_ = nullptr;
  TPanel* pages_ = nullptr;
  TPanel* focused_ = nullptr;
  std::vector<Word> formKeys_;
};

TEST_F(ZxSplitterMainWindow, DraggingResizesTheTreePanel) {
  EXPECT_FALSE(form_->KeyPreview());
  StartDrag();
  Release(40, 0);
  EXPECT_EQ(tree_->Width(), 225);
  EXPECT_EQ(splitter_->Left(), 225);
  EXPECT_TRUE(Application->ShowHint());
}

TEST_F(ZxSplitterMainWindow, EscapeCancelsAndOtherKeysReachTheFormsHandler) {
  StartDrag();
  InjectKey('A');
  Pump();
  EXPECT_EQ(formKeys_, (std::vector<Word>{'A'}));
  EXPECT_TRUE(splitter_->Sizing());
  InjectKey(VK_ESCAPE);
  Pump();
  ExpectCancelled();
}

// Whatever takes the mouse away ends the drag exactly as Escape does.
TEST_F(ZxSplitterMainWindow, LosingTheCaptureCancelsLikeEscape) {
  struct Case {
    const char* name;
    std::function<void()> takeAway;
  };
  const Case cases[] = {
      {"another window captures", [this] { SetCapture(pages_->Handle()); }},
      {"WM_CANCELMODE", [this] { SendMessage(splitter_->Handle(), WM_CANCELMODE, 0, 0); }},
      {"capture released", [] { ReleaseCapture(); }},
      {"program deactivated",
       [this] {
         InjectAppActivation(false);
         Pump();
         InjectAppActivation(true);
         Pump();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartDrag();
    c.takeAway();
    ExpectCancelled();
    ReleaseCapture();
  }
}

// The line is drawn inverted over whatever lies under it (the panels too)
// and drawn again to erase it, so the screen comes back exactly.
TEST_F(ZxSplitterMainWindow, TheInvertedLineLeavesTheScreenAsItWas) {
  Pump();
  const TSurface before = CaptureWindow(form_->WindowHandle());
  StartDrag();
  const TSurface during = CaptureWindow(form_->WindowHandle());
  const POINT line = form_->ScreenToClient(splitter_->ClientToScreen(POINT{1 + 40, 50}));
  EXPECT_NE(during.Pixel(line.x, line.y) & 0xFFFFFF, before.Pixel(line.x, line.y) & 0xFFFFFF);
  EXPECT_EQ(during.Pixel(line.x + 5, line.y), before.Pixel(line.x + 5, line.y));
  MoveBy(60, 0);  // the old line erased, the new one drawn
  const TSurface moved = CaptureWindow(form_->WindowHandle());
  EXPECT_EQ(moved.Pixel(line.x, line.y), before.Pixel(line.x, line.y));
  EXPECT_NE(moved.Pixel(line.x + 20, line.y) & 0xFFFFFF,
            before.Pixel(line.x + 20, line.y) & 0xFFFFFF);
  InjectKey(VK_ESCAPE);
  Pump();
  const TSurface after = CaptureWindow(form_->WindowHandle());
  ASSERT_EQ(after.Width(), before.Width());
  int differing = 0;
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x)
      if ((after.Pixel(x, y) & 0xFFFFFF) != (before.Pixel(x, y) & 0xFFFFFF)) ++differing;
  EXPECT_EQ(differing, 0);
}

TEST_F(ZxSplitterMainWindow, FreeingTheFormMidDragLeavesNothingBehind) {
  StartDrag();
  delete form_;
  form_ = nullptr;
  EXPECT_TRUE(Application->ShowHint());
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
