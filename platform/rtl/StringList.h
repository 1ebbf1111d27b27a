// platform/rtl/StringList.h
//
// TStrings: a list of strings, each with an optional associated object
// pointer (not owned), with the text forms the program reads and writes:
//
// - Text: the lines, each followed by a line feed. Assigning Text splits at
//   CR, LF or CR LF; a final line break does not start an empty line.
// - CommaText / DelimitedText: items joined by Delimiter (',' for CommaText);
//   an item holding a blank or control character, the QuoteChar or the
//   Delimiter is quoted with QuoteChar, inner quotes doubled; a single empty
//   item is written as two quotes. Reading splits at the delimiter and at
//   unquoted blanks; a trailing delimiter adds an empty item.
// - Names / Values: lines of the form name=value (NameValueSeparator '=').
//
// TStringList keeps the lines itself and adds sorting: with Sorted, Add puts
// a line in its place and Duplicates decides what a second equal line does;
// IndexOf and Find then search by halving. Comparison ignores case (by the
// locale's rules) unless CaseSensitive is set.
//
// Indexes run from 0; others raise EStringListError "List index out of
// bounds (%d)". OnChanging fires before and OnChange after every change,
// once per outermost BeginUpdate/EndUpdate pair.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/List.h"
#include "platform/rtl/Persistent.h"
#include "platform/rtl/Types.h"

class TStream;
class TStringList;

class TStrings : public TPersistent {
  ZORVET_CLASS_NAME(TStrings)

 public:
  TStrings() = default;
  ~TStrings() override = default;

  virtual Integer Count() const = 0;
  String Strings(Integer index) const { return Get(index); }
  void SetStrings(Integer index, const String& s) { Put(index, s); }
  TObject* Objects(Integer index) const { return GetObject(index); }
  void SetObjects(Integer index, TObject* object) { PutObject(index, object); }

  // Appends (or, in a sorted list, inserts in place); returns the index.
  virtual Integer Add(const String& s);
  virtual Integer AddObject(const String& s, TObject* object);
  void Append(const String& s) { Add(s); }
  virtual void Insert(Integer index, const String& s) = 0;
  void InsertObject(Integer index, const String& s, TObject* object);
  virtual void Delete(Integer index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(Integer index1, Integer index2);
  void Move(Integer curIndex, Integer newIndex);

  // The first index of `s` under the list's comparison, or -1.
  virtual Integer IndexOf(const String& s) const;
  Integer IndexOfObject(const TObject* object) const;
  // The first line whose name equals `name` under the list's comparison, or -1.
  Integer IndexOfName(const String& name) const;

  // The text before the first NameValueSeparator; empty without one.
  String Names(Integer index) const;
  // The text after the first NameValueSeparator of the line `name`; empty
  // when there is no such line.
  String Values(const String& name) const;
  // Sets the line `name` to name=value, adding it when missing; an empty
  // value deletes the line.
  void SetValues(const String& name, const String& value);
  String ValueFromIndex(Integer index) const;
  void SetValueFromIndex(Integer index, const String& value);
  char NameValueSeparator() const { return name_value_separator_; }
  void SetNameValueSeparator(char c) { name_value_separator_ = c; }

  String Text() const;
  void SetText(const String& text);
  String CommaText() const;
  void SetCommaText(const String& text);
  String DelimitedText() const;
  void SetDelimitedText(const String& text);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char c) { delimiter_ = c; }
  char QuoteChar() const { return quote_char_; }
  void SetQuoteChar(char c) { quote_char_ = c; }

  void AddStrings(const TStrings& strings);
  // From another TStrings: its lines and their objects; otherwise
  // the inherited refusal.
  void Assign(const TPersistent* source) override;
  // Same lines in the same order (compared exactly).
  bool Equals(const TStrings& other) const;

  void BeginUpdate();
  void EndUpdate();
  Integer UpdateCount() const { return update_count_; }

  // The whole remaining stream is the text (bytes kept as they are).
  virtual void LoadFromStream(TStream* stream);
  void LoadFromFile(const String& fileName);
  // Writes Text at the stream's position.
  virtual void SaveToStream(TStream* stream) const;
  void SaveToFile(const String& fileName) const;

  // Stored definitions keep the lines as the property "Strings" (a list of
  // strings), written when they differ from the ancestor's.
  void DefineProperties(TFiler* filer) override;

  // Compares two strings as this list does (IndexOf, Find, sorting).
  virtual int CompareStrings(const String& a, const String& b) const;

 protected:
  virtual String Get(Integer index) const = 0;
  virtual void Put(Integer index, const String& s);
  virtual TObject* GetObject(Integer index) const;
  virtual void PutObject(Integer index, TObject* object);
  // Called when the outermost update starts (true) and ends (false).
  virtual void SetUpdateState(bool updating);
  [[noreturn]] void Error(const String& message, Integer index) const;

 private:
  Integer update_count_ = 0;
  char delimiter_ = ',';
  char quote_char_ = '"';
  char name_value_separator_ = '=';
};

// Compares the strings at two indexes of the list: < 0, 0 or > 0.
using TStringListSortCompare =
    std::function<int(TStringList* list, Integer index1, Integer index2)>;

class TStringList : public TStrings {
  ZORVET_CLASS_NAME(TStringList)

 public:
  TStringList() = default;
  ~TStringList() override;

  Integer Count() const override { return static_cast<Integer>(items_.size()); }
  Integer Add(const String& s) override;
  // In a sorted list a line refused by dupIgnore keeps its own object.
  Integer AddObject(const String& s, TObject* object) override;
  void Insert(Integer index, const String& s) override;
  void Delete(Integer index) override;
  void Clear() override;
  void Exchange(Integer index1, Integer index2) override;
  Integer IndexOf(const String& s) const override;

  // Binary search of a sorted list: true when found; `index` is the match
  // (the first, with dupAccept) or the place where `s` would go.
  // REQUIRES: Sorted() (an unsorted list gives an undefined answer, never a
  // read outside the list).
  bool Find(const String& s, Integer& index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  // Turning Sorted on sorts the list.
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return case_sensitive_; }
  // A sorted list is sorted again under the new comparison.
  void SetCaseSensitive(bool value);
  int CompareStrings(const String& a, const String& b) const override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  String Get(Integer index) const override;
  void Put(Integer index, const String& s) override;
  TObject* GetObject(Integer index) const override;
  void PutObject(Integer index, TObject* object) override;
  void SetUpdateState(bool updating) override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    String text;
    TObject* object = nullptr;
  };
  void InsertItem(Integer index, const String& s, TObject* object);
  void CheckIndex(Integer index) const;

  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};
