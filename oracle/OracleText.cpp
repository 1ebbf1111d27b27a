// oracle/OracleText.cpp
#include "oracle/OracleText.h"

#include <cmath>
#include <cstring>

#include "platform/rtl/StringUtils.h"

namespace Oracle {

namespace {

bool IsNameChar(unsigned char c) {
  return c == '#' || c == '$' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z') || c >= 128;
}

bool IsBlank(unsigned char c) {
  return c <= ' ';
}

}  // namespace

std::unique_ptr<TStringList> FindVariables(const String& SQL, bool KeepDuplicates) {
  enum class TState { SQL, Variable, Quote, Comment };
  auto variables = std::make_unique<TStringList>();
  // The scan runs past the end of the text so that a name at the very end
  // is closed like any other.
  const String text = SQL + "\r\n";
  TState state = TState::SQL;
  String name;
  std::size_t position = 0;
  // A line comment ends at LF, which also ends a CR LF line break.
  String terminator;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (state) {
      case TState::SQL:
        if (c == ':') {
          state = TState::Variable;
          name.clear();
          position = i + 1;
        } else if (c == '\'') {
          state = TState::Quote;
        } else if (c == '/' && next == '*') {
          state = TState::Comment;
          terminator = "*/";
          ++i;
        } else if (c == '-' && next == '-') {
          state = TState::Comment;
          terminator = "\n";
          ++i;
        }
        break;
      case TState::Quote:
        if (c == '\'') state = TState::SQL;
        break;
      case TState::Comment:
        if (c == static_cast<unsigned char>(terminator[0]) &&
            (terminator.size() == 1 || next == terminator[1])) {
          state = TState::SQL;
          // The terminator's last character is looked at again as SQL.
          if (terminator.size() == 1) --i;
        }
        break;
      case TState::Variable:
        if (IsNameChar(c)) {
          name += char(c);
        } else {
          name = AnsiUpperCase(name);
          if (!name.empty() && (KeepDuplicates || variables->IndexOf(name) < 0))
            variables->AddObject(name,
                                 reinterpret_cast<TObject*>(static_cast<std::intptr_t>(position)));
          state = TState::SQL;
        }
        break;
    }
  }
  return variables;
}

Integer VariablePosition(const TStringList& variables, Integer index) {
  return static_cast<Integer>(reinterpret_cast<std::intptr_t>(variables.Objects(index)));
}

String RemoveSQLComments(const String& SQL) {
  enum class TState { Normal, Quoted, Block, Line };
  String result;
  result.reserve(SQL.size());
  TState state = TState::Normal;
  for (std::size_t i = 0; i < SQL.size(); ++i) {
    const char c = SQL[i];
    const char next = i + 1 < SQL.size() ? SQL[i + 1] : '\0';
    switch (state) {
      case TState::Normal:
        if (c == '/' && next == '*') {
          state = TState::Block;
          ++i;
        } else if (c == '-' && next == '-') {
          state = TState::Line;
          ++i;
        } else {
          if (c == '\'') state = TState::Quoted;
          result += c;
        }
        break;
      case TState::Quoted:
        if (c == '\'') state = TState::Normal;
        result += c;
        break;
      case TState::Block:
        if (c == '*' && next == '/') {
          ++i;
          state = TState::Normal;
          const bool joins = !result.empty() && !IsBlank(result.back()) && i + 1 < SQL.size() &&
                             !IsBlank(SQL[i + 1]);
          if (joins) result += ' ';
        }
        break;
      case TState::Line:
        if (c == '\n') {
          state = TState::Normal;
          result += (i > 0 && SQL[i - 1] == '\r') ? "\r\n" : "\n";
        }
        break;
    }
  }
  std::size_t begin = 0;
  std::size_t end = result.size();
  while (begin < end && IsBlank(result[begin])) ++begin;
  while (end > begin && IsBlank(result[end - 1])) --end;
  return result.substr(begin, end - begin);
}

void DateTimeToOracleDate(Byte (&Bytes)[7], TDateTime Value) {
  Word year, month, day, hour, minute, second, msec;
  DecodeDateTime(Value, year, month, day, hour, minute, second, msec);
  Bytes[0] = Byte(year / 100 + 100);
  Bytes[1] = Byte(year % 100 + 100);
  Bytes[2] = Byte(month);
  Bytes[3] = Byte(day);
  Bytes[4] = Byte(hour + 1);
  Bytes[5] = Byte(minute + 1);
  Bytes[6] = Byte(second + 1);
}

void OracleDateToDateTime(const Byte (&Bytes)[7], TDateTime& Value) {
  const int year = (int(Bytes[0]) - 100) * 100 + (int(Bytes[1]) - 100);
  TDateTime date = -693594.0;
  if (year > 0 && year <= 9999) {
    TDateTime valid;
    if (TryEncodeDate(Word(year), Bytes[2], Bytes[3], valid)) date = valid;
  }
  TDateTime time = 0;
  if (Bytes[4] < 1 || Bytes[5] < 1 || Bytes[6] < 1 ||
      !TryEncodeTime(Word(Bytes[4] - 1), Word(Bytes[5] - 1), Word(Bytes[6] - 1), 0, time))
    time = 0;
  Value = date >= 0 ? date + time : date - time;
}

String AdjustCRLF(const String& Text, const TOracleSessionBase* Session) {
  if (Session && !Session->ConvertCRLF()) return Text;
  String result;
  result.reserve(Text.size() + Text.size() / 16);
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c == '\r') {
      result += "\r\n";
      if (i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      result += "\r\n";
    } else {
      result += c;
    }
  }
  return result;
}

void OracleValueToVariant(const void* Buffer, Integer ExternalType, Integer Size, Variant& Value,
                          const TOracleSessionBase* Session) {
  const char* bytes = static_cast<const char*>(Buffer);
  const std::size_t size = Size > 0 ? std::size_t(Size) : 0;
  switch (ExternalType) {
    case 12: {
      Byte date[7];
      std::memcpy(date, bytes, sizeof date);
      TDateTime value;
      OracleDateToDateTime(date, value);
      Value = VarFromDateTime(value);
      break;
    }
    case 1:
    case 5:
    case 10:
    case 97: {
      const std::size_t length = size > 0 ? strnlen(bytes, size) : std::strlen(bytes);
      Value = AdjustCRLF(String(bytes, length), Session);
      break;
    }
    case 3: {
      std::int32_t number;
      std::memcpy(&number, bytes, sizeof number);
      Value = number;
      break;
    }
    case 4: {
      double number;
      std::memcpy(&number, bytes, sizeof number);
      Value = number;
      break;
    }
    case 8:
      Value = String(bytes, size);
      break;
    case 24:
      Value = VarByteArray(bytes, size);
      break;
    case 108:
    case 110:
    case 112:
    case 113:
    case 114:
    case 116: {
      std::int32_t id;
      std::memcpy(&id, bytes, sizeof id);
      Value = id;
      break;
    }
    default:
      break;
  }
}

String CountText(Integer Count, const String& Noun) {
  return IntToStr(Count) + " " + Noun + (Count == 1 ? "" : "s");
}

}  // namespace Oracle

namespace Oracle {

TMsgDlgButtons ConfirmButtons(const String& Letters) {
  TMsgDlgButtons buttons;
  for (const char letter : Letters) {
    switch (letter) {
      case 'Y':
        buttons.Include(mbYes);
        break;
      case 'N':
        buttons.Include(mbNo);
        break;
      case 'C':
        buttons.Include(mbCancel);
        break;
      case 'O':
        buttons.Include(mbOK);
        break;
      case 'I':
        buttons.Include(mbIgnore);
        break;
      case 'A':
        buttons.Include(mbAll);
        break;
      default:
        break;
    }
  }
  return buttons;
}

Integer ConfirmDialog(const String& Message, const String& Letters) {
  return MessageDlg(Message, mtConfirmation, ConfirmButtons(Letters), 0);
}

}  // namespace Oracle
