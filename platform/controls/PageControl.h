// platform/controls/PageControl.h
//
// TPageControl: pages (TTabSheet) behind the tabs of a tab control; the
// active page fills the display area and the others are hidden. A tab shows
// its page's Caption and, from the control's Images, its ImageIndex.
// ActivePage / ActivePageIndex choose the page in code. The user's click on
// a tab (or the arrow keys on the focused tabs, or Ctrl+Tab / Ctrl+Shift+Tab
// with the focus anywhere in the control) asks OnChanging, which may refuse,
// then shows the page and fires OnChange; changing the page in code fires
// neither.
//
// TTabSheet: a page; it joins a page control by SetPageControl (or by being
// given one as its parent) and hosts controls like any windowed control.
#pragma once

#include <functional>
#include <vector>

#include "platform/controls/StandardControl.h"

class TCustomImageList;
class TPageControl;

class TTabSheet : public TWinControl {
  ZORVET_CLASS_NAME(TTabSheet)

 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return page_control_; }
  void SetPageControl(TPageControl* value);
  // The place among the control's pages (-1 outside one).
  Integer PageIndex() const;
  void SetPageIndex(Integer value);
  Integer ImageIndex() const { return image_index_; }
  void SetImageIndex(Integer value);

  void SetParent(TWinControl* parent) override;

 protected:
  void CMTextChanged(TMessage& message) override;

 private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
  Integer image_index_ = -1;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TStandardControl {
  ZORVET_CLASS_NAME(TPageControl)

 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  Integer PageCount() const { return static_cast<Integer>(pages_.size()); }
  TTabSheet* Pages(Integer index) const;
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* page);
  Integer ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }
  void SetActivePageIndex(Integer value);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  // The page after (or before) `current`, going round; nullptr with no pages.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward) const;
  void SelectNextPage(bool goForward);

  // The area inside the tabs' frame, where the pages lie.
  void AdjustClientRect(RECT& rect) override;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  virtual bool CanChange();
  virtual void Change();

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, Integer index);
  // Hands the tabs (texts, images, selection) to the window.
  void UpdateTabs();
  void ShowActive();

  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
  TCustomImageList* images_ = nullptr;
};

// Published properties of the two classes, for stored forms.
void DeclarePageControlProperties();
