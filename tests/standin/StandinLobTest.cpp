// LOB and file locators: written through the locator a change returns,
// read back by later queries, and BFILEs read from a folder of the test.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

class Lobs : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table DOC (ID number(4), C clob, B blob, F bfile);\n"
        "insert into DOC (ID) values (1);\n");
  }
  void TearDown() override {
    for (OCILobLocator* lob : locators_) OCIDescriptorFree(lob, kDtypeLob);
    StandinWorld::TearDown();
  }
  OCILobLocator* NewLocator(ub4 type = kDtypeLob) {
    OCILobLocator* lob = nullptr;
    EXPECT_EQ(OCIDescriptorAlloc(scott.env, reinterpret_cast<void**>(&lob), type, 0, nullptr),
              OCI_SUCCESS);
    if (type == kDtypeLob) locators_.push_back(lob);
    return lob;
  }
  // Runs `sql` with :C (and :quelt__rowid when it names it) bound; the
  // status. `rowid` receives the returned rowid text.
  sword Returning(const std::string& sql, OCILobLocator*& lob, ub2 dty, char* rowid = nullptr) {
    OCIStmt* stmt = scott.NewStatement(sql);
    OCIBind* bind = nullptr;
    sb2 ind = 0;
    OCIBindByName(stmt, &bind, scott.error, Text(":C"), 2, &lob, sizeof lob, dty, &ind, nullptr,
                  nullptr, 0, nullptr, 0);
    if (rowid)
      OCIBindByName(stmt, &bind, scott.error, Text(":quelt__rowid"), -1, rowid, 19, kSqltStr,
                    nullptr, nullptr, nullptr, 0, nullptr, 0);
    const sword status = OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0);
    OCIHandleFree(stmt, kHtypeStmt);
    return status;
  }
  sword Write(OCILobLocator* lob, const std::string& bytes, ub4 offset) {
    ub4 amount = static_cast<ub4>(bytes.size());
    return OCILobWrite(scott.svc, scott.error, lob, &amount, offset,
                       const_cast<char*>(bytes.data()), amount, 0, nullptr, nullptr, 0, 1);
  }
  std::string Read(OCILobLocator* lob, ub4 offset, ub4 amount) {
    return Read(scott, lob, offset, amount);
  }
  std::string Read(TSession& s, OCILobLocator* lob, ub4 offset, ub4 amount) {
    std::string buffer(amount, '\0');
    const sword status = OCILobRead(s.svc, s.error, lob, &amount, offset, buffer.data(), amount,
                                    nullptr, nullptr, 0, 1);
    if (status == OCI_NO_DATA) return "<no data>";
    if (status != OCI_SUCCESS) return "<error " + std::to_string(s.ErrorCode()) + ">";
    buffer.resize(amount);
    return buffer;
  }
  ub4 Length(OCILobLocator* lob) {
    ub4 length = 99;
    EXPECT_EQ(OCILobGetLength(scott.svc, scott.error, lob, &length), OCI_SUCCESS)
        << scott.ErrorText();
    return length;
  }
  // The locator a query fetches for column `column` of DOC's row `id`.
  OCILobLocator* Fetch(const char* column, ub2 dty, int id, sb2& ind, ub4 type = kDtypeLob,
                       TSession* session = nullptr) {
    TSession& s = session ? *session : scott;
    OCILobLocator* lob = NewLocator(type);
    const std::string sql =
        std::string("select ") + column + " from DOC where ID = " + std::to_string(id);
    OCIStmt* stmt = s.NewStatement(sql);
    EXPECT_EQ(OCIStmtExecute(s.svc, stmt, s.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS)
        << s.ErrorText();
    OCIDefine* define = nullptr;
    OCIDefineByPos(stmt, &define, s.error, 1, &lob, sizeof lob, dty, &ind, nullptr, nullptr, 0);
    EXPECT_EQ(OCIStmtFetch(stmt, s.error, 1, 2, 0), OCI_SUCCESS) << s.ErrorText();
    OCIHandleFree(stmt, kHtypeStmt);
    return lob;
  }
  // The CLOB of DOC's row `id` as `session` reads it ("<null>" for NULL).
  std::string Clob(int id, TSession& session) {
    sb2 ind = 0;
    OCILobLocator* lob = Fetch("C", kSqltClob, id, ind, kDtypeLob, &session);
    return ind == -1 ? "<null>" : Read(session, lob, 1, 100);
  }

  std::vector<OCILobLocator*> locators_;
};

TEST_F(Lobs, AnInsertedEmptyClobIsWrittenReadAndTrimmedThroughItsLocator) {
  OCILobLocator* lob = NewLocator();
  boolean init = 1;
  OCILobLocatorIsInit(scott.env, scott.error, lob, &init);
  EXPECT_EQ(init, 0);
  EXPECT_EQ(Read(lob, 1, 10), "<error 22275>");
  char rowid[19] = {};
  ASSERT_EQ(Returning("insert into DOC (ID, C) values (2, empty_clob()) returning rowid, C into "
                      ":quelt__rowid, :C",
                      lob, kSqltClob, rowid),
            OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(std::strlen(rowid), 18u);
  OCILobLocatorIsInit(scott.env, scott.error, lob, &init);
  EXPECT_EQ(init, 1);
  // Empty, yet not NULL.
  EXPECT_EQ(Length(lob), 0u);
  EXPECT_EQ(scott.Rows("select ID from DOC where C is not null"),
            (std::vector<std::vector<std::string>>{{"2"}}));
  ASSERT_EQ(Write(lob, "hello", 1), OCI_SUCCESS) << scott.ErrorText();
  ASSERT_EQ(Write(lob, " world", 6), OCI_SUCCESS);
  EXPECT_EQ(Length(lob), 11u);
  // Reads from an offset counted from 1, cut to the amount and the end.
  EXPECT_EQ(Read(lob, 1, 4), "hell");
  EXPECT_EQ(Read(lob, 5, 4), "o wo");
  EXPECT_EQ(Read(lob, 9, 4), "rld");
  EXPECT_EQ(Read(lob, 12, 4), "<no data>");
  EXPECT_EQ(Read(lob, 0, 4), "<error 24801>");
  ASSERT_EQ(OCILobTrim(scott.svc, scott.error, lob, 5), OCI_SUCCESS);
  EXPECT_EQ(OCILobTrim(scott.svc, scott.error, lob, 6), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 22926);
  EXPECT_EQ(Clob(2, scott), "hello");
}

TEST_F(Lobs, AWriteBeyondTheEndFillsTheGapByTheLobsType) {
  struct {
    const char* column;
    ub2 dty;
    std::string expected;
  } const cases[] = {{"C", kSqltClob, std::string("ab  z")},
                     {"B", kSqltBlob, std::string("ab\0\0z", 5)}};
  for (const auto& c : cases) {
    OCILobLocator* lob = NewLocator();
    const std::string sql = std::string("update DOC set ") + c.column + " = empty_" +
                            (c.dty == kSqltClob ? "clob" : "blob") + "() where ID = 1 returning " +
                            c.column + " into :C";
    ASSERT_EQ(Returning(sql, lob, c.dty), OCI_SUCCESS) << scott.ErrorText();
    Write(lob, "ab", 1);
    ASSERT_EQ(Write(lob, "z", 5), OCI_SUCCESS);
    EXPECT_EQ(Read(lob, 1, 10), c.expected) << c.column;
  }
}

TEST_F(Lobs, AFetchedLocatorReadsWhatItsQuerySawAndCannotBeWritten) {
  OCILobLocator* written = NewLocator();
  ASSERT_EQ(Returning("update DOC set B = empty_blob() where ID = 1 returning B into :C", written,
                      kSqltBlob),
            OCI_SUCCESS);
  Write(written, "first", 1);
  sb2 ind = 7;
  OCILobLocator* fetched = Fetch("B", kSqltBlob, 1, ind);
  EXPECT_EQ(ind, 0);
  Write(written, "later", 1);
  EXPECT_EQ(Read(fetched, 1, 10), "first");
  EXPECT_EQ(Write(fetched, "x", 1), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 22920);
  // A NULL column leaves the locator uninitialised and its indicator -1.
  OCILobLocator* null_lob = Fetch("C", kSqltClob, 1, ind);
  EXPECT_EQ(ind, -1);
  boolean init = 1;
  OCILobLocatorIsInit(scott.env, scott.error, null_lob, &init);
  EXPECT_EQ(init, 0);
}

TEST_F(Lobs, ALocatorFetchedForUpdateWritesItsRow) {
  Fixture(
      "update DOC set C = 'old text' where ID = 1;\n"
      "insert into DOC (ID, C) values (2, 'other');\n");
  OCILobLocator* lob = NewLocator();
  sb2 ind = 7;
  OCIStmt* stmt = scott.NewStatement("select C from DOC where ID = 1 for update");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, &lob, sizeof lob, kSqltClob, &ind, nullptr, nullptr,
                 0);
  ASSERT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_SUCCESS) << scott.ErrorText();
  OCIHandleFree(stmt, kHtypeStmt);
  EXPECT_EQ(ind, 0);
  EXPECT_EQ(Read(lob, 1, 20), "old text");
  ASSERT_EQ(Write(lob, "new", 1), OCI_SUCCESS) << scott.ErrorText();
  ASSERT_EQ(OCILobTrim(scott.svc, scott.error, lob, 3), OCI_SUCCESS) << scott.ErrorText();
  // The write went to the locked row, and to no other.
  EXPECT_EQ(Clob(1, scott), "new");
  EXPECT_EQ(Clob(2, scott), "other");
  TSession other;
  ASSERT_EQ(other.Logon("scott", "tiger"), OCI_SUCCESS);
  EXPECT_EQ(Clob(1, other), "old text");
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(Clob(1, other), "new");
  other.Logoff();
}

TEST_F(Lobs, AWriteLocksTheRowAndShowsOnlyAfterTheCommit) {
  OCILobLocator* lob = NewLocator();
  ASSERT_EQ(
      Returning("update DOC set C = empty_clob() where ID = 1 returning C into :C", lob, kSqltClob),
      OCI_SUCCESS);
  ASSERT_EQ(Write(lob, "mine", 1), OCI_SUCCESS);
  TSession other;
  ASSERT_EQ(other.Logon("scott", "tiger"), OCI_SUCCESS);
  EXPECT_EQ(Clob(1, other), "<null>");
  {
    // The other session's change of the row waits for the commit.
    TWaitingStatement change;
    change.Start(other, "update DOC set ID = ID where ID = 1");
    ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
    EXPECT_EQ(change.Finish(), OCI_SUCCESS) << other.ErrorText();
  }
  EXPECT_EQ(Clob(1, other), "mine");
  other.Logoff();
}

TEST_F(Lobs, ALocatorWhoseInsertWasRolledBackIsInvalid) {
  OCILobLocator* lob = NewLocator();
  ASSERT_EQ(Returning("insert into DOC (ID, C) values (3, empty_clob()) returning C into :C", lob,
                      kSqltClob),
            OCI_SUCCESS);
  ASSERT_EQ(OCITransRollback(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(Read(lob, 1, 4), "<error 22275>");
}

TEST_F(Lobs, ALocatorBoundAsAValueGivesItsContents) {
  OCILobLocator* lob = NewLocator();
  ASSERT_EQ(
      Returning("update DOC set C = empty_clob() where ID = 1 returning C into :C", lob, kSqltClob),
      OCI_SUCCESS);
  Write(lob, "copied", 1);
  ASSERT_EQ(Returning("insert into DOC (ID, C) values (5, :C)", lob, kSqltClob), OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(Clob(5, scott), "copied");
}

class Bfiles : public Lobs {
 protected:
  void SetUp() override {
    Lobs::SetUp();
    char pattern[] = "/tmp/standin-bfile-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ + "/a.txt") << "file text";
    ZorvetStandinAddDirectory("docs", folder_.c_str());
    Fixture(
        "insert into DOC (ID, F) values (2, bfilename('DOCS', 'a.txt'));\n"
        "insert into DOC (ID, F) values (3, bfilename('DOCS', 'missing.txt'));\n"
        "insert into DOC (ID, F) values (4, bfilename('DOCS', '../a.txt'));\n"
        "insert into DOC (ID, F) values (5, bfilename('NOWHERE', 'a.txt'));\n");
  }
  void TearDown() override {
    for (OCILobLocator* file : files_) OCIDescriptorFree(file, kDtypeFile);
    std::filesystem::remove_all(folder_);
    Lobs::TearDown();
  }
  OCILobLocator* FetchFile(int id) {
    sb2 ind = 0;
    files_.push_back(Fetch("F", kSqltBfile, id, ind, kDtypeFile));
    return files_.back();
  }
  std::string folder_;
  std::vector<OCILobLocator*> files_;
};

TEST_F(Bfiles, AFileIsReadOnlyWhileOpen) {
  OCILobLocator* file = FetchFile(2);
  boolean open = 1;
  ASSERT_EQ(OCILobFileIsOpen(scott.svc, scott.error, file, &open), OCI_SUCCESS);
  EXPECT_EQ(open, 0);
  EXPECT_EQ(Read(file, 1, 4), "<error 22289>");
  ASSERT_EQ(OCILobFileOpen(scott.svc, scott.error, file, 1), OCI_SUCCESS) << scott.ErrorText();
  OCILobFileIsOpen(scott.svc, scott.error, file, &open);
  EXPECT_EQ(open, 1);
  EXPECT_EQ(Length(file), 9u);
  EXPECT_EQ(Read(file, 6, 10), "text");
  EXPECT_EQ(Write(file, "x", 1), OCI_ERROR);
  char alias[10], name[10];
  ub2 alias_length = sizeof alias, name_length = sizeof name;
  ASSERT_EQ(OCILobFileGetName(scott.env, scott.error, file, Text(alias), &alias_length, Text(name),
                              &name_length),
            OCI_SUCCESS);
  EXPECT_EQ(std::string(alias, alias_length), "DOCS");
  EXPECT_EQ(std::string(name, name_length), "a.txt");
  ASSERT_EQ(OCILobFileClose(scott.svc, scott.error, file), OCI_SUCCESS);
  OCILobFileIsOpen(scott.svc, scott.error, file, &open);
  EXPECT_EQ(open, 0);
}

TEST_F(Bfiles, AMissingFileOrOneOutsideItsFolderDoesNotOpen) {
  const std::pair<int, sb4> cases[] = {{3, 22288}, {4, 22285}, {5, 22285}};
  for (const auto& [id, code] : cases) {
    OCILobLocator* file = FetchFile(id);
    EXPECT_EQ(OCILobFileOpen(scott.svc, scott.error, file, 1), OCI_ERROR) << id;
    EXPECT_EQ(scott.ErrorCode(), code) << id;
  }
}

TEST_F(Bfiles, AFileColumnNeedsAFileLocator) {
  sb2 ind = 0;
  OCILobLocator* lob = NewLocator();
  OCIStmt* stmt = scott.NewStatement("select F from DOC where ID = 2");
  OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0);
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, &lob, sizeof lob, kSqltBfile, &ind, nullptr,
                 nullptr, 0);
  EXPECT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 22275);
  OCIHandleFree(stmt, kHtypeStmt);
}

}  // namespace
}  // namespace StandinTest
