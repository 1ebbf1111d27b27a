// oracle/standin/StandinObjectTypes.cpp
#include "oracle/standin/StandinObjects.h"

#include "oracle/standin/StandinSql.h"
#include "oracle/standin/StandinValue.h"

namespace Standin {
namespace {

std::string Held(const TToken& token) {
  return token.kind == TToken::TKind::Quoted ? token.text : token.upper;
}

std::size_t AlignUp(std::size_t offset, std::size_t align) {
  return (offset + align - 1) / align * align;
}

}  // namespace

const TObjectType* TObjectTypes::Find(const std::string& key) const {
  const auto found = types_.find(key);
  return found == types_.end() ? nullptr : &found->second;
}

const TObjectType* TObjectTypes::FindAnySchema(const std::string& name) const {
  for (const auto& [key, type] : types_)
    if (type.name == name) return &type;
  return nullptr;
}

const TObjectType* TObjectTypes::Find(const std::string& user, const std::string& name) const {
  return Find(name.find('.') == std::string::npos ? user + "." + name : name);
}

TOraError TObjectTypes::Create(const std::string& user, const std::string& text) {
  const std::vector<TToken> t = Tokenize(text);
  std::size_t i = 1;
  if (i + 1 < t.size() && t[i].Is("OR") && t[i + 1].Is("REPLACE")) i += 2;
  if (i >= t.size() || !t[i].Is("TYPE")) return NoRule(text);
  TObjectType type;
  type.schema = user;
  type.name = Held(t.at(++i));
  if (i + 2 < t.size() && t[i + 1].IsSymbol(".")) {
    type.schema = type.name;
    i += 2;
    type.name = Held(t[i]);
  }
  ++i;
  // Reads the type of an attribute or element at t[i], leaving i on its
  // last token.
  const auto read_type = [&](TObjectAttr& attr) -> TOraError {
    if (i >= t.size()) return NoRule(text);
    const std::string word = t[i].upper;
    // A length, or a precision and scale, in parentheses.
    std::vector<int> numbers;
    const auto read_numbers = [&] {
      if (i + 1 < t.size() && t[i + 1].IsSymbol("("))
        for (i += 2; i < t.size() && !t[i].IsSymbol(")"); ++i)
          if (t[i].kind == TToken::TKind::Number) numbers.push_back(std::stoi(t[i].text));
    };
    if (word == "NUMBER" || word == "INTEGER") {
      read_numbers();
      attr.data_type = kSqltNum;
      attr.typecode = kTypecodeNumber;
      attr.size = 22;
      attr.precision = static_cast<ub1>(word == "INTEGER" ? 38 : numbers.empty() ? 0 : numbers[0]);
      attr.scale = static_cast<sb1>(numbers.size() > 1 ? numbers[1] : 0);
    } else if (word == "VARCHAR2" || word == "VARCHAR" || word == "CHAR" || word == "RAW") {
      read_numbers();
      attr.data_type = word == "CHAR" ? kSqltAfc : word == "RAW" ? kSqltBin : kSqltChr;
      attr.typecode = word == "CHAR"  ? kTypecodeChar
                      : word == "RAW" ? kTypecodeRaw
                                      : kTypecodeVarchar2;
      attr.size = static_cast<ub2>(numbers.empty() ? 1 : numbers[0]);
    } else if (word == "DATE") {
      attr.data_type = attr.typecode = kSqltDat;
      attr.size = 7;
    } else if (word == "CLOB" || word == "BLOB" || word == "BFILE") {
      attr.data_type = attr.typecode = word == "CLOB"   ? kSqltClob
                                       : word == "BLOB" ? kSqltBlob
                                                        : kSqltBfile;
      attr.size = word == "BFILE" ? 530 : 4000;
    } else {
      const bool ref = word == "REF";
      if (ref) ++i;
      if (i >= t.size()) return NoRule(text);
      std::string key = Held(t[i]);
      if (i + 2 < t.size() && t[i + 1].IsSymbol(".")) {
        key += "." + Held(t[i + 2]);
        i += 2;
      }
      const TObjectType* target = Find(user, key);
      if (!target) return OraError(902, "invalid datatype");
      // A client holds an embedded object of a type that is not final
      // through a pointer to an instance of its own, which the images here
      // do not model.
      if (!ref && !target->final)
        return NoRule("an embedded attribute of the type " + target->Key() +
                      ", which is not final");
      // A collection is a named type too, held by the client through a
      // pointer; its type code tells it from an object.
      attr.data_type = ref ? kTypecodeRef : kTypecodeObject;
      attr.typecode = ref                  ? kTypecodeRef
                      : target->collection ? kTypecodeNamedCollection
                                           : kTypecodeObject;
      attr.type = target->Key();
      attr.size = ref ? 36 : 0;
    }
    return {};
  };
  if (i + 1 < t.size() && (t[i].Is("AS") || t[i].Is("IS")) &&
      (t[i + 1].Is("VARRAY") || t[i + 1].Is("TABLE"))) {
    type.collection = t[i + 1].Is("VARRAY") ? kTypecodeVarray : kTypecodeTable;
    i += 2;
    // A VARRAY's limit, which the model does not keep.
    if (type.collection == kTypecodeVarray && i < t.size() && t[i].IsSymbol("("))
      while (i < t.size() && !t[i].IsSymbol(")")) ++i;
    if (type.collection == kTypecodeVarray) ++i;
    if (i >= t.size() || !t[i].Is("OF")) return NoRule(text);
    ++i;
    if (TOraError e = read_type(type.element)) return e;
    // Collections of objects or references are beyond the model.
    if (type.element.typecode == kTypecodeObject || type.element.typecode == kTypecodeRef ||
        type.element.typecode == kTypecodeNamedCollection)
      return NoRule("a collection of named types: " + text);
    types_[type.Key()] = type;
    return {};
  }
  if (i + 2 >= t.size() || !(t[i].Is("AS") || t[i].Is("IS")) || !t[i + 1].Is("OBJECT") ||
      !t[i + 2].IsSymbol("("))
    return NoRule(text);
  i += 3;
  while (i < t.size() && !t[i].IsSymbol(")")) {
    TObjectAttr attr;
    attr.name = Held(t[i++]);
    if (TOraError e = read_type(attr)) return e;
    type.attributes.push_back(attr);
    ++i;
    if (i < t.size() && t[i].IsSymbol(",")) ++i;
  }
  if (type.attributes.empty()) return NoRule(text);
  for (++i; i + 1 < t.size(); ++i)
    if (t[i].Is("NOT") && t[i + 1].Is("FINAL")) type.final = false;
  types_[type.Key()] = type;
  return {};
}

TObjectTypes::TLayout TObjectTypes::Layout(const std::string& key) const {
  TLayout layout;
  const TObjectType* type = Find(key);
  if (!type) return layout;
  std::size_t indicator = 2;  // after the object's own indicator
  layout.size = Lay(*type, "", 0, indicator, layout.places);
  layout.align = Align(*type);
  layout.indicator_size = indicator;
  return layout;
}

std::size_t TObjectTypes::MemberSize(const TObjectAttr& attr, std::size_t& align) {
  if (attr.typecode == kTypecodeNumber) {
    align = 1;  // OCINumber: 22 bytes
    return 22;
  }
  if (attr.typecode == kTypecodeDate) {
    align = 2;  // OCIDate: a 16-bit year and six bytes
    return 8;
  }
  align = alignof(void*);
  return sizeof(void*);
}

std::size_t TObjectTypes::Align(const TObjectType& type) const {
  std::size_t align = 1;
  for (const TObjectAttr& attr : type.attributes) {
    std::size_t member = 1;
    if (attr.typecode == kTypecodeObject)
      member = Align(*Find(attr.type));
    else
      MemberSize(attr, member);
    align = std::max(align, member);
  }
  return align;
}

// Lays `type` out as a struct at `base`; its size, a multiple of its
// strictest member's alignment.
std::size_t TObjectTypes::Lay(const TObjectType& type, const std::string& prefix, std::size_t base,
                              std::size_t& indicator, std::vector<TAttrPlace>& places) const {
  std::size_t offset = 0;
  for (const TObjectAttr& attr : type.attributes) {
    TAttrPlace place;
    place.name = prefix + attr.name;
    place.indicator_offset = indicator;
    indicator += 2;
    if (attr.typecode == kTypecodeObject) {
      const TObjectType& inner = *Find(attr.type);
      offset = AlignUp(offset, Align(inner));
      place.value_offset = base + offset;
      const std::size_t at = places.size();
      places.push_back(place);
      places[at].size = Lay(inner, place.name + ".", base + offset, indicator, places);
      offset += places[at].size;
      continue;
    }
    std::size_t align = 1;
    place.size = MemberSize(attr, align);
    offset = AlignUp(offset, align);
    place.value_offset = base + offset;
    places.push_back(place);
    offset += place.size;
  }
  return AlignUp(offset, Align(type));
}

}  // namespace Standin
