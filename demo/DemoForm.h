// demo/DemoForm.h
//
// The demonstration form: one window with every control the catalogue's
// main window is built from, each doing something a person can see, so the
// controls can be tried by hand (and by the screen test) before the main
// window exists. Whatever the user does is described in the status bar's
// last panel.
//
//   tool bar      Scan (advances the pie gauge), View (a drop-down button
//                 with the view-style menu), Delete (enabled by the check
//                 box), Expand all / Collapse all (the tree)
//   top row       drive combo box, "Allow deleting" check box, pie gauge,
//                 the disc picture (an image taken from an image list)
//   tree view     the discs of a small table and their folders; choosing a
//                 disc moves the table and fills the list with its files
//   page control  "Files": a report-style list view with file-type icons
//                 "Disc": the table's current record in data-aware edits
//   bottom rows   a pick edit that searches the list (a balloon when nothing
//                 matches), a plain edit, a button
//
// A right click anywhere on the form's background opens the view menu at
// the pointer. Threads: GUI thread only.
#pragma once

#include <memory>

#include "platform/rtl/Types.h"

class TAction;
class TButton;
class TCheckBox;
class TComboBox;
class TComponent;
class TCustomForm;
class TDBEdit;
class TEdit;
class TGauge;
class TImageList;
class TImage;
class TListView;
class TPageControl;
class TPickEdit;
class TPopupMenu;
class TStatusBar;
class TToolBar;
class TToolButton;
class TTreeView;
class TvomMemTable;
class TzAPIBalloon;

class TDemoForm {
 public:
  // Starts the control layer (and the pick edit's and balloon's modules)
  // and shows the form with its window's top left corner at (x, y). The
  // form is the application's main form: closing it ends the loop.
  // REQUIRES: a window system exists and no control layer is running.
  TDemoForm(int x, int y);
  // Frees the form and its table, then ends the control layer.
  ~TDemoForm();
  TDemoForm(const TDemoForm&) = delete;
  TDemoForm& operator=(const TDemoForm&) = delete;

  // The controls, for the screen test to aim at.
  struct TControls {
    TCustomForm* form = nullptr;
    TToolBar* toolBar = nullptr;
    TToolButton* scanButton = nullptr;
    TToolButton* viewButton = nullptr;
    TToolButton* deleteButton = nullptr;
    TPopupMenu* viewMenu = nullptr;
    TComboBox* drives = nullptr;
    TCheckBox* allowDelete = nullptr;
    TGauge* gauge = nullptr;
    TImage* picture = nullptr;
    TTreeView* tree = nullptr;
    TPageControl* pages = nullptr;
    TListView* files = nullptr;
    TDBEdit* title = nullptr;
    TPickEdit* find = nullptr;
    TEdit* note = nullptr;
    TButton* clear = nullptr;
    TzAPIBalloon* balloon = nullptr;
    TStatusBar* status = nullptr;
    TvomMemTable* discs = nullptr;
  };
  const TControls& Controls() const { return c_; }

  // What the status bar says happened last.
  String StatusText() const;

 private:
  void BuildActions();
  void BuildTopRow();
  void BuildTree();
  void BuildPages();
  void BuildEdits();
  // Fills the list with the files of the disc at `index` of the table.
  void ShowFiles(int index);
  void Say(const String& text);

  std::unique_ptr<TComponent> owner_;
  TControls c_;
  // Owned by owner_, shared by the controls that show them.
  TImageList* treeImages_ = nullptr;
  TImageList* infoImages_ = nullptr;
  TImageList* actionImages_ = nullptr;
  TAction* deleteAction_ = nullptr;
  int top_ = 0;  // where the controls below the tool bar start
};
