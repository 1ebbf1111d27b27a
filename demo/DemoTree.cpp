// demo/DemoTree.cpp
//
// Two drag-and-drop trees in a form of their own beside the demonstration
// window: drag a node onto another to move it (with Ctrl held to copy it),
// between the trees to move it across, press Delete to delete the selected
// node after a confirmation.
#include "demo/DemoTree.h"

#include <memory>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Label.h"
#include "platform/rtl/ModuleInit.h"
#include "ui/slTree.h"

namespace {

std::unique_ptr<TComponent>& DemoOwner() {
  static std::unique_ptr<TComponent> owner;
  return owner;
}

bool& StartedModules() {
  static bool started = false;
  return started;
}

TslTreeView* MakeTree(TCustomForm* form, int left, const char* name) {
  auto* tree = new TslTreeView(DemoOwner().get());
  tree->SetName(name);
  tree->SetParent(form);
  tree->SetBounds(left, 30, 190, 240);
  tree->SetDragMode(dmAutomatic);
  return tree;
}

void Fill(TslTreeView* tree, const char* disc, std::initializer_list<const char*> folders) {
  TTreeNodes* items = tree->Items();
  TTreeNode* root = items->Add(nullptr, disc);
  TTreeNode* last = nullptr;
  for (const char* f : folders) {
    // A name starting with '>' goes under the folder before it.
    last = f[0] == '>' ? items->AddChild(last, f + 1) : items->AddChild(root, f);
    if (f[0] == '>') last = last->Parent();
  }
  root->Expand(false);
}

}  // namespace

void ShowDemoTree(int x, int y) {
  if (!Application) {
    InitializeModules({ControlsModule(), slTreeModule()});
    StartedModules() = true;
  }
  if (!DemoOwner()) DemoOwner() = std::make_unique<TComponent>(nullptr);
  auto* form = new TCustomForm(DemoOwner().get());
  form->SetCaption("Zorvet trees");
  form->SetBounds(x, y, 410, 310);
  auto* hint = new TLabel(DemoOwner().get());
  hint->SetParent(form);
  hint->SetBounds(10, 8, 390, 16);
  hint->SetCaption("Drag to move, Ctrl+drag to copy, Delete to delete");
  TslTreeView* left = MakeTree(form, 10, "LeftTree");
  TslTreeView* right = MakeTree(form, 210, "RightTree");
  form->Show();
  Fill(left, "4A1B-22C0 Photos", {"2019", ">Summer", ">Winter", "2020", ">Spring", "Scans"});
  Fill(right, "9F00-1D2E Music", {"Jazz", ">Live", "Classical", "Rock"});
  left->OnCustomDraw = [](TObject*, TTreeNode* node, TFont* font, TColor& color, TColor&) {
    // Discs stand out from their folders.
    if (node->Level() == 0) {
      font->SetStyle(TFontStyles{fsBold});
      color = clNavy;
    }
  };
}

void CloseDemoTree() {
  DemoOwner().reset();
  if (StartedModules()) {
    FinalizeModules();
    StartedModules() = false;
  }
}
