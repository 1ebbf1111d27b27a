// bench/CatalogTable.h
//
// What the benchmarks share: rows shaped like the catalogue table's (the
// seventeen fields of the item "dir": disk roots, folders and files with
// realistic names and catalogue paths), a memory table filled with them, the
// plain rows the reference code works on, a scratch folder, and the record of
// timings from which each program prints "ours / reference" at its end.
//
// The rows are generated, never read from anywhere: one in 2,000 is a disk
// root, one in 10 a folder, the rest files; a folder's files follow it, as a
// scan appends them. The same seed gives the same rows in every program.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "memtable/MemTable.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/rtl/MemoryManager.h"

namespace bench {

// --- the catalogue's fields -------------------------------------------------------

struct FieldSpec {
  const char* Name;
  TFieldType Type;
  Integer Size;
};

inline constexpr std::array<FieldSpec, 17> kCatalogFields = {{
    {"idparent", ftInteger, 0},
    {"id", ftInteger, 0},
    {"dirname", ftString, 255},
    {"path", ftString, 500},
    {"IdFile", ftInteger, 0},
    {"SN", ftString, 20},
    {"Vollabel", ftString, 255},
    {"FileSystem", ftString, 255},
    {"FileSize", ftInteger, 0},
    {"FileAttr", ftInteger, 0},
    {"DateCreated", ftDateTime, 0},
    {"TotalSize", ftInteger, 0},
    {"ImIndex", ftInteger, 0},
    {"StImIndex", ftInteger, 0},
    {"Comment", ftString, 255},
    {"LastUpdate", ftDateTime, 0},
    {"Action", ftString, 5},
}};

enum CatalogColumn {
  cIdParent,
  cId,
  cDirName,
  cPath,
  cIdFile,
  cSN,
  cVolLabel,
  cFileSystem,
  cFileSize,
  cFileAttr,
  cDateCreated,
  cTotalSize,
  cImIndex,
  cStImIndex,
  cComment,
  cLastUpdate,
  cAction
};

// A null, an integer, a date-time or a text.
using Value = std::variant<std::monostate, Integer, TDateTime, std::string>;
using Row = std::array<Value, kCatalogFields.size()>;

inline bool IsNull(const Value& v) {
  return std::holds_alternative<std::monostate>(v);
}

// --- generating rows --------------------------------------------------------------

inline std::vector<Row> MakeCatalogRows(std::size_t count) {
  static const char* const kWords[] = {
      "Photos",  "Music",   "Holiday", "Backup",   "Projects", "Documents", "Invoices", "Letters",
      "Drivers", "Setup",   "Video",   "Scans",    "Archive",  "Reports",   "Family",   "Travel",
      "Garden",  "Recipes", "Taxes",   "Software", "Games",    "Lectures",  "Samples",  "Manuals"};
  static const char* const kExtensions[] = {".jpg", ".mp3", ".doc", ".pdf",
                                            ".txt", ".zip", ".exe", ".avi"};
  constexpr std::size_t kWordCount = std::size(kWords);
  std::mt19937 random(20041104u);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };

  std::vector<Row> rows;
  rows.reserve(count);
  Integer next_id = 1;
  Integer root_id = 0;
  std::string serial;
  std::vector<std::pair<Integer, std::string>> folders;  // of the current disk: id, path
  Integer folder_id = 0;
  std::string folder_path;
  for (std::size_t k = 0; k < count; ++k) {
    Row row{};
    if (k % 2000 == 0) {
      char text[16];
      std::snprintf(text, sizeof text, "%04X:%04X", static_cast<unsigned>(random() & 0xFFFF),
                    static_cast<unsigned>(random() & 0xFFFF));
      serial = text;
      root_id = ++next_id;
      folders.assign(1, {root_id, serial + ":\\"});
      folder_id = root_id;
      folder_path = serial + ":\\";
      row[cIdParent] = root_id;
      row[cId] = root_id;
      row[cDirName] = std::string("DISC_") + std::to_string(k / 2000 + 1);
      row[cPath] = serial;
      row[cFileSystem] = std::string(k % 4000 == 0 ? "CDFS" : "UDF");
      row[cFileSize] = Integer(650000000);
      row[cTotalSize] = Integer(700000000);
      row[cImIndex] = Integer(k % 4000 == 0 ? 2 : 10);
      row[cStImIndex] = Integer(11);
      row[cComment] = std::string("Disc of ") + kWords[pick(kWordCount)];
      row[cLastUpdate] = TDateTime(38000.0 + double(k) / 2000.0 + 0.5);
    } else if (k % 10 == 1) {
      const auto parent = folders[pick(folders.size())];  // a copy: the list grows below
      const Integer id = ++next_id;
      std::string name = std::string(kWords[pick(kWordCount)]) + " " + std::to_string(k);
      folder_path = parent.second + name + "\\";
      folder_id = id;
      folders.emplace_back(id, folder_path);
      row[cIdParent] = parent.first;
      row[cId] = id;
      row[cDirName] = std::move(name);
      row[cPath] = folder_path;
      row[cImIndex] = Integer(1);
      row[cStImIndex] = Integer(11);
    } else {
      row[cDirName] =
          std::string(kWords[pick(kWordCount)]) + "_" + std::to_string(k) + kExtensions[pick(8)];
      row[cPath] = folder_path;
      row[cIdFile] = folder_id;
      row[cFileSize] = Integer(random() % 50000000);
      row[cFileAttr] = Integer(32);
      row[cDateCreated] = TDateTime(36000.0 + double(random() % 3000000) / 1000.0);
    }
    row[cSN] = serial;
    rows.push_back(std::move(row));
  }
  return rows;
}

// --- the memory table ----------------------------------------------------------------

// An open, empty table with the catalogue's fields.
inline std::unique_ptr<TvomMemTable> NewCatalogTable() {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  for (const FieldSpec& f : kCatalogFields) table->FieldDefs()->Add(f.Name, f.Type, f.Size);
  table->Open();
  return table;
}

inline void AppendRows(TvomMemTable& table, const std::vector<Row>& rows) {
  std::array<TField*, kCatalogFields.size()> fields{};
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = table.Fields(static_cast<Integer>(i));
  table.DisableControls();
  for (const Row& row : rows) {
    table.Append();
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (const auto* n = std::get_if<Integer>(&row[i]))
        fields[i]->SetAsInteger(*n);
      else if (const auto* d = std::get_if<TDateTime>(&row[i]))
        fields[i]->SetAsDateTime(*d);
      else if (const auto* s = std::get_if<std::string>(&row[i]))
        fields[i]->SetAsString(*s);
    }
    table.Post();
  }
  table.EnableControls();
}

// The rows and a table holding them, made once per size and kept for the
// program's run (the benchmarks only read them).
struct Catalog {
  std::vector<Row> Rows;
  std::unique_ptr<TvomMemTable> Table;
};

inline Catalog& CatalogOf(std::size_t count) {
  static std::map<std::size_t, Catalog> made;
  Catalog& c = made[count];
  if (!c.Table) {
    c.Rows = MakeCatalogRows(count);
    c.Table = NewCatalogTable();
    AppendRows(*c.Table, c.Rows);
  }
  return c;
}

// --- scratch folder --------------------------------------------------------------------

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvet-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// --- timings and ratios -------------------------------------------------------------------

// Seconds per operation of each measured path and size, filled as the
// benchmarks run; the ratios are printed from it at the end.
inline std::map<std::pair<std::string, std::size_t>, double>& Timings() {
  static std::map<std::pair<std::string, std::size_t>, double> timings;
  return timings;
}

// No untimed step after each run of a measured body.
struct NoAfter {
  void operator()() const {}
};

// Runs `body` once per iteration, timed by itself (so that the benchmark
// library's bookkeeping is left out), and keeps the mean under (path, size).
// `after`, when given, runs after each iteration untimed (putting back what
// the body changed).
template <class Body, class After = NoAfter>
void Measure(benchmark::State& state, const std::string& path, std::size_t size, Body body,
             After after = {}) {
  using Clock = std::chrono::steady_clock;
  Clock::duration spent{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    body();
    spent += Clock::now() - start;
    if constexpr (!std::is_same_v<After, NoAfter>) {
      state.PauseTiming();
      after();
      state.ResumeTiming();
    }
  }
  if (state.iterations() > 0)
    Timings()[{path, size}] =
        std::chrono::duration<double>(spent).count() / double(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

struct RatioSpec {
  const char* Ours;
  const char* Reference;
  double Goal;
  // Rows from which the goal is set; smaller runs only show the trend
  // (a small reference fits in the caches, so its ratio says little).
  std::size_t GoalFrom = 0;
};

inline void PrintRatios(const std::vector<RatioSpec>& ratios) {
  std::printf("\n%-22s %-22s %10s %12s %12s %8s %6s\n", "ours", "reference", "rows", "ours ms",
              "ref ms", "ratio", "goal");
  for (const RatioSpec& r : ratios) {
    for (const auto& [key, ours] : Timings()) {
      if (key.first != r.Ours) continue;
      auto ref = Timings().find({r.Reference, key.second});
      if (ref == Timings().end() || ref->second <= 0) continue;
      const double ratio = ours / ref->second;
      const char* verdict = key.second < r.GoalFrom ? "-" : ratio <= r.Goal ? "ok" : "MISSED";
      std::printf("%-22s %-22s %10zu %12.3f %12.3f %8.2f %6.1f %s\n", r.Ours, r.Reference,
                  key.second, ours * 1e3, ref->second * 1e3, ratio, r.Goal, verdict);
    }
  }
}

// The row counts to run: "--rows=10000,100000" (taken out of argv), else
// 10,000 and 100,000.
inline std::vector<std::size_t> RowCounts(int& argc, char** argv) {
  std::vector<std::size_t> counts;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--rows=", 0) == 0) {
      for (std::size_t at = 7; at < arg.size();) {
        std::size_t end = arg.find(',', at);
        if (end == std::string::npos) end = arg.size();
        counts.push_back(std::stoul(arg.substr(at, end - at)));
        at = end + 1;
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (counts.empty()) counts = {10000, 100000};
  return counts;
}

// Runs the benchmarks registered for `counts` and prints the ratios.
// The heap is set up as the program sets it up at start-up, so freed
// memory stays in the process for ours and the references alike.
inline int RunAndReport(int argc, char** argv, const std::vector<RatioSpec>& ratios) {
  InitMemoryManager();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRatios(ratios);
  return 0;
}

}  // namespace bench
