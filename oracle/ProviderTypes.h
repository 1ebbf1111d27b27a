// oracle/ProviderTypes.h
//
// How the Oracle dataset's provider interface turns the parameters of the
// dataset model into bind variables and back: the variable type a
// parameter of each field type is declared with, once for the dataset's own
// statement and once for a statement the provider runs, and the field type
// a parameter made from a variable gets. Type codes are the call
// interface's (oracle/OracleTypes.h).
#pragma once

#include "platform/data/Params.h"

namespace OracleProvider {

// The variable type of a parameter of the dataset's own statement; 0 when
// parameters of that type are not declared at all.
Integer ParamVariableType(TFieldType DataType);
// The variable type of a parameter of a statement the provider runs: text
// longer than `MaxStringSize` goes as LONG, and types the dataset does not
// bind otherwise go as strings.
Integer StatementVariableType(const TParam& Param, Integer MaxStringSize);
// The field type of a parameter standing for a variable of `VariableType`.
TFieldType VariableParamType(Integer VariableType);

}  // namespace OracleProvider
