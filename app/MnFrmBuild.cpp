// app/MnFrmBuild.cpp
//
// The main window's components with the settings its stored definition
// gives them, made inside the loading state.
#include <type_traits>

#include "app/MnFrm.h"
#include "app/ZorvetPictures.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/DBCtrls.h"
#include "platform/controls/Gauge.h"
#include "platform/controls/Image.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/Menus.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/Panel.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/Timer.h"
#include "platform/controls/ToolBar.h"
#include "ui/PickButton.h"
#include "ui/Placemnt.h"
#include "ui/ZxSplitter.h"
#include "ui/slDBTree.h"

namespace {

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name) {
  auto* component = new T(owner);
  component->SetName(name);
  if constexpr (std::is_base_of_v<TControl, T>) {
    if (parent) component->SetParent(parent);
  }
  return component;
}

TLabel* MakeLabel(TComponent* owner, TWinControl* parent, const char* name, Integer left,
                  Integer top, const String& caption = String()) {
  auto* label = Make<TLabel>(owner, parent, name);
  label->SetBounds(left, top, 0, 13);
  label->SetCaption(caption);
  return label;
}

TPanel* MakePanel(TComponent* owner, TWinControl* parent, const char* name, TAlign align,
                  Integer size) {
  auto* panel = Make<TPanel>(owner, parent, name);
  panel->SetBevelOuter(bvNone);
  panel->SetCaption(String());
  // Aligned controls of one side keep the order of their places: each new
  // one goes after those already there.
  const RECT area = parent->ClientRect();
  if (align == alLeft || align == alRight)
    panel->SetBounds(align == alLeft ? area.right : 0, 0, size, panel->Height());
  else if (align != alClient)
    panel->SetBounds(0, align == alTop ? area.bottom : 0, panel->Width(), size);
  panel->SetAlign(align);
  return panel;
}

}  // namespace

void TMnFrm::BuildForm() {
  SetCaption("Zorvet");
  SetBounds(360, 315, 600, 492);
  TFont font;
  font.SetName("MS Sans Serif");
  font.SetHeight(-11);
  SetFont(&font);
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };

  // The actions come first: the buttons that show them take their looks.
  BuildActions();
  StatusBar = Make<TStatusBar>(this, this, "StatusBar");
  StatusBar->SetAlign(alBottom);
  for (int i = 0; i < 2; ++i) StatusBar->Panels()->Add()->SetWidth(50);
  BuildToolBar();
  BuildDrivePanel();
  BuildTreePanel();
  BuildPages();

  FormStorage1 = Make<TFormStorage>(this, nullptr, "FormStorage1");
  Timer = Make<TTimer>(this, nullptr, "Timer");
  Timer->SetInterval(2000);
  Timer->SetEnabled(true);
  Timer->SetOnTimer([this](TObject* s) { TimerTimer(s); });
}

void TMnFrm::BuildActions() {
  using namespace zorvet_pictures;
  ActionList1 = Make<TActionList>(this, nullptr, "ActionList1");
  ActionList1->SetImages(DmZorvet->ImActList);
  auto action = [&](const char* name, const char* caption, const char* hint, int image,
                    bool enabled) {
    auto* a = Make<TAction>(this, nullptr, name);
    a->SetActionList(ActionList1);
    a->SetCaption(caption);
    a->SetHint(hint);
    a->SetImageIndex(image);
    a->SetEnabled(enabled);
    return a;
  };
  ScanCDA = action("ScanCDA", "ScanCDA", "Scan CD", actScanDisc, false);
  DeleteCDA = action("DeleteCDA", "DeleteCDA", "Delete CD from Zorvet", actDeleteDisc, true);
  OpenCDA = action("OpenCDA", "Open CD", "Open CD", actOpenTray, false);
  CloseCDA = action("CloseCDA", "Close CD", "Close CD", actCloseTray, false);
  FullCollapseA = action("FullCollapseA", "FullCollapseA", "Collapse all", actFullCollapse, true);
  FullExpandA = action("FullExpandA", "FullExpandA", "Expand all", actFullExpand, true);
  NodeCollapseA = action("NodeCollapseA", "NodeCollapseA", "", actNodeCollapse, true);
  NodeExpandA = action("NodeExpandA", "NodeExpandA", "", actNodeExpand, true);
  ScanCDA->OnExecute = [this](TObject* s) { ScanCDAExecute(s); };
  DeleteCDA->OnExecute = [this](TObject* s) { DeleteCDAExecute(s); };
  OpenCDA->OnExecute = [this](TObject* s) { OpenCDAExecute(s); };
  CloseCDA->OnExecute = [this](TObject* s) { CloseCDAExecute(s); };

  ListViewStyle = Make<TPopupMenu>(this, nullptr, "ListViewStyle");
  ListViewStyle->SetImages(DmZorvet->ImActList);
  auto item = [&](const char* name, const char* caption) {
    auto* i = Make<TMenuItem>(this, nullptr, name);
    i->SetCaption(caption);
    i->SetRadioItem(true);
    i->SetGroupIndex(1);
    ListViewStyle->Items()->Add(i);
    return i;
  };
  Titles = item("Titles", "Titles");
  SmallIcon = item("SmallIcon", "SmallIcon");
  Report = item("Report", "Report");
  Icon = item("Icon", "Icon");
  SmallIcon->SetChecked(true);
}

void TMnFrm::BuildToolBar() {
  ToolBar1 = Make<TToolBar>(this, this, "ToolBar1");
  ToolBar1->SetAlign(alTop);
  ToolBar1->SetHeight(29);
  ToolBar1->SetFlat(true);
  ToolBar1->SetImages(DmZorvet->ImActList);
  ToolBar1->SetShowHint(true);
  auto button = [&](const char* name, TAction* action) {
    auto* b = Make<TToolButton>(this, ToolBar1, name);
    if (action) b->SetAction(action);
    return b;
  };
  ToolButton1 = button("ToolButton1", ScanCDA);
  ToolButton2 = button("ToolButton2", nullptr);
  ToolButton2->SetStyle(tbsDropDown);
  ToolButton2->SetDropdownMenu(ListViewStyle);
  ToolButton2->SetImageIndex(zorvet_pictures::actViewStyle);
  ToolButton2->SetHint("View style");
  ToolButton3 = button("ToolButton3", DeleteCDA);
  ToolButton4 = button("ToolButton4", nullptr);
  ToolButton4->SetStyle(tbsSeparator);
  ToolButton4->SetWidth(8);
  ToolButton5 = button("ToolButton5", OpenCDA);
  ToolButton6 = button("ToolButton6", CloseCDA);
  ToolButton7 = button("ToolButton7", FullCollapseA);
  ToolButton8 = button("ToolButton8", FullExpandA);
  ToolButton9 = button("ToolButton9", NodeCollapseA);
  ToolButton9->SetHint("Node collapse");
  ToolButton10 = button("ToolButton10", NodeExpandA);
  ToolButton10->SetHint("Node expand");
}

void TMnFrm::BuildDrivePanel() {
  Panel2 = MakePanel(this, this, "Panel2", alTop, 28);
  Label1 = MakeLabel(this, Panel2, "Label1", 8, 8, "CD:");
  ComboDriv = Make<TComboBox>(this, Panel2, "ComboDriv");
  ComboDriv->SetBounds(30, 4, 64, 21);
  ComboDriv->OnChange = [this](TObject* s) { ComboDrivChange(s); };
  Showicons = Make<TCheckBox>(this, Panel2, "Showicons");
  Showicons->SetBounds(104, 6, 80, 17);
  Showicons->SetCaption("Show icons");
  LFileSystem = MakeLabel(this, Panel2, "LFileSystem", 192, 8);
}

void TMnFrm::BuildTreePanel() {
  Panel1 = MakePanel(this, this, "Panel1", alLeft, 185);

  Panel3 = MakePanel(this, Panel1, "Panel3", alTop, 44);
  Label2 = MakeLabel(this, Panel3, "Label2", 4, 3, "Comments:");
  DBEdit1 = Make<TDBEdit>(this, Panel3, "DBEdit1");
  DBEdit1->SetBounds(2, 18, 181, 21);
  DBEdit1->SetAnchors(TAnchors{akLeft, akTop, akRight});
  DBEdit1->SetDataSource(DmZorvet->DSDir);
  DBEdit1->SetDataField("Comment");

  Panel4 = MakePanel(this, Panel1, "Panel4", alBottom, 116);
  Panel4->OnResize = [this](TObject*) { ArrangeDiskLabels(); };
  Gauge = Make<TGauge>(this, Panel4, "Gauge");
  Gauge->SetBounds(4, 4, 33, 33);
  Gauge->SetKind(gkPie);
  Gauge->SetForeColor(static_cast<TColor>(15256462));
  Gauge->SetBorderStyle(bsNone);
  Gauge->SetShowText(false);
  Gauge->SetProgress(0);
  ImInfo = Make<TImage>(this, Panel4, "ImInfo");
  ImInfo->SetBounds(44, 4, 32, 32);
  ImInfo->SetTransparent(true);
  LSelectDisk = MakeLabel(this, Panel4, "LSelectDisk", 4, 42);
  lbLastUpdate = MakeLabel(this, Panel4, "lbLastUpdate", 4, 56);
  LFreeSpace = MakeLabel(this, Panel4, "LFreeSpace", 4, 70);
  LUsedSpace = MakeLabel(this, Panel4, "LUsedSpace", 4, 84);
  LCapacity = MakeLabel(this, Panel4, "LCapacity", 4, 98);

  DBTree = Make<TslDBTreeView>(this, Panel1, "DBTree");
  DBTree->SetAlign(alClient);
  DBTree->SetKeyField("id");
  DBTree->SetParentField("idparent");
  DBTree->SetListField("DirName");
  DBTree->SetDisplayField("Dirname");
  DBTree->SetImageIndexField("ImIndex");
  DBTree->SetRootValue(Null());
  DBTree->SetSeparatedSt(" - ");
  DBTree->SetRaiseOnError(true);
  DBTree->SetReadOnly(true);
  DBTree->SetShowNodeHint(true);
  DBTree->SetOptions(TslDBTreeViewOptions{trCanDBNavigate, trSmartRecordCopy, trCheckHasChildren});
  DBTree->SetIndent(19);
  DBTree->SetImages(DmZorvet->ImList);
  DBTree->SetBorderStyle(bsNone);
  DBTree->OnChange = [this](TObject* s, TTreeNode* n) { DBTreeChange(s, n); };
  DBTree->OnGetImageIndex = [this](TObject* s, TTreeNode* n) { DBTreeGetImageIndex(s, n); };
  DBTree->OnGetSelectedIndex = [this](TObject* s, TTreeNode* n) { DBTreeGetSelectedIndex(s, n); };
  DBTree->SetDataSource(DmZorvet->DSDir);

  ZxSplitter1 = Make<TZxSplitter>(this, this, "ZxSplitter1");
  ZxSplitter1->SetLeft(Panel1->Left() + Panel1->Width());
  ZxSplitter1->SetAlign(alLeft);
  ZxSplitter1->SetWidth(3);
  ZxSplitter1->SetControlFirst(Panel1);
}

void TMnFrm::BuildPages() {
  using namespace zorvet_pictures;
  Panel5 = MakePanel(this, this, "Panel5", alClient, 0);
  ZxSplitter1->SetControlSecond(Panel5);
  PageC = Make<TPageControl>(this, Panel5, "PageC");
  PageC->SetAlign(alClient);
  PageC->SetImages(DmZorvet->ImList);

  auto page = [&](const char* name, const char* caption, int image) {
    auto* sheet = Make<TTabSheet>(this, nullptr, name);
    sheet->SetPageControl(PageC);
    sheet->SetCaption(caption);
    sheet->SetImageIndex(image);
    return sheet;
  };
  auto totals = [&](TTabSheet* sheet, const char* countName, const char* sizeName, TLabel*& count,
                    TLabel*& size) {
    // The size line lies below the count line (bottom-aligned controls keep
    // the order of their places).
    count = MakeLabel(this, sheet, countName, 0, 1000);
    count->SetAlign(alBottom);
    size = MakeLabel(this, sheet, sizeName, 0, 1001);
    size->SetAlign(alBottom);
  };
  auto list = [&](TTabSheet* sheet, const char* name) {
    auto* view = Make<TListView>(this, sheet, name);
    view->SetAlign(alClient);
    view->SetViewStyle(vsSmallIcon);
    return view;
  };

  TabFiles = page("TabFiles", "Files", imFilesTab);
  totals(TabFiles, "LFielsCount", "LSizeFiles", LFielsCount, LSizeFiles);
  ListView = list(TabFiles, "ListView");
  ListView->SetReadOnly(true);
  ListView->SetRowSelect(true);
  ListView->SetFlatScrollBars(true);

  TabSearch = page("TabSearch", "Search", imSearchTab);
  EdF = Make<TPickEdit>(this, TabSearch, "EdF");
  EdF->SetAlign(alTop);
  static const struct {
    const char* hint;
    int image;
    bool transparent;
  } kButtons[] = {
      {"Find", 4, true},    {"Icon", 1, false},      {"List", 2, false},
      {"Report", 7, false}, {"SmallIcon", 5, false}, {"Go to folder", 6, true},
  };
  for (const auto& b : kButtons) {
    TButtonInItem* item = EdF->ButtonsIn()->Add();
    TBitmap glyph;
    DmZorvet->ImActList->GetBitmap(b.image, &glyph);
    item->SetGlyph(&glyph);
    item->SetHint(b.hint);
    item->SetShowHint(true);
    item->SetTransparent(b.transparent);
  }
  totals(TabSearch, "LFielsCountFound", "LSizeFilesFound", LFielsCountFound, LSizeFilesFound);
  ListFound = list(TabSearch, "ListFound");

  PageC->SetActivePage(TabSearch);
}
