// bench/bench_search.cpp
//
// The catalogue window's search over the working table, as the program runs
// it (filter off, every name upper-cased with ICU, each hit copied field by
// field as text into the result table with messages pumped after it, then
// the results sorted by name). Measures:
//   - a pattern with a first and a further piece ("M*.mp3" at 100,000 rows and
//     "M*0.mp3" at 1,000,000, about 1,000 hits each), against a plain loop over the same
//     names applying the same piece rules;
//   - "*" alone, every row copied, against the same plain loop.
// Run with --rows=100000,1000000.
#include "app/DmZorvet.h"
#include "app/FileLists.h"
#include "bench/CatalogTable.h"
#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "platform/controls/Application.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/WindowSystem.h"

namespace {

using namespace bench;

// About 1,000 hits at either size.
String PatternFor(std::size_t rows) {
  return rows >= 1000000 ? "M*0.mp3" : "M*.mp3";
}

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

// The data module with the catalogue of `rows` rows in its working table.
struct TProgram {
  explicit TProgram(std::size_t rows) {
    InitializeModules({ControlsModule()});
    module = std::make_unique<TDmZorvet>(nullptr, (Scratch().Path() / "catalogue").string());
    module->LList->Items()->FindItem("dir")->Open();
    module->MTFiles->LoadFromDataSet(module->MTDir, coStructure);
    AppendRows(*module->MTFiles, CatalogOf(rows).Rows);
  }
  ~TProgram() {
    module.reset();
    FinalizeModules();
  }
  TWindowSystem system;
  std::unique_ptr<TDmZorvet> module;
};

// The same rules in plain code over the generated names.
std::size_t PlainSearch(const std::vector<Row>& rows, const String& pattern) {
  const String upper = AnsiUpperCase(pattern);
  std::vector<std::string_view> pieces;
  std::string_view rest = upper;
  for (std::size_t star; (star = rest.find('*')) != std::string_view::npos;
       rest.remove_prefix(star + 1))
    pieces.push_back(rest.substr(0, star));
  pieces.push_back(rest);
  std::size_t hits = 0;
  for (const Row& row : rows) {
    const String name = AnsiUpperCase(std::get<std::string>(row[cDirName]));
    bool match = std::string_view(name).starts_with(pieces[0]);
    for (std::size_t i = 1; match && i < pieces.size(); ++i)
      match = pieces[i].empty() || name.find(pieces[i]) != String::npos;
    hits += match;
  }
  return hits;
}

void Search(benchmark::State& state, const char* path, const String& pattern) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  TProgram program(rows);
  TDmZorvet& dm = *program.module;
  Integer hits = 0;
  Measure(state, path, rows, [&] {
    hits = SearchNames(dm.MTFiles, dm.MtFound, pattern, [] { Application->ProcessMessages(); });
  });
  if (static_cast<std::size_t>(hits) != PlainSearch(CatalogOf(rows).Rows, pattern))
    state.SkipWithError("hits differ from the plain loop");
  state.counters["hits"] = hits;
}

void Plain(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  const std::vector<Row>& source = CatalogOf(rows).Rows;
  std::size_t hits = 0;
  Measure(state, "plain", rows, [&] { hits = PlainSearch(source, PatternFor(rows)); });
  state.counters["hits"] = static_cast<double>(hits);
}

}  // namespace

int main(int argc, char** argv) {
  const auto unit = benchmark::kMillisecond;
  for (const std::size_t rows : RowCounts(argc, argv)) {
    const auto count = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("search", Search, "search", PatternFor(rows))
        ->Arg(count)
        ->Unit(unit)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("search-all", Search, "search-all", String("*"))
        ->Arg(count)
        ->Unit(unit)
        ->UseRealTime()
        ->Iterations(1);
    benchmark::RegisterBenchmark("plain", Plain)
        ->Arg(count)
        ->Unit(unit)
        ->UseRealTime()
        ->Iterations(3);
  }
  return RunAndReport(argc, argv, {{"search", "plain", 3.0}});
}
