// platform/data/FieldTypes.cpp
#include "platform/data/FieldTypes.h"

namespace {

// The stream formats store these names; their order is the TFieldType order.
constexpr const char* kFieldTypeNames[FieldTypeCount] = {
    "Unknown",     "String",       "SmallInt",   "Integer",    "Word",     "Boolean",    "Float",
    "Currency",    "BCD",          "Date",       "Time",       "DateTime", "Bytes",      "VarBytes",
    "AutoInc",     "Blob",         "Memo",       "Graphic",    "FmtMemo",  "ParadoxOle", "dBaseOle",
    "TypedBinary", "Cursor",       "FixedChar",  "WideString", "LargeInt", "ADT",        "Array",
    "Reference",   "DataSet",      "HugeBlob",   "HugeClob",   "Variant",  "Interface",  "Dispatch",
    "Guid",        "SQLTimeStamp", "FMTBcdField"};

constexpr const char* kFieldKindNames[FieldKindCount] = {"Data", "Calculated", "Lookup",
                                                         "InternalCalc", "Aggregate"};

}  // namespace

bool IsBlobFieldType(TFieldType type) {
  switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
      return true;
    default:
      return false;
  }
}

bool IsObjectFieldType(TFieldType type) {
  return type == ftADT || type == ftArray || type == ftReference || type == ftDataSet;
}

String FieldTypeName(TFieldType type) {
  return static_cast<int>(type) < FieldTypeCount ? kFieldTypeNames[type] : "";
}

bool FieldTypeFromName(const String& name, TFieldType& type) {
  for (int i = 0; i < FieldTypeCount; ++i)
    if (name == kFieldTypeNames[i]) {
      type = static_cast<TFieldType>(i);
      return true;
    }
  return false;
}

String FieldKindName(TFieldKind kind) {
  return static_cast<int>(kind) < FieldKindCount ? kFieldKindNames[kind] : "";
}

bool FieldKindFromName(const String& name, TFieldKind& kind) {
  for (int i = 0; i < FieldKindCount; ++i)
    if (name == kFieldKindNames[i]) {
      kind = static_cast<TFieldKind>(i);
      return true;
    }
  return false;
}
