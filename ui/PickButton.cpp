// ui/PickButton.cpp
#include "ui/PickButton.h"

#include <algorithm>

#include "platform/controls/ControlsProperties.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"

namespace {
constexpr Integer kMinButtonWidth = 18;
}

// --- TCPickButton ------------------------------------------------------------------

TCPickButton::TCPickButton(TComponent* owner) : TWinControl(owner) {
  // Holds only its own button, and a name is no caption for it.
  control_style_ = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
  button_ = new TSpeedButton(this);
  button_->SetParent(this);
  button_->SetParentShowHint(true);
  button_->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, Integer, Integer) {
    ButtonMouseDown(b);
  };
  button_->OnClick = [this](TObject*) { ButtonClick(); };
  SetBounds(0, 0, 20, 25);
}

void TCPickButton::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  SetOpaque(!value);
  button_->SetTransparent(value);
  Invalidate();
}

void TCPickButton::SetFocusControl(TWinControl* value) {
  if (focus_control_ == value) return;
  if (focus_control_) focus_control_->RemoveFreeNotification(this);
  focus_control_ = value;
  if (value) value->FreeNotification(this);
}

void TCPickButton::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == focus_control_) focus_control_ = nullptr;
}

void TCPickButton::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  TWinControl::SetBounds(left, top, width, height);
  AdjustWinSize();
}

void TCPickButton::Loaded() {
  TWinControl::Loaded();
  AdjustWinSize();
}

void TCPickButton::Dispatch(TMessage& message) {
  TWinControl::Dispatch(message);
  if (message.Msg == WM_SIZE) AdjustWinSize();
}

void TCPickButton::AdjustWinSize() {
  if (ComponentState().Contains(csLoading)) return;
  if (Width() < kMinButtonWidth) {
    SetBounds(Left(), Top(), kMinButtonWidth, Height());  // comes back here once, wide enough
    return;
  }
  if (button_->Left() != 0 || button_->Top() != 0 || button_->Width() != Width() ||
      button_->Height() != Height())
    button_->SetBounds(0, 0, Width(), Height());
}

void TCPickButton::ButtonMouseDown(TMouseButton button) {
  if (button != mbLeft) return;
  auto takes = [](TWinControl* c) { return c && c->TabStop() && c->CanFocus() && !c->Focused(); };
  if (focus_control_) {
    if (takes(focus_control_)) focus_control_->SetFocus();
  } else if (takes(this)) {
    SetFocus();
  }
}

void TCPickButton::ButtonClick() {
  // The control's own click step does nothing; the item hears of it.
  if (OnDownClick) OnDownClick(this);
}

void TCPickButton::KeyDown(Word& key, TShiftState shift) {
  if (key == VK_DOWN) {
    if (shift.Contains(ssAlt)) button_->Click();
    key = 0;  // without Alt the arrow means nothing here
    return;
  }
  TWinControl::KeyDown(key, shift);
}

// --- TButtonInItem -----------------------------------------------------------------

TButtonInItem::TButtonInItem(TCollection* collection) : TCollectionItem(collection) {
  button_ = new TCPickButton(nullptr);
  button_->SetFlat(true);
  auto* buttons = dynamic_cast<TButtonsIn*>(collection);
  if (TCustomPickEdit* edit = buttons ? buttons->Edit() : nullptr) {
    button_->SetFocusControl(edit);
    button_->SetParent(edit);
  }
  button_->SetBounds(button_->Left(), button_->Top(), 18, 18);
}

TButtonInItem::~TButtonInItem() {
  delete button_;
}

String TButtonInItem::DisplayName() const {
  return display_name_.empty() ? ClassName() : display_name_;
}

void TButtonInItem::SetDisplayName(const String& value) {
  display_name_ = value;
  Changed(false);
}

void TButtonInItem::SetGlyph(const TBitmap* value) {
  button_->SetGlyph(value);
  button_->Invalidate();
}

void TButtonInItem::SetShowHint(bool value) {
  button_->SetShowHint(value);
  button_->Button()->SetShowHint(value);
}

void TButtonInItem::SetHint(const String& value) {
  // The inner button is what the pointer rests on.
  button_->SetHint(value);
  button_->Button()->SetHint(value);
}

void TButtonInItem::SetVisible(bool value) {
  if (button_->Visible() == value) return;
  button_->SetVisible(value);
  Changed(false);  // the text rectangle follows the visible buttons
}

void TButtonInItem::SetColor(TColor value) {
  button_->SetColor(value);
  button_->Button()->SetColor(value);
  button_->Invalidate();
}

void TButtonInItem::Assign(const TPersistent* source) {
  const auto* item = dynamic_cast<const TButtonInItem*>(source);
  if (!item) {
    TCollectionItem::Assign(source);
    return;
  }
  display_name_ = item->display_name_;
  SetFlat(item->Flat());
  SetGlyph(item->Glyph());
  SetShowHint(item->ShowHint());
  SetHint(item->Hint());
  SetVisible(item->Visible());
  SetColor(item->Color());
  SetTransparent(item->Transparent());
  SetOnClick(item->OnClick());
}

// --- TButtonsIn --------------------------------------------------------------------

TButtonsIn::TButtonsIn(TPersistent* owner)
    : TOwnedCollection(owner, TCollectionItemClass::Of<TButtonInItem>()),
      edit_(dynamic_cast<TCustomPickEdit*>(owner)) {
  SetPropName("ButtonsIn");
}

void TButtonsIn::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  if (edit_ && edit_->HandleAllocated() && !edit_->ComponentState().Contains(csDestroying))
    PostMessage(edit_->WindowHandle(), WM_SIZE, 0,
                MAKELPARAM(edit_->ClientWidth(), edit_->ClientHeight()));
}

// --- TCustomPickEdit ---------------------------------------------------------------

TCustomPickEdit::TCustomPickEdit(TComponent* owner)
    : TCustomEdit(owner), buttons_in_(std::make_unique<TButtonsIn>(this)) {
  SetText(String());
  control_style_ += csAcceptsControls;
}

TCustomPickEdit::~TCustomPickEdit() {
  // The items free their buttons, children of this edit, before the edit goes.
  buttons_in_.reset();
}

void TCustomPickEdit::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
}

void TCustomPickEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  ArrangeButtons();
}

void TCustomPickEdit::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_SIZE:
      TCustomEdit::Dispatch(message);
      // Inside a move the control learns its new bounds only after the
      // size message: the layout waits for them (WMWindowPosChanged).
      if (!in_pos_changed_) ArrangeButtons();
      return;
    case WM_CUT:
    case WM_PASTE:
    case WM_COPY:
      if (!editor_enabled_ || ReadOnly()) return;
      break;
    default:
      break;
  }
  TCustomEdit::Dispatch(message);
}

void TCustomPickEdit::WMWindowPosChanged(TMessage& message) {
  const bool outer = !in_pos_changed_;
  {
    const auto inside = SetForScope(in_pos_changed_, true);
    TCustomEdit::WMWindowPosChanged(message);
  }
  if (outer) ArrangeButtons();
}

void TCustomPickEdit::WMPaint(TMessage& message) {
  TCustomEdit::WMPaint(message);
  ArrangeButtons();
}

void TCustomPickEdit::WMChar(TMessage& message) {
  // The clipboard keys obey the same rule as the clipboard messages.
  const auto ch = message.WParam;
  if ((ch == 0x03 || ch == 0x16 || ch == 0x18) && (!editor_enabled_ || ReadOnly())) return;
  TCustomEdit::WMChar(message);
}

Integer TCustomPickEdit::MinHeight() {
  HDC dc = CreateCompatibleDC(nullptr);
  TEXTMETRIC system, own;
  HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  GetTextMetrics(dc, &system);
  SelectObject(dc, Font()->Handle());
  GetTextMetrics(dc, &own);
  SelectObject(dc, old);
  DeleteDC(dc);
  const Integer t = own.tmHeight, s = system.tmHeight;
  return t + std::min(s, t) / 4 + 4 * GetSystemMetrics(SM_CYBORDER) + 2;
}

void TCustomPickEdit::ArrangeButtons() {
  if (arranging_ || !HandleAllocated()) return;
  arranging_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{arranging_};

  const Integer minHeight = MinHeight();
  if (Height() < minHeight && Height() != refused_height_) {
    const Integer before = Height();
    SetHeight(minHeight);
    // Alignment or constraints may keep the edit lower: then the layout
    // takes what there is, and does not ask again at this height.
    if (Height() == before) refused_height_ = before;
  }
  const Integer n = buttons_in_->Count();
  if (n == 0) return;
  const bool modern = Ctl3D();
  const Integer inset = modern ? 4 : 2, rightMargin = modern ? 5 : 1, top = modern ? 0 : 1;
  const Integer side = std::max<Integer>(0, Height() - inset);
  // The width a button will have (never below its minimum), so that one pass
  // places every button where the next pass would leave it.
  const Integer buttonWidth = std::max(side, kMinButtonWidth);
  for (Integer i = 0; i < n; ++i) {
    TCPickButton* b = buttons_in_->Items(i)->Button();
    const RECT want{Width() - buttonWidth * (n - i) - rightMargin, top, 0, 0};
    if (b->Left() != want.left || b->Top() != want.top || b->Width() != buttonWidth ||
        b->Height() != side)
      b->SetBounds(want.left, want.top, buttonWidth, side);
  }
  SetEditRect();
}

void TCustomPickEdit::SetEditRect() {
  if (!HandleAllocated()) return;
  Integer visible = 0;
  for (Integer i = 0; i < buttons_in_->Count(); ++i)
    if (buttons_in_->Items(i)->Visible()) ++visible;
  const RECT client = ClientRect();
  RECT r{0, 0, RectWidth(client), RectHeight(client)};
  if (visible > 0) {
    r.top = 1;
    r.right -= buttons_in_->Items(0)->Button()->Width() * visible + 2;
  }
  r.right = std::max(r.left, r.right);  // an edit narrower than its buttons shows no text
  RECT now{};
  SendMessage(WindowHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&now));
  if (!EqualRect(&now, &r))
    SendMessage(WindowHandle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TCustomPickEdit::Change() {
  RemoveLineBreaks();
  TCustomEdit::Change();
}

void TCustomPickEdit::RemoveLineBreaks() {
  if (removing_breaks_ || !HandleAllocated()) return;
  const String text = Text();
  if (text.find("\r\n") == String::npos) return;
  // Each pair before the caret moves it two characters back.
  const size_t caret = static_cast<size_t>(SelStart() + SelLength());
  String kept;
  size_t pairsBefore = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      if (i + 2 <= caret) ++pairsBefore;
      ++i;
      continue;
    }
    kept += text[i];
  }
  const Integer pos =
      static_cast<Integer>(std::min(kept.size(), caret - std::min(caret, 2 * pairsBefore)));
  removing_breaks_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{removing_breaks_};
  SetText(kept);  // the change this brings is reported by the caller
  SetSelStart(pos);
}

void DeclarePickButtonProperties() {
  DeclareControlProperties();
  TPublishedClass<TCPickButton, TWinControl> button;
  button.AddObject("Glyph", &TCPickButton::Glyph)
      .AddInteger("DownNumGlyphs", &TCPickButton::DownNumGlyphs, &TCPickButton::SetDownNumGlyphs, 1)
      .AddBoolean("Flat", &TCPickButton::Flat, &TCPickButton::SetFlat, false)
      .AddBoolean("Transparent", &TCPickButton::Transparent, &TCPickButton::SetTransparent, false)
      .AddComponent("FocusControl", &TCPickButton::FocusControl, &TCPickButton::SetFocusControl);
  TPublishedClass<TButtonInItem, TPersistent>()
      .AddString("DisplayName", &TButtonInItem::DisplayName, &TButtonInItem::SetDisplayName)
      .AddBoolean("Flat", &TButtonInItem::Flat, &TButtonInItem::SetFlat, true)
      .AddObject("Glyph", &TButtonInItem::Glyph)
      .AddBoolean("ShowHint", &TButtonInItem::ShowHint, &TButtonInItem::SetShowHint, false)
      .AddString("Hint", &TButtonInItem::Hint, &TButtonInItem::SetHint)
      .AddBoolean("Visible", &TButtonInItem::Visible, &TButtonInItem::SetVisible, true)
      .AddInteger("Color", &TButtonInItem::Color, &TButtonInItem::SetColor, 0, false)
      .AddBoolean("Transparent", &TButtonInItem::Transparent, &TButtonInItem::SetTransparent,
                  false);
  TPublishedClass<TCustomPickEdit, TCustomEdit>().AddBoolean(
      "EditorEnabled", &TCustomPickEdit::EditorEnabled, &TCustomPickEdit::SetEditorEnabled, true);
  TPublishedClass<TPickEdit, TCustomPickEdit>().AddObject("ButtonsIn", &TCustomPickEdit::ButtonsIn);
}

TModuleInit PickButtonModule() {
  return TModuleInit{"PickButton", [] { DeclarePickButtonProperties(); }, nullptr};
}
