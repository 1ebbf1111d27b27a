// bench/bench_treeview.cpp
//
// The tree-view control on a large tree: rows items under rows / 100
// parents inserted through TVM_INSERTITEM (drawing on, as a program that
// forgets WM_SETREDRAW does it), every parent expanded, the visible part
// painted, and a scroll to the end painted again; and the same shape of
// tree built through the tree classes (TTreeNodes::AddChildObject between
// BeginUpdate and EndUpdate, as the data-bound tree builds). The reference
// is the same insertion into a plain std::vector of nodes. Insertion and expansion must
// stay near-linear (the ratio to the vector holds from size to size);
// painting must not depend on the number of items (the ratio of the largest
// size's paint to the smallest's stays near 1).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/CatalogTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/TreeView.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/TreeView.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kChildrenPerParent = 100;

struct TPlainNode {
  int parent;
  std::string text;
  int image;
  LPARAM data;
  bool expanded;
};

// A window system with a tree in a frame, as big as a tree of the catalogue.
class TTreeBench {
 public:
  TTreeBench() {
    WNDCLASS wc;
    wc.lpszClassName = "TreeBenchFrame";
    wc.hInstance = HInstance();
    wc.lpfnWndProc = DefWindowProcInstance();
    RegisterClass(wc);
    frame_ = CreateWindowEx(0, "TreeBenchFrame", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            400, 600, nullptr, nullptr, HInstance(), nullptr);
    tree_ = CreateWindowEx(0, WC_TREEVIEW, "",
                           WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT,
                           0, 0, 380, 560, frame_, nullptr, HInstance(), nullptr);
    UpdateWindow(frame_);
  }
  ~TTreeBench() { DestroyWindow(frame_); }
  TTreeBench(const TTreeBench&) = delete;
  TTreeBench& operator=(const TTreeBench&) = delete;

  HWND Tree() const { return tree_; }

  void Insert(std::size_t rows, std::vector<HTREEITEM>& parents) {
    const std::size_t parentCount = std::max<std::size_t>(1, rows / kChildrenPerParent);
    parents.clear();
    TVINSERTSTRUCT is;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM;
    std::string text;
    for (std::size_t p = 0; p < parentCount; ++p) {
      text = "Folder " + std::to_string(p);
      is.hParent = TVI_ROOT;
      is.item.pszText = text.data();
      is.item.lParam = static_cast<LPARAM>(p);
      parents.push_back(TreeView_InsertItem(tree_, &is));
    }
    for (std::size_t i = 0; i < rows - parentCount; ++i) {
      text = "File " + std::to_string(i) + ".txt";
      is.hParent = parents[i % parentCount];
      is.item.pszText = text.data();
      is.item.lParam = static_cast<LPARAM>(i);
      TreeView_InsertItem(tree_, &is);
    }
  }

  void Paint() {
    InvalidateRect(tree_, nullptr, TRUE);
    UpdateWindow(tree_);
  }

 private:
  HWND frame_ = nullptr;
  HWND tree_ = nullptr;
};

void PlainInsert(std::size_t rows, std::vector<TPlainNode>& nodes) {
  const std::size_t parentCount = std::max<std::size_t>(1, rows / kChildrenPerParent);
  nodes.clear();
  for (std::size_t p = 0; p < parentCount; ++p)
    nodes.push_back({-1, "Folder " + std::to_string(p), 0, static_cast<LPARAM>(p), false});
  for (std::size_t i = 0; i < rows - parentCount; ++i)
    nodes.push_back({static_cast<int>(i % parentCount), "File " + std::to_string(i) + ".txt", 0,
                     static_cast<LPARAM>(i), false});
}

void Record(const char* path, std::size_t rows, Clock::duration spent, std::size_t times) {
  Timings()[{path, rows}] = std::chrono::duration<double>(spent).count() / double(times);
}

// One iteration: a fresh window system and tree, each step timed by itself.
void TreeSteps(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Clock::duration insert{}, expand{}, paint{}, scroll{};
  for (auto _ : state) {
    TWindowSystem system;
    RegisterTreeViewClass();
    TTreeBench bench;
    std::vector<HTREEITEM> parents;
    Clock::time_point t = Clock::now();
    bench.Insert(rows, parents);
    insert += Clock::now() - t;

    t = Clock::now();
    for (HTREEITEM p : parents) TreeView_Expand(bench.Tree(), p, TVE_EXPAND);
    expand += Clock::now() - t;

    // Several paints, so that one paint's time is measurable.
    t = Clock::now();
    for (int i = 0; i < 10; ++i) bench.Paint();
    paint += (Clock::now() - t) / 10;

    t = Clock::now();
    SendMessage(bench.Tree(), WM_VSCROLL, SB_BOTTOM, 0);
    UpdateWindow(bench.Tree());
    scroll += Clock::now() - t;
    if (TreeView_GetCount(bench.Tree()) != rows) state.SkipWithError("items missing");
  }
  const auto n = static_cast<std::size_t>(state.iterations());
  Record("tree-insert", rows, insert, n);
  Record("tree-expand-all", rows, expand, n);
  Record("tree-paint", rows, paint, n);
  Record("tree-scroll-end", rows, scroll, n);
  state.SetItemsProcessed(static_cast<int64_t>(n * rows));
}

// The same insertion between WM_SETREDRAW FALSE and TRUE, as the tree
// classes do it inside BeginUpdate / EndUpdate.
void TreeInsertHeld(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Clock::duration insert{};
  for (auto _ : state) {
    TWindowSystem system;
    RegisterTreeViewClass();
    TTreeBench bench;
    std::vector<HTREEITEM> parents;
    const Clock::time_point t = Clock::now();
    SendMessage(bench.Tree(), WM_SETREDRAW, FALSE, 0);
    bench.Insert(rows, parents);
    SendMessage(bench.Tree(), WM_SETREDRAW, TRUE, 0);
    insert += Clock::now() - t;
  }
  Record("tree-insert-held", rows, insert, static_cast<std::size_t>(state.iterations()));
}

// A shown form holding a tree view, as the catalogue's window holds its tree.
class TNodesBench {
 public:
  TNodesBench() {
    InitializeModules({ControlsModule()});
    form_ = new TCustomForm(owner_.get());
    form_->SetBounds(0, 0, 400, 600);
    form_->Show();
    tree_ = new TTreeView(owner_.get());
    tree_->SetParent(form_);
    tree_->SetBounds(0, 0, 380, 580);
    tree_->HandleNeeded();
  }
  ~TNodesBench() {
    owner_.reset();
    FinalizeModules();
  }
  TNodesBench(const TNodesBench&) = delete;
  TNodesBench& operator=(const TNodesBench&) = delete;

  // The nodes of the benchmark's tree: parents at the top level, the rest
  // spread over them, each node given its images as a bound tree gives them.
  void Add(std::size_t rows, std::vector<TTreeNode*>& parents) {
    TTreeNodes* nodes = tree_->Items();
    const std::size_t parentCount = std::max<std::size_t>(1, rows / kChildrenPerParent);
    parents.clear();
    nodes->BeginUpdate();
    std::string text;
    for (std::size_t p = 0; p < parentCount; ++p) {
      text = "Folder " + std::to_string(p);
      TTreeNode* node = nodes->AddChildObject(nullptr, text, reinterpret_cast<void*>(p));
      node->SetImageIndex(0);
      node->SetSelectedIndex(0);
      parents.push_back(node);
    }
    for (std::size_t i = 0; i < rows - parentCount; ++i) {
      text = "File " + std::to_string(i) + ".txt";
      TTreeNode* node =
          nodes->AddChildObject(parents[i % parentCount], text, reinterpret_cast<void*>(i));
      node->SetImageIndex(1);
      node->SetSelectedIndex(1);
    }
    nodes->EndUpdate();
  }
  void Clear() { tree_->Items()->Clear(); }
  Integer Count() const { return tree_->Items()->Count(); }

 private:
  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_;
  TTreeView* tree_;
};

// Runs several times on one tree, cleared untimed in between: the nodes
// and items reuse the memory of an untimed first run, as the vector
// reference reuses its own.
void NodesAdd(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  TNodesBench bench;
  std::vector<TTreeNode*> parents;
  bench.Add(rows, parents);  // untimed: the memory the timed runs reuse
  bench.Clear();
  Measure(
      state, "nodes-add", rows,
      [&] {
        bench.Add(rows, parents);
        benchmark::DoNotOptimize(parents.data());
      },
      [&] {
        if (static_cast<std::size_t>(bench.Count()) != rows) state.SkipWithError("nodes missing");
        bench.Clear();
      });
}

// The vector keeps its memory from one iteration to the next, as the tree's
// item store keeps its blocks: a fresh vector of a million nodes measured
// mostly the kernel's clearing of its pages, from 0.4 to 1.1 s a run.
void VectorInsert(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  std::vector<TPlainNode> nodes;
  PlainInsert(rows, nodes);  // untimed: the memory the timed runs reuse
  Measure(state, "vector-insert", rows, [&] {
    PlainInsert(rows, nodes);
    benchmark::DoNotOptimize(nodes.data());
  });
}

// A step on the largest tree against the same step on the smallest: what
// only depends on the rows on screen stays near 1.
void PrintGrowth(const char* path, const std::vector<std::size_t>& counts) {
  if (counts.size() < 2) return;
  const auto small = Timings().find({path, counts.front()});
  const auto large = Timings().find({path, counts.back()});
  if (small == Timings().end() || large == Timings().end() || small->second <= 0) return;
  const double ratio = large->second / small->second;
  const std::string reference = std::string(path) + " @" + std::to_string(counts.front());
  std::printf("%-22s %-22s %10zu %12.3f %12.3f %8.2f %6.1f %s\n", path, reference.c_str(),
              counts.back(), large->second * 1e3, small->second * 1e3, ratio, 1.5,
              ratio <= 1.5 ? "ok" : "MISSED");
}

// Fonts and the drawing caches are loaded once per process; a small tree
// painted first keeps that out of the first size's figures.
void WarmUp() {
  TWindowSystem system;
  RegisterTreeViewClass();
  TTreeBench bench;
  std::vector<HTREEITEM> parents;
  bench.Insert(1000, parents);
  for (HTREEITEM p : parents) TreeView_Expand(bench.Tree(), p, TVE_EXPAND);
  bench.Paint();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> counts = RowCounts(argc, argv);
  for (std::size_t rows : counts) {
    const auto n = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("tree/insert-expand-paint-scroll", TreeSteps)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("tree/insert-redraw-off", TreeInsertHeld)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("tree/nodes-add", NodesAdd)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("tree/vector-insert", VectorInsert)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
  }
  WarmUp();
  const int result = RunAndReport(argc, argv,
                                  {{"tree-insert", "vector-insert", 60},
                                   {"tree-insert-held", "vector-insert", 60},
                                   {"nodes-add", "vector-insert", 60},
                                   {"tree-expand-all", "vector-insert", 5}});
  PrintGrowth("tree-paint", counts);
  PrintGrowth("tree-scroll-end", counts);
  return result;
}
