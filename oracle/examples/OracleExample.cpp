// oracle/examples/OracleExample.cpp
#include "oracle/examples/OracleExample.h"

#include <algorithm>

#include "oracle/OracleDataSet.h"
#include "oracle/OracleErrors.h"
#include "oracle/OracleSession.h"
#include "platform/rtl/StringUtils.h"

namespace {

void Usage(std::ostream& out) {
  out << "usage: oracle_example [OCIDLL=<client library>] <user>/<password>@<database> [table]\n"
         "The table needs an ID and a NAME column, as this script makes one:\n"
      << kExampleTableScript;
}

// The rows the dataset shows, one line each, fields separated by " | ".
void ShowRows(std::ostream& out, const String& step, TOracleDataSet& rows) {
  out << step << ": " << rows.RecordCount() << " row(s)\n";
  const TBookmark place = rows.GetBookmark();
  for (rows.First(); !rows.Eof(); rows.Next()) {
    String line;
    for (TField* field : rows.Fields()) {
      if (!line.empty()) line += " | ";
      line += field->IsNull() ? String("(null)") : field->AsString();
    }
    out << "  " << line << "\n";
  }
  rows.GotoBookmark(place);
}

void Walk(const std::vector<String>& arguments, std::ostream& out) {
  const String table = arguments.size() > 1 ? arguments[1] : String("ZORVET_EXAMPLE");
  TOracleSession session(nullptr);
  session.SetLogonUsername(arguments[0]);
  session.LogOn();
  out << "Logged on as " << UpperCase(session.LogonUsername())
      << (session.LogonDatabase().empty() ? String() : " to " + session.LogonDatabase()) << "\n";

  TOracleDataSet rows(nullptr);
  rows.SetSession(&session);
  // Nothing is committed: the walk ends with a rollback.
  rows.SetCommitOnPost(false);
  rows.SQL()->SetText("select t.rowid, t.* from " + table + " t order by id");
  rows.Open();
  ShowRows(out, "Opened " + table, rows);

  rows.First();
  rows.Edit();
  TField* name = rows.FieldByName("NAME");
  name->SetAsString(name->AsString() + " (remastered)");
  rows.Post();
  out << "Edited row " << rows.FieldByName("ID")->AsString() << "\n";

  // The new row takes the next identifier after the largest one.
  Integer next = 0;
  for (rows.First(); !rows.Eof(); rows.Next())
    next = std::max(next, rows.FieldByName("ID")->AsInteger());
  ++next;
  rows.Append();
  rows.FieldByName("ID")->SetAsInteger(next);
  rows.FieldByName("NAME")->SetAsString("Giant Steps");
  rows.Post();
  out << "Inserted row " << next << "\n";

  rows.First();
  rows.Next();
  const String deleted = rows.FieldByName("ID")->AsString();
  rows.Delete();
  out << "Deleted row " << deleted << "\n";
  rows.Refresh();
  ShowRows(out, "Read again", rows);

  rows.SetFilter("[ID] > 1");
  rows.SetFiltered(true);
  ShowRows(out, "Filtered on " + rows.Filter(), rows);
  rows.SetFiltered(false);

  rows.SetQBEMode(true);
  rows.FieldByName("NAME")->SetAsString("*Blue*");
  out << "Query by example: NAME " << rows.FieldByName("NAME")->AsString() << "\n";
  rows.ExecuteQBE();
  ShowRows(out, "Rows the example selects", rows);
  rows.Close();

  session.Rollback();
  session.LogOff();
  out << "Rolled back and logged off\n";
}

}  // namespace

int RunOracleExample(const std::vector<String>& arguments, std::ostream& out) {
  if (arguments.empty() || arguments.size() > 2) {
    Usage(out);
    return 2;
  }
  try {
    Walk(arguments, out);
    return 0;
  } catch (const Exception& e) {
    out << "Failed: " << e.Message() << "\n";
    return 1;
  }
}
