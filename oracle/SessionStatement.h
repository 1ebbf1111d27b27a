// oracle/SessionStatement.h
//
// The few statements the session runs itself ("alter session", the probes
// for the character width and the date format): each goes straight through
// the call interface in either generation, with the session's call lock
// held around every client call. Query results come back as text, one
// vector per row. The statement component will run these once it exists;
// until then this is the one place the session reaches the server with SQL.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"

class TOracleSession;

namespace Oracle {

using TTextRows = std::vector<std::vector<String>>;

// Runs a statement that returns no rows; raises EOracleError on failure.
void ExecuteStatement(TOracleSession& Session, const String& SQL);
// Runs a query of `Columns` columns and fetches every row as text (NULL
// reads as ""); raises EOracleError on failure.
TTextRows SelectRows(TOracleSession& Session, const String& SQL, Integer Columns);

}  // namespace Oracle
