// platform/controls/StatusBar.h
//
// TStatusBar: the status bar control along the bottom of a form. Panels
// (TStatusPanel: Width, Text, Alignment, Bevel) become the bar's parts, the
// last one reaching to the end; with SimplePanel the bar shows SimpleText
// across its width instead. A panel's text reaches the screen as soon as it
// is set, so a long operation can report progress without pumping messages.
#pragma once

#include "platform/controls/Panel.h"
#include "platform/controls/StandardControl.h"
#include "platform/rtl/Collection.h"

class TStatusBar;

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
  ZORVET_CLASS_NAME(TStatusPanel)

 public:
  explicit TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

  const String& Text() const { return text_; }
  void SetText(const String& value);
  Integer Width() const { return width_; }
  void SetWidth(Integer value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel value);

  void Assign(const TPersistent* source) override;
  String DisplayName() const override {
    return text_.empty() ? TCollectionItem::DisplayName() : text_;
  }

 private:
  String text_;
  Integer width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  TStatusPanelBevel bevel_ = pbLowered;
};

class TStatusPanels : public TCollection {
  ZORVET_CLASS_NAME(TStatusPanels)

 public:
  explicit TStatusPanels(TStatusBar* bar);

  // The bar hears of a new panel once it is whole, not while the item
  // base is being made.
  TStatusPanel* Add();
  TStatusPanel* Insert(Integer index);
  // nullptr for an item still being made.
  TStatusPanel* Items(Integer index) const {
    return dynamic_cast<TStatusPanel*>(TCollection::Items(index));
  }
  TPersistent* GetOwner() const override;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TStatusBar* bar_;
};

class TStatusBar : public TStandardControl {
  ZORVET_CLASS_NAME(TStatusBar)

 public:
  explicit TStatusBar(TComponent* owner);
  ~TStatusBar() override;

  TStatusPanels* Panels() { return panels_.get(); }
  bool SimplePanel() const { return simple_panel_; }
  void SetSimplePanel(bool value);
  const String& SimpleText() const { return simple_text_; }
  void SetSimpleText(const String& value);
  bool SizeGrip() const { return size_grip_; }
  void SetSizeGrip(bool value);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  friend class TStatusPanels;
  // Hands the panels (all when `panel` is nullptr) to the window.
  void UpdatePanels(TStatusPanel* panel);
  void UpdatePanelText(Integer index);

  std::unique_ptr<TStatusPanels> panels_;
  bool simple_panel_ = false;
  String simple_text_;
  bool size_grip_ = true;
};
