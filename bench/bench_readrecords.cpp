// bench/bench_readrecords.cpp
//
// Reading every record of the catalogue table as the data-bound tree reads
// it when it builds: the key of every row, and for the rows that have one
// (folders and disk roots, one in ten) the parent key, the name and the
// image number. The walk is the table's ReadRecords, the reads go through
// the fields; the reference reads the same values from the plain rows the
// table was filled from.
#include <algorithm>
#include <string>
#include <vector>

#include "bench/CatalogTable.h"
#include "platform/data/NumericFields.h"

namespace {

using namespace bench;

struct Fields {
  explicit Fields(TvomMemTable& table)
      : Id(table.FieldByName("id")),
        Parent(table.FieldByName("idparent")),
        Name(table.FieldByName("dirname")),
        Image(dynamic_cast<TIntegerField*>(table.FieldByName("ImIndex"))) {}
  TField* Id;
  TField* Parent;
  TField* Name;
  TIntegerField* Image;
};

// Every row's key, as the tree reads it to reject file rows.
void WalkKeys(Catalog& c, const Fields& f) {
  std::size_t keys = 0;
  c.Table->ReadRecords([&] {
    keys += f.Id->AsVariant().IsNull() ? 0 : 1;
    return true;
  });
  benchmark::DoNotOptimize(keys);
}

void ReadKeysOurs(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  const Fields f(*c.Table);
  Measure(state, "read-keys", rows, [&] { WalkKeys(c, f); });
}

// The same walk while record buffers share the data of some stored records
// (a ring of 100 over the first rows, as a bound control's may): the stored
// records keep their data in place, and the walk must stay as fast.
void ReadKeysSharedOurs(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  const Fields f(*c.Table);
  TvomCommon& store = c.Table->Store();
  std::vector<TvomRecord*> ring;
  for (Integer slot = 0; slot < std::min<Integer>(100, store.RecordCount()); ++slot)
    if (const TvomRecord* stored = store.Records(slot)) ring.push_back(store.ShareRecord(stored));
  Measure(state, "read-keys-shared", rows, [&] { WalkKeys(c, f); });
  for (TvomRecord* buffer : ring) store.FreeRecord(buffer, true, false);
}

void ReadKeysPlain(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  Measure(state, "read-keys-rows", rows, [&] {
    std::size_t keys = 0;
    for (const Row& r : c.Rows) {
      const Variant key = IsNull(r[cId]) ? Null() : Variant(std::get<Integer>(r[cId]));
      keys += key.IsNull() ? 0 : 1;
    }
    benchmark::DoNotOptimize(keys);
  });
}

void ReadFoldersOurs(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  const Fields f(*c.Table);
  Measure(state, "read-folders", rows, [&] {
    Int64 sum = 0;
    std::size_t length = 0;
    c.Table->ReadRecords([&] {
      const Variant key = f.Id->AsVariant();
      if (key.IsNull()) return true;
      const Variant parent = f.Parent->AsVariant();
      length += f.Name->Text().size();
      Integer image = -1;
      if (!f.Image->GetValue(image)) image = -1;
      sum += key.AsInt64() + (parent.IsNull() ? 0 : parent.AsInt64()) + image;
      return true;
    });
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(length);
  });
}

void ReadFoldersPlain(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(rows);
  auto integer = [](const Value& v) { return IsNull(v) ? Null() : Variant(std::get<Integer>(v)); };
  Measure(state, "read-folders-rows", rows, [&] {
    Int64 sum = 0;
    std::size_t length = 0;
    for (const Row& r : c.Rows) {
      const Variant key = integer(r[cId]);
      if (key.IsNull()) continue;
      const Variant parent = integer(r[cIdParent]);
      const auto* name = std::get_if<std::string>(&r[cDirName]);
      length += name ? String(*name).size() : 0;
      const Integer image = IsNull(r[cImIndex]) ? -1 : std::get<Integer>(r[cImIndex]);
      sum += key.AsInt64() + (parent.IsNull() ? 0 : parent.AsInt64()) + image;
    }
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(length);
  });
}

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t rows : RowCounts(argc, argv)) {
    const auto n = static_cast<int64_t>(rows);
    using Read = void (*)(benchmark::State&);
    const std::pair<const char*, Read> reads[] = {{"read/keys/ours", ReadKeysOurs},
                                                  {"read/keys/rows", ReadKeysPlain},
                                                  {"read/keys-shared/ours", ReadKeysSharedOurs},
                                                  {"read/folders/ours", ReadFoldersOurs},
                                                  {"read/folders/rows", ReadFoldersPlain}};
    for (const auto& [name, read] : reads)
      benchmark::RegisterBenchmark(name, read)->Arg(n)->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv,
                      {{"read-keys", "read-keys-rows", 2},
                       {"read-keys-shared", "read-keys-rows", 2},
                       {"read-folders", "read-folders-rows", 2}});
}
