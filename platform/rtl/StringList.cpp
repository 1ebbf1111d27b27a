// platform/rtl/StringList.cpp
#include "platform/rtl/StringList.h"

#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Writer.h"

namespace {

constexpr char kLineBreak = '\n';

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

String JoinDelimited(const TStrings& list, char delimiter, char quote) {
  const Integer count = list.Count();
  if (count == 1 && list.Strings(0).empty()) return String(2, quote);
  String result;
  for (Integer i = 0; i < count; ++i) {
    const String s = list.Strings(i);
    bool needs_quotes = false;
    for (char c : s)
      if (IsBlankOrControl(c) || c == quote || c == delimiter) {
        needs_quotes = true;
        break;
      }
    if (i > 0) result += delimiter;
    result += needs_quotes ? AnsiQuotedStr(s, quote) : s;
  }
  return result;
}

// Items are separated by the delimiter or by unquoted blanks; a quoted item
// may hold both. A trailing delimiter stands for one more, empty item. The
// text ends at its first #0 byte, as it always has for these lists.
void SplitDelimited(TStrings& list, std::string_view text, char delimiter, char quote) {
  if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  auto skip_blanks = [&] {
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  };
  WithinUpdate(list, [&] {
    list.Clear();
    skip_blanks();
    while (!text.empty()) {
      String item;
      if (text.front() == quote) {
        item = AnsiExtractQuotedStr(text, quote);
      } else {
        std::size_t n = 0;
        while (n < text.size() && !IsBlankOrControl(text[n]) && text[n] != delimiter) ++n;
        item.assign(text.substr(0, n));
        text.remove_prefix(n);
      }
      list.Add(item);
      skip_blanks();
      if (!text.empty() && text.front() == delimiter) {
        if (text.size() == 1) list.Add(String());
        text.remove_prefix(1);
        skip_blanks();
      }
    }
  });
}

}  // namespace

// ---- TStrings ----

void TStrings::Error(const String& message, Integer index) const {
  throw EStringListError(message + " (" + std::to_string(index) + ")");
}

Integer TStrings::Add(const String& s) {
  const Integer index = Count();
  Insert(index, s);
  return index;
}

Integer TStrings::AddObject(const String& s, TObject* object) {
  const Integer index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::InsertObject(Integer index, const String& s, TObject* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::Put(Integer index, const String& s) {
  TObject* object = GetObject(index);
  WithinUpdate(*this, [&] {
    Delete(index);
    InsertObject(index, s, object);
  });
}

TObject* TStrings::GetObject(Integer) const {
  return nullptr;
}
void TStrings::PutObject(Integer, TObject*) {}

void TStrings::Exchange(Integer index1, Integer index2) {
  const String s1 = Get(index1), s2 = Get(index2);
  TObject* o1 = GetObject(index1);
  TObject* o2 = GetObject(index2);
  WithinUpdate(*this, [&] {
    Put(index1, s2);
    PutObject(index1, o2);
    Put(index2, s1);
    PutObject(index2, o1);
  });
}

void TStrings::Move(Integer curIndex, Integer newIndex) {
  if (curIndex == newIndex) return;
  const String s = Get(curIndex);
  TObject* object = GetObject(curIndex);
  if (newIndex < 0 || newIndex >= Count()) Error("List index out of bounds", newIndex);
  WithinUpdate(*this, [&] {
    Delete(curIndex);
    InsertObject(newIndex, s, object);
  });
}

Integer TStrings::IndexOf(const String& s) const {
  for (Integer i = 0, n = Count(); i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

Integer TStrings::IndexOfObject(const TObject* object) const {
  for (Integer i = 0, n = Count(); i < n; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

Integer TStrings::IndexOfName(const String& name) const {
  for (Integer i = 0, n = Count(); i < n; ++i) {
    const String s = Get(i);
    const auto p = s.find(name_value_separator_);
    if (p != String::npos && CompareStrings(s.substr(0, p), name) == 0) return i;
  }
  return -1;
}

String TStrings::Names(Integer index) const {
  const String s = Get(index);
  const auto p = s.find(name_value_separator_);
  return p == String::npos ? String() : s.substr(0, p);
}

String TStrings::ValueFromIndex(Integer index) const {
  if (index < 0) return String();
  const String s = Get(index);
  const auto p = s.find(name_value_separator_);
  return p == String::npos ? String() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(Integer index, const String& value) {
  if (!value.empty()) {
    if (index < 0) index = Add(String());
    Put(index, Names(index) + name_value_separator_ + value);
  } else if (index >= 0) {
    Delete(index);
  }
}

String TStrings::Values(const String& name) const {
  return ValueFromIndex(IndexOfName(name));
}

void TStrings::SetValues(const String& name, const String& value) {
  const Integer index = IndexOfName(name);
  if (!value.empty()) {
    const String line = name + name_value_separator_ + value;
    if (index < 0)
      Add(line);
    else
      Put(index, line);
  } else if (index >= 0) {
    Delete(index);
  }
}

String TStrings::Text() const {
  String result;
  for (Integer i = 0, n = Count(); i < n; ++i) {
    result += Get(i);
    result += kLineBreak;
  }
  return result;
}

void TStrings::SetText(const String& text) {
  WithinUpdate(*this, [&] {
    Clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = pos;
      while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
      Add(text.substr(pos, end - pos));
      pos = end;
      if (pos < text.size() && text[pos] == '\r') ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    }
  });
}

String TStrings::CommaText() const {
  return JoinDelimited(*this, ',', '"');
}
void TStrings::SetCommaText(const String& text) {
  SplitDelimited(*this, text, ',', '"');
}
String TStrings::DelimitedText() const {
  return JoinDelimited(*this, delimiter_, quote_char_);
}
void TStrings::SetDelimitedText(const String& text) {
  SplitDelimited(*this, text, delimiter_, quote_char_);
}

void TStrings::AddStrings(const TStrings& strings) {
  // Read the source first: it may be this very list.
  std::vector<std::pair<String, TObject*>> lines;
  for (Integer i = 0, n = strings.Count(); i < n; ++i)
    lines.emplace_back(strings.Get(i), strings.GetObject(i));
  WithinUpdate(*this, [&] {
    for (auto& [s, o] : lines) AddObject(s, o);
  });
}

void TStrings::Assign(const TPersistent* source) {
  if (auto strings = dynamic_cast<const TStrings*>(source)) {
    if (strings == this) return;
    WithinUpdate(*this, [&] {
      Clear();
      AddStrings(*strings);
    });
    return;
  }
  TPersistent::Assign(source);
}

bool TStrings::Equals(const TStrings& other) const {
  const Integer n = Count();
  if (n != other.Count()) return false;
  for (Integer i = 0; i < n; ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromStream(TStream* stream) {
  const Int64 size = stream->Size() - stream->Position();
  String text;
  if (size > 0) {
    text.resize(static_cast<std::size_t>(size));
    stream->ReadBuffer(text.data(), size);
  }
  SetText(text);
}

void TStrings::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TStrings::SaveToStream(TStream* stream) const {
  const String text = Text();
  stream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

void TStrings::SaveToFile(const String& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

void TStrings::DefineProperties(TFiler* filer) {
  bool has_data = Count() > 0;
  if (auto ancestor = dynamic_cast<const TStrings*>(filer->Ancestor()))
    has_data = !Equals(*ancestor);
  filer->DefineProperty(
      "Strings",
      [this](TReader* reader) {
        reader->ReadListBegin();
        WithinUpdate(*this, [&] {
          Clear();
          while (!reader->EndOfList()) Add(reader->ReadString());
          reader->ReadListEnd();
        });
      },
      [this](TWriter* writer) {
        writer->WriteListBegin();
        for (Integer i = 0, n = Count(); i < n; ++i) writer->WriteString(Get(i));
        writer->WriteListEnd();
      },
      has_data);
}

int TStrings::CompareStrings(const String& a, const String& b) const {
  return AnsiCompareText(a, b);
}

// ---- TStringList ----

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TStringList::CheckIndex(Integer index) const {
  if (index < 0 || index >= Count()) Error("List index out of bounds", index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

Integer TStringList::Add(const String& s) {
  return AddObject(s, nullptr);
}

Integer TStringList::AddObject(const String& s, TObject* object) {
  Integer index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Insert(Integer index, const String& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) Error("List index out of bounds", index);
  InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(Integer index, const String& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Delete(Integer index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

void TStringList::Exchange(Integer index1, Integer index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
  Changed();
}

String TStringList::Get(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].text;
}

void TStringList::Put(Integer index, const String& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(index);
  Changing();
  items_[static_cast<std::size_t>(index)].text = s;
  Changed();
}

TObject* TStringList::GetObject(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].object;
}

void TStringList::PutObject(Integer index, TObject* object) {
  CheckIndex(index);
  Changing();
  items_[static_cast<std::size_t>(index)].object = object;
  Changed();
}

Integer TStringList::IndexOf(const String& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  Integer index;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(const String& s, Integer& index) const {
  bool found = false;
  Integer lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    const Integer mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(items_[static_cast<std::size_t>(mid)].text, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, Integer a, Integer b) {
    return list->CompareStrings(list->items_[static_cast<std::size_t>(a)].text,
                                list->items_[static_cast<std::size_t>(b)].text);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (Count() < 2) return;
  // Sort a permutation while the list itself stays as it is, so that the
  // comparison may look at the list by index; then apply it.
  std::vector<Integer> order(items_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<Integer>(i);
  StableSort(order, [&](Integer a, Integer b) { return compare(this, a, b); });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (Integer i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
  items_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == case_sensitive_) return;
  case_sensitive_ = value;
  if (sorted_) Sort();
}

int TStringList::CompareStrings(const String& a, const String& b) const {
  return case_sensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}
