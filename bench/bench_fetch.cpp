// bench/bench_fetch.cpp
//
// Fetching is the database library's hot path: every grid and every lookup
// reads its rows through a query. This program fetches the same rows of five
// columns (number, varchar2(40), date, number(10,2), varchar2(200)) from the
// stand-in server through TOracleQuery, reading every field by index into a
// Variant, and through a plain loop on the call interface's handles (define
// by position, fetch in blocks as large as the query's read buffer). The raw
// read of the same rows from an SQLite table in memory is printed as well,
// as a floor for what any of it could cost.
#include <sqlite3.h>

#include <cstring>
#include <string>

#include "bench/CatalogTable.h"
#include "bench/OracleBenchWorld.h"

namespace {

using namespace bench;

constexpr ub4 kHtypeStmt = 4;
constexpr ub4 kNativeSyntax = 1;
constexpr ub2 kFetchNext = 2;
constexpr ub2 kTypeFloat = 4;
constexpr ub2 kTypeString = 5;
constexpr ub2 kTypeDate = 12;

// The block size the plain loop uses: the query's own read buffer.
Integer QueryReadBuffer() {
  TOracleQuery query(nullptr);
  return query.ReadBuffer();
}

void FetchOurs(benchmark::State& state) {
  ReadThroughQuery(state, "fetch-query");
}

// Buffers for one block of rows, one array per column as the call
// interface fills them.
template <std::size_t Size>
struct Column {
  explicit Column(std::size_t rows) : Data(rows * Size), Indicators(rows), Lengths(rows) {}
  std::vector<char> Data;
  std::vector<sb2> Indicators;
  std::vector<ub2> Lengths;
};

void FetchPlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  World& world = TheWorld();
  world.Table(n);
  TOracleSession& session = *world.Session;
  const std::size_t block = static_cast<std::size_t>(QueryReadBuffer());
  Column<8> id(block), price(block);
  Column<41> title(block);
  Column<7> released(block);
  Column<201> note(block);
  const std::string sql = Select(n);
  OCIError* error = session.ErrorHandle();
  auto check = [&](sword status) {
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO && status != OCI_NO_DATA)
      throw Exception("call failed: " + std::to_string(status));
    return status;
  };
  Measure(state, "fetch-plain", n, [&] {
    OCIStmt* stmt = nullptr;
    check(OracleCI::OCIHandleAlloc(session.EnvHandle(), reinterpret_cast<void**>(&stmt), kHtypeStmt,
                                   0, nullptr));
    check(OracleCI::OCIStmtPrepare(stmt, error, reinterpret_cast<const OraText*>(sql.c_str()),
                                   ub4(sql.size()), kNativeSyntax, OCI_DEFAULT));
    check(OracleCI::OCIStmtExecute(session.ServiceHandle(), stmt, error, 0, 0, nullptr, nullptr,
                                   OCI_DEFAULT));
    auto define = [&](ub4 position, auto& column, sb4 size, ub2 type) {
      OCIDefine* handle = nullptr;
      check(OracleCI::OCIDefineByPos(stmt, &handle, error, position, column.Data.data(), size, type,
                                     column.Indicators.data(), column.Lengths.data(), nullptr,
                                     OCI_DEFAULT));
    };
    define(1, id, 8, kTypeFloat);
    define(2, title, 41, kTypeString);
    define(3, released, 7, kTypeDate);
    define(4, price, 8, kTypeFloat);
    define(5, note, 201, kTypeString);
    std::size_t seen = 0;
    double sum = 0;
    std::size_t text = 0;
    sword status = OCI_SUCCESS;
    while (status != OCI_NO_DATA) {
      status = check(OracleCI::OCIStmtFetch(stmt, error, ub4(block), kFetchNext, OCI_DEFAULT));
      const std::size_t got = std::min(block, n - seen);
      for (std::size_t r = 0; r < got; ++r) {
        double value;
        std::memcpy(&value, &id.Data[r * 8], 8);
        sum += value;
        std::memcpy(&value, &price.Data[r * 8], 8);
        sum += value;
        sum += static_cast<unsigned char>(released.Data[r * 7 + 3]);
        text += std::strlen(&title.Data[r * 41]) + std::strlen(&note.Data[r * 201]);
      }
      seen += got;
      if (seen == n) break;
    }
    OracleCI::OCIHandleFree(stmt, kHtypeStmt);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(text);
    if (seen != n) state.SkipWithError("wrong row count");
  });
}

// The same rows in an SQLite table in memory, read with a prepared
// statement.
void FetchSqlite(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db, "create table t (id integer, title text, released text, price real, note text)",
               nullptr, nullptr, nullptr);
  sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "insert into t values (?, ?, ?, ?, ?)", -1, &insert, nullptr);
  for (std::size_t i = 0; i < n; ++i) {
    const RowText r = MakeRow(i);
    sqlite3_bind_int64(insert, 1, sqlite3_int64(i));
    sqlite3_bind_text(insert, 2, r.Title.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, r.Released.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert, 4, std::stod(r.Price));
    sqlite3_bind_text(insert, 5, r.Note.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
  Measure(state, "fetch-sqlite", n, [&] {
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "select id, title, released, price, note from t", -1, &select, nullptr);
    std::size_t seen = 0, text = 0;
    double sum = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
      sum += double(sqlite3_column_int64(select, 0)) + sqlite3_column_double(select, 3);
      text += std::strlen(reinterpret_cast<const char*>(sqlite3_column_text(select, 1))) +
              std::strlen(reinterpret_cast<const char*>(sqlite3_column_text(select, 2))) +
              std::strlen(reinterpret_cast<const char*>(sqlite3_column_text(select, 4)));
      ++seen;
    }
    sqlite3_finalize(select);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(text);
    if (seen != n) state.SkipWithError("wrong row count");
  });
  sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t rows : RowCounts(argc, argv)) {
    const auto n = static_cast<int64_t>(rows);
    benchmark::RegisterBenchmark("fetch/query", FetchOurs)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("fetch/plain", FetchPlain)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("fetch/sqlite", FetchSqlite)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv,
                      {{"fetch-query", "fetch-plain", 2}, {"fetch-query", "fetch-sqlite", 99}});
}
