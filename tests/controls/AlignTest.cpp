#include "platform/controls/Panel.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class Align : public ControlTest {
 protected:
  // A borderless panel of the given client size on a shown form.
  TPanel* Parent(int w, int h) {
    TCustomForm* form = ShownForm();
    auto* p = new TPanel(owner_.get());
    p->SetBevelOuter(bvNone);
    p->SetParent(form);
    p->SetBounds(0, 0, w, h);
    return p;
  }
  TPanel* Child(TWinControl* parent, TAlign align, int w, int h, int left = 0, int top = 0) {
    auto* c = new TPanel(owner_.get());
    c->SetBounds(left, top, w, h);
    c->SetParent(parent);
    c->SetAlign(align);
    return c;
  }
  static RECT Bounds(TControl* c) { return c->BoundsRect(); }
};

TEST_F(Align, FiveAlignmentsShareTheClientAreaAndFollowItsSize) {
  TPanel* parent = Parent(200, 100);
  TPanel* top = Child(parent, alTop, 50, 10);
  TPanel* bottom = Child(parent, alBottom, 50, 20);
  TPanel* left = Child(parent, alLeft, 30, 50);
  TPanel* right = Child(parent, alRight, 40, 50);
  TPanel* client = Child(parent, alClient, 5, 5);
  struct Case {
    int w, h;
    RECT top, bottom, left, right, client;
  };
  const Case cases[] = {
      {200,
       100,
       {0, 0, 200, 10},
       {0, 80, 200, 100},
       {0, 10, 30, 80},
       {160, 10, 200, 80},
       {30, 10, 160, 80}},
      {300,
       150,
       {0, 0, 300, 10},
       {0, 130, 300, 150},
       {0, 10, 30, 130},
       {260, 10, 300, 130},
       {30, 10, 260, 130}},
      // Too small for all: the client control is left with nothing, never less.
      {60, 25, {0, 0, 60, 10}, {0, 5, 60, 25}, {0, 10, 30, 10}, {20, 10, 60, 10}, {30, 10, 30, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    parent->SetBounds(0, 0, c.w, c.h);
    EXPECT_EQ(Bounds(top), c.top);
    EXPECT_EQ(Bounds(bottom), c.bottom);
    EXPECT_EQ(Bounds(left), c.left);
    EXPECT_EQ(Bounds(right), c.right);
    EXPECT_EQ(Bounds(client), c.client);
  }
}

TEST_F(Align, HiddenControlsTakeNoRoomAndGetItBackWhenShown) {
  TPanel* parent = Parent(200, 100);
  TPanel* top = Child(parent, alTop, 50, 10);
  TPanel* left = Child(parent, alLeft, 30, 50);
  TPanel* client = Child(parent, alClient, 5, 5);
  top->Hide();
  EXPECT_EQ(Bounds(left), (RECT{0, 0, 30, 100}));
  EXPECT_EQ(Bounds(client), (RECT{30, 0, 200, 100}));
  left->Hide();
  EXPECT_EQ(Bounds(client), (RECT{0, 0, 200, 100}));
  top->Show();
  left->Show();
  EXPECT_EQ(Bounds(top), (RECT{0, 0, 200, 10}));
  EXPECT_EQ(Bounds(client), (RECT{30, 10, 200, 100}));
}

TEST_F(Align, ControlsOfOneAlignmentKeepTheOrderOfTheirPlaces) {
  TPanel* parent = Parent(200, 100);
  TPanel* a = Child(parent, alTop, 50, 10, 0, 0);
  TPanel* b = Child(parent, alTop, 50, 20, 0, 50);
  EXPECT_EQ(a->Top(), 0);
  EXPECT_EQ(b->Top(), 10);
  // Moving b above a puts it first.
  b->SetTop(0);
  EXPECT_EQ(b->Top(), 0);
  EXPECT_EQ(a->Top(), 20);
  // Right-aligned controls fill from the right edge inwards, the rightmost first.
  TPanel* r1 = Child(parent, alRight, 15, 5, 150);
  TPanel* r2 = Child(parent, alRight, 25, 5, 10);
  EXPECT_EQ(r1->Left(), 185);
  EXPECT_EQ(r2->Left(), 160);
}

TEST_F(Align, NestedPanelsAlignInsideTheirBevels) {
  TPanel* parent = Parent(200, 100);
  TPanel* side = Child(parent, alLeft, 60, 5);
  auto* inner = new TPanel(owner_.get());  // raised bevel, one pixel
  inner->SetParent(side);
  inner->SetBounds(0, 0, 10, 10);
  inner->SetAlign(alClient);
  TPanel* innerTop = Child(inner, alTop, 5, 15);
  // Both side and inner have the default one-pixel raised bevel.
  EXPECT_EQ(Bounds(inner), (RECT{1, 1, 59, 99}));
  EXPECT_EQ(Bounds(innerTop), (RECT{1, 1, 57, 16}));
  parent->SetHeight(140);
  side->SetWidth(80);
  EXPECT_EQ(Bounds(inner), (RECT{1, 1, 79, 139}));
  EXPECT_EQ(Bounds(innerTop), (RECT{1, 1, 77, 16}));
  inner->SetBorderWidth(2);
  EXPECT_EQ(Bounds(innerTop), (RECT{3, 3, 75, 18}));
}

TEST_F(Align, DisabledAlignmentWaitsForTheLastEnable) {
  TPanel* parent = Parent(200, 100);
  TPanel* left = Child(parent, alLeft, 30, 50);
  TPanel* client = Child(parent, alClient, 5, 5);
  parent->DisableAlign();
  parent->DisableAlign();
  left->SetWidth(50);
  EXPECT_EQ(client->Left(), 30);
  parent->EnableAlign();
  EXPECT_EQ(client->Left(), 30);
  parent->EnableAlign();
  EXPECT_EQ(client->Left(), 50);
  EXPECT_EQ(client->Width(), 150);
}

TEST_F(Align, ConstraintsBoundTheAlignedSizeAndTheRestFollows) {
  TPanel* parent = Parent(200, 100);
  TPanel* left = Child(parent, alLeft, 30, 50);
  TPanel* client = Child(parent, alClient, 5, 5);
  left->Constraints()->SetMaxWidth(20);
  EXPECT_EQ(left->Width(), 20);
  EXPECT_EQ(client->Left(), 20);
  left->SetWidth(5);
  left->Constraints()->SetMinWidth(10);
  EXPECT_EQ(left->Width(), 10);
  EXPECT_EQ(client->Width(), 190);
}

TEST_F(Align, AnchorsKeepTheDistanceToTheNamedSides) {
  TPanel* parent = Parent(200, 100);
  auto* pinned = new TPanel(owner_.get());
  pinned->SetParent(parent);
  pinned->SetBounds(150, 70, 40, 20);
  pinned->SetAnchors(TAnchors{akRight, akBottom});
  auto* stretched = new TPanel(owner_.get());
  stretched->SetParent(parent);
  stretched->SetBounds(10, 10, 100, 20);
  stretched->SetAnchors(TAnchors{akLeft, akTop, akRight});
  parent->SetBounds(0, 0, 300, 150);
  EXPECT_EQ(Bounds(pinned), (RECT{250, 120, 290, 140}));
  EXPECT_EQ(Bounds(stretched), (RECT{10, 10, 210, 30}));
  parent->SetBounds(0, 0, 200, 100);
  EXPECT_EQ(Bounds(pinned), (RECT{150, 70, 190, 90}));
}

}  // namespace
