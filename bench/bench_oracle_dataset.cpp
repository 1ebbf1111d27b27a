// bench/bench_oracle_dataset.cpp
//
// The Oracle dataset keeps every fetched row as a record and hands values
// out through its fields, which is what a grid does for every cell it
// shows. This program opens a dataset on the rows of five columns of
// OracleBenchWorld.h (all rows fetched at open) and reads every field of
// every row through the dataset's fields, walking from First to Eof; the
// reference runs the same query through TOracleQuery and reads every field
// of every row by index into a Variant.
#include <string>

#include "bench/CatalogTable.h"
#include "bench/OracleBenchWorld.h"
#include "oracle/OracleDataSet.h"

namespace {

using namespace bench;

void ReadDataSet(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  World& world = TheWorld();
  world.Table(n);
  TOracleDataSet data_set(nullptr);
  data_set.SetSession(world.Session.get());
  data_set.SQL()->SetText(Select(n));
  Measure(state, "dataset", n, [&] {
    data_set.Open();
    std::vector<TField*> fields;
    for (Integer i = 0; i < data_set.FieldCount(); ++i) fields.push_back(data_set.Fields(i));
    std::size_t seen = 0;
    for (; !data_set.Eof(); data_set.Next()) {
      for (TField* field : fields) {
        Variant value = field->AsVariant();
        benchmark::DoNotOptimize(value);
      }
      ++seen;
    }
    data_set.Close();
    if (seen != n) state.SkipWithError("wrong row count");
  });
}

void ReadQuery(benchmark::State& state) {
  ReadThroughQuery(state, "query");
}

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t rows : RowCounts(argc, argv)) {
    const auto n = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("oracle_dataset/dataset", ReadDataSet)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("oracle_dataset/query", ReadQuery)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv, {{"dataset", "query", 2}});
}
