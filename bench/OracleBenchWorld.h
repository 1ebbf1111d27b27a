// bench/OracleBenchWorld.h
//
// The stand-in Oracle server for the database library's benchmarks: the
// stand-in client loaded as the library loads a real one, SCOTT's schema,
// one logged-on session, and tables of the same generated rows of five
// columns (number, varchar2(40), date, number(10,2), varchar2(200)).
#pragma once

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
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

namespace bench {

inline constexpr std::size_t kLoadedRows = 5000;

inline constexpr const char* kColumns =
    "(id number, title varchar2(40), released date, price number(10,2), note varchar2(200))";

inline std::string TableName(std::size_t rows) {
  return "rows" + std::to_string(rows);
}

// The same row `i` for every path: short and long texts, a date a day apart.
struct RowText {
  std::string Title, Released, Price, Note;
};
inline RowText MakeRow(std::size_t i) {
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
  // The fixture loader runs one statement per row, which takes minutes for
  // 100,000 rows: it loads the first kLoadedRows, and the rest are copies
  // of them made by the server (same texts, dates and prices again, ids
  // running on).
  void Table(std::size_t rows) {
    if (!filled_.insert(rows).second) return;
    const std::string table = TableName(rows);
    std::string script = "create table " + table + " " + kColumns + ";\n";
    const std::size_t loaded = std::min(rows, kLoadedRows);
    for (std::size_t i = 0; i < loaded; ++i) {
      const RowText r = MakeRow(i);
      script += "insert into " + table + " values (" + std::to_string(i) + ", '" + r.Title +
                "', '" + r.Released + "', " + r.Price + ", '" + r.Note + "');\n";
    }
    char error[512] = {};
    if (Control<decltype(&ZorvetStandinLoadFixture)>("ZorvetStandinLoadFixture")(
            "SCOTT", script.c_str(), error, sizeof error) != 0)
      throw Exception(String("fixture failed: ") + error);
    for (std::size_t have = loaded; have < rows; have *= 2) {
      const std::string more = std::to_string(std::min(have, rows - have));
      Session->ExecuteSessionSQL("insert into " + table + " select id + " + std::to_string(have) +
                                     ", title, released, price, note from " + table +
                                     " where id < " + more,
                                 false);
    }
    Session->Commit();
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

inline World& TheWorld() {
  static World world;
  return world;
}

inline std::string Select(std::size_t rows) {
  return "select id, title, released, price, note from " + TableName(rows);
}

// Runs the table's query through TOracleQuery with its defaults, reading
// every field of every row by index into a Variant; timed as `path`.
inline void ReadThroughQuery(benchmark::State& state, const std::string& path) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  World& world = TheWorld();
  world.Table(n);
  TOracleQuery query(nullptr);
  query.SetSession(world.Session.get());
  query.SQL()->SetText(Select(n));
  Measure(state, path, n, [&] {
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

}  // namespace bench
