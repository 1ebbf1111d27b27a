// platform/controls/StatusBar.cpp
#include "platform/controls/StatusBar.h"

#include <vector>

#include "platform/rtl/ScopeExit.h"
#include "platform/win/Message.h"
#include "platform/win/StatusBar.h"

void TStatusPanel::SetText(const String& value) {
  if (text_ == value) return;
  text_ = value;
  Changed(false);
}

void TStatusPanel::SetWidth(Integer value) {
  if (width_ == value) return;
  width_ = value;
  Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
  if (bevel_ == value) return;
  bevel_ = value;
  Changed(false);
}

void TStatusPanel::Assign(const TPersistent* source) {
  if (auto* p = dynamic_cast<const TStatusPanel*>(source)) {
    text_ = p->text_;
    width_ = p->width_;
    alignment_ = p->alignment_;
    bevel_ = p->bevel_;
    Changed(true);
    return;
  }
  TCollectionItem::Assign(source);
}

TStatusPanels::TStatusPanels(TStatusBar* bar)
    : TCollection(TCollectionItemClass::Of<TStatusPanel>()), bar_(bar) {}

TStatusPanel* TStatusPanels::Add() {
  return Insert(Count());
}

TStatusPanel* TStatusPanels::Insert(Integer index) {
  BeginUpdate();
  TCollectionItem* item;
  TScopeExit end_update([&] { EndUpdate(); });
  item = TCollection::Insert(index);
  return static_cast<TStatusPanel*>(item);
}

TPersistent* TStatusPanels::GetOwner() const {
  return bar_;
}

void TStatusPanels::Update(TCollectionItem* item) {
  bar_->UpdatePanels(static_cast<TStatusPanel*>(item));
}

TStatusBar::TStatusBar(TComponent* owner) : TStandardControl(owner) {
  panels_ = std::make_unique<TStatusPanels>(this);
  SetBounds(0, 0, 300, 19);
  SetAlign(alBottom);
  SetColor(clBtnFace);
}

TStatusBar::~TStatusBar() {
  // The panels must not call back into a half-destroyed bar.
  panels_->BeginUpdate();
}

void TStatusBar::CreateParams(TCreateParams& params) {
  TStandardControl::CreateParams(params);
  RegisterStatusBarClass();
  CreateSubClass(params, STATUSCLASSNAME);
  if (size_grip_) params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
  TStandardControl::CreateWnd();
  UpdatePanels(nullptr);
}

void TStatusBar::SetSimplePanel(bool value) {
  if (simple_panel_ == value) return;
  simple_panel_ = value;
  if (HandleAllocated()) SendMessage(WindowHandle(), SB_SIMPLE, value, 0);
}

void TStatusBar::SetSimpleText(const String& value) {
  if (simple_text_ == value) return;
  simple_text_ = value;
  if (HandleAllocated())
    SendMessage(WindowHandle(), SB_SETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>(value.c_str()));
}

void TStatusBar::SetSizeGrip(bool value) {
  if (size_grip_ == value) return;
  size_grip_ = value;
  RecreateWnd();
}

void TStatusBar::UpdatePanelText(Integer index) {
  const TStatusPanel* p = panels_->Items(index);
  if (!p) return;
  // The bar centres what follows one tab and right-aligns what follows two.
  static const char* const kAlign[] = {"", "\t\t", "\t"};
  const String text = kAlign[p->Alignment()] + p->Text();
  static const UINT kBevel[] = {SBT_NOBORDERS, 0, SBT_POPOUT};
  SendMessage(WindowHandle(), SB_SETTEXT, static_cast<WPARAM>(index) | kBevel[p->Bevel()],
              reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::UpdatePanels(TStatusPanel* panel) {
  if (!HandleAllocated()) return;
  if (panel) {
    UpdatePanelText(panel->Index());
    return;
  }
  const Integer n = std::min<Integer>(panels_->Count(), kStatusBarMaxParts);
  std::vector<int> rights;
  int right = 0;
  for (Integer i = 0; i < n; ++i) {
    if (const TStatusPanel* p = panels_->Items(i)) right += p->Width();
    rights.push_back(i + 1 == n ? -1 : right);
  }
  if (rights.empty()) rights.push_back(-1);
  SendMessage(WindowHandle(), SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
  for (Integer i = 0; i < n; ++i) UpdatePanelText(i);
  if (n == 0) SendMessage(WindowHandle(), SB_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  SendMessage(WindowHandle(), SB_SETTEXT, SB_SIMPLEID,
              reinterpret_cast<LPARAM>(simple_text_.c_str()));
  SendMessage(WindowHandle(), SB_SIMPLE, simple_panel_, 0);
}
