// platform/rtl/IniFiles.cpp
#include "platform/rtl/IniFiles.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/rtl/Environment.h"
#include "platform/rtl/FileServices.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/StringUtils.h"

namespace {

enum class LineKind { kOther, kSection, kKey };

struct Line {
  String text;  // as in the file, without its line end
  LineKind kind = LineKind::kOther;
  String name;  // the section's or the ident's
};

LineKind Classify(const String& text, String& name) {
  const String t = Trim(text);
  if (!t.empty() && t[0] == '[') {
    const std::size_t close = t.find(']');
    name = Trim(t.substr(1, close == String::npos ? String::npos : close - 1));
    return LineKind::kSection;
  }
  const std::size_t eq = t.find('=');
  if (t.empty() || t[0] == ';' || eq == String::npos) return LineKind::kOther;
  name = Trim(t.substr(0, eq));
  return name.empty() ? LineKind::kOther : LineKind::kKey;
}

// The value of an "ident=value" line as the profile functions give it.
String ValueOf(const String& text) {
  String v = Trim(text.substr(text.find('=') + 1));
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
    v = v.substr(1, v.size() - 2);
  return v;
}

class IniText {
 public:
  // `forWriting`: a file that exists but cannot be read raises, so that a
  // write never replaces what it could not see.
  IniText(const String& file, bool forWriting) : file_(file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      if (forWriting && FileExists(file)) throw EIniFileException("Unable to write to " + file);
      return;
    }
    std::ostringstream all;
    all << in.rdbuf();
    const String bytes = all.str();
    std::size_t start = 0;
    bool first = true;
    while (start < bytes.size()) {
      std::size_t end = bytes.find('\n', start);
      const bool terminated = end != String::npos;
      if (!terminated) end = bytes.size();
      String text = bytes.substr(start, end - start);
      if (terminated && !text.empty() && text.back() == '\r')
        text.pop_back();
      else if (terminated && first)
        crlf_ = false;
      first = false;
      final_newline_ = terminated;
      Line line;
      line.text = std::move(text);
      line.kind = Classify(line.text, line.name);
      lines_.push_back(std::move(line));
      start = end + 1;
    }
  }

  // The header line of the first section of that name, or -1.
  int FindSection(const String& section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].kind == LineKind::kSection && SameText(lines_[i].name, section))
        return static_cast<int>(i);
    return -1;
  }
  // One past the section's last line.
  int SectionEnd(int header) const {
    std::size_t i = static_cast<std::size_t>(header) + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::kSection) ++i;
    return static_cast<int>(i);
  }
  int FindKey(const String& section, const String& ident) const {
    const int header = FindSection(section);
    if (header < 0) return -1;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i)
      if (lines_[i].kind == LineKind::kKey && SameText(lines_[i].name, ident)) return i;
    return -1;
  }
  // The key lines of the section, in file order.
  std::vector<const Line*> Keys(const String& section) const {
    std::vector<const Line*> keys;
    const int header = FindSection(section);
    if (header < 0) return keys;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i)
      if (lines_[i].kind == LineKind::kKey) keys.push_back(&lines_[i]);
    return keys;
  }
  const std::vector<Line>& Lines() const { return lines_; }

  void Set(const String& section, const String& ident, const String& value) {
    Line line;
    line.text = ident + "=" + value;
    line.kind = LineKind::kKey;
    line.name = ident;
    const int existing = FindKey(section, ident);
    if (existing >= 0) {
      lines_[existing] = std::move(line);
      return;
    }
    int header = FindSection(section);
    if (header < 0) {
      Line head;
      head.text = "[" + section + "]";
      head.kind = LineKind::kSection;
      head.name = section;
      lines_.push_back(std::move(head));
      header = static_cast<int>(lines_.size()) - 1;
    }
    // After the section's last line that is not blank, so the blank line
    // that parts it from the next section stays where it is.
    int at = SectionEnd(header);
    while (at > header + 1 && Trim(lines_[at - 1].text).empty()) --at;
    lines_.insert(lines_.begin() + at, std::move(line));
  }
  bool Remove(int from, int to) {
    if (from < 0 || from >= to) return false;
    lines_.erase(lines_.begin() + from, lines_.begin() + to);
    return true;
  }

  void Save() const {
    const char* end = crlf_ ? "\r\n" : "\n";
    String bytes;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      bytes += lines_[i].text;
      if (i + 1 < lines_.size() || final_newline_) bytes += end;
    }
    if (!WriteFileAtomically(file_, bytes, 0644))
      throw EIniFileException("Unable to write to " + file_);
  }

 private:
  String file_;
  std::vector<Line> lines_;
  bool crlf_ = true;
  bool final_newline_ = true;
};

String NativeName(const String& fileName) {
  if (fileName.find('/') == String::npos && fileName.find('\\') == String::npos &&
      !IsDrivePath(fileName))
    return WindowsFolder() + fileName;
  String native;
  if (ResolvePath(fileName, native)) return native;
  return fileName;
}

// A value is one line of the file.
String OneLine(const String& value) {
  String v = value;
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  return v;
}

}  // namespace

Integer TCustomIniFile::ReadInteger(const String& section, const String& ident, Integer def) const {
  return StrToIntDef(ReadString(section, ident, String()), def);
}

void TCustomIniFile::WriteInteger(const String& section, const String& ident, Integer value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const String& section, const String& ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& section, const String& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

TIniFile::TIniFile(const String& fileName)
    : TCustomIniFile(fileName), native_name_(NativeName(fileName)) {}

String TIniFile::ReadString(const String& section, const String& ident, const String& def) const {
  const IniText ini(native_name_, false);
  const int i = ini.FindKey(section, ident);
  return i < 0 ? def : ValueOf(ini.Lines()[i].text);
}

void TIniFile::WriteString(const String& section, const String& ident, const String& value) {
  IniText ini(native_name_, true);
  ini.Set(section, ident, OneLine(value));
  ini.Save();
}

void TIniFile::ReadSection(const String& section, TStrings* strings) const {
  const IniText ini(native_name_, false);
  strings->BeginUpdate();
  strings->Clear();
  for (const Line* key : ini.Keys(section)) strings->Add(key->name);
  strings->EndUpdate();
}

void TIniFile::ReadSections(TStrings* strings) const {
  const IniText ini(native_name_, false);
  strings->BeginUpdate();
  strings->Clear();
  for (const Line& line : ini.Lines())
    if (line.kind == LineKind::kSection) strings->Add(line.name);
  strings->EndUpdate();
}

void TIniFile::ReadSectionValues(const String& section, TStrings* strings) const {
  const IniText ini(native_name_, false);
  strings->BeginUpdate();
  strings->Clear();
  for (const Line* key : ini.Keys(section)) strings->Add(key->name + "=" + ValueOf(key->text));
  strings->EndUpdate();
}

void TIniFile::EraseSection(const String& section) {
  IniText ini(native_name_, true);
  const int header = ini.FindSection(section);
  if (header >= 0 && ini.Remove(header, ini.SectionEnd(header))) ini.Save();
}

void TIniFile::DeleteKey(const String& section, const String& ident) {
  IniText ini(native_name_, true);
  const int i = ini.FindKey(section, ident);
  if (ini.Remove(i, i + 1)) ini.Save();
}

bool TIniFile::SectionExists(const String& section) const {
  return !IniText(native_name_, false).Keys(section).empty();
}

bool TIniFile::ValueExists(const String& section, const String& ident) const {
  return IniText(native_name_, false).FindKey(section, ident) >= 0;
}
