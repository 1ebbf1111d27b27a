#include "platform/rtl/StringList.h"

#include <gtest/gtest.h>

#include "platform/rtl/Streams.h"

namespace {
std::vector<String> Lines(const TStrings& s) {
  std::vector<String> out;
  for (Integer i = 0; i < s.Count(); ++i) out.push_back(s.Strings(i));
  return out;
}
}  // namespace

TEST(StringListText, SplitsAtAnyLineBreakAndJoinsWithLineFeeds) {
  TStringList l;
  l.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(Lines(l), (std::vector<String>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(l.Text(), "a\nb\nc\n\nd\n");
  l.SetText("one\n");
  EXPECT_EQ(l.Count(), 1);  // a final break starts no empty line
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
}

TEST(StringListCommaText, QuotesOnlyWhatNeedsIt) {
  TStringList l;
  for (const char* s : {"plain", "two words", "a,b", "say \"hi\"", ""}) l.Add(s);
  EXPECT_EQ(l.CommaText(), "plain,\"two words\",\"a,b\",\"say \"\"hi\"\"\",");
  TStringList single;
  single.Add("");
  EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(StringListCommaText, ReadsQuotedBlankSeparatedAndTrailingItems) {
  TStringList l;
  l.SetCommaText("  a, \"b c\" d,\"e\"\"f\",");
  EXPECT_EQ(Lines(l), (std::vector<String>{"a", "b c", "d", "e\"f", ""}));
  TStringList back;
  back.SetCommaText(l.CommaText());
  EXPECT_EQ(Lines(back), Lines(l));
  l.SetCommaText("");
  EXPECT_EQ(l.Count(), 0);
  l.SetCommaText("x,\"unterminated");
  EXPECT_EQ(Lines(l), (std::vector<String>{"x", "unterminated"}));
}

TEST(StringListCommaText, DelimitedTextUsesItsOwnDelimiterAndQuote) {
  TStringList l;
  l.SetDelimiter(';');
  l.SetQuoteChar('\'');
  l.SetDelimitedText("a;'b;c';d e");
  EXPECT_EQ(Lines(l), (std::vector<String>{"a", "b;c", "d", "e"}));
  EXPECT_EQ(l.DelimitedText(), "a;'b;c';d;e");
  EXPECT_EQ(l.CommaText(), "a,b;c,d,e");  // CommaText keeps comma and double quote
}

TEST(StringListNamesValues, ReadAndWritePairs) {
  TStringList l;
  l.SetText("Name=Disk 1\nComment=a=b\nnoseparator");
  EXPECT_EQ(l.Names(0), "Name");
  EXPECT_EQ(l.Values("comment"), "a=b");  // names ignore case
  EXPECT_EQ(l.Names(2), "");
  EXPECT_EQ(l.ValueFromIndex(2), "");
  EXPECT_EQ(l.Values("missing"), "");
  l.SetValues("Name", "Disk 2");
  l.SetValues("Label", "X");
  EXPECT_EQ(l.Strings(0), "Name=Disk 2");
  EXPECT_EQ(l.Strings(3), "Label=X");
  l.SetValues("Comment", "");
  EXPECT_EQ(l.IndexOfName("Comment"), -1);
}

TEST(SortedStringList, DuplicatesFollowTheChosenRule) {
  TStringList l;
  l.SetSorted(true);
  l.Add("b");
  l.Add("a");
  EXPECT_EQ(l.Add("B"), 1);  // ignored: equal ignoring case
  EXPECT_EQ(Lines(l), (std::vector<String>{"a", "b"}));
  l.SetDuplicates(dupError);
  try {
    l.Add("A");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  l.SetDuplicates(dupAccept);
  l.Add("a");
  EXPECT_EQ(l.Count(), 3);
  Integer index;
  EXPECT_TRUE(l.Find("A", index));
  EXPECT_EQ(index, 0);  // the first of the equal lines
  EXPECT_FALSE(l.Find("c", index));
  EXPECT_EQ(index, 3);
  EXPECT_THROW(l.Insert(0, "z"), EStringListError);
}

TEST(SortedStringList, CaseSensitivityChangesOrderAndSearch) {
  TStringList l;
  l.SetCaseSensitive(true);
  l.SetSorted(true);
  l.SetDuplicates(dupAccept);
  l.Add("b");
  l.Add("B");
  EXPECT_NE(l.IndexOf("b"), l.IndexOf("B"));
  l.SetCaseSensitive(false);
  EXPECT_EQ(l.IndexOf("b"), 0);
}

TEST(UnsortedStringList, IndexOfIgnoresCaseByDefault) {
  TStringList l;
  l.Add("Constraint_A");
  EXPECT_EQ(l.IndexOf("CONSTRAINT_a"), 0);
  l.SetCaseSensitive(true);
  EXPECT_EQ(l.IndexOf("CONSTRAINT_a"), -1);
  EXPECT_THROW(l.Strings(5), EStringListError);
}

TEST(StringListEvents, OneChangePairPerOutermostUpdate) {
  TStringList l;
  int changing = 0, changed = 0;
  l.OnChanging = [&](TObject*) { ++changing; };
  l.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &l);
    ++changed;
  };
  l.Add("x");
  EXPECT_EQ(changed, 1);
  l.BeginUpdate();
  l.Add("y");
  l.BeginUpdate();
  l.Delete(0);
  l.EndUpdate();
  EXPECT_EQ(changed, 1);
  l.EndUpdate();
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);
  l.SetCommaText("a,b,c");
  EXPECT_EQ(changed, 3);
}

TEST(StringListObjects, TravelWithTheirLines) {
  TObject o1, o2;
  TStringList l;
  l.AddObject("two", &o2);
  l.AddObject("one", &o1);
  l.Sort();
  EXPECT_EQ(l.Objects(0), &o1);
  EXPECT_EQ(l.IndexOfObject(&o2), 1);
  TStringList copy;
  copy.Assign(&l);
  EXPECT_EQ(copy.Objects(1), &o2);
  EXPECT_TRUE(copy.Equals(l));
  l.Exchange(0, 1);
  EXPECT_EQ(l.Objects(0), &o2);
}

TEST(StringListObjects, CustomSortSeesTheListAsItStands) {
  TStringList l;
  l.SetCommaText("ccc,a,bb");
  l.CustomSort([](TStringList* list, Integer x, Integer y) {
    return static_cast<int>(list->Strings(x).size()) - static_cast<int>(list->Strings(y).size());
  });
  EXPECT_EQ(l.CommaText(), "a,bb,ccc");
  l.Move(0, 2);
  EXPECT_EQ(l.CommaText(), "bb,ccc,a");
}

namespace {
class TForeign : public TPersistent {
  ZORVET_CLASS_NAME(TForeign)
};
}  // namespace

TEST(StringListAssign, RefusesForeignClasses) {
  TStringList l;
  TForeign foreign;
  try {
    l.Assign(&foreign);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TForeign to a TStringList");
  }
  EXPECT_THROW(l.Assign(nullptr), EConvertError);
}

TEST(StringListStreams, SaveAndLoadKeepBytes) {
  TStringList l;
  l.Add("caf\xC3\xA9");
  l.Add("\xFF raw");
  TMemoryStream m;
  l.SaveToStream(&m);
  m.SetPosition(0);
  TStringList back;
  back.LoadFromStream(&m);
  EXPECT_TRUE(back.Equals(l));
}
