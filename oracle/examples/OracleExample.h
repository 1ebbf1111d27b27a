// oracle/examples/OracleExample.h
//
// A short walk through the Oracle library as a program uses it: log on,
// open a dataset on a table, edit, insert and delete a row, filter the rows
// and query by example, printing each step and the rows it leaves. The walk works in one
// transaction that it rolls back at the end, so the table stays as it was.
//
// The table needs a numeric column ID that identifies a row and a text
// column NAME (see kExampleTableScript); other columns are shown as they
// are. The client library is the one the Oracle library finds, or the one
// named by the command-line switch OCIDLL=<file>.
#pragma once

#include <ostream>
#include <vector>

#include "platform/rtl/Types.h"

// A table the walk can run on, as a script for SQL*Plus or any client.
inline constexpr const char* kExampleTableScript =
    "create table zorvet_example (id number(9) primary key, name varchar2(40));\n"
    "insert into zorvet_example values (1, 'Abbey Road');\n"
    "insert into zorvet_example values (2, 'Blue Train');\n"
    "insert into zorvet_example values (3, 'Kind of Blue');\n"
    "commit;\n";

// Runs the walk with the program's arguments other than switches: the
// logon ("user/password@database") and, optionally, the table (by default
// ZORVET_EXAMPLE). Prints to `out`; a failure is printed there as well.
// Returns the program's exit code: 0 when every step ran, 1 on a failure,
// 2 for wrong arguments.
int RunOracleExample(const std::vector<String>& arguments, std::ostream& out);
