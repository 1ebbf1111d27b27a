// platform/controls/PageControl.cpp
#include "platform/controls/PageControl.h"

#include <algorithm>

#include "platform/controls/ControlsProperties.h"
#include "platform/controls/ImageLists.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/TabControl.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetColor(clBtnFace);
  SetVisible(false);
  SetAlign(alClient);
  control_style_ += csAcceptsControls;
}

TTabSheet::~TTabSheet() {
  SetPageControl(nullptr);
}

void TTabSheet::SetParent(TWinControl* parent) {
  TWinControl::SetParent(parent);
  auto* pc = dynamic_cast<TPageControl*>(parent);
  if (pc != page_control_) {
    if (page_control_) page_control_->RemovePage(this);
    if (pc) pc->InsertPage(this);
  }
}

void TTabSheet::SetPageControl(TPageControl* value) {
  if (value == page_control_) return;
  SetParent(value);
}

Integer TTabSheet::PageIndex() const {
  if (!page_control_) return -1;
  const auto& pages = page_control_->pages_;
  return static_cast<Integer>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(Integer value) {
  if (page_control_) page_control_->MovePage(this, value);
}

void TTabSheet::SetImageIndex(Integer value) {
  if (image_index_ == value) return;
  image_index_ = value;
  if (page_control_) page_control_->UpdateTabs();
}

void TTabSheet::CMTextChanged(TMessage& message) {
  TWinControl::CMTextChanged(message);
  if (page_control_) page_control_->UpdateTabs();
}

TPageControl::TPageControl(TComponent* owner) : TStandardControl(owner) {
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
  control_style_ += csAcceptsControls;
}

TPageControl::~TPageControl() {
  // The pages are freed with the other children; they must not call back.
  for (TTabSheet* page : pages_) page->page_control_ = nullptr;
  pages_.clear();
  active_ = nullptr;
}

TTabSheet* TPageControl::Pages(Integer index) const {
  if (index < 0 || index >= PageCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return pages_[static_cast<size_t>(index)];
}

void TPageControl::CreateParams(TCreateParams& params) {
  TStandardControl::CreateParams(params);
  RegisterTabControlClass();
  CreateSubClass(params, WC_TABCONTROL);
  params.Style |= WS_CLIPCHILDREN;
}

void TPageControl::CreateWnd() {
  TStandardControl::CreateWnd();
  UpdateTabs();
  Realign();
}

void TPageControl::AdjustClientRect(RECT& rect) {
  TStandardControl::AdjustClientRect(rect);
  // The frame's size depends on the font and the images: the window knows.
  // Without it the pages wait for CreateWnd's alignment.
  if (HandleAllocated())
    SendMessage(WindowHandle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->page_control_ = this;
  UpdateTabs();
  if (!active_) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  const Integer index = static_cast<Integer>(it - pages_.begin());
  pages_.erase(it);
  page->page_control_ = nullptr;
  if (active_ == page) {
    active_ = nullptr;
    page->SetVisible(false);
    // The page that took its place, else the one before.
    if (!pages_.empty()) SetActivePage(pages_[std::min<size_t>(index, pages_.size() - 1)]);
  }
  UpdateTabs();
}

void TPageControl::MovePage(TTabSheet* page, Integer index) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  pages_.erase(it);
  index = std::max<Integer>(0, std::min<Integer>(index, PageCount()));
  pages_.insert(pages_.begin() + index, page);
  UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->page_control_ != this) return;
  if (page == active_) return;
  TTabSheet* old = active_;
  active_ = page;
  ShowActive();
  if (old) old->SetVisible(false);
}

void TPageControl::ShowActive() {
  if (active_) {
    active_->BringToFront();
    active_->SetVisible(true);
  }
  if (HandleAllocated())
    SendMessage(WindowHandle(), TCM_SETCURSEL, static_cast<WPARAM>(ActivePageIndex()), 0);
}

void TPageControl::SetActivePageIndex(Integer value) {
  SetActivePage(value >= 0 && value < PageCount() ? pages_[static_cast<size_t>(value)] : nullptr);
}

void TPageControl::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
  UpdateTabs();
}

void TPageControl::Notification(TComponent* component, TOperation operation) {
  TStandardControl::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    UpdateTabs();
  }
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward) const {
  if (pages_.empty()) return nullptr;
  auto it = std::find(pages_.begin(), pages_.end(), current);
  const Integer n = PageCount();
  Integer i = it == pages_.end() ? (goForward ? -1 : n) : static_cast<Integer>(it - pages_.begin());
  i = ((goForward ? i + 1 : i - 1) % n + n) % n;
  return pages_[static_cast<size_t>(i)];
}

void TPageControl::SelectNextPage(bool goForward) {
  TTabSheet* next = FindNextPage(active_, goForward);
  if (!next || next == active_ || !CanChange()) return;
  SetActivePage(next);
  Change();
}

void TPageControl::UpdateTabs() {
  if (!HandleAllocated()) return;
  const HWND h = WindowHandle();
  SendMessage(h, TCM_SETIMAGELIST, 0,
              reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
  SendMessage(h, TCM_DELETEALLITEMS, 0, 0);
  for (Integer i = 0; i < PageCount(); ++i) {
    TTabSheet* page = pages_[static_cast<size_t>(i)];
    String caption = page->Caption();
    TCITEMA item;
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = caption.data();
    item.iImage = page->ImageIndex();
    SendMessage(h, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  SendMessage(h, TCM_SETCURSEL, static_cast<WPARAM>(ActivePageIndex()), 0);
  // The tab row may have changed height with the images.
  Realign();
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::Dispatch(TMessage& message) {
  if (message.Msg == CM_DIALOGKEY && message.WParam == VK_TAB && HandleAllocated()) {
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages while the focus is on the
    // tabs or on a control of a page.
    const HWND focus = GetFocus();
    if (focus && (focus == WindowHandle() || IsChild(WindowHandle(), focus))) {
      SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
      message.Result = 1;
      return;
    }
  }
  if (message.Msg == CN_NOTIFY) {
    const auto* hdr = reinterpret_cast<const NMHDR*>(message.LParam);
    if (hdr->code == TCN_SELCHANGING) {
      message.Result = CanChange() ? FALSE : TRUE;
      return;
    }
    if (hdr->code == TCN_SELCHANGE) {
      SetActivePageIndex(static_cast<Integer>(SendMessage(WindowHandle(), TCM_GETCURSEL, 0, 0)));
      Change();
      return;
    }
  }
  TStandardControl::Dispatch(message);
}

void DeclarePageControlProperties() {
  static bool declared = false;
  if (declared) return;
  declared = true;
  DeclareControlProperties();
  using S = TTabSheet;
  TPublishedClass<S, TWinControl>()
      .AddString(
          "Caption", [](S* s) { return s->Caption(); },
          [](S* s, const String& v) { s->SetCaption(v); })
      .AddInteger("ImageIndex", &S::ImageIndex, &S::SetImageIndex, -1)
      .AddComponent("PageControl", &S::PageControl, &S::SetPageControl)
      .AddInteger("PageIndex", &S::PageIndex, &S::SetPageIndex, -1, false)
      .NotStored();
  using P = TPageControl;
  TPublishedClass<P, TWinControl>()
      .AddComponent("ActivePage", &P::ActivePage, &P::SetActivePage)
      .AddInteger("ActivePageIndex", &P::ActivePageIndex, &P::SetActivePageIndex, -1)
      .NotStored()
      .AddComponent("Images", &P::Images, &P::SetImages);
}
