#include <gtest/gtest.h>

#include "platform/controls/Drag.h"
#include "platform/controls/Panel.h"
#include "platform/win/Cursor.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class Drag : public ControlTest {
 protected:
  Drag() {
    form_ = ShownForm();
    source_ = MakePanel(10, 10);
    target_ = MakePanel(200, 10);
    source_->OnEndDrag = [this](TObject*, TObject* target, Integer x, Integer y) {
      log_.push_back("end " + String(target ? "target" : "none") + " " + std::to_string(x) + "," +
                     std::to_string(y));
    };
    target_->OnDragOver = [this](TObject*, TObject* source, Integer, Integer, TDragState state,
                                 bool& accept) {
      static const char* names[] = {"enter", "leave", "move"};
      log_.push_back(String("over ") + names[state] + (source == source_ ? " src" : " ?"));
      accept = accept_;
    };
    target_->OnDragDrop = [this](TObject*, TObject* source, Integer x, Integer y) {
      log_.push_back("drop " + String(source == source_ ? "src " : "? ") + std::to_string(x) + "," +
                     std::to_string(y));
    };
  }

  TPanel* MakePanel(int left, int top) {
    auto* p = new TPanel(owner_.get());
    p->SetParent(form_);
    p->SetBounds(left, top, 100, 100);
    return p;
  }

  void Press(TControl* c, int x, int y) {
    InjectMouseMove(At(c, x, y));
    InjectButtonDown(TInputButton::Left, At(c, x, y));
    Pump();
  }
  void MoveTo(TControl* c, int x, int y) {
    InjectMouseMove(At(c, x, y));
    Pump();
  }
  void Release(TControl* c, int x, int y) {
    InjectButtonUp(TInputButton::Left, At(c, x, y));
    Pump();
  }

  TCustomForm* form_ = nullptr;
  TPanel* source_ = nullptr;
  TPanel* target_ = nullptr;
  bool accept_ = true;
  std::vector<String> log_;
};

TEST_F(Drag, AnAutomaticDragEntersMovesAndDropsOnTheTarget) {
  source_->SetDragMode(dmAutomatic);
  Press(source_, 20, 20);
  EXPECT_FALSE(DragObject()) << "the drag waits for the pointer to move";
  EXPECT_TRUE(DragActive());
  MoveTo(source_, 40, 20);
  ASSERT_NE(DragObject(), nullptr);
  EXPECT_TRUE(source_->Dragging());
  EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));  // over the source, which takes nothing
  MoveTo(target_, 5, 6);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crDrag));
  MoveTo(target_, 7, 8);
  Release(target_, 7, 8);
  EXPECT_FALSE(DragActive());
  EXPECT_EQ(log_, (std::vector<String>{"over enter src", "over move src", "over move src",
                                       "drop src 7,8", "end target 7,8"}));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crDefault));
}

TEST_F(Drag, ARefusedDropIsCancelledAndTheSourceHearsOfNoTarget) {
  accept_ = false;
  source_->SetDragMode(dmAutomatic);
  Press(source_, 20, 20);
  MoveTo(target_, 5, 5);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));
  Release(target_, 5, 5);
  EXPECT_EQ(log_.back(), "end none 0,0");
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "drop src 5,5"), 0);
}

TEST_F(Drag, EscapeCancelsTheDrag) {
  source_->SetDragMode(dmAutomatic);
  Press(source_, 20, 20);
  MoveTo(target_, 5, 5);
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(DragActive());
  EXPECT_EQ(log_.back(), "end none 0,0");
  Release(target_, 5, 5);
  EXPECT_EQ(std::count_if(log_.begin(), log_.end(),
                          [](const String& s) { return s.rfind("drop", 0) == 0; }),
            0);
}

TEST_F(Drag, LeavingATargetTellsItAndAReleaseBeforeTheThresholdIsNoDrag) {
  source_->SetDragMode(dmAutomatic);
  Press(source_, 20, 20);
  Release(source_, 21, 20);
  EXPECT_FALSE(DragActive());
  EXPECT_TRUE(log_.empty());

  source_->BeginDrag(true);
  MoveTo(target_, 5, 5);
  MoveTo(source_, 5, 5);
  EXPECT_EQ(log_.back(), "over leave src");
  source_->EndDrag(false);
  EXPECT_EQ(log_.back(), "end none 0,0");
}

TEST_F(Drag, AStartHandlerMayGiveItsOwnDragObjectWhichItKeeps) {
  struct TMine : TDragObject {
    TCursor GetDragCursor(bool accepted, Integer, Integer) override {
      return accepted ? crHandPoint : crNo;
    }
  };
  TMine mine;
  source_->OnStartDrag = [&](TObject*, TDragObject*& obj) { obj = &mine; };
  TObject* seenSource = nullptr;
  target_->OnDragOver = [&](TObject*, TObject* source, Integer, Integer, TDragState, bool& ok) {
    seenSource = source;
    ok = true;
  };
  source_->BeginDrag(true);
  MoveTo(target_, 5, 5);
  EXPECT_EQ(DragObject(), &mine);
  EXPECT_EQ(seenSource, &mine);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  EXPECT_EQ(mine.DragTarget(), target_);
  EXPECT_EQ(mine.DragTargetPos().x, 5);
  Release(target_, 5, 5);
  EXPECT_TRUE(mine.Dropped());
}

TEST_F(Drag, FreeingTheTargetDuringADragLeavesTheDragSound) {
  source_->BeginDrag(true);
  MoveTo(target_, 5, 5);
  delete target_;
  target_ = nullptr;
  MoveTo(form_, 390, 250);
  source_->EndDrag(true);
  EXPECT_FALSE(DragActive());
}

}  // namespace

TEST_F(Drag, FreeingTheSourceDuringADragCancelsItAtTheTarget) {
  source_->BeginDrag(true);
  MoveTo(target_, 5, 5);
  bool cancelled = false;
  target_->WindowProc = [&cancelled, old = target_->WindowProc](TMessage& m) {
    if (m.Msg == CM_DRAG && m.WParam == dmDragCancel) cancelled = true;
    old(m);
  };
  delete source_;
  source_ = nullptr;
  EXPECT_FALSE(DragActive());
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(GetCapture(), nullptr);
}
