// tests/data/FilterParserTest.cpp
#include <gtest/gtest.h>

#include "platform/data/FilterParser.h"
#include "platform/rtl/Format.h"
#include "tests/data/TestTables.h"

namespace {

// Writes a tree as a compact text: classes and operators by name, fields
// as [NAME], constants as their value ('text' for strings).
String Show(const TExprNode* n) {
  auto args = [&](const char* name) {
    String s = String(name) + "(";
    for (std::size_t i = 0; i < n->Args.size(); ++i) s += (i ? "," : "") + Show(n->Args[i].get());
    return s + ")";
  };
  switch (n->NodeClass) {
    case ncField:
      return "[" + n->FieldName + "]";
    case ncConstant:
      if (n->Value.IsNull()) return "null";
      return n->DataType == ftString ? "'" + n->Value.AsString() + "'" : n->Value.AsString();
    case ncFunction:
      return args(("fn " + n->FunctionName).c_str());
    case ncListElement:
      return args("list");
    case ncCompare: {
      String s = "cmp" + String(n->CaseInsensitive ? "i" : "") +
                 (n->PartialLength ? std::to_string(n->PartialLength) : String()) + " ";
      return args((s + std::to_string(n->Operator)).c_str());
    }
    default:
      break;
  }
  switch (n->Operator) {
    case eoIsBlank:
      return args("isnull");
    case eoNotBlank:
      return args("notnull");
    case eoEqual:
      return args("=");
    case eoNotEqual:
      return args("<>");
    case eoGreater:
      return args(">");
    case eoLess:
      return args("<");
    case eoGreaterOrEqual:
      return args(">=");
    case eoLessOrEqual:
      return args("<=");
    case eoNot:
      return args("not");
    case eoAnd:
      return args("and");
    case eoOr:
      return args("or");
    case eoMinus:
      return args("neg");
    case eoAdd:
      return args("+");
    case eoSubtract:
      return args("-");
    case eoMultiply:
      return args("*");
    case eoDivide:
      return args("/");
    case eoModulo:
      return args("%");
    case eoLike:
      return args("like");
    case eoIn:
      return args("in");
    case eoUpper:
      return args("upper");
    case eoLower:
      return args("lower");
    default:
      return "?";
  }
}

class FilterParsing : public ::testing::Test {
 protected:
  void SetUp() override {
    ds_ = std::make_unique<TArrayDataSet>();
    ds_->SetName("Files");
    ds_->FieldDefs()->Add("id", ftInteger);
    ds_->FieldDefs()->Add("IdFile", ftString, 10);
    ds_->FieldDefs()->Add("Name", ftString, 20);
    ds_->FieldDefs()->Add("File Size", ftCurrency);
    ds_->FieldDefs()->Add("Seen", ftAutoInc);
    ds_->Open();
  }
  String Parse(const String& text, TFilterOptions options = {}) {
    return Show(TExprParser(ds_.get(), text, options).Root());
  }
  // The error message of a text that must not parse.
  String Error(const String& text) {
    try {
      TExprParser parser(ds_.get(), text, {});
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return "parsed";
  }
  std::unique_ptr<TArrayDataSet> ds_;
};

}  // namespace

TEST_F(FilterParsing, TheCataloguesFolderFilter) {
  EXPECT_EQ(Parse("([id] = null) and [IdFile] = '7'"), "and(isnull([id]),=([IdFile],'7'))");
}

TEST_F(FilterParsing, NamesWithAndWithoutBracketsResolveToFields) {
  TExprParser parser(ds_.get(), "[File Size] > name", {});
  const TExprNode* root = parser.Root();
  EXPECT_EQ(root->NodeClass, ncBinary);
  const TExprNode* left = root->Args[0].get();
  EXPECT_EQ(left->NodeClass, ncField);
  EXPECT_EQ(left->Operator, eoField);
  EXPECT_EQ(left->Field, ds_->FieldByName("File Size"));
  EXPECT_EQ(left->FieldNo, 4);
  EXPECT_EQ(left->DataType, ftCurrency);
  EXPECT_EQ(root->Args[1]->FieldName, "Name");  // as the dataset names it
}

TEST_F(FilterParsing, TheFieldTypeMapTellsTheTypeToUse) {
  TFieldTypeMap map = IdentityFieldTypeMap();
  map[ftCurrency] = ftFloat;
  map[ftAutoInc] = ftInteger;
  TExprParser parser(ds_.get(), "[File Size] = Seen", {}, map);
  EXPECT_EQ(parser.Root()->Args[0]->DataType, ftFloat);
  EXPECT_EQ(parser.Root()->Args[1]->DataType, ftInteger);
}

TEST_F(FilterParsing, ConstantsOfEachKind) {
  TExprParser parser(ds_.get(), "id in (1, 3000000000, 2.5, 1e3, 'it''s', \"dq\")", {});
  const auto& list = parser.Root()->Args[1]->Args;
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0]->DataType, ftInteger);
  EXPECT_EQ(list[1]->DataType, ftLargeint);
  EXPECT_EQ(list[1]->Value.AsInt64(), 3000000000LL);
  EXPECT_EQ(list[2]->DataType, ftFloat);
  EXPECT_EQ(list[2]->Value.AsDouble(), 2.5);
  EXPECT_EQ(list[3]->Value.AsDouble(), 1000.0);
  EXPECT_EQ(list[4]->Value.AsString(), "it's");
  EXPECT_EQ(list[5]->Value.AsString(), "dq");
  EXPECT_EQ(list[0]->NodeClass, ncConstant);
  EXPECT_EQ(list[0]->Operator, eoConstant);
}

TEST_F(FilterParsing, PrecedenceOfLogicComparisonAndArithmetic) {
  EXPECT_EQ(Parse("id = 1 or id = 2 and not Name = 'x'"),
            "or(=([id],1),and(=([id],2),not(=([Name],'x'))))");
  EXPECT_EQ(Parse("id + 2 * 3 - 4 / 2 % 3 >= -id"), ">=(-(+([id],*(2,3)),%(/(4,2),3)),neg([id]))");
  EXPECT_EQ(Parse("(id + 2) * 3 <> 9"), "<>(*(+([id],2),3),9)");
  EXPECT_EQ(Parse("id < 1 OR id <= 2 OR id > 3"), "or(or(<([id],1),<=([id],2)),>([id],3))");
}

TEST_F(FilterParsing, NullTestsInEveryForm) {
  EXPECT_EQ(Parse("Name is null"), "isnull([Name])");
  EXPECT_EQ(Parse("Name IS NOT NULL"), "notnull([Name])");
  EXPECT_EQ(Parse("Name = null"), "isnull([Name])");
  EXPECT_EQ(Parse("Name <> NULL"), "notnull([Name])");
  EXPECT_EQ(Parse("null = Name"), "isnull([Name])");
}

TEST_F(FilterParsing, LikeAndInWithTheirNegations) {
  EXPECT_EQ(Parse("Name like 'a?c'"), "like([Name],'a?c')");
  EXPECT_EQ(Parse("Name not like 'a%'"), "not(like([Name],'a%'))");
  EXPECT_EQ(Parse("id in (1, 2)"), "in([id],list(1,2))");
  EXPECT_EQ(Parse("id not in (3)"), "not(in([id],list(3)))");
}

TEST_F(FilterParsing, FunctionsAndCaseOperators) {
  EXPECT_EQ(Parse("upper(Name) = 'A'"), "=(upper([Name]),'A')");
  EXPECT_EQ(Parse("Lower(Name) = 'a'"), "=(lower([Name]),'a')");
  EXPECT_EQ(Parse("substring(Name, 1, 2) = 'ab'"), "=(fn substring(list([Name],1,2)),'ab')");
  EXPECT_EQ(Parse("trim(Name) = ''"), "=(fn trim([Name]),'')");
  EXPECT_EQ(Parse("year(getdate()) > 2000"), ">(fn year(fn getdate()),2000)");
  EXPECT_EQ(Parse("date('1.2.2003', 'd.m.yyyy') = id"),
            "=(fn date(list('1.2.2003','d.m.yyyy')),[id])");
}

TEST_F(FilterParsing, CaseInsensitiveOptionMakesCompareNodes) {
  EXPECT_EQ(Parse("Name = 'abc'", {foCaseInsensitive}), "cmpi 3([Name],'abc')");
  EXPECT_EQ(Parse("'abc' <> Name", {foCaseInsensitive}), "cmpi 4('abc',[Name])");
  EXPECT_EQ(Parse("Name like 'a*'", {foCaseInsensitive}), "cmpi 30([Name],'a*')");
  // Only a field against a string constant qualifies.
  EXPECT_EQ(Parse("Name = Name", {foCaseInsensitive}), "=([Name],[Name])");
  EXPECT_EQ(Parse("id = 1", {foCaseInsensitive}), "=([id],1)");
}

TEST_F(FilterParsing, TrailingStarMakesAPartialCompareUnlessSwitchedOff) {
  EXPECT_EQ(Parse("Name = 'abé*'"), "cmp3 3([Name],'abé')");
  EXPECT_EQ(Parse("Name = 'ab*'", {foNoPartialCompare}), "=([Name],'ab*')");
  EXPECT_EQ(Parse("Name = 'ab*'", {foNoPartialCompare, foCaseInsensitive}), "cmpi 3([Name],'ab*')");
  EXPECT_EQ(Parse("Name = '*'"), "=([Name],'*')");
  EXPECT_EQ(Parse("Name > 'ab*'"), ">([Name],'ab*')");
  // LIKE keeps its whole mask.
  EXPECT_EQ(Parse("Name like '*b*'"), "like([Name],'*b*')");
  EXPECT_EQ(Parse("Name like 'x*x*'"), "like([Name],'x*x*')");
}

TEST_F(FilterParsing, NodesRememberWhereTheirTokenStands) {
  TExprParser parser(ds_.get(), "'é' = Name and id = 1", {});
  const TExprNode* root = parser.Root();
  EXPECT_EQ(root->Position, 12);          // "and", counted in characters
  EXPECT_EQ(root->Args[0]->Position, 5);  // "="
  EXPECT_EQ(root->Args[1]->Args[0]->Position, 16);
}

TEST_F(FilterParsing, UnknownFieldRaisesFieldNotFoundAtParse) {
  EXPECT_EQ(Error("Nope = 1"), "Files: Field 'Nope' not found");
  EXPECT_EQ(Error("[No Such] = 1"), "Files: Field 'No Such' not found");
}

TEST_F(FilterParsing, SyntaxErrorsPointAtThePosition) {
  EXPECT_EQ(Error("id = "),
            "Files: Filter expression error at position 6: unexpected end of expression");
  EXPECT_EQ(Error("id = 1 1"),
            "Files: Filter expression error at position 8: unexpected token '1'");
  EXPECT_EQ(Error("Name = 'abc"),
            "Files: Filter expression error at position 8: unterminated string");
  EXPECT_EQ(Error("(id = 1"), "Files: Filter expression error at position 8: ')' expected");
  EXPECT_EQ(Error("[id = 1"),
            "Files: Filter expression error at position 1: unterminated name in brackets");
  EXPECT_EQ(Error("Name is 'x'"),
            "Files: Filter expression error at position 9: NULL expected, unexpected token ''x''");
  EXPECT_EQ(Error("id = 1 # 2"),
            "Files: Filter expression error at position 8: invalid character '#'");
  EXPECT_EQ(Error("'é' = and"),
            "Files: Filter expression error at position 7: unexpected token 'and'");
  EXPECT_EQ(Error("id = 12abc"),
            "Files: Filter expression error at position 6: invalid number '12a'");
  EXPECT_EQ(Error("upper(Name, id) = 'A'"),
            "Files: Filter expression error at position 1: function UPPER takes one argument");
  EXPECT_EQ(Error(""),
            "Files: Filter expression error at position 1: unexpected end of expression");
}

// Texts that nest without end must be refused before they exhaust the stack.
TEST_F(FilterParsing, NestingPastTheLimitIsASyntaxErrorWhereItGoesTooDeep) {
  auto repeat = [](const String& piece, int times) {
    String text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  };
  const String tooDeep =
      "Files: Filter expression error at position %d: expression nested too deeply";
  // The 257th level is refused at its opening token.
  EXPECT_EQ(Error(repeat("(", 8000) + "id = 1" + repeat(")", 8000)), Format(tooDeep, 257));
  EXPECT_EQ(Error(repeat("not ", 100000) + "id = 1"), Format(tooDeep, 4 * 256 + 1));
  EXPECT_EQ(Error("id = " + repeat("-", 300) + "1"), Format(tooDeep, 6 + 256));
  EXPECT_EQ(Error("'é' = " + repeat("upper(", 300) + "Name" + repeat(")", 300)),
            Format(tooDeep, 7 + 6 * 256 + 5));  // the call's "("
  // 256 levels are still taken.
  EXPECT_EQ(Parse(repeat("(", 256) + "id = 1" + repeat(")", 256)), "=([id],1)");
  EXPECT_EQ(Parse(repeat("not ", 256) + "id = 1"),
            repeat("not(", 256) + "=([id],1)" + repeat(")", 256));
}

TEST_F(FilterParsing, LongChainsParseUntilTheTreeGrowsTooDeep) {
  String chain = "id = 0";
  for (int i = 1; i < 500; ++i) chain += " or id = " + std::to_string(i);
  TExprParser parser(ds_.get(), chain, {});
  EXPECT_EQ(parser.Root()->Operator, eoOr);
  EXPECT_EQ(parser.Root()->Depth, 501);
  // A longer chain is refused at the operator that makes it too deep.
  String longer = "id";
  for (int i = 0; i < 1000; ++i) longer += "+1";
  EXPECT_EQ(Error(longer + " = 1"),
            "Files: Filter expression error at position 1025: expression nested too deeply");
}

TEST_F(FilterParsing, PositionsStayRightFarIntoALongText) {
  // Counting is in characters, also after many multi-byte ones.
  String list = "Name in (";
  for (int i = 0; i < 20000; ++i) list += "'é', ";
  EXPECT_EQ(Error(list + "'é' # 1)"),
            Format("Files: Filter expression error at position %d: invalid character '#'",
                   9 + 20000 * 5 + 5));
}
