// bench/bench_table.cpp
//
// The table paths a catalogue runs on every scan and every click: sorting on
// the identifier and on a name, locating a folder's path case-insensitively,
// and walking the folder filter from first to last. Each is measured against
// plain code doing the same over the same rows: std::stable_sort of (key,
// row) pairs with the same comparison (for text, ICU's own UTF-8 collation
// with the table's collator settings), a loop comparing the same strings, a
// loop testing the two fields.
//
// Appending with the controls disabled (a loader, the catalogue's scan) is
// measured with a control keeping a window of 100 records, as the
// data-bound tree does, against the same appends with a one-record window:
// the window should cost little while nobody looks at it.
#include <unicode/ucol.h>

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "bench/CatalogTable.h"
#include "memtable/ValueCompare.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/Locale.h"

namespace {

using namespace bench;

Int64 IntegerKey(const Value& v) {
  const auto* n = std::get_if<Integer>(&v);
  return n ? *n : LLONG_MIN;  // nulls sort first
}

std::string_view TextKey(const Value& v) {
  const auto* s = std::get_if<std::string>(&v);
  return s ? std::string_view(*s) : std::string_view();
}

const TLocaleCollator& CaseInsensitive(Catalog& c) {
  return c.Table->Store().Collation().Collator(true);
}

// Sorts the table on `field`, then gives it back its row order.
void SortOurs(benchmark::State& state, const char* path, const char* field,
              TvomMemTableCompareOptions options) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  Measure(state, path, n, [&] { c.Table->SortOn(field, options); });
  c.Table->SortOn("", mtcoNone);
}

void SortIntegerOurs(benchmark::State& state) {
  SortOurs(state, "sort-int", "id", mtcoNone);
}

void SortIntegerPlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  Measure(state, "sort-int-std", n, [&] {
    std::vector<std::pair<Int64, const Row*>> keys;
    keys.reserve(c.Rows.size());
    for (const Row& row : c.Rows) keys.emplace_back(IntegerKey(row[cId]), &row);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    benchmark::DoNotOptimize(keys.data());
  });
}

void SortTextOurs(benchmark::State& state) {
  SortOurs(state, "sort-text", "dirname", mtcoCaseInsensitive);
}

// ICU's UTF-8 comparison called directly, through the very collator the
// table uses (its locale, strength and tailoring).
void SortTextPlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  const UCollator* collator = CaseInsensitive(c).IcuCollator();
  Measure(state, "sort-text-std", n, [&] {
    std::vector<std::pair<std::string_view, const Row*>> keys;
    keys.reserve(c.Rows.size());
    for (const Row& row : c.Rows) keys.emplace_back(TextKey(row[cDirName]), &row);
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
      UErrorCode status = U_ZERO_ERROR;
      return ucol_strcollUTF8(collator, a.first.data(), static_cast<int32_t>(a.first.size()),
                              b.first.data(), static_cast<int32_t>(b.first.size()), &status) < 0;
    });
    benchmark::DoNotOptimize(keys.data());
  });
}

// The path of the last folder: found only at the table's end.
const std::string& LastFolderPath(Catalog& c) {
  for (auto row = c.Rows.rbegin(); row != c.Rows.rend(); ++row)
    if (!IsNull((*row)[cId])) return std::get<std::string>((*row)[cPath]);
  std::abort();
}

void LocateOurs(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  const std::string target = LastFolderPath(c);
  Measure(state, "locate", n, [&] {
    c.Table->First();
    if (!c.Table->Locate("path", target, {loCaseInsensitive}))
      state.SkipWithError("path not found");
  });
}

void LocatePlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  const std::string target = LastFolderPath(c);
  const TLocaleCollator& collator = CaseInsensitive(c);
  Measure(state, "locate-loop", n, [&] {
    std::size_t at = 0;
    while (at < c.Rows.size() && collator.Compare(TextKey(c.Rows[at][cPath]), target) != 0) ++at;
    if (at == c.Rows.size()) state.SkipWithError("path not found");
    benchmark::DoNotOptimize(at);
  });
}

// A folder in the middle of the table, with its files.
Integer MiddleFolder(Catalog& c) {
  for (std::size_t at = c.Rows.size() / 2; at < c.Rows.size(); ++at)
    if (!IsNull(c.Rows[at][cId]) && IsNull(c.Rows[at][cFileSystem]))
      return std::get<Integer>(c.Rows[at][cId]);
  std::abort();
}

void FilterOurs(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  c.Table->SetFilter("([id] = null) and [IdFile] = '" + std::to_string(MiddleFolder(c)) + "'");
  c.Table->SetFiltered(true);
  Measure(state, "filter-walk", n, [&] {
    Integer seen = 0;
    for (c.Table->First(); !c.Table->Eof(); c.Table->Next()) ++seen;
    if (seen == 0) state.SkipWithError("no files in the folder");
    benchmark::DoNotOptimize(seen);
  });
  c.Table->SetFiltered(false);
  c.Table->SetFilter("");
}

void FilterPlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  const Integer folder = MiddleFolder(c);
  Measure(state, "filter-loop", n, [&] {
    Integer seen = 0;
    for (const Row& row : c.Rows) {
      const auto* file = std::get_if<Integer>(&row[cIdFile]);
      if (IsNull(row[cId]) && file != nullptr && *file == folder) ++seen;
    }
    benchmark::DoNotOptimize(seen);
  });
}

constexpr int kAppends = 1000;

// kAppends x (Append, three fields, Post) between DisableControls and
// EnableControls, while a control's link keeps `window` records. The rows
// are deleted again after each run, untimed, so that every run appends to
// the same table.
void AppendWhileDisabled(benchmark::State& state, const char* path, Integer window) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  TvomMemTable& table = *c.Table;
  TDataSource source(nullptr);
  source.SetDataSet(&table);
  TDataLink link;
  link.SetVisualControl(true);
  link.SetBufferCount(window);
  link.SetDataSource(&source);
  Integer next = 0;
  for (const Row& r : c.Rows)
    if (const auto* id = std::get_if<Integer>(&r[cId])) next = std::max(next, *id + 1);
  TField* id = table.FieldByName("id");
  TField* parent = table.FieldByName("idparent");
  TField* name = table.FieldByName("dirname");
  table.First();
  Measure(
      state, path, n,
      [&] {
        table.DisableControls();
        for (int i = 0; i < kAppends; ++i) {
          table.Append();
          id->SetAsInteger(next);
          parent->SetAsInteger(next - 1);
          name->SetAsString("Appended");
          table.Post();
          ++next;
        }
        table.EnableControls();
      },
      [&] {
        table.DisableControls();
        table.Last();
        for (int i = 0; i < kAppends; ++i) table.Delete();
        table.EnableControls();
      });
  link.SetDataSource(nullptr);
  if (table.RecordCount() != static_cast<Integer>(n)) state.SkipWithError("rows left behind");
}

void AppendWindowOfMany(benchmark::State& state) {
  AppendWhileDisabled(state, "append-window-100", 100);
}

void AppendWindowOfOne(benchmark::State& state) {
  AppendWhileDisabled(state, "append-window-1", 1);
}

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t rows : RowCounts(argc, argv)) {
    const auto n = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("sort/int/ours", SortIntegerOurs)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sort/int/std", SortIntegerPlain)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sort/text/ours", SortTextOurs)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sort/text/std", SortTextPlain)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("locate/ours", LocateOurs)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("locate/loop", LocatePlain)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("filter/ours", FilterOurs)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("filter/loop", FilterPlain)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("append-1000/window-100", AppendWindowOfMany)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("append-1000/window-1", AppendWindowOfOne)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv,
                      {{"sort-int", "sort-int-std", 2},
                       {"sort-text", "sort-text-std", 1.5},
                       {"locate", "locate-loop", 2},
                       {"filter-walk", "filter-loop", 3},
                       {"append-window-100", "append-window-1", 1.3}});
}
