// oracle/standin/StandinHandles.h
//
// What the stand-in client hands out as handles and descriptors. A caller
// only ever sees the address; the model keeps every live one in a set and
// checks the address and its type on each call, as a client does, so that a
// test which passes a freed or wrong handle fails instead of reading junk.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "oracle/OciConstants.h"
#include "oracle/OciTypes.h"
#include "oracle/standin/StandinValue.h"

struct sqlite3_stmt;

namespace Standin {

class TConnection;

struct THandle {
  explicit THandle(ub4 t) : type(t) {}
  virtual ~THandle() = default;
  ub4 type;
  // What a describe handle hands out lives as long as that handle.
  const THandle* owner = nullptr;
};

// What the object calls hand out beside handles: references and pinned
// type descriptors, checked like handles.
constexpr ub4 kObjRef = 0x10001;
constexpr ub4 kObjTypeDescriptor = 0x10002;
constexpr ub4 kObjString = 0x10003;

struct TSessionHandle;

struct TRefObject : THandle {
  TRefObject() : THandle(kObjRef) {}
  std::string type;  // the type it refers to, "SCHEMA.NAME"; empty: null
  // A reference to a row of an object table: the table and the row's
  // rowid text, and the session that fetched it, whose transaction a pin
  // reads the row in. A reference to a type has no table.
  std::string table, row;
  TSessionHandle* session = nullptr;
};

// The text of a VARCHAR2, CHAR or RAW attribute of an instance.
struct TStringObject : THandle {
  TStringObject() : THandle(kObjString) {}
  std::string text;
};

// An object bind or define: the caller's arrays of instance pointers and of
// indicator-struct pointers, one per row, and the type it was given.
struct TObjectSpec {
  bool on = false;
  std::string type;  // "SCHEMA.NAME"; empty for a REF
  void** instances = nullptr;
  void** indicators = nullptr;
  void** InstanceAt(ub4 row) const { return instances + row; }
  void** IndicatorAt(ub4 row) const { return indicators ? indicators + row : nullptr; }
};

struct TTypeDescriptor : THandle {
  TTypeDescriptor() : THandle(kObjTypeDescriptor) {}
  std::string type;
  int pins = 0;
};

struct TErrorHandle : THandle {
  TErrorHandle() : THandle(kHtypeError) {}
  sb4 code = 0;
  std::string text;
};

struct TEnvHandle : THandle {
  TEnvHandle() : THandle(kHtypeEnv) {}
  ub4 mode = 0;
};

struct TServerHandle : THandle {
  TServerHandle() : THandle(kHtypeServer) {}
  bool attached = false;
  std::string dblink;
};

struct TSessionHandle : THandle {
  TSessionHandle() : THandle(kHtypeSession) {}
  std::string username, password;
  // The schema of a begun session; its connection holds its transaction.
  std::string user;
  std::unique_ptr<TConnection> connection;
};

struct TSvcCtxHandle : THandle {
  TSvcCtxHandle() : THandle(kHtypeSvcCtx) {}
  TEnvHandle* env = nullptr;
  TServerHandle* server = nullptr;
  TSessionHandle* session = nullptr;
};

// One bind or define: the caller's arrays and how far apart their elements
// lie.
struct TBufferSpec {
  void* value = nullptr;
  sb4 size = 0;
  ub2 dty = 0;
  sb2* ind = nullptr;
  ub2* len = nullptr;
  ub2* rcode = nullptr;
  ub4 value_skip = 0, ind_skip = sizeof(sb2), len_skip = sizeof(ub2), rcode_skip = sizeof(ub2);

  void* ValueAt(ub4 row) const { return static_cast<char*>(value) + std::size_t(row) * value_skip; }
  sb2* IndAt(ub4 row) const {
    return ind ? reinterpret_cast<sb2*>(reinterpret_cast<char*>(ind) + std::size_t(row) * ind_skip)
               : nullptr;
  }
  ub2* LenAt(ub4 row) const {
    return len ? reinterpret_cast<ub2*>(reinterpret_cast<char*>(len) + std::size_t(row) * len_skip)
               : nullptr;
  }
  ub2* RcodeAt(ub4 row) const {
    return rcode ? reinterpret_cast<ub2*>(reinterpret_cast<char*>(rcode) +
                                          std::size_t(row) * rcode_skip)
                 : nullptr;
  }
};

struct TStmtHandle;

struct TBindHandle : THandle {
  TBindHandle() : THandle(kHtypeBind) {}
  TStmtHandle* stmt = nullptr;
  std::string name;  // upper case, without the colon
  TBufferSpec buffer;
  // A PL/SQL table: its capacity and the caller's count of elements in it,
  // read before and written after the block.
  ub4 max_elements = 0;
  ub4* current_elements = nullptr;
  TObjectSpec object;
  // Bound for data at execution: a returning clause's values go to the
  // memory the out callback hands out, one call per returned row.
  bool dynamic = false;
  void* out_context = nullptr;
  OCICallbackOutBind out_callback = nullptr;
  ub4 rows_returned = 0;
  bool IsTable() const { return max_elements > 0; }
  ub4 Elements() const {
    return current_elements ? std::min(*current_elements, max_elements) : max_elements;
  }
};

struct TDefineHandle : THandle {
  TDefineHandle() : THandle(kHtypeDefine) {}
  TStmtHandle* stmt = nullptr;
  ub4 position = 0;
  TBufferSpec buffer;
  // A dynamic define: the callback hands out the memory of each piece.
  bool dynamic = false;
  void* context = nullptr;
  OCICallbackDefine callback = nullptr;
  TObjectSpec object;
};

// A LOB locator (type 50) or a file locator (56). A locator the model hands
// back from a change's returning clause, or fetches from a row its select
// for update locked, stands for its row: reads and writes go to the row in
// the session's transaction. Any other fetched one holds the value as the
// query read it, as Oracle's read consistency gives it.
struct TLobHandle : THandle {
  explicit TLobHandle(ub4 t) : THandle(t) {}
  bool initialised = false;
  ub2 lob_type = 0;  // 112, 113 or 114 once initialised
  std::string table, column;
  std::int64_t rowid = 0;  // 0: not bound to a row
  std::string value;       // a fetched value
  // A BFILE: its directory alias and file name, and whether it is open.
  std::string directory, file;
  bool open = false;
  // With buffering on, what is written waits in the client's buffer, which
  // reads see too, until a flush stores it.
  bool buffering = false;
  std::optional<std::string> buffer;
};

struct TParamHandle : THandle {
  TParamHandle() : THandle(kDtypeParam) {}
  TColumnType column;
  // A describe's parameter: a type, its attribute list or one attribute.
  enum class TKind { Column, Type, List, Attribute, Element } kind = TKind::Column;
  std::string type;
  std::size_t attribute = 0;
};

struct TDescribeHandle : THandle {
  TDescribeHandle() : THandle(kHtypeDescribe) {}
  THandle* param = nullptr;
};

struct TStmtHandle : THandle {
  TStmtHandle() : THandle(kHtypeStmt) {}
  ~TStmtHandle() override;
  TEnvHandle* env = nullptr;
  TSessionHandle* session = nullptr;  // of the last execution
  std::string text;
  ub2 stmt_type = 0;
  ub2 function_code = 0;
  ub2 parse_error_offset = 0;
  ub4 row_count = 0;
  ub4 prefetch_rows = 1, prefetch_memory = 0;
  // Bind names in order of first appearance, upper case.
  std::vector<std::string> placeholders;
  std::vector<std::unique_ptr<TBindHandle>> binds;
  std::vector<std::unique_ptr<TDefineHandle>> defines;
  std::vector<std::unique_ptr<TParamHandle>> params;
  // The current query.
  std::vector<TColumnType> columns;
  sqlite3_stmt* query = nullptr;
  bool has_row = false;  // the query stands on a row not yet fetched
  // Rows a rule answered with, in place of the query's.
  bool answered = false;
  std::vector<std::vector<TValue>> rule_rows;
  std::size_t rule_next = 0;
  // The row the last fetch left the caller on, every column.
  std::vector<TValue> fetched_row;
  // The row the last change touched last, or a select for update's row
  // fetched last; 0 for none.
  std::int64_t last_rowid = 0;
  // The select list's REF(t) and VALUE(t) columns by position.
  std::vector<std::pair<std::size_t, TColumnType>> object_columns;
  // The rows a select for update chose, in its order, and the table
  // (as SQLite names it) they are rows of.
  std::vector<std::int64_t> selected_rowids;
  std::string selected_table;

  TBindHandle* Bind(const std::string& name) const {
    for (const auto& bind : binds)
      if (bind->name == name) return bind.get();
    return nullptr;
  }
};

}  // namespace Standin
