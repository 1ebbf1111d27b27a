// A change's returning clause over several rows, or none: binds for data at
// execution receive each returned row through their out callback; a plain
// bind takes one row at most.
#include <array>
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

constexpr ub4 kDataAtExec = 2;
constexpr ub4 kHtypeBindCode = 5;
constexpr ub4 kAttrRowsReturned = 42;

// What the out callback of one bind received: per call its iteration and
// row index, and the value written into the memory it handed out.
struct TReceived {
  ub4 size = 0;  // of each value's buffer
  std::vector<std::pair<ub4, ub4>> calls;
  std::vector<std::array<char, 16>> buffers;
  std::vector<sb2> indicators;
  std::vector<ub4> lengths;
  ub4 rows_returned = 0;
  OCIError* error = nullptr;

  static sb4 Out(void* context, OCIBind* bind, ub4 iter, ub4 index, void** buffer, ub4** length,
                 ub1* piece, void** indicator, ub2** rcode) {
    auto* self = static_cast<TReceived*>(context);
    // The count is known from the first row of each iteration on.
    if (index == 0)
      OCIAttrGet(bind, kHtypeBindCode, &self->rows_returned, nullptr, kAttrRowsReturned,
                 self->error);
    self->calls.emplace_back(iter, index);
    // Room for every call up front: the memory must stay where it is.
    const std::size_t n = self->calls.size() - 1;
    self->lengths[n] = self->size;
    *buffer = self->buffers[n].data();
    *length = &self->lengths[n];
    *indicator = &self->indicators[n];
    *rcode = nullptr;
    *piece = 0;
    return -24200;
  }
  // The text values received, "<null>" for NULL.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < calls.size(); ++i)
      texts.push_back(indicators[i] == -1
                          ? "<null>"
                          : std::string(buffers[i].data(), strnlen(buffers[i].data(), 16)));
    return texts;
  }
};

class Returning : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table CD (ID number(9) not null, TITLE varchar2(10), primary key (ID));\n"
        "insert into CD values (1, 'Blue');\n"
        "insert into CD values (2, 'Kind');\n"
        "insert into CD values (3, 'Red');\n");
  }
  void TearDown() override {
    if (stmt_) OCIHandleFree(stmt_, kHtypeStmt);
    StandinWorld::TearDown();
  }
  void Prepare(const std::string& sql) { stmt_ = scott.NewStatement(sql); }
  // Binds `name` for data at execution, as text of up to 16 bytes.
  void BindDynamic(const char* name, TReceived& received) {
    received.size = 16;
    received.error = scott.error;
    received.buffers.resize(8);
    received.indicators.assign(8, 7);
    received.lengths.assign(8, 0);
    OCIBind* bind = nullptr;
    ASSERT_EQ(OCIBindByName(stmt_, &bind, scott.error, Text(name), -1, nullptr, 16, 5, nullptr,
                            nullptr, nullptr, 0, nullptr, kDataAtExec),
              OCI_SUCCESS)
        << scott.ErrorText();
    ASSERT_EQ(OCIBindDynamic(bind, scott.error, nullptr, nullptr, &received, TReceived::Out),
              OCI_SUCCESS)
        << scott.ErrorText();
  }
  sword Execute(ub4 iters = 1) {
    return OCIStmtExecute(scott.svc, stmt_, scott.error, iters, 0, nullptr, nullptr, 0);
  }
  OCIStmt* stmt_ = nullptr;
};

TEST_F(Returning, AnUpdateOfSeveralRowsReturnsEachRowsNewValues) {
  Prepare("update CD set TITLE = TITLE || '!' where ID >= 2 returning ID, TITLE into :I, :T");
  TReceived ids, titles;
  BindDynamic(":I", ids);
  BindDynamic(":T", titles);
  ASSERT_EQ(Execute(), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(titles.rows_returned, 2u);
  EXPECT_EQ(titles.calls, (std::vector<std::pair<ub4, ub4>>{{0, 0}, {0, 1}}));
  EXPECT_EQ(ids.Texts(), (std::vector<std::string>{"2", "3"}));
  EXPECT_EQ(titles.Texts(), (std::vector<std::string>{"Kind!", "Red!"}));
  // The length comes back where the buffer's size went in.
  EXPECT_EQ(titles.lengths[0], 5u);
}

TEST_F(Returning, ADeleteReturnsTheRowsItRemoved) {
  Prepare("delete from CD where ID <> 2 returning TITLE into :T");
  TReceived titles;
  BindDynamic(":T", titles);
  ASSERT_EQ(Execute(), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(titles.Texts(), (std::vector<std::string>{"Blue", "Red"}));
  EXPECT_EQ(scott.Rows("select ID from CD"), (TRows{{"2"}}));
}

TEST_F(Returning, EachIterationOfAnArrayChangeReturnsItsOwnRows) {
  Prepare("update CD set TITLE = 'x' where ID >= :K returning ID into :T");
  sb4 keys[2] = {3, 1};
  OCIBind* key = nullptr;
  ASSERT_EQ(OCIBindByName(stmt_, &key, scott.error, Text(":K"), -1, keys, 4, 3, nullptr, nullptr,
                          nullptr, 0, nullptr, 0),
            OCI_SUCCESS);
  TReceived ids;
  BindDynamic(":T", ids);
  ASSERT_EQ(Execute(2), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(ids.calls, (std::vector<std::pair<ub4, ub4>>{{0, 0}, {1, 0}, {1, 1}, {1, 2}}));
  EXPECT_EQ(ids.Texts(), (std::vector<std::string>{"3", "1", "2", "3"}));
  EXPECT_EQ(ids.rows_returned, 3u);
}

TEST_F(Returning, APlainBindTakesOneRowAtMost) {
  char title[16] = {};
  sb2 indicator = 7;
  const auto bind_title = [&] {
    OCIBind* bind = nullptr;
    ASSERT_EQ(OCIBindByName(stmt_, &bind, scott.error, Text(":T"), -1, title, sizeof title, 5,
                            &indicator, nullptr, nullptr, 0, nullptr, 0),
              OCI_SUCCESS);
  };
  // One row deleted: its value, read before it went.
  Prepare("delete from CD where ID = 1 returning TITLE into :T");
  bind_title();
  ASSERT_EQ(Execute(), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_STREQ(title, "Blue");
  EXPECT_EQ(indicator, 0);
  OCIHandleFree(stmt_, kHtypeStmt);
  // No row: a null value.
  Prepare("delete from CD where ID = 1 returning TITLE into :T");
  bind_title();
  ASSERT_EQ(Execute(), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(indicator, -1);
  OCIHandleFree(stmt_, kHtypeStmt);
  // Two rows do not fit, and the change is undone with the statement.
  Prepare("delete from CD returning TITLE into :T");
  bind_title();
  EXPECT_EQ(Execute(), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 1422);
  EXPECT_EQ(scott.Rows("select count(*) from CD"), (TRows{{"2"}}));
}

TEST_F(Returning, ADynamicBindWithoutDataAtExecutionIsRefused) {
  Prepare("delete from CD returning TITLE into :T");
  char title[16];
  OCIBind* bind = nullptr;
  ASSERT_EQ(OCIBindByName(stmt_, &bind, scott.error, Text(":T"), -1, title, sizeof title, 5,
                          nullptr, nullptr, nullptr, 0, nullptr, 0),
            OCI_SUCCESS);
  TReceived titles;
  EXPECT_EQ(OCIBindDynamic(bind, scott.error, nullptr, nullptr, &titles, TReceived::Out),
            OCI_ERROR);
}

}  // namespace
}  // namespace StandinTest
