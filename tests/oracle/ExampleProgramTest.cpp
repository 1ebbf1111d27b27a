// The Oracle library's example program, run against the stand-in server.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "SessionTestSupport.h"
#include "oracle/examples/OracleExample.h"

namespace {

class ExampleWorld : public SessionWorld {
 protected:
  void SetUp() override {
    SessionWorld::SetUp();
    String script = kExampleTableScript;
    script.erase(script.find("commit;"));
    Fixture(script);
  }
  int Run(const std::vector<String>& arguments) {
    output_.str("");
    return RunOracleExample(arguments, output_);
  }
  String Output() const { return output_.str(); }

  std::ostringstream output_;
};

TEST_F(ExampleWorld, WalksThroughTheLibraryAndLeavesTheTableAsItWas) {
  EXPECT_EQ(Run({"scott/tiger@orcl"}), 0) << Output();
  EXPECT_EQ(Output(),
            "Logged on as SCOTT to orcl\n"
            "Opened ZORVET_EXAMPLE: 3 row(s)\n"
            "  1 | Abbey Road\n"
            "  2 | Blue Train\n"
            "  3 | Kind of Blue\n"
            "Edited row 1\n"
            "Inserted row 4\n"
            "Deleted row 2\n"
            "Read again: 3 row(s)\n"
            "  1 | Abbey Road (remastered)\n"
            "  3 | Kind of Blue\n"
            "  4 | Giant Steps\n"
            "Filtered on [ID] > 1: 2 row(s)\n"
            "  3 | Kind of Blue\n"
            "  4 | Giant Steps\n"
            "Query by example: NAME *Blue*\n"
            "Rows the example selects: 1 row(s)\n"
            "  3 | Kind of Blue\n"
            "Rolled back and logged off\n");
  auto session = Scott();
  session->LogOn();
  EXPECT_EQ(One(*session, "select count(*) from zorvet_example"), "3");
  EXPECT_EQ(One(*session,
                "select count(*) from zorvet_example where id = 1 and name = 'Abbey Road' "
                "or id = 2 and name = 'Blue Train' or id = 3"),
            "3");
}

TEST_F(ExampleWorld, ReportsAFailureAndAskedWronglyShowsHowToCallIt) {
  EXPECT_EQ(Run({"scott/wrong@orcl"}), 1);
  EXPECT_EQ(Output().substr(0, 16), "Failed: ORA-0101") << Output();
  EXPECT_EQ(Run({"scott/tiger@orcl", "no_such_table"}), 1);
  EXPECT_NE(Output().find("Failed: ORA-00942"), String::npos) << Output();
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Output().substr(0, 20), "usage: oracle_exampl");
  EXPECT_NE(Output().find("create table zorvet_example"), String::npos);
}

// The program itself, as a user starts it (in the test's own settings
// folder), pointed at a client that is not there: it says so and fails.
TEST_F(ExampleWorld, TheProgramPointedAtAMissingClientSaysSo) {
  const String command =
      String(ZORVET_ORACLE_EXAMPLE) + " OCIDLL=/nonexistent/libclntsh.so scott/tiger@orcl 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  String text;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) text += buffer;
  const int status = pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), 1) << text;
  EXPECT_EQ(text.substr(0, 30), "Failed: Initialization error\r\n") << text;
  EXPECT_NE(text.find("OCIDLL forced to /nonexistent/libclntsh.so"), String::npos) << text;
}

}  // namespace
