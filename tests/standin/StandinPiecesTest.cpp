// A LONG column fetched through a dynamic define, piece by piece.
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

// Pieces growing from 2,000 bytes, doubling up to 32,000, as the library
// takes them.
struct TPieces {
  std::vector<std::vector<char>> pieces;
  std::vector<ub4> lengths;
  std::vector<ub1> kinds;
  sb2 indicator = 7;
  sb4 answer = OCI_CONTINUE;

  static sb4 Callback(void* context, OCIDefine*, ub4, void** buffer, ub4** length, ub1* piece,
                      void** indicator, ub2**) {
    auto* self = static_cast<TPieces*>(context);
    const std::size_t size =
        self->pieces.empty() ? 2000 : std::min<std::size_t>(self->pieces.back().size() * 2, 32000);
    self->kinds.push_back(*piece);
    self->pieces.emplace_back(size);
    self->lengths.push_back(static_cast<ub4>(size));
    *buffer = self->pieces.back().data();
    *length = &self->lengths.back();
    *indicator = &self->indicator;
    return self->answer;
  }
  std::string Joined() const {
    std::string text;
    for (std::size_t i = 0; i < pieces.size(); ++i) text.append(pieces[i].data(), lengths[i]);
    return text;
  }
};

class Pieces : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    for (int i = 0; i < 70000; ++i) text += static_cast<char>('A' + i % 23);
    Fixture("create table NOTES (ID number(4), BODY long);\ninsert into NOTES values (1, '" + text +
            "');\ninsert into NOTES values (2, NULL);\n");
  }
  sword Fetch(int id, TPieces& pieces) {
    OCIStmt* stmt = scott.NewStatement("select BODY from NOTES where ID = " + std::to_string(id));
    OCIDefine* define = nullptr;
    EXPECT_EQ(OCIDefineByPos(stmt, &define, scott.error, 1, nullptr, 0x7FFFFFFF, kSqltLng, nullptr,
                             nullptr, nullptr, 2),
              OCI_SUCCESS);
    EXPECT_EQ(OCIDefineDynamic(define, scott.error, &pieces, TPieces::Callback), OCI_SUCCESS);
    const sword status = OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0);
    OCIHandleFree(stmt, kHtypeStmt);
    return status;
  }
  std::string text;
};

TEST_F(Pieces, ALongArrivesInGrowingPiecesEachContinued) {
  TPieces pieces;
  ASSERT_EQ(Fetch(1, pieces), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(pieces.lengths, (std::vector<ub4>{2000, 4000, 8000, 16000, 32000, 8000}));
  EXPECT_EQ(pieces.kinds, (std::vector<ub1>{1, 2, 2, 2, 2, 2}));
  EXPECT_EQ(pieces.Joined(), text);
  EXPECT_EQ(pieces.indicator, 0);
}

TEST_F(Pieces, ANullLongIsOneEmptyPieceAndACallbackMustContinue) {
  TPieces empty;
  ASSERT_EQ(Fetch(2, empty), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(empty.lengths, (std::vector<ub4>{0}));
  EXPECT_EQ(empty.indicator, -1);
  TPieces refusing;
  refusing.answer = OCI_SUCCESS;
  EXPECT_EQ(Fetch(1, refusing), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 24343);
}

}  // namespace
}  // namespace StandinTest
