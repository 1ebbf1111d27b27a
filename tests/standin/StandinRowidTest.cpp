// ROWIDs: the text a query gives, the descriptor's bytes in both layouts
// and the older data area's fields all name the same row.
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

// The extended text as a client builds it from the four numbers.
std::string Extended(std::uint32_t object, std::uint32_t file, std::uint32_t block,
                     std::uint32_t row) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (auto [value, count] : {std::pair{object, 6}, {file, 3}, {block, 6}, {row, 3}})
    for (int i = count - 1; i >= 0; --i) text += digits[(value >> (6 * i)) & 63];
  return text;
}

class Rowids : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table CD (ID number(9), TITLE varchar2(10));\n"
        "insert into CD values (1, 'Blue');\n"
        "insert into CD values (2, 'Kind');\n");
  }
  // Runs `sql` with :R bound to `rowid`; the statement stays for its
  // attributes.
  OCIStmt* Run(const std::string& sql, const std::string& rowid) {
    OCIStmt* stmt = scott.NewStatement(sql);
    OCIBind* bind = nullptr;
    OCIBindByName(stmt, &bind, scott.error, reinterpret_cast<const OraText*>(":R"), -1,
                  const_cast<char*>(rowid.c_str()), static_cast<sb4>(rowid.size() + 1), kSqltStr,
                  nullptr, nullptr, nullptr, 0, nullptr, 0);
    EXPECT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
        << sql << ": " << scott.ErrorText();
    return stmt;
  }
  static TModelServer& Model() { return dynamic_cast<TModelServer&>(StandinServer()); }
};

TEST_F(Rowids, TheTextOfARowLeadsBackToItInQueriesAndChanges) {
  const TRows rows = scott.Rows("select c.rowid, ID from CD c order by ID");
  ASSERT_EQ(rows.size(), 2u);
  const std::string second = rows[1][0];
  EXPECT_EQ(second.size(), 18u);
  EXPECT_NE(second, rows[0][0]);
  EXPECT_EQ(scott.Rows("select rowid from CD where ID = 2"), (TRows{{second}}));
  OCIStmt* check = Run("select ID from CD where rowid <> :r", second);
  OCIHandleFree(check, kHtypeStmt);
  OCIStmt* update = Run("update CD set TITLE = 'Moved' where rowid = :r", second);
  ub4 count = 0;
  OCIAttrGet(update, kHtypeStmt, &count, nullptr, 9, scott.error);
  EXPECT_EQ(count, 1u);
  OCIHandleFree(update, kHtypeStmt);
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 2"), (TRows{{"Moved"}}));
  // A describe calls it ROWID, of the ROWID type.
  OCIStmt* stmt = scott.NewStatement("select rowid from CD");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0x10),
            OCI_SUCCESS);
  void* param = nullptr;
  OCIParamGet(stmt, kHtypeStmt, scott.error, &param, 1);
  ub2 type = 0;
  OraText* name = nullptr;
  ub4 length = 0;
  OCIAttrGet(param, kDtypeParam, &type, nullptr, 2, scott.error);
  OCIAttrGet(param, kDtypeParam, &name, &length, 4, scott.error);
  EXPECT_EQ(type, kSqltRid);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), length), "ROWID");
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(Rowids, TheDescriptorGivesTheChangedRowInEitherLayout) {
  const std::string text = scott.Rows("select rowid from CD where ID = 2").at(0).at(0);
  for (const bool four_values : {false, true}) {
    Model().SetRowidFourValues(four_values);
    void* descriptor = nullptr;
    ASSERT_EQ(OCIDescriptorAlloc(scott.env, &descriptor, kDtypeRowid, 0, nullptr), OCI_SUCCESS);
    OCIStmt* stmt = scott.NewStatement("update CD set TITLE = 'x' where ID = 2");
    // Before any change there is no row to name.
    EXPECT_EQ(OCIAttrGet(stmt, kHtypeStmt, descriptor, nullptr, 19, scott.error), OCI_ERROR);
    ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS);
    ASSERT_EQ(OCIAttrGet(stmt, kHtypeStmt, descriptor, nullptr, 19, scott.error), OCI_SUCCESS);
    std::uint32_t object, file, block, row;
    if (four_values) {
      std::uint32_t values[4];
      std::memcpy(values, descriptor, sizeof values);
      object = values[0], file = values[1], block = values[2], row = values[3];
    } else {
      const auto* b = static_cast<const ub1*>(descriptor);
      object = std::uint32_t(b[1]) << 24 | b[2] << 16 | b[3] << 8 | b[4];
      file = std::uint32_t(b[5]) << 8 | b[6];
      block = std::uint32_t(b[7]) << 24 | b[8] << 16 | b[9] << 8 | b[10];
      row = std::uint32_t(b[11]) << 8 | b[12];
    }
    EXPECT_NE(object, 0u);
    EXPECT_EQ(Extended(object, file, block, row), text) << four_values;
    OCIHandleFree(stmt, kHtypeStmt);
    EXPECT_EQ(OCIDescriptorFree(descriptor, kDtypeRowid), OCI_SUCCESS);
    EXPECT_EQ(OCIDescriptorFree(descriptor, kDtypeRowid), OCI_INVALID_HANDLE);
  }
}

TEST_F(Rowids, TheOlderDataAreaNamesTheChangedRow) {
  const std::string text = scott.Rows("select rowid from CD where ID = 1").at(0).at(0);
  Lda_Def lda{};
  Cda_Def cda{};
  ub1 hda[kOciHostDataAreaSize] = {};
  char login[] = "scott/tiger";
  ASSERT_EQ(olog(&lda, hda, reinterpret_cast<OraText*>(login), -1, nullptr, -1, nullptr, -1, 0), 0);
  ASSERT_EQ(oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 0);
  char sql[] = "delete from CD where ID = 1";
  ASSERT_EQ(oparse(&cda, reinterpret_cast<OraText*>(sql), -1, 1, 2), 0);
  ASSERT_EQ(oexn(&cda, 1, 0), 0);
  EXPECT_EQ(Extended(cda.rid.rd.rcs4, cda.rid.rd.rcs5, cda.rid.rcs7, cda.rid.rcs8), text);
  orol(&lda);
  oclose(&cda);
  ologof(&lda);
}

}  // namespace
}  // namespace StandinTest
