// app/MnFrm.h
//
// TMnFrm, the catalogue's main window: the drive list and its 2-second poll,
// the scan, the deletion of a disk, the tray, the tree of disks and folders
// with the selected disk's space, the folder's files and the search page,
// and the save of the catalogue at close.
//
// The form is built in code inside the loading state, as its stored
// definition would have made it (MnFrmBuild.cpp); its components are public
// members named as the form names them, so that code elsewhere reaches
// "ListView" or "PageC" as the form's own code does.
//
// Layout (600 by 492):
//   StatusBar (bottom: 0 percentages, 1 the path scanned or the rows left)
//   ToolBar1 (top): scan, view styles (drop-down ListViewStyle), delete, |,
//     open tray, close tray, collapse all, expand all, node collapse, node expand
//   Panel2: Label1 "CD:", ComboDriv, Showicons, LFileSystem
//   Panel1 (left, 185): Panel3 (Label2, DBEdit1 on "Comment"), DBTree,
//     Panel4 (Gauge, ImInfo, LSelectDisk, lbLastUpdate, LFreeSpace,
//     LUsedSpace, LCapacity)
//   ZxSplitter1, then Panel5: PageC with TabFiles ("Files": ListView,
//     LFielsCount, LSizeFiles) and TabSearch ("Search": EdF, ListFound,
//     LFielsCountFound, LSizeFilesFound)
//
// The file lists, the search, the view styles and the tree actions bind
// their handlers in BindBrowsing, called at the end of building the form and
// still inside the loading state (so that stored properties named there are
// resolved when the form storage loads).
//
// Faults of the original kept out: the gauge takes any byte count (it is
// scaled into its 32-bit range; the labels keep the exact sizes), a failed
// scan leaves the catalogue as it was with the tree bound and following,
// and says what failed; a save at close that fails says why and asks
// whether to close anyway, so nothing is lost unasked.
//
// Threads: GUI thread only.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "app/DmZorvet.h"
#include "app/FileLists.h"
#include "platform/controls/Form.h"

class TAction;
class TActionList;
class TCheckBox;
class TComboBox;
class TCustomListView;
class TDBEdit;
class TFormStorage;
class TGauge;
class TImage;
class TLabel;
class TListColumn;
class TListItem;
class TListView;
class TMenuItem;
class TPageControl;
class TPanel;
class TPickEdit;
class TPopupMenu;
class TStatusBar;
class TTabSheet;
class TTimer;
class TToolBar;
class TToolButton;
class TTreeNode;
class TZxSplitter;
class TslDBTreeView;

class TMnFrm : public TForm, public TZorvetWindow {
  ZORVET_CLASS_NAME(TMnFrm)

 public:
  // Builds the form with its components and fires OnCreate (FormCreate),
  // which opens the catalogue through `dataModule`. The window becomes the
  // data module's window for as long as it lives.
  TMnFrm(TComponent* owner, TDmZorvet* dataModule);
  ~TMnFrm() override;

  // The data module the window works on.
  TDmZorvet* DmZorvet;

  // --- components, as the form lays them out ------------------------------------------
  TStatusBar* StatusBar = nullptr;
  TToolBar* ToolBar1 = nullptr;
  TToolButton* ToolButton1 = nullptr;   // ScanCDA
  TToolButton* ToolButton2 = nullptr;   // the view styles (drop-down ListViewStyle)
  TToolButton* ToolButton3 = nullptr;   // DeleteCDA
  TToolButton* ToolButton4 = nullptr;   // separator
  TToolButton* ToolButton5 = nullptr;   // OpenCDA
  TToolButton* ToolButton6 = nullptr;   // CloseCDA
  TToolButton* ToolButton7 = nullptr;   // FullCollapseA
  TToolButton* ToolButton8 = nullptr;   // FullExpandA
  TToolButton* ToolButton9 = nullptr;   // NodeCollapseA
  TToolButton* ToolButton10 = nullptr;  // NodeExpandA
  TPanel* Panel2 = nullptr;
  TLabel* Label1 = nullptr;
  TComboBox* ComboDriv = nullptr;
  TCheckBox* Showicons = nullptr;
  TLabel* LFileSystem = nullptr;
  TPanel* Panel1 = nullptr;
  TPanel* Panel3 = nullptr;
  TLabel* Label2 = nullptr;
  TDBEdit* DBEdit1 = nullptr;
  TslDBTreeView* DBTree = nullptr;
  TPanel* Panel4 = nullptr;
  TGauge* Gauge = nullptr;
  TImage* ImInfo = nullptr;
  TLabel* LSelectDisk = nullptr;
  TLabel* lbLastUpdate = nullptr;
  TLabel* LFreeSpace = nullptr;
  TLabel* LUsedSpace = nullptr;
  TLabel* LCapacity = nullptr;
  TZxSplitter* ZxSplitter1 = nullptr;
  TPanel* Panel5 = nullptr;
  TPageControl* PageC = nullptr;
  TTabSheet* TabFiles = nullptr;  // "Files"
  TListView* ListView = nullptr;
  TLabel* LFielsCount = nullptr;
  TLabel* LSizeFiles = nullptr;
  TTabSheet* TabSearch = nullptr;  // "Search"
  TPickEdit* EdF = nullptr;
  TListView* ListFound = nullptr;
  TLabel* LFielsCountFound = nullptr;
  TLabel* LSizeFilesFound = nullptr;
  TActionList* ActionList1 = nullptr;
  TAction* ScanCDA = nullptr;
  TAction* DeleteCDA = nullptr;
  TAction* OpenCDA = nullptr;
  TAction* CloseCDA = nullptr;
  TAction* FullCollapseA = nullptr;
  TAction* FullExpandA = nullptr;
  TAction* NodeCollapseA = nullptr;
  TAction* NodeExpandA = nullptr;
  TPopupMenu* ListViewStyle = nullptr;
  TMenuItem* Titles = nullptr;     // list style
  TMenuItem* SmallIcon = nullptr;  // small icons (checked at start)
  TMenuItem* Report = nullptr;     // report
  TMenuItem* Icon = nullptr;       // large icons
  TFormStorage* FormStorage1 = nullptr;
  TTimer* Timer = nullptr;

  // --- state --------------------------------------------------------------------------
  // While off, the tree's change handler does nothing.
  bool TreeReady = false;
  // The total size of the rows listed by the last fill of either list.
  Int64 ListBytes = 0;
  // The CD-ROM drive roots found at creation ("D:\"); unused entries empty.
  std::array<String, 25> Drives;

  // --- start, drives, scan, delete and close ----------------------------------------------
  void FormCreate(TObject* Sender);
  // Saves the catalogue; when that fails, says why and asks whether to close anyway.
  void FormClose(TObject* Sender, TCloseAction& Action);
  void ComboDrivChange(TObject* Sender);
  void TimerTimer(TObject* Sender);
  // Reads the selected drive's volume: the drive label, the scan action and
  // the data module's serial number follow it.
  void PollDrive();
  // Whether the drive ('A'..'Z', either case) holds a readable disk;
  // EConvertError "Not a valid drive ID" for any other character.
  bool DriveReady(char Drive);
  void ScanCDAExecute(TObject* Sender);
  void DeleteCDAExecute(TObject* Sender);
  void OpenCDAExecute(TObject* Sender);
  void CloseCDAExecute(TObject* Sender);

  // --- the tree, the disk's space and the lists' totals ---------------------------------
  // Gives the list the shell's system image lists (shared) and the columns
  // "Name", "Size" and "Date created".
  void SetupListView(TCustomListView* List);
  // The gauge, labels and picture of the selected disk, from the data
  // module's TotalBytes and UsedBytes.
  void ShowDiskSpace() override;
  void ShowFilesTotals();
  void ShowFoundTotals();
  void DBTreeChange(TObject* Sender, TTreeNode* Node);
  void DBTreeGetSelectedIndex(TObject* Sender, TTreeNode* Node);
  // Nothing: the nodes' images come from the field "ImIndex".
  void DBTreeGetImageIndex(TObject* Sender, TTreeNode* Node);
  // Fills `List` from every row of `Table` and sets ListBytes (defined with
  // the file lists' handlers).
  void UpdateFiles(TCustomListView* List, TvomMemTable* Table);

  // --- browsing: the file lists, view styles, tree actions and the search -----------------
  // (MnFrmBrowsing.cpp, MnFrmSearch.cpp)
  // Sorts `Table` on the column's field, moves the column's sort tag on and
  // refills `List`.
  void SortList(TCustomListView* List, TListColumn* Column, TvomMemTable* Table);
  // Every column of `List` unsorted (tag 0).
  void ResetColumnTags(TCustomListView* List);
  void ListViewColumnClick(TObject* Sender, TListColumn* Column);
  void ListFoundColumnClick(TObject* Sender, TListColumn* Column);
  // Captions of both lists cannot be edited.
  void ListViewEditing(TObject* Sender, TListItem* Item, bool& AllowEdit);
  void ListFoundEditing(TObject* Sender, TListItem* Item, bool& AllowEdit);
  void TitlesClick(TObject* Sender);
  void SmallIconClick(TObject* Sender);
  void ReportClick(TObject* Sender);
  void IconClick(TObject* Sender);
  // ListFound's view style: large icons, list, report, small icons.
  void EdFButtonsIn1Click(TObject* Sender);
  void EdFButtonsIn2Click(TObject* Sender);
  void EdFButtonsIn3Click(TObject* Sender);
  void EdFButtonsIn4Click(TObject* Sender);
  // Refills both lists, with or without file-type icons.
  void ShowiconsClick(TObject* Sender);
  void FullCollapseAExecute(TObject* Sender);
  void FullExpandAExecute(TObject* Sender);
  void NodeCollapseAExecute(TObject* Sender);
  void NodeExpandAExecute(TObject* Sender);
  // The search over the whole catalogue by the pattern in EdF.
  void PickEdit1ButtonsIn0Click(TObject* Sender);
  // Enter without Shift, Ctrl or Alt searches; the key is then discarded.
  void EdFKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void EdFChange(TObject* Sender);
  // Go to the selected hit's folder (and file).
  void EdFButtonsIn5Click(TObject* Sender);
  void ListFoundDblClick(TObject* Sender);
  // Runs after every hit copied into the results: keeps the window alive.
  void AddFoundRow();

 private:
  // Runs `change` with the tree's change handling off, then hears the
  // selected node.
  void ChangeTree(const std::function<void()>& change);
  // The balloon beside `control`, saying only `text`.
  void ShowBalloon(TControl* control, const String& text);
  std::unique_ptr<TFileTypeIcons> file_icons_;

 public:
  // --- what the data module asks of the window ---------------------------------------
  void ShowStatus(Integer panel, const String& text) override;
  void SetGaugeMax(Int64 totalBytes) override;
  void BindTree(TDataSource* source) override;
  void SetTreeReady(bool ready) override { TreeReady = ready; }
  void SelectFirstNode() override;
  void FullCollapse() override;
  void CollapseSelectedNode() override;
  void FireTreeChange() override;

  // The gauge's range for a byte count: counts that do not fit its 32-bit
  // range are divided by the smallest power of two that makes `total` fit.
  static Integer GaugeValue(Int64 bytes, Int64 total);

  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Builds the components inside the loading state (MnFrmBuild.cpp).
  void BuildForm();
  void BuildToolBar();
  void BuildDrivePanel();
  void BuildTreePanel();
  void BuildPages();
  void BuildActions();
  // The file lists, the search and the tree actions bind their handlers here.
  void BindBrowsing();
  // Stacks the disk's labels under the gauge, each wrapped to the panel's
  // width (the texts are longer than the panel is wide), and fits the panel
  // to them.
  void ArrangeDiskLabels();

  bool arranging_ = false;
};
