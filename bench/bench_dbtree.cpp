// bench/bench_dbtree.cpp
//
// The data-bound tree on the catalogue table: a full build from every row
// (folders and disk roots make nodes, file rows are read and skipped), a
// rebuild after 1,000 folder rows are appended, and selecting a node by
// moving the table to its key. The reference is a std::unordered_map from
// parent key to the list of its children over the same rows. The build is
// to stay within 3 times the reference and near-linear from size to size.
#include <unordered_map>
#include <vector>

#include "bench/CatalogTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/win/WindowSystem.h"
#include "ui/slDBTree.h"

namespace {

using namespace bench;

// A shown form holding a tree bound to the catalogue table as the catalogue binds it.
class TDBTreeBench {
 public:
  explicit TDBTreeBench(TvomMemTable* table) {
    InitializeModules({ControlsModule(), slTreeModule()});
    form_ = new TCustomForm(owner_.get());
    form_->SetBounds(0, 0, 400, 600);
    form_->Show();
    tree_ = new TslDBTreeView(owner_.get());
    tree_->SetParent(form_);
    tree_->SetBounds(0, 0, 380, 580);
    tree_->SetKeyField("id");
    tree_->SetParentField("idparent");
    tree_->SetListField("dirname");
    tree_->SetImageIndexField("ImIndex");
    tree_->SetOptions({trCanDBNavigate, trSmartRecordCopy, trCheckHasChildren});
    tree_->HandleNeeded();
    source_ = new TDataSource(owner_.get());
    source_->SetDataSet(table);
  }
  ~TDBTreeBench() {
    owner_.reset();
    FinalizeModules();
  }
  // Binding builds every node.
  void Bind() { tree_->SetDataSource(source_); }
  TslDBTreeView* Tree() const { return tree_; }

 private:
  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_;
  TslDBTreeView* tree_;
  TDataSource* source_;
};

Integer LargestKey(const std::vector<Row>& rows) {
  Integer largest = 0;
  for (const Row& r : rows)
    if (const auto* id = std::get_if<Integer>(&r[cId])) largest = std::max(largest, *id);
  return largest;
}

// Both builds are timed alike: the same number of runs (so that neither
// alone reuses the memory its earlier runs freed), and neither timing holds
// its teardown nor, for the tree, the making of its form and window.
constexpr int kBuildRuns = 8;

void DBTreeBuild(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  auto bench = std::make_unique<TDBTreeBench>(c.Table.get());
  Measure(
      state, "dbtree-build", rows,
      [&] {
        bench->Bind();
        benchmark::DoNotOptimize(bench->Tree()->DBNodes()->Count());
      },
      [&] {
        bench.reset();
        bench = std::make_unique<TDBTreeBench>(c.Table.get());
      });
}

void DBTreeRebuildAfterAppend(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  TvomMemTable& table = *c.Table;
  TDBTreeBench bench(&table);
  bench.Bind();
  Integer next = LargestKey(c.Rows) + 1;
  TField* id = table.FieldByName("id");
  TField* parent = table.FieldByName("idparent");
  TField* name = table.FieldByName("dirname");
  Measure(state, "dbtree-append-1000", rows, [&] {
    table.DisableControls();
    for (int i = 0; i < 1000; ++i) {
      table.Append();
      id->SetAsInteger(next);
      parent->SetAsInteger(next - 1);  // a chain under the last folder
      name->SetAsString("Appended");
      table.Post();
      ++next;
    }
    table.EnableControls();  // one rebuild
  });
}

void DBTreeLocate(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  TDBTreeBench bench(c.Table.get());
  bench.Bind();
  std::vector<Integer> keys;
  for (const Row& r : c.Rows)
    if (const auto* id = std::get_if<Integer>(&r[cId])) keys.push_back(*id);
  std::size_t at = 0;
  Measure(state, "dbtree-locate", rows, [&] {
    at = (at + keys.size() / 7 + 1) % keys.size();
    c.Table->Locate("id", keys[at], {});
    benchmark::DoNotOptimize(bench.Tree()->Selected());
  });
}

void MapBuild(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  using Children = std::unordered_map<Integer, std::vector<Integer>>;
  Children children;
  Measure(
      state, "map-build", rows,
      [&] {
        for (const Row& r : c.Rows) {
          const auto* id = std::get_if<Integer>(&r[cId]);
          if (!id) continue;
          const auto* parent = std::get_if<Integer>(&r[cIdParent]);
          children[parent ? *parent : -1].push_back(*id);
        }
        benchmark::DoNotOptimize(children.size());
      },
      [&] { children = Children(); });
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::size_t> counts = RowCounts(argc, argv);
  for (std::size_t n : counts) {
    const auto size = static_cast<int64_t>(n);
    benchmark::RegisterBenchmark("map-build", MapBuild)
        ->Arg(size)
        ->Iterations(kBuildRuns)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dbtree-build", DBTreeBuild)
        ->Arg(size)
        ->Iterations(kBuildRuns)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dbtree-append-1000", DBTreeRebuildAfterAppend)
        ->Arg(size)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dbtree-locate", DBTreeLocate)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv,
                      {{"dbtree-build", "map-build", 3.0, 1000000},
                       {"dbtree-append-1000", "map-build", 3.0, 1000000},
                       {"dbtree-locate", "map-build", 1.0}});
}
