// oracle/OracleDataSetSql.h
//
// What the Oracle dataset reads from its own SQL text. Every rule reads the
// outer query only: brackets (sub-queries, function calls) and quoted text
// are stepped over, so that a FROM or WHERE inside a scalar sub-query or a
// literal is never taken for the outer one. Comments are removed first.
#pragma once

#include "platform/rtl/Types.h"

namespace OracleDataSetSql {

// The table a query's DML addresses: the first name of the outer query's
// FROM clause, upper-cased, without double quotes. Brackets and quoted
// literals are skipped while looking for the outer FROM, so a sub-query in
// the select list does not count; a sub-query as the first item of the
// FROM clause is passed over and the next FROM inside the rest of the text
// gives the name. Empty when there is no FROM.
String UpdatingTableName(const String& SQL);
// The alias of that table in the outer FROM clause: the word after the
// table name unless it is a keyword that may follow a table (WHERE,
// ORDER, GROUP, FOR, START, CONNECT); else the table name itself.
String TableAlias(const String& SQL, const String& TableName);
// The constraint name in a server message of error 1, 2290, 2291 or 2292:
// the text after the first "." inside the brackets that hold one ("ORA-
// 02290: check constraint (SCOTT.CK_PRICE) violated" gives "CK_PRICE").
// Empty when the message holds none.
String ConstraintNameOf(const String& ServerMsg);
// The statement that counts the rows of `SQL`: "select count(*) from (",
// the text before the outer WHERE or HAVING, the condition and ")", without
// the ORDER BY or FOR tail.
String CountStatement(const String& SQL);

// A select statement cut where conditions are added to it: Head before the
// outer WHERE (or HAVING), Condition after it up to the ORDER BY or FOR
// tail, and Tail. Keyword is "having" for a statement with an outer GROUP
// BY, else "where"; Condition is empty when the statement has no such
// clause, and Head then runs up to the tail. Comments are removed; each
// part is trimmed. Only the outer query counts: a GROUP BY, WHERE, ORDER
// BY or FOR inside brackets or quotes is part of the text around it.
struct TSelectParts {
  String Head, Condition, Keyword, Tail;
};
TSelectParts SplitSelectStatement(const String& SQL);

}  // namespace OracleDataSetSql
