// oracle/examples/OracleExampleMain.cpp
//
// oracle_example [OCIDLL=<client library>] <user>/<password>@<database> [table]
#include <iostream>

#include "oracle/OracleCI.h"
#include "oracle/OracleSessionPool.h"
#include "oracle/examples/OracleExample.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/rtl/Paths.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  // Switches (NAME=value) are the library's to read; the rest are ours.
  std::vector<String> arguments;
  for (int i = 1; i <= ParamCount(); ++i)
    if (ParamStr(i).find('=') == String::npos) arguments.push_back(ParamStr(i));
  InitializeModules({
      {"Oracle client", OracleCI::InitializeUnit, OracleCI::FinalizeUnit},
      {"Oracle sessions", Oracle::InitializeSessionUnit, Oracle::FinalizeSessionUnit},
  });
  const int code = RunOracleExample(arguments, std::cout);
  FinalizeModules();
  return code;
}
