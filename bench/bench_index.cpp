// bench/bench_index.cpp
//
// Keeping a sorted index up to date while rows are appended. A scan sorts
// the catalogue on its identifier and then appends file rows, whose
// identifier is null: every new row has the key that all earlier file rows
// share, and must be placed before them without walking over them. The
// reference is the same appends with only the row order kept.
#include <string>

#include "bench/CatalogTable.h"

namespace {

using namespace bench;

// A fresh table with the catalogue's fields, sorted on `sortField` (none:
// row order only), to which `n` file rows with a null identifier are
// appended, as the scan appends them.
void AppendFileRows(benchmark::State& state, const char* path, const char* sortField) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Measure(state, path, n, [&] {
    std::unique_ptr<TvomMemTable> table = NewCatalogTable();
    if (sortField != nullptr) table->SortOn(sortField, mtcoNone);
    TField* name = table->FieldByName("dirname");
    TField* folder = table->FieldByName("IdFile");
    table->DisableControls();
    for (std::size_t i = 0; i < n; ++i) {
      table->Append();
      name->SetAsString("file " + std::to_string(i) + ".txt");
      folder->SetAsInteger(static_cast<Integer>(i / 20));
      table->Post();
    }
    table->EnableControls();
    if (table->RecordCount() != static_cast<Integer>(n)) state.SkipWithError("rows missing");
  });
}

void AppendSortedOurs(benchmark::State& state) {
  AppendFileRows(state, "append-sorted", "id");
}
void AppendRowOrder(benchmark::State& state) {
  AppendFileRows(state, "append-roworder", nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> counts = RowCounts(argc, argv);
  for (std::size_t rows : counts) {
    const auto n = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("append/sorted-on-id/ours", AppendSortedOurs)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("append/row-order", AppendRowOrder)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv, {{"append-sorted", "append-roworder", 2}});
}
