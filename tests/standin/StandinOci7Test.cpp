// The older generation: logon and cursor data areas over the same model.
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

class Oci7 : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture("create table T (ID number(4), NAME varchar2(8));\ninsert into T values (1, 'one');\n");
    ASSERT_EQ(olog(&lda, hda, Text("scott/tiger@ORCL"), -1, nullptr, -1, nullptr, -1, 0), 0);
    ASSERT_EQ(oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 0);
  }
  void TearDown() override {
    oclose(&cda);
    ologof(&lda);
    StandinWorld::TearDown();
  }
  Lda_Def lda{};
  Cda_Def cda{};
  ub1 hda[kOciHostDataAreaSize] = {};
};

TEST_F(Oci7, AWrongPasswordSetsTheReturnCodeAndItsMessage) {
  Lda_Def other{};
  EXPECT_EQ(orlon(&other, hda, Text("scott"), -1, Text("lion"), -1, 0), 1017);
  EXPECT_EQ(other.rc, 1017);
  char text[100];
  oerhms(&other, 1017, reinterpret_cast<OraText*>(text), sizeof text);
  EXPECT_STREQ(text, "ORA-01017: invalid username/password; logon denied\n");
}

TEST_F(Oci7, ConstraintErrorsHaveTheirMessagesBeforeAnyStatementRaisedThem) {
  char text[100];
  oerhms(&lda, 2291, reinterpret_cast<OraText*>(text), sizeof text);
  EXPECT_STREQ(text, "ORA-02291: integrity constraint (.) violated - parent key not found");
  oerhms(&lda, 4321, reinterpret_cast<OraText*>(text), sizeof text);
  EXPECT_STREQ(text, "ORA-4321: message not found");
}

TEST_F(Oci7, ParseBindExecuteAndFetchThroughTheCursorArea) {
  ASSERT_EQ(oparse(&cda, Text("insert into T values (:id, :name)"), -1, 1, 2), 0);
  EXPECT_EQ(cda.fc, 3);
  sb4 ids[2] = {2, 3};
  char names[2][8] = {"two", "three"};
  ASSERT_EQ(obndra(&cda, Text(":id"), -1, reinterpret_cast<ub1*>(ids), 4, 3, -1, nullptr, nullptr,
                   nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  EXPECT_EQ(obndra(&cda, Text(":other"), -1, reinterpret_cast<ub1*>(ids), 4, 3, -1, nullptr,
                   nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            1036);
  obndra(&cda, Text(":name"), -1, reinterpret_cast<ub1*>(names), 8, 5, -1, nullptr, nullptr,
         nullptr, 0, nullptr, nullptr, -1, -1);
  ASSERT_EQ(oexn(&cda, 2, 0), 0);
  EXPECT_EQ(cda.rpc, 2u);

  ASSERT_EQ(oparse(&cda, Text("select ID, NAME from T order by ID"), -1, 1, 2), 0);
  EXPECT_EQ(cda.fc, 4);
  sb4 dbsize = 0;
  sb2 dbtype = 0, prec = 0, scale = 0, nullok = 0;
  sb1 name[10];
  sb4 name_length = sizeof name;
  ASSERT_EQ(odescr(&cda, 2, &dbsize, &dbtype, name, &name_length, nullptr, &prec, &scale, &nullok),
            0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), name_length), "NAME");
  EXPECT_EQ(dbtype, 1);
  EXPECT_EQ(dbsize, 8);
  EXPECT_EQ(odescr(&cda, 3, &dbsize, &dbtype, name, &name_length, nullptr, &prec, &scale, &nullok),
            1007);
  sb4 id[2] = {};
  char text[2][9] = {};
  odefin(&cda, 1, reinterpret_cast<ub1*>(id), 4, 3, -1, nullptr, nullptr, -1, -1, nullptr, nullptr);
  odefin(&cda, 2, reinterpret_cast<ub1*>(text), 9, 5, -1, nullptr, nullptr, -1, -1, nullptr,
         nullptr);
  ASSERT_EQ(oexfet(&cda, 2, 0, 0), 0);
  EXPECT_EQ(id[1], 2);
  EXPECT_STREQ(text[1], "two");
  EXPECT_EQ(ofen(&cda, 2), 1403);  // one row left
  EXPECT_EQ(cda.rpc, 3u);
  EXPECT_EQ(id[0], 3);
}

TEST_F(Oci7, AutocommitAndRollbackFollowTheLogonArea) {
  ASSERT_EQ(oparse(&cda, Text("delete from T"), -1, 1, 2), 0);
  ASSERT_EQ(oexec(&cda), 0);
  EXPECT_EQ(scott.Rows("select count(*) from T"), (std::vector<std::vector<std::string>>{{"1"}}));
  ASSERT_EQ(orol(&lda), 0);
  ASSERT_EQ(ocon(&lda), 0);
  ASSERT_EQ(oexec(&cda), 0);
  EXPECT_EQ(scott.Rows("select count(*) from T"), (std::vector<std::vector<std::string>>{{"0"}}));
  EXPECT_EQ(obreak(&lda), 0);
  Lda_Def never{};
  EXPECT_EQ(ocom(&never), 1012);
}

}  // namespace
}  // namespace StandinTest

namespace StandinTest {
namespace {

TEST_F(Oci7, ALongColumnIsReadOnFromAnOffset) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += static_cast<char>('a' + i % 26);
  Fixture("create table NOTES (ID number(4), BODY long);\ninsert into NOTES values (1, '" + text +
          "');\n");
  ub1 piece[4000];
  ub4 got = 0;
  ASSERT_EQ(oparse(&cda, Text("select ID, BODY from NOTES"), -1, 1, 2), 0);
  // Before a fetch there is no row to read from.
  EXPECT_EQ(oflng(&cda, 2, piece, sizeof piece, 8, &got, 0), 1002);
  ub1 first[2000];
  ub2 length = 0;
  sb2 indicator = 0;
  ASSERT_EQ(
      odefin(&cda, 2, first, sizeof first, 8, -1, &indicator, nullptr, -1, -1, &length, nullptr),
      0);
  ASSERT_EQ(oexfet(&cda, 1, 0, 0), 0);
  EXPECT_EQ(length, 2000);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(first), 2000), text.substr(0, 2000));
  struct TCase {
    sb4 offset;
    std::size_t expected;
  } cases[] = {{2000, 3000}, {0, 4000}, {4999, 1}, {6000, 0}};
  for (const TCase& c : cases) {
    got = 99;
    ASSERT_EQ(oflng(&cda, 2, piece, sizeof piece, 8, &got, c.offset), 0) << c.offset;
    EXPECT_EQ(got, c.expected) << c.offset;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(piece), got),
              text.substr(std::min<std::size_t>(c.offset, text.size()), c.expected));
    EXPECT_EQ(cda.rpc, 1u);
  }
  EXPECT_EQ(oflng(&cda, 1, piece, sizeof piece, 8, &got, 0), 932);
  EXPECT_EQ(oflng(&cda, 3, piece, sizeof piece, 8, &got, 0), 1007);
}

}  // namespace
}  // namespace StandinTest
