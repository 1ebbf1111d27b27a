// tests/oracle/OracleTextTest.cpp
#include "oracle/OracleText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct TFoundVariable {
  String name;
  Integer position;
  bool operator==(const TFoundVariable&) const = default;
};

std::vector<TFoundVariable> Found(const String& sql, bool keep_duplicates = true) {
  const auto list = Oracle::FindVariables(sql, keep_duplicates);
  std::vector<TFoundVariable> found;
  for (Integer i = 0; i < list->Count(); ++i)
    found.push_back({list->Strings(i), Oracle::VariablePosition(*list, i)});
  return found;
}

void PrintTo(const TFoundVariable& v, std::ostream* os) {
  *os << v.name << "@" << v.position;
}

TEST(FindVariablesTest, NamesAndPositions) {
  const struct {
    String sql;
    std::vector<TFoundVariable> expected;
  } cases[] = {
      {"select * from t where a = :a", {{"A", 27}}},
      {"insert into t values (:x$1,:y#2, :_z)", {{"X$1", 23}, {"Y#2", 28}, {"_Z", 34}}},
      {"select :1, :2 from dual", {{"1", 8}, {"2", 12}}},
      {"where a = ':x' and b = :b", {{"B", 24}}},
      {"where a = 'it''s :x' and b = :b", {{"B", 30}}},
      {"begin :x := 1; end;", {{"X", 7}}},
      {"begin x := :y; end;", {{"Y", 12}}},
      {"select a::b from t", {}},
      {"/* :x */ select :y from dual", {{"Y", 17}}},
      {"select 1 /* :x */ from dual where :y = 1", {{"Y", 35}}},
      {"select 1 -- :x\nfrom dual where :y = 1", {{"Y", 32}}},
      {"select 1 -- :x\r\nfrom dual where :y = 1", {{"Y", 33}}},
      {"select 1 - :x from dual", {{"X", 12}}},
      {"select 1/:x from dual", {{"X", 10}}},
      {"where a = :\xc3\xa9t\xc3\xa9", {{"\xc3\x89T\xc3\x89", 11}}},
      {"where a = :", {}},
      {"select '", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Found(c.sql), c.expected) << c.sql;
}

TEST(FindVariablesTest, DuplicatesKeptOrDropped) {
  const String sql =
      "select * from t where a = :A and b = 'say :X' -- and :Y\n"
      "or c = :a";
  EXPECT_EQ(Found(sql, false), (std::vector<TFoundVariable>{{"A", 27}}));
  EXPECT_EQ(Found(sql, true), (std::vector<TFoundVariable>{{"A", 27}, {"A", 64}}));
}

TEST(RemoveSQLCommentsTest, Cases) {
  const struct {
    String sql;
    String expected;
  } cases[] = {
      {"  select 1 from dual  \r\n", "select 1 from dual"},
      {"/* head */ select 1", "select 1"},
      {"select '/* kept */ -- kept' from dual", "select '/* kept */ -- kept' from dual"},
      {"select a -- note\r\nfrom t", "select a \r\nfrom t"},
      // Text joined with LF only: the statement goes on after the comment.
      {"select a -- note\nfrom t", "select a \nfrom t"},
      {"select a--note\nfrom t", "select a\nfrom t"},
      {"select/*x*/a from t", "select a from t"},
      {"select /* it's */ a", "select  a"},
      {"select a -- unterminated", "select a"},
      {"select a /* unterminated", "select a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Oracle::RemoveSQLComments(c.sql), c.expected) << c.sql;
}

TEST(OracleDateTest, WritesThePublishedLayout) {
  Byte bytes[7];
  Oracle::DateTimeToOracleDate(bytes, EncodeDateTime(2000, 3, 4, 5, 6, 7, 890));
  EXPECT_EQ(std::vector<int>(bytes, bytes + 7), (std::vector<int>{120, 100, 3, 4, 6, 7, 8}));
  Oracle::DateTimeToOracleDate(bytes, EncodeDateTime(1899, 12, 31, 23, 59, 59, 0));
  EXPECT_EQ(std::vector<int>(bytes, bytes + 7), (std::vector<int>{118, 199, 12, 31, 24, 60, 60}));
}

TEST(OracleDateTest, RoundTripAcrossCenturies) {
  const TDateTime values[] = {
      EncodeDateTime(1, 1, 1, 0, 0, 0, 0),         EncodeDateTime(99, 12, 31, 12, 0, 0, 0),
      EncodeDateTime(100, 1, 1, 0, 0, 1, 0),       EncodeDateTime(1582, 10, 15, 1, 2, 3, 0),
      EncodeDateTime(1899, 12, 29, 6, 0, 0, 0),    EncodeDateTime(1899, 12, 30, 0, 0, 0, 0),
      EncodeDateTime(1900, 2, 28, 18, 30, 0, 0),   EncodeDateTime(2000, 2, 29, 23, 59, 59, 0),
      EncodeDateTime(9999, 12, 31, 23, 59, 59, 0),
  };
  for (TDateTime value : values) {
    Byte bytes[7];
    Oracle::DateTimeToOracleDate(bytes, value);
    TDateTime back;
    Oracle::OracleDateToDateTime(bytes, back);
    EXPECT_NEAR(back, value, 1e-9) << DateTimeToStr(value);
  }
}

TEST(OracleDateTest, YearsBeforeOneAndImpossibleDates) {
  const double quarter = 0.25;  // 06:00:00
  const struct {
    Byte bytes[7];
    TDateTime expected;
  } cases[] = {
      {{100, 100, 1, 1, 7, 1, 1}, -693594.0 - quarter},   // year 0
      {{99, 56, 3, 15, 7, 1, 1}, -693594.0 - quarter},    // 44 BC
      {{1, 1, 1, 1, 1, 1, 1}, -693594.0},                 // 4712 BC, midnight
      {{120, 101, 2, 30, 7, 1, 1}, -693594.0 - quarter},  // no 30 February
      {{120, 100, 1, 1, 25, 1, 1}, 36526.0},              // hour 24: no time
      {{120, 100, 1, 1, 0, 0, 0}, 36526.0},               // zero bytes: no time
  };
  for (const auto& c : cases) {
    TDateTime value;
    Oracle::OracleDateToDateTime(c.bytes, value);
    EXPECT_DOUBLE_EQ(value, c.expected) << int(c.bytes[0]) << " " << int(c.bytes[1]);
  }
}

TEST(OracleValueToVariantTest, ByExternalType) {
  Variant value;
  const char text[] = "a\nb\0junk";
  Oracle::OracleValueToVariant(text, 5, sizeof text, value, nullptr);
  EXPECT_EQ(value.AsString(), "a\r\nb");
  Oracle::OracleValueToVariant("abcdef", 1, 3, value, nullptr);
  EXPECT_EQ(value.AsString(), "abc");

  const std::int32_t number = -17;
  Oracle::OracleValueToVariant(&number, 3, 4, value, nullptr);
  EXPECT_EQ(value.AsInteger(), -17);
  const double real = 2.5;
  Oracle::OracleValueToVariant(&real, 4, 8, value, nullptr);
  EXPECT_EQ(value.AsDouble(), 2.5);

  const char long_text[] = {'x', '\0', 'y'};
  Oracle::OracleValueToVariant(long_text, 8, 3, value, nullptr);
  EXPECT_EQ(value.AsString(), String(long_text, 3));

  const Byte raw[] = {1, 0, 255};
  Oracle::OracleValueToVariant(raw, 24, 3, value, nullptr);
  ASSERT_EQ(VarArrayElementCount(value), 3u);
  EXPECT_EQ(std::memcmp(VarArrayBytes(value), raw, 3), 0);

  const Byte date[7] = {120, 100, 3, 4, 6, 7, 8};
  Oracle::OracleValueToVariant(date, 12, 7, value, nullptr);
  EXPECT_EQ(value.Type(), varDate);
  EXPECT_NEAR(value.AsDouble(), EncodeDateTime(2000, 3, 4, 5, 6, 7, 0), 1e-9);

  const std::int32_t id = 12;
  for (Integer type : {108, 110, 112, 113, 114, 116}) {
    Oracle::OracleValueToVariant(&id, type, 4, value, nullptr);
    EXPECT_EQ(value.AsInteger(), 12) << type;
  }
  value = "kept";
  Oracle::OracleValueToVariant(&id, 999, 4, value, nullptr);
  EXPECT_EQ(value.AsString(), "kept");
}

TEST(OracleValueToVariantTest, SessionWithoutLineBreakConversion) {
  class TPlainSession : public TOracleSessionBase {
    bool Connected() const override { return true; }
    bool OCI8Mode() const override { return true; }
    Lda_Def* Lda() override { return nullptr; }
    void EnterCall(bool) override {}
    void LeaveCall(bool) override {}
    bool ConvertCRLF() const override { return false; }
  } session;
  Variant value;
  Oracle::OracleValueToVariant("a\nb", 5, 4, value, &session);
  EXPECT_EQ(value.AsString(), "a\nb");
  EXPECT_EQ(Oracle::AdjustCRLF("a\rb\r\nc\n", nullptr), "a\r\nb\r\nc\r\n");
}

TEST(CountTextTest, SingularOnlyForOne) {
  EXPECT_EQ(Oracle::CountText(1, "record"), "1 record");
  EXPECT_EQ(Oracle::CountText(0, "record"), "0 records");
  EXPECT_EQ(Oracle::CountText(-1, "record"), "-1 records");
  EXPECT_EQ(Oracle::CountText(1000, "row"), "1000 rows");
}

}  // namespace
