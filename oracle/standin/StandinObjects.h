// oracle/standin/StandinObjects.h
//
// Object types as the stand-in server knows them, and the images of their
// instances as a 64-bit client lays them out: each attribute a member of a
// C struct (a NUMBER a 22-byte OCINumber, a DATE an 8-byte OCIDate of
// 2-byte alignment, strings, raws, references and LOBs pointers, an
// embedded object a nested struct), and an indicator struct of 16-bit
// indicators: the object's own first, then one per attribute, an embedded
// object's nested in place. The layout follows the C rules alone, so that
// a test of the library's own layout has something independent to meet.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "oracle/OciConstants.h"
#include "oracle/OciTypes.h"
#include "oracle/standin/StandinDatabase.h"

namespace Standin {

// Type codes of object attributes.
constexpr ub2 kTypecodeNumber = 2;
constexpr ub2 kTypecodeVarchar2 = 9;
constexpr ub2 kTypecodeDate = 12;
constexpr ub2 kTypecodeChar = 96;
constexpr ub2 kTypecodeRaw = 95;
constexpr ub2 kTypecodeObject = 108;
constexpr ub2 kTypecodeNamedCollection = 122;
constexpr ub2 kTypecodeVarray = 247;
constexpr ub2 kTypecodeTable = 248;

struct TObjectAttr {
  std::string name;
  ub2 data_type = 0;  // as a describe gives it: 1, 2, 12, 23, 96, 108, 110, 112 ...
  ub2 typecode = 0;
  ub2 size = 0;
  ub1 precision = 0;
  sb1 scale = 0;
  std::string type;  // "SCHEMA.NAME" of an embedded object or a reference's target
};

struct TObjectType {
  std::string schema, name;
  bool final = true;
  std::vector<TObjectAttr> attributes;
  // A collection type (VARRAY or nested TABLE of one element type) has no
  // attributes but its element.
  ub2 collection = 0;  // kTypecodeVarray or kTypecodeTable
  TObjectAttr element;
  std::string Key() const { return schema + "." + name; }
};

// Where an attribute (dotted for embedded ones) lies in the images.
struct TAttrPlace {
  std::string name;
  std::size_t value_offset = 0, size = 0, indicator_offset = 0;
};

class TObjectTypes {
 public:
  // CREATE [OR REPLACE] TYPE name AS OBJECT (attribute type, ...) [NOT FINAL],
  // or a collection: AS VARRAY(n) OF type, AS TABLE OF type; run as `user`.
  TOraError Create(const std::string& user, const std::string& text);
  // A type by "NAME" (in `user`'s schema) or "SCHEMA.NAME", upper case.
  const TObjectType* Find(const std::string& user, const std::string& name) const;
  const TObjectType* Find(const std::string& key) const;
  const TObjectType* FindAnySchema(const std::string& name) const;

  // The image sizes and alignment of a type, and every attribute's place.
  struct TLayout {
    std::size_t size = 0, align = 1, indicator_size = 2;
    std::vector<TAttrPlace> places;
  };
  TLayout Layout(const std::string& key) const;

 private:
  static std::size_t MemberSize(const TObjectAttr& attr, std::size_t& align);
  std::size_t Align(const TObjectType& type) const;
  std::size_t Lay(const TObjectType& type, const std::string& prefix, std::size_t base,
                  std::size_t& indicator, std::vector<TAttrPlace>& places) const;
  std::map<std::string, TObjectType> types_;
};

}  // namespace Standin
