// oracle/ProviderTypes.cpp
#include "oracle/ProviderTypes.h"

#include "oracle/OracleTypes.h"

namespace OracleProvider {

using namespace Oracle;

Integer ParamVariableType(TFieldType DataType) {
  switch (DataType) {
    case ftString:
      return otString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
      return otInteger;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return otFloat;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return otDate;
    case ftBlob:
      return otLongRaw;
    case ftMemo:
      return otLong;
    case ftCursor:
      return otCursor;
    case ftOraBlob:
      return otBLOB;
    case ftOraClob:
      return otCLOB;
    default:
      return 0;
  }
}

Integer StatementVariableType(const TParam& Param, Integer MaxStringSize) {
  switch (Param.DataType()) {
    case ftString:
    case ftMemo:
      return Integer(Param.AsString().size()) > MaxStringSize ? otLong : otString;
    case ftCursor:
      return otString;
    default: {
      const Integer type = ParamVariableType(Param.DataType());
      return type != 0 ? type : otString;
    }
  }
}

TFieldType VariableParamType(Integer VariableType) {
  switch (VariableType) {
    case otInteger:
      return ftInteger;
    case otFloat:
      return ftFloat;
    case otString:
      return ftString;
    case otLong:
      return ftMemo;
    case otDate:
      return ftDateTime;
    case otLongRaw:
      return ftBlob;
    case otCLOB:
      return ftOraClob;
    case otBLOB:
    case otBFile:
      return ftOraBlob;
    case otCursor:
      return ftCursor;
    default:
      return ftUnknown;
  }
}

}  // namespace OracleProvider
