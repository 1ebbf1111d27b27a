// bench/bench_listview.cpp
//
// Filling a list view. The catalogue fills its report lists with every file
// of a folder or every search hit, a hundred thousand rows at a time: a
// TListView in report style with three columns sized to their content gets
// the rows between Items.BeginUpdate and EndUpdate and is then painted on
// the null display. The reference fills a std::vector with the same three
// strings per row, the least any list of the rows costs.
#include <array>
#include <string>
#include <vector>

#include "bench/CatalogTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/ListView.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/Paint.h"
#include "platform/win/WindowSystem.h"

namespace {

using namespace bench;

std::string Name(std::size_t i) {
  return "IMG_" + std::to_string(i) + ".jpg";
}
std::string Size(std::size_t i) {
  return std::to_string(1000 + i * 37);
}
std::string Date(std::size_t i) {
  return "2004-05-" + std::to_string(10 + i % 19) + " 12:30:00";
}

// The window system, the control layer and a form with the list, made once.
struct TListBench {
  TWindowSystem system;
  std::unique_ptr<TComponent> owner;
  TListView* list = nullptr;

  TListBench() {
    InitializeModules({ControlsModule()});
    owner = std::make_unique<TComponent>(nullptr);
    auto* form = new TCustomForm(owner.get());
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 600, 400);
    form->Show();
    list = new TListView(owner.get());
    list->SetParent(form);
    list->SetBounds(0, 0, 600, 400);
    list->SetViewStyle(vsReport);
    list->SetRowSelect(true);
    for (const char* caption : {"Name", "Size", "Date created"}) {
      TListColumn* c = list->Columns()->Add();
      c->SetCaption(caption);
      c->SetWidth(ColumnTextWidth);
    }
  }
  ~TListBench() {
    owner.reset();
    FinalizeModules();
  }
};

TListBench& Bench() {
  static TListBench bench;
  return bench;
}

void FillListView(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  TListView* list = Bench().list;
  using Clock = std::chrono::steady_clock;
  Clock::duration spent{};
  for (auto _ : state) {
    list->Items()->Clear();
    const Clock::time_point start = Clock::now();
    list->Items()->BeginUpdate();
    for (std::size_t i = 0; i < n; ++i) {
      TListItem* item = list->Items()->Add();
      item->SetCaption(Name(i));
      item->SubItems()->Add(Size(i));
      item->SubItems()->Add(Date(i));
    }
    list->Items()->EndUpdate();
    UpdateWindow(list->Handle());
    spent += Clock::now() - start;
    if (list->Items()->Count() != static_cast<Integer>(n)) state.SkipWithError("rows missing");
  }
  Timings()[{"listview-fill-paint", n}] =
      std::chrono::duration<double>(spent).count() / double(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

void FillVector(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Measure(state, "vector-fill", n, [&] {
    std::vector<std::array<std::string, 3>> rows;
    for (std::size_t i = 0; i < n; ++i) rows.push_back({Name(i), Size(i), Date(i)});
    benchmark::DoNotOptimize(rows.data());
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> counts = RowCounts(argc, argv);
  for (std::size_t rows : counts) {
    const auto n = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("listview/report/fill+paint", FillListView)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("vector/fill", FillVector)->Arg(n)->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv, {{"listview-fill-paint", "vector-fill", 16}});
}
