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
#include <dlfcn.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "bench/CatalogTable.h"
#include "oracle/OracleCI.h"
#include "oracle/OracleQuery.h"
#include "oracle/OracleSession.h"
#include "oracle/OracleSessionPool.h"
#include "oracle/standin/StandinControl.h"

namespace {

using namespace bench;

constexpr ub4 kHtypeStmt = 4;
constexpr ub4 kNativeSyntax = 1;
constexpr ub2 kFetchNext = 2;
constexpr ub2 kTypeFloat = 4;
constexpr ub2 kTypeString = 5;
constexpr ub2 kTypeDate = 12;

const char* const kColumns =
    "(id number, title varchar2(40), released date, price number(10,2), note varchar2(200))";

std::string TableName(std::size_t rows) {
  return "rows" + std::to_string(rows);
}

// The same row `i` for every path: short and long texts, a date a day apart.
struct RowText {
  std::string Title, Released, Price, Note;
};
RowText MakeRow(std::size_t i) {
  RowText r;
  r.Title = "Title " + std::to_string(i % 9973) + " of the catalogue";
  const int day = int(i % 28) + 1, month = int(i / 28 % 12) + 1, year = 1960 + int(i / 336 % 60);
  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d 12:30:00", year, month, day);
  r.Released = date;
  r.Price = std::to_string(i % 5000) + "." + std::to_string(10 + i % 90);
  r.Note = std::string(40 + i % 150, char('a' + i % 26));
  return r;
}

// The stand-in client loaded as the library loads a real one, its server
// model reset with SCOTT's schema, and one logged-on session.
class World {
 public:
  World() {
    root_ =
        std::filesystem::temp_directory_path() / ("zorvet-bench-fetch-" + std::to_string(getpid()));
    std::filesystem::create_directories(root_);
    // The library's preferences live in a registry under the configuration
    // folder: keep them out of the user's own.
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    const std::string client = std::string(ZORVET_STANDIN_DIR) + "/standin_client_mts.so";
    OracleCI::InitializeUnit();
    OracleCI::OCIDLL = client;
    OracleCI::OraMtsDll = client;
    OracleCI::InitOci();
    handle_ = dlopen(client.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle_) throw Exception("stand-in client not loaded");
    Control<decltype(&ZorvetStandinReset)>("ZorvetStandinReset")();
    Control<decltype(&ZorvetStandinAddUser)>("ZorvetStandinAddUser")("SCOTT", "TIGER", 0);
    Oracle::InitializeSessionUnit();
    Session = std::make_unique<TOracleSession>(nullptr);
    Session->SetLogonUsername("scott");
    Session->SetLogonPassword("tiger");
    Session->SetLogonDatabase("orcl");
    Session->LogOn();
  }
  ~World() {
    Session.reset();
    Oracle::FinalizeSessionUnit();
    if (handle_) dlclose(handle_);
    OracleCI::UnloadOci();
    OracleCI::FinalizeUnit();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Creates and fills the table of `rows` rows once.
  void Table(std::size_t rows) {
    if (!filled_.insert(rows).second) return;
    std::string script = "create table " + TableName(rows) + " " + kColumns + ";\n";
    for (std::size_t i = 0; i < rows; ++i) {
      const RowText r = MakeRow(i);
      script += "insert into " + TableName(rows) + " values (" + std::to_string(i) + ", '" +
                r.Title + "', '" + r.Released + "', " + r.Price + ", '" + r.Note + "');\n";
    }
    char error[512] = {};
    if (Control<decltype(&ZorvetStandinLoadFixture)>("ZorvetStandinLoadFixture")(
            "SCOTT", script.c_str(), error, sizeof error) != 0)
      throw Exception(String("fixture failed: ") + error);
  }

  std::unique_ptr<TOracleSession> Session;

 private:
  template <class F>
  F Control(const char* name) {
    auto function = reinterpret_cast<F>(dlsym(handle_, name));
    if (!function) throw Exception(String("stand-in lacks ") + name);
    return function;
  }

  std::filesystem::path root_;
  void* handle_ = nullptr;
  std::set<std::size_t> filled_;
};

World& TheWorld() {
  static World world;
  return world;
}

std::string Select(std::size_t rows) {
  return "select id, title, released, price, note from " + TableName(rows);
}

// The block size the plain loop uses: the query's own read buffer.
Integer QueryReadBuffer() {
  TOracleQuery query(nullptr);
  return query.ReadBuffer();
}

void FetchOurs(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  World& world = TheWorld();
  world.Table(n);
  TOracleQuery query(nullptr);
  query.SetSession(world.Session.get());
  query.SQL()->SetText(Select(n));
  Measure(state, "fetch-query", n, [&] {
    std::size_t seen = 0;
    for (query.Execute(); !query.Eof(); query.Next()) {
      for (Integer field = 0; field < 5; ++field) {
        Variant value = query.Field(field);
        benchmark::DoNotOptimize(value);
      }
      ++seen;
    }
    if (seen != n) state.SkipWithError("wrong row count");
  });
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
