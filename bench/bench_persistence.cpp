// bench/bench_persistence.cpp
//
// Start-up reads the catalogue file and closing writes it. Measures the table's
// save and load through the CSV format with the catalogue's settings against
// plain code writing the same rows with fprintf and splitting the lines back
// into strings, and the load against SQLite in memory inserting the same rows
// in one transaction through a prepared statement.
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/CatalogTable.h"
#include "memtable/CsvStreamFormat.h"

namespace {

using namespace bench;

// "dd/mm/yyyy hh:nn:ss" of a date-time counted in days from 30/12/1899.
void WriteDateTime(std::FILE* file, TDateTime value) {
  const double whole = std::floor(value);
  long long seconds = std::llround((value - whole) * 86400.0);
  long long days = static_cast<long long>(whole) - 25569 + 719468;  // days from 1 March of year 0
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long day = doy - (153 * mp + 2) / 5 + 1;
  const long long month = mp < 10 ? mp + 3 : mp - 9;
  const long long year = yoe + era * 400 + (month <= 2);
  if (seconds >= 86400) seconds = 86399;
  std::fprintf(file, "\"%02lld/%02lld/%04lld %02lld:%02lld:%02lld\"", day, month, year,
               seconds / 3600, seconds / 60 % 60, seconds % 60);
}

void WriteText(std::FILE* file, const std::string& text) {
  std::fputc('"', file);
  for (char c : text) {
    if (c == '"') std::fputc('"', file);
    std::fputc(c, file);
  }
  std::fputc('"', file);
}

// The reference writer: a header line, then each row's values quoted, nulls
// empty, every line ending in ',' CR LF as the table's format does.
void WritePlainCsv(const std::string& name, const std::vector<Row>& rows) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) std::abort();
  for (const FieldSpec& f : kCatalogFields) std::fprintf(file, "\"%s\",", f.Name);
  std::fputs("\r\n", file);
  for (const Row& row : rows) {
    for (const Value& v : row) {
      if (const auto* n = std::get_if<Integer>(&v))
        std::fprintf(file, "\"%d\"", *n);
      else if (const auto* d = std::get_if<TDateTime>(&v))
        WriteDateTime(file, *d);
      else if (const auto* s = std::get_if<std::string>(&v))
        WriteText(file, *s);
      std::fputc(',', file);
    }
    std::fputs("\r\n", file);
  }
  std::fclose(file);
}

// The reference reader: each line split at the delimiters outside quotes,
// doubled quotes undone, into strings.
std::vector<std::vector<std::string>> ReadPlainCsv(const std::string& name) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream in(name, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (quoted) {
        if (c != '"')
          field += c;
        else if (i + 1 < line.size() && line[i + 1] == '"')
          field += line[++i];
        else
          quoted = false;
      } else if (c == '"') {
        quoted = true;
      } else if (c == ',') {
        fields.push_back(std::move(field));
        field.clear();
      } else {
        field += c;
      }
    }
    if (!field.empty()) fields.push_back(std::move(field));
    lines.push_back(std::move(fields));
  }
  return lines;
}

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

std::string FileFor(const char* what, std::size_t rows) {
  return (Scratch().Path() / (std::string(what) + "-" + std::to_string(rows) + ".csv")).string();
}

// The table's own file of `n` rows, which both loads read.
std::string SavedFile(Catalog& c, std::size_t n, TvomCSVStreamFormat& csv) {
  const std::string file = FileFor("ours", n);
  c.Table->SaveToFileViaFormat(file, &csv);
  return file;
}

void SaveOurs(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  TvomCSVStreamFormat csv(nullptr);
  const std::string file = FileFor("ours", n);
  Measure(state, "save", n, [&] { c.Table->SaveToFileViaFormat(file, &csv); });
}

void SavePlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  const std::string file = FileFor("plain", n);
  Measure(state, "save-fprintf", n, [&] { WritePlainCsv(file, c.Rows); });
}

void LoadOurs(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  TvomCSVStreamFormat csv(nullptr);
  const std::string file = SavedFile(c, n, csv);
  Measure(state, "load", n, [&] {
    TvomMemTable table(nullptr);
    table.LoadFromFileViaFormat(file, &csv);
    if (static_cast<std::size_t>(table.RecordCount()) != n)
      state.SkipWithError("rows lost on load");
  });
}

void LoadPlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  TvomCSVStreamFormat csv(nullptr);
  const std::string file = SavedFile(c, n, csv);
  Measure(state, "load-split", n, [&] { benchmark::DoNotOptimize(ReadPlainCsv(file)); });
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

void LoadSqlite(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Catalog& c = CatalogOf(n);
  std::string create = "create table dir (";
  std::string insert = "insert into dir values (";
  for (std::size_t i = 0; i < kCatalogFields.size(); ++i) {
    const FieldSpec& f = kCatalogFields[i];
    create += std::string(i ? ", " : "") + f.Name +
              (f.Type == ftInteger    ? " integer"
               : f.Type == ftDateTime ? " real"
                                      : " text");
    insert += i ? ", ?" : "?";
  }
  create += ")";
  insert += ")";
  Measure(state, "sqlite-insert", n, [&] {
    sqlite3* db = nullptr;
    Check(sqlite3_open(":memory:", &db), db);
    Check(sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr), db);
    Check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(db, insert.c_str(), -1, &statement, nullptr), db);
    for (const Row& row : c.Rows) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        const int at = static_cast<int>(i) + 1;
        if (const auto* v = std::get_if<Integer>(&row[i]))
          sqlite3_bind_int(statement, at, *v);
        else if (const auto* d = std::get_if<TDateTime>(&row[i]))
          sqlite3_bind_double(statement, at, *d);
        else if (const auto* s = std::get_if<std::string>(&row[i]))
          sqlite3_bind_text(statement, at, s->data(), static_cast<int>(s->size()), SQLITE_STATIC);
        else
          sqlite3_bind_null(statement, at);
      }
      Check(sqlite3_step(statement), db);
      sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    Check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
  });
}

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t rows : RowCounts(argc, argv)) {
    const auto n = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("save/ours", SaveOurs)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("save/fprintf", SavePlain)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load/ours", LoadOurs)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load/split", LoadPlain)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load/sqlite", LoadSqlite)->Arg(n)->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(
      argc, argv,
      {{"save", "save-fprintf", 2}, {"load", "load-split", 2}, {"load", "sqlite-insert", 2.5}});
}
