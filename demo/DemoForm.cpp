// demo/DemoForm.cpp
#include "demo/DemoForm.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ZorvetPictures.h"
#include "memtable/MemTable.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/CustomEdit.h"
#include "platform/controls/DBCtrls.h"
#include "platform/controls/Form.h"
#include "platform/controls/Gauge.h"
#include "platform/controls/Image.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/Menus.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/ToolBar.h"
#include "platform/controls/TreeView.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/ShellIcons.h"
#include "ui/PickButton.h"
#include "ui/zAPIBalloon.h"

using namespace zorvet_pictures;

namespace {

// The made-up discs: a title, a drive, and the files on them (name, size).
struct TDemoDisc {
  const char* title;
  const char* folders[3];
  std::vector<std::pair<const char*, int>> files;
};

const std::vector<TDemoDisc>& Discs() {
  static const std::vector<TDemoDisc> discs = {
      {"Photos 2019",
       {"Summer", "Winter", nullptr},
       {{"beach.jpg", 2411520},
        {"snow.png", 1030144},
        {"notes.txt", 1200},
        {"trip.mp4", 73400320}}},
      {"Music",
       {"Jazz", "Rock", "Classical"},
       {{"take five.mp3", 5230080}, {"bolero.ogg", 9123840}, {"covers.zip", 3145728}}},
      {"Scans", {"Letters", nullptr, nullptr}, {{"letter.pdf", 88064}, {"receipt.png", 301056}}},
  };
  return discs;
}

template <class T>
T* Make(TComponent* owner, TWinControl* parent, int x, int y, int w, int h) {
  auto* c = new T(owner);
  c->SetParent(parent);
  c->SetBounds(x, y, w, h);
  return c;
}

TLabel* MakeLabel(TComponent* owner, TWinControl* parent, int x, int y, const char* text) {
  auto* label = Make<TLabel>(owner, parent, x, y, 80, 16);
  label->SetCaption(text);
  return label;
}

// A menu caption as the user reads it: without its accelerator marks.
String Plain(const String& caption) {
  String text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

// Image `index` of `list` on magenta, the colour a glyph or a transparent
// picture leaves out.
std::unique_ptr<TBitmap> Picture(TCustomImageList* list, int index) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(list->Width(), list->Height());
  bitmap->Canvas()->Brush()->SetColor(clFuchsia);
  bitmap->Canvas()->FillRect(RECT{0, 0, list->Width(), list->Height()});
  list->Draw(bitmap->Canvas(), 0, 0, index);
  return bitmap;
}

String SizeText(int bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  if (bytes < 1024 * 1024) return std::to_string((bytes + 1023) / 1024) + " KB";
  return std::to_string((bytes + 1024 * 1024 - 1) / (1024 * 1024)) + " MB";
}

}  // namespace

TDemoForm::TDemoForm(int x, int y) {
  InitializeModules({ControlsModule(), PickButtonModule(), zAPIBalloonModule()});
  Application->SetTitle("Zorvet");
  Application->SetShowHint(true);
  owner_ = std::make_unique<TComponent>(nullptr);
  TComponent* o = owner_.get();
  new TXPManifest(o);
  c_.form = new TForm(o);
  c_.form->SetCaption("Zorvet: every control");
  c_.form->SetBounds(x, y, 760, 520);
  Application->SetMainForm(c_.form);

  c_.status = new TStatusBar(o);
  c_.status->SetParent(c_.form);
  c_.status->Panels()->Add()->SetWidth(150);
  c_.status->Panels()->Add();

  BuildActions();
  BuildTopRow();
  BuildTree();
  BuildPages();
  BuildEdits();

  c_.status->Panels()->Items(0)->SetText(std::to_string(Discs().size()) + " discs");
  Say("Right-click the form for the view menu");
  // The client area just holds the controls, whatever the frame takes.
  const int frameW = c_.form->Width() - c_.form->ClientWidth();
  const int frameH = c_.form->Height() - c_.form->ClientHeight();
  c_.form->SetBounds(x, y, 760 + frameW, top_ + 374 + c_.status->Height() + frameH);
  c_.form->Show();
  c_.tree->Items()->GetFirstNode()->SetSelected(true);
  c_.note->SetFocus();
}

TDemoForm::~TDemoForm() {
  owner_.reset();
  ReleaseShellImageLists();
  FinalizeModules();
}

String TDemoForm::StatusText() const {
  return c_.status->Panels()->Items(1)->Text();
}

void TDemoForm::Say(const String& text) {
  c_.status->Panels()->Items(1)->SetText(text);
}

void TDemoForm::BuildActions() {
  TComponent* o = owner_.get();
  auto* treeImages = new TImageList(o);
  treeImages->SetName("ImList");
  auto* actionImages = new TImageList(o);
  actionImages->SetName("ImActList");
  auto* infoImages = new TImageList(o);
  infoImages->SetName("ImInfoList");
  infoImages->SetWidth(32);
  infoImages->SetHeight(32);
  LoadZorvetPictures(treeImages, actionImages, infoImages);

  auto* actions = new TActionList(o);
  actions->SetImages(actionImages);
  auto action = [&](const char* caption, const char* hint, int image, auto run) {
    auto* a = new TAction(o);
    a->SetActionList(actions);
    a->SetCaption(caption);
    a->SetHint(hint);
    a->SetImageIndex(image);
    a->OnExecute = run;
    return a;
  };
  TAction* scan = action("&Scan", "Scan|Scan the disc in the drive", actScanDisc, [this](TObject*) {
    c_.gauge->SetProgress(c_.gauge->Progress() >= c_.gauge->MaxValue() ? 25
                                                                       : c_.gauge->Progress() + 25);
    Say("Scanned " + c_.drives->Text() + ": " + std::to_string(c_.gauge->PercentDone()) + "% full");
  });
  TAction* del = action("&Delete", "Delete|Delete the chosen disc from the catalogue",
                        actDeleteDisc, [this](TObject*) {
                          TTreeNode* node = c_.tree->Selected();
                          while (node && node->Parent()) node = node->Parent();
                          if (!node) return;
                          const String text = node->Text();
                          node->Delete();
                          Say("Deleted " + text);
                        });
  del->SetEnabled(false);
  TAction* expand =
      action("&Expand all", "Expand|Expand every disc", actFullExpand, [this](TObject*) {
        c_.tree->FullExpand();
        Say("Expanded every disc");
      });
  TAction* collapse =
      action("&Collapse all", "Collapse|Collapse every disc", actFullCollapse, [this](TObject*) {
        c_.tree->FullCollapse();
        Say("Collapsed every disc");
      });

  // The view styles, as radio items of one group; also the form's menu.
  c_.viewMenu = new TPopupMenu(o);
  c_.viewMenu->SetImages(actionImages);
  struct TStyle {
    const char* caption;
    TViewStyle style;
    int image;
  };
  for (const TStyle& s : {TStyle{"Lar&ge icons", vsIcon, 1}, TStyle{"S&mall icons", vsSmallIcon, 5},
                          TStyle{"&List", vsList, 2}, TStyle{"&Report", vsReport, 7}}) {
    auto* item = new TMenuItem(o);
    item->SetCaption(s.caption);
    item->SetImageIndex(s.image);
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetAutoCheck(true);
    item->SetChecked(s.style == vsReport);
    item->OnClick = [this, item, s](TObject*) {
      c_.files->SetViewStyle(s.style);
      Say("View: " + Plain(item->Caption()));
    };
    c_.viewMenu->Items()->Add(item);
  }
  auto* line = new TMenuItem(o);
  line->SetCaption("-");
  c_.viewMenu->Items()->Add(line);
  auto* delItem = new TMenuItem(o);
  delItem->SetAction(del);
  c_.viewMenu->Items()->Add(delItem);
  c_.form->SetPopupMenu(c_.viewMenu);

  c_.toolBar = new TToolBar(o);
  c_.toolBar->SetParent(c_.form);
  c_.toolBar->SetFlat(true);
  c_.toolBar->SetImages(actionImages);
  c_.toolBar->SetShowHint(true);
  auto button = [&](TAction* a) {
    auto* b = new TToolButton(o);
    b->SetParent(c_.toolBar);
    if (a) b->SetAction(a);
    return b;
  };
  c_.scanButton = button(scan);
  c_.viewButton = button(nullptr);
  c_.viewButton->SetStyle(tbsDropDown);
  c_.viewButton->SetImageIndex(actViewStyle);
  c_.viewButton->SetHint("View|Choose how the files are shown");
  c_.viewButton->SetDropdownMenu(c_.viewMenu);
  c_.viewButton->OnClick = [this](TObject*) { c_.viewButton->CheckMenuDropdown(); };
  c_.deleteButton = button(del);
  button(nullptr)->SetStyle(tbsSeparator);
  button(expand);
  button(collapse);
  // Captions under the pictures, as a file manager's bar has them.
  c_.viewButton->SetCaption("View");
  c_.toolBar->SetShowCaptions(true);
  // The bar takes its height from its buttons once it has its window.
  c_.toolBar->HandleNeeded();
  top_ = c_.toolBar->Height() + 7;

  treeImages_ = treeImages;
  infoImages_ = infoImages;
  actionImages_ = actionImages;
  deleteAction_ = del;
}

void TDemoForm::BuildTopRow() {
  TComponent* o = owner_.get();
  TCustomForm* f = c_.form;
  const int y = top_;
  MakeLabel(o, f, 8, y + 4, "Drive:");
  c_.drives = Make<TComboBox>(o, f, 48, y, 80, 21);
  c_.drives->SetStyle(csDropDownList);
  for (const char* d : {"D:\\", "E:\\", "F:\\"}) c_.drives->Items()->Add(d);
  c_.drives->SetItemIndex(0);
  c_.drives->OnChange = [this](TObject*) { Say("Drive " + c_.drives->Text() + " chosen"); };

  c_.allowDelete = Make<TCheckBox>(o, f, 148, y + 2, 130, 17);
  c_.allowDelete->SetCaption("Allow deleting");
  c_.allowDelete->OnClick = [this](TObject*) {
    deleteAction_->SetEnabled(c_.allowDelete->Checked());
    Say(c_.allowDelete->Checked() ? "Discs may be deleted" : "Deleting is off");
  };

  MakeLabel(o, f, 560, y + 4, "Disc full:");
  c_.gauge = Make<TGauge>(o, f, 620, y - 5, 30, 30);
  c_.gauge->SetKind(gkPie);
  c_.gauge->SetShowText(false);
  c_.gauge->SetForeColor(static_cast<TColor>(0x2080E0));
  c_.gauge->SetMaxValue(100);
  c_.gauge->SetProgress(25);

  // The disc picture, copied out of the 32 by 32 list onto the form's own
  // background.
  c_.picture = Make<TImage>(o, f, 712, y - 6, 32, 32);
  c_.picture->SetTransparent(true);
  c_.picture->Picture()->SetGraphic(Picture(infoImages_, 1).get());
  c_.picture->SetHint("The disc in the drive");
  c_.picture->SetShowHint(true);
}

void TDemoForm::BuildTree() {
  TComponent* o = owner_.get();
  c_.tree = Make<TTreeView>(o, c_.form, 8, top_ + 34, 190, 300);
  c_.tree->SetImages(treeImages_);
  c_.tree->SetReadOnly(true);
  c_.tree->SetHideSelection(false);
  TTreeNodes* items = c_.tree->Items();
  for (const TDemoDisc& disc : Discs()) {
    TTreeNode* node = items->Add(nullptr, disc.title);
    node->SetImageIndex(imCdDisc);
    node->SetSelectedIndex(imSelectedDisc);
    for (const char* folder : disc.folders) {
      if (!folder) break;
      TTreeNode* child = items->AddChild(node, folder);
      child->SetImageIndex(imFolder);
      child->SetSelectedIndex(imOpenFolder);
    }
  }
  items->GetFirstNode()->Expand(false);
  c_.tree->OnChange = [this](TObject*, TTreeNode* node) {
    if (!node) return;
    while (node->Parent()) node = node->Parent();
    const int index = node->Index();
    c_.discs->SetRecNo(index + 1);
    ShowFiles(index);
    Say("Disc \"" + node->Text() + "\" chosen");
  };
}

void TDemoForm::BuildPages() {
  TComponent* o = owner_.get();
  c_.pages = Make<TPageControl>(o, c_.form, 206, top_ + 34, 546, 300);
  c_.pages->SetImages(treeImages_);
  auto page = [&](const char* caption, int image) {
    auto* sheet = new TTabSheet(o);
    sheet->SetPageControl(c_.pages);
    sheet->SetCaption(caption);
    sheet->SetImageIndex(image);
    return sheet;
  };
  TTabSheet* filesPage = page("Files", imFilesTab);
  TTabSheet* discPage = page("Disc", imCdDisc);
  c_.pages->SetActivePage(filesPage);
  c_.pages->OnChange = [this](TObject*) { Say("Page " + c_.pages->ActivePage()->Caption()); };

  // The shell's own small icons, shared with every other list that shows them.
  SHFILEINFOA info;
  auto* shellIcons = new TImageList(o);
  shellIcons->SetShareImages(true);
  shellIcons->SetHandle(reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)));

  c_.files = new TListView(o);
  c_.files->SetParent(filesPage);
  c_.files->SetAlign(alClient);
  c_.files->SetViewStyle(vsReport);
  c_.files->SetRowSelect(true);
  c_.files->SetReadOnly(true);
  c_.files->SetHideSelection(false);
  c_.files->SetSmallImages(shellIcons);
  c_.files->SetLargeImages(treeImages_);
  struct TColumn {
    const char* caption;
    int width;
  };
  for (const TColumn& col : {TColumn{"Name", 170}, TColumn{"Size", 90}, TColumn{"Type", 240}}) {
    TListColumn* column = c_.files->Columns()->Add();
    column->SetCaption(col.caption);
    column->SetWidth(col.width);
  }
  c_.files->Column(1)->SetAlignment(taRightJustify);
  c_.files->SetGridLines(true);
  // A column click sorts by the column, the next click on it the other way.
  c_.files->OnCompare = [](TObject*, TListItem* a, TListItem* b, Integer data, Integer& compare) {
    const Integer column = std::abs(data) - 1;
    if (column == 1) {
      const auto x = reinterpret_cast<intptr_t>(a->Data()),
                 y = reinterpret_cast<intptr_t>(b->Data());
      compare = x < y ? -1 : x > y ? 1 : 0;
    } else {
      compare = column == 0 ? AnsiCompareText(a->Caption(), b->Caption())
                            : AnsiCompareText(a->SubItems()->Strings(column - 1),
                                              b->SubItems()->Strings(column - 1));
    }
    if (data < 0) compare = -compare;
  };
  c_.files->OnColumnClick = [this](TObject*, TListColumn* column) {
    const bool descending = column->Tag() == 1;
    column->SetTag(descending ? 2 : 1);
    c_.files->CustomSort(nullptr, (column->Index() + 1) * (descending ? -1 : 1));
    Say("Sorted by " + column->Caption() + (descending ? ", descending" : ", ascending"));
  };
  c_.files->OnDblClick = [this](TObject*) {
    if (TListItem* item = c_.files->Selected()) Say("Opened " + item->Caption());
  };
  c_.files->OnSelectItem = [this](TObject*, TListItem* item, bool selected) {
    if (selected && item) Say(item->Caption() + " selected");
  };

  // A small table of discs; its current record in data-aware edits.
  c_.discs = new TvomMemTable(o);
  c_.discs->FieldDefs()->Add("Title", ftString, 40);
  c_.discs->FieldDefs()->Add("Files", ftInteger);
  c_.discs->Open();
  for (const TDemoDisc& disc : Discs()) {
    c_.discs->AppendRecord({String(disc.title), static_cast<Integer>(disc.files.size())});
  }
  c_.discs->First();
  auto* source = new TDataSource(o);
  source->SetDataSet(c_.discs);
  MakeLabel(o, discPage, 12, 16, "Title:");
  c_.title = Make<TDBEdit>(o, discPage, 80, 12, 220, 21);
  c_.title->SetDataSource(source);
  c_.title->SetDataField("Title");
  c_.title->OnExit = [this](TObject*) {
    Say("Title now \"" + c_.discs->FieldByName("Title")->AsString() + "\"");
  };
  MakeLabel(o, discPage, 12, 46, "Files:");
  auto* count = Make<TDBEdit>(o, discPage, 80, 42, 60, 21);
  count->SetDataSource(source);
  count->SetDataField("Files");
  count->SetReadOnly(true);
}

void TDemoForm::BuildEdits() {
  TComponent* o = owner_.get();
  TCustomForm* f = c_.form;
  const int y = top_ + 344;
  MakeLabel(o, f, 8, y + 4, "Find:");
  c_.find = Make<TPickEdit>(o, f, 48, y, 260, 22);
  TButtonInItem* go = c_.find->ButtonsIn()->Add();
  go->SetGlyph(Picture(actionImages_, 4).get());
  go->SetHint("Find the file in the list");
  go->SetShowHint(true);

  c_.balloon = new TzAPIBalloon(o);
  c_.balloon->SetAutoCloseMode(acAutoCalc);
  c_.balloon->SetBalloonIcon(bInfo);
  c_.balloon->SetTitle("No files found");
  go->SetOnClick([this](TObject*) {
    const String wanted = c_.find->Text();
    for (Integer i = 0; i < c_.files->Items()->Count(); ++i) {
      TListItem* item = c_.files->Items()->Item(i);
      if (!wanted.empty() && item->Caption().find(wanted) != String::npos) {
        item->SetSelected(true);
        item->SetFocused(true);
        item->MakeVisible(false);
        Say("Found " + item->Caption());
        return;
      }
    }
    TStringList prompt;
    prompt.Add("Nothing on this disc matches \"" + wanted + "\".");
    c_.balloon->SetPrompt(&prompt);
    c_.balloon->ShowAt(c_.find);
    Say("Nothing matches \"" + wanted + "\"");
  });

  MakeLabel(o, f, 330, y + 4, "Note:");
  c_.note = Make<TEdit>(o, f, 370, y, 250, 21);
  c_.note->OnChange = [this](TObject*) { Say("Note: " + c_.note->Text()); };

  c_.clear = Make<TButton>(o, f, 636, y - 2, 116, 25);
  c_.clear->SetCaption("Clear the note");
  c_.clear->OnClick = [this](TObject*) {
    c_.note->SetText("");
    Say("Note cleared");
  };
}

void TDemoForm::ShowFiles(int index) {
  TListItems* items = c_.files->Items();
  items->BeginUpdate();
  items->Clear();
  for (const auto& [name, size] : Discs()[static_cast<size_t>(index)].files) {
    SHFILEINFOA info;
    SHGetFileInfoA(name, 0, &info, sizeof info,
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME);
    TListItem* item = items->Add();
    item->SetCaption(name);
    item->SetImageIndex(info.iIcon);
    item->SetData(reinterpret_cast<void*>(static_cast<intptr_t>(size)));
    item->SubItems()->Add(SizeText(size));
    item->SubItems()->Add(info.szTypeName);
  }
  items->EndUpdate();
}
