// LOB locators on the stand-in server: CLOB and BLOB values written and
// read as streams through the locator a change returns, BFILEs read from a
// folder of the test, and the locator's life with its session.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "LobTestSupport.h"

namespace {

using namespace Oracle;

INSTANTIATE_TEST_SUITE_P(Generations, LobWorld, ::testing::Values(false), HandleGeneration);

TEST_P(LobWorld, ALocatorNeedsAConnectedSessionOfTheHandleGenerationAndALobType) {
  auto unconnected = Scott();
  auto older = Scott(true);
  older->LogOn();
  const struct {
    TOracleSession* session;
    Integer type;
    const char* message;
  } cases[] = {
      {nullptr, otCLOB, "A TLOBLocator instance requires a session"},
      {unconnected.get(), otBLOB, "A TLOBLocator instance requires a connected session"},
      {older.get(), otCLOB, "A TLOBLocator instance requires OCI8 mode, but OCI7 mode is used."},
      {session_.get(), otString, "Type must be otCLOB, otBLOB or otBFile"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MessageOf([&] { TLOBLocator lob(c.session, c.type); }), c.message) << c.message;
}

TEST_P(LobWorld, ANewLocatorIsNullAndReadsNothing) {
  TLOBLocator lob(session_.get(), otCLOB);
  char buffer[8];
  EXPECT_TRUE(lob.IsNull());
  EXPECT_EQ(lob.Read(buffer, sizeof buffer), 0);
  EXPECT_EQ(lob.Size(), 0);
  EXPECT_EQ(lob.Seek(0, soFromEnd), 0);
  EXPECT_EQ(lob.AsString(5), "");
  EXPECT_FALSE(lob.FileIsOpen());
}

TEST_P(LobWorld, ValuesGoInAndOutInChunksAcrossTheCopyBuffer) {
  for (const Integer type : {otCLOB, otBLOB}) {
    SCOPED_TRACE(type);
    auto lob = NewRow(type, 10 + type);
    ASSERT_FALSE(lob->IsNull());
    EXPECT_EQ(lob->Size(), 0);
    // Larger than two of the copy's 64 KiB chunks, and not a multiple.
    const String bytes = Pattern(150001, type == otBLOB);
    TStringStream source(bytes);
    EXPECT_EQ(lob->CopyFrom(&source, 0), Int64(bytes.size()));
    EXPECT_EQ(lob->Position(), Int64(bytes.size()));
    EXPECT_EQ(lob->Size(), Int64(bytes.size()));
    EXPECT_EQ(lob->Seek(0, soFromEnd), Int64(bytes.size()));
    lob->SetPosition(0);
    EXPECT_EQ(ReadAll(*lob, 40000), bytes);
    lob->Seek(-7, soFromEnd);
    EXPECT_EQ(ReadAll(*lob, 3), bytes.substr(bytes.size() - 7));
    // A write in the middle replaces, and moves on by what it wrote.
    lob->SetPosition(65535);
    Write(*lob, "XYZ");
    EXPECT_EQ(lob->Position(), 65538);
    String changed = bytes;
    changed.replace(65535, 3, "XYZ");
    EXPECT_EQ(Stored(type, 10 + type), changed);
  }
}

TEST_P(LobWorld, SetSizeTrimsOrPadsByTheLobsType) {
  const struct {
    Integer type;
    String padded;
  } cases[] = {{otCLOB, String("hello!  ")}, {otBLOB, String("hello!\0\0", 8)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    auto lob = NewRow(c.type, 20 + c.type);
    Write(*lob, "hello world");
    lob->SetSize(5);
    EXPECT_EQ(lob->Size(), 5);
    // The position came back to the end, so that the next write leaves
    // no gap.
    EXPECT_EQ(lob->Position(), 5);
    Write(*lob, "!");
    lob->SetPosition(2);
    lob->SetSize(8);
    EXPECT_EQ(lob->Position(), 2);
    EXPECT_EQ(lob->Size(), 8);
    EXPECT_EQ(Stored(c.type, 20 + c.type), c.padded);
    lob->SetSize(8);
    EXPECT_EQ(lob->Size(), 8);
  }
}

TEST_P(LobWorld, AClobCountsItsSingleByteCharactersAndGivesCrLfLineBreaks) {
  auto lob = NewRow(otCLOB, 30);
  Write(*lob, "a\nb\r\nc");
  EXPECT_EQ(lob->Size(), 6);
  EXPECT_EQ(lob->AsString(3), "a\r\nb");
  EXPECT_EQ(lob->AsString(6), "a\r\nb\r\nc");
  // Asking for more than there is gives what there is.
  EXPECT_EQ(lob->AsString(100), "a\r\nb\r\nc");
  session_->Preferences()->SetConvertCRLF(false);
  EXPECT_EQ(lob->AsString(6), "a\nb\r\nc");
}

TEST_P(LobWorld, ClearLeavesTheValueOnTheServerAndTheLocatorNull) {
  auto lob = NewRow(otCLOB, 40);
  Write(*lob, "kept");
  lob->Clear();
  EXPECT_TRUE(lob->IsNull());
  EXPECT_EQ(lob->Position(), 0);
  EXPECT_EQ(lob->Size(), 0);
  EXPECT_EQ(Stored(otCLOB, 40), "kept");
}

TEST_P(LobWorld, ALogoffEmptiesTheLocatorUntilTheSessionIsBack) {
  auto lob = NewRow(otCLOB, 50);
  Write(*lob, "before");
  session_->LogOff();
  EXPECT_TRUE(lob->IsNull());
  char buffer[4];
  EXPECT_EQ(lob->Read(buffer, sizeof buffer), 0);
  EXPECT_EQ(MessageOf([&] { Write(*lob, "x"); }),
            "A TLOBLocator instance requires a connected session");
  session_->LogOn();
  EXPECT_TRUE(lob->IsNull());
  TOracleQuery update(nullptr);
  update.SetSession(session_.get());
  update.SQL()->SetText("update docs set c = empty_clob() where id = 50 returning c into :lob");
  update.DeclareVariable("lob", otCLOB);
  update.SetComplexVariable("lob", lob.get());
  update.Execute();
  Write(*lob, "after");
  EXPECT_EQ(Stored(otCLOB, 50), "after");
}

TEST_P(LobWorld, AWrittenLocatorBoundAsAValueCopiesIt) {
  auto lob = NewRow(otBLOB, 60);
  Write(*lob, String("\0\1\2", 3));
  Text("insert into docs (id, b) values (61, :lob)");
  query_->DeclareVariable("lob", otBLOB);
  query_->SetComplexVariable("lob", lob.get());
  query_->Execute();
  EXPECT_EQ(Stored(otBLOB, 61), String("\0\1\2", 3));
  // The unchanged statement runs again without a new bind.
  query_->Execute();
  EXPECT_EQ(query_->GetVariable("lob").AsInteger(), lob->ObjectId());
}

TEST_P(LobWorld, AVariableTheStatementLeftNullMakesItsLocatorNull) {
  auto lob = NewRow(otCLOB, 65);
  Write(*lob, "was here");
  Rule("begin :lob := null; end;\\s*", "out LOB \\N\n", true);
  Text("begin :lob := null; end;");
  query_->DeclareVariable("lob", otCLOB);
  query_->SetComplexVariable("lob", lob.get());
  query_->Execute();
  EXPECT_TRUE(lob->IsNull());
  EXPECT_EQ(lob->Size(), 0);
  // The value it stood for is still there.
  EXPECT_EQ(Stored(otCLOB, 65), "was here");
}

TEST_P(LobWorld, ALobVariableTakesOnlyALiveLocatorOfItsSession) {
  Text("insert into docs (id, c) values (70, :lob)");
  query_->DeclareVariable("lob", otCLOB);
  EXPECT_EQ(MessageOf([&] { query_->SetComplexVariable("lob", query_.get()); }),
            "Assign TLOBLocator instance to variable :LOB");
  query_->SetComplexVariable("lob", nullptr);
  EXPECT_EQ(MessageOf([&] { query_->Execute(); }), "LOB variable :LOB cannot be nil");
  {
    TLOBLocator gone(session_.get(), otCLOB);
    query_->SetComplexVariable("lob", &gone);
  }
  // The freed locator's id now stands for a query: it must not be taken
  // for a locator.
  std::vector<std::unique_ptr<TOracleQuery>> others;
  for (int i = 0; i < 3; ++i) others.push_back(std::make_unique<TOracleQuery>(nullptr));
  for (const auto& other : others) other->ObjectId();
  EXPECT_EQ(MessageOf([&] { query_->Execute(); }),
            "LOB variable :LOB holds no LOB locator of the session");
}

TEST_P(LobWorld, AnObjectsAttributeGetsItsLobMadeAndHearsOfChanges) {
  TLOBLocator lob(session_.get(), otBLOB);
  OCILobLocator* slot = nullptr;
  sb2 indicator = 0;
  int changes = 0;
  lob.AttachToObject(&slot, &indicator, [&] { ++changes; });
  // The attribute's LOB is made on first sight, and holds no value yet.
  EXPECT_TRUE(lob.IsNull());
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(lob.DescriptorAddress(), &slot);
  indicator = 0;
  lob.Clear();
  EXPECT_NE(slot, nullptr);
  EXPECT_TRUE(lob.IsNull());
  EXPECT_EQ(indicator, -1);
  EXPECT_EQ(changes, 1);
}

// Text of the tests' BFILEs, in a folder named by the directory alias DOCS.
TEST_P(LobWorld, BufferedWritesReachTheServerOnlyWhenFlushed) {
  for (const Integer type : {otCLOB, otBLOB}) {
    SCOPED_TRACE(type);
    const int id = type == otCLOB ? 10 : 11;
    std::unique_ptr<TLOBLocator> lob = NewRow(type, id);
    lob->SetBuffering(true);
    EXPECT_TRUE(lob->Buffering());
    lob->FlushBuffer();  // nothing written: nothing to flush
    Write(*lob, "held back");
    // The locator reads what it holds; the row still has the old value.
    EXPECT_EQ(lob->Size(), 9);
    EXPECT_EQ(lob->AsString(20), "held back");
    EXPECT_EQ(Stored(type, id), "<empty>");
    lob->FlushBuffer();
    EXPECT_EQ(Stored(type, id), "held back");
    // Switched off, and gone: what was written last is not lost either way.
    Write(*lob, " more");
    lob->SetBuffering(false);
    EXPECT_FALSE(lob->Buffering());
    EXPECT_EQ(Stored(type, id), "held back more");
    lob->SetBuffering(true);
    lob->Seek(0, soFromBeginning);
    Write(*lob, "H");
    lob.reset();
    EXPECT_EQ(Stored(type, id), "Held back more");
  }
}

TEST_P(LobWorld, AQueryLocatorFlushesItsRowBeforeMovingOn) {
  TOracleQuery select(nullptr);
  select.SetSession(session_.get());
  select.SQL()->SetText("select c from docs where id in (1, 2) order by id for update");
  select.Execute();
  TLOBLocator* lob = select.LOBField(0);
  lob->SetBuffering(true);
  Write(*lob, "FIRST");
  select.Next();
  // The next row's value is not buffered until asked.
  EXPECT_FALSE(lob->Buffering());
  EXPECT_EQ(Stored(otCLOB, 1), "FIRST text");
  Write(*lob, "second");
  EXPECT_EQ(Stored(otCLOB, 2), "second");
  // A BFILE has no buffer to switch on.
  TLOBLocator file(session_.get(), otBFile);
  file.SetBuffering(true);
  EXPECT_FALSE(file.Buffering());
}

class Bfiles : public LobWorld {
 protected:
  void SetUp() override {
    LobWorld::SetUp();
    char pattern[] = "/tmp/zorvet-bfile-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ + "/a.txt") << "file a text";
    std::ofstream(folder_ + "/b.txt") << "file b";
    Control<decltype(&ZorvetStandinAddDirectory)>("ZorvetStandinAddDirectory")("DOCS",
                                                                               folder_.c_str());
    Fixture(
        "insert into docs (id, f) values (80, bfilename('DOCS', 'a.txt'));\n"
        "insert into docs (id, f) values (81, bfilename('DOCS', 'b.txt'));\n");
  }
  void TearDown() override {
    LobWorld::TearDown();
    std::filesystem::remove_all(folder_);
  }
  bool Open(OCILobLocator* file) {
    boolean open = 0;
    EXPECT_EQ(
        OracleCI::OCILobFileIsOpen(session_->ServiceHandle(), session_->ErrorHandle(), file, &open),
        OCI_SUCCESS);
    return open != 0;
  }

  std::string folder_;
};

INSTANTIATE_TEST_SUITE_P(Generations, Bfiles, ::testing::Values(false), HandleGeneration);

TEST_P(Bfiles, AFileOpensOnTheFirstReadAndClosesOnRequest) {
  Text("select f from docs where id = 80");
  query_->Execute();
  TLOBLocator* file = query_->LOBField(0);
  EXPECT_EQ(file->FieldName, "F");
  EXPECT_FALSE(file->FileIsOpen());
  EXPECT_EQ(file->Size(), 11);
  EXPECT_EQ(file->AsString(4), "file");
  EXPECT_TRUE(file->FileIsOpen());
  EXPECT_EQ(ReadAll(*file, 3), " a text");
  // A file's value is its bytes, read from the start.
  const Variant value = query_->Field(0);
  EXPECT_EQ(VarArrayHighBound(value, 1) - VarArrayLowBound(value, 1) + 1, 11);
  file->CloseFile();
  EXPECT_FALSE(file->FileIsOpen());
  file->OpenFile();
  EXPECT_TRUE(file->FileIsOpen());
  try {
    Write(*file, "x");
    ADD_FAILURE() << "a file was written";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 22286);
  }
}

TEST_P(Bfiles, MovingOnClosesTheFileThePreviousRowOpened) {
  Text("select f from docs where id >= 80 order by id");
  query_->Execute();
  TLOBLocator* file = query_->LOBField("f");
  EXPECT_EQ(file->AsString(6), "file a");
  OCILobLocator* first = *file->DescriptorAddress();
  ASSERT_TRUE(Open(first));
  query_->Next();
  EXPECT_FALSE(Open(first));
  EXPECT_EQ(file->Position(), 0);
  EXPECT_EQ(file->AsString(6), "file b");
}

}  // namespace
