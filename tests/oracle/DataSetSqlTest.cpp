// What the dataset reads from its SQL: the table its DML goes to and that
// table's alias, the count statement and the constraint name in a message.
#include <gtest/gtest.h>

#include "oracle/OracleDataSetSql.h"

namespace {

using namespace OracleDataSetSql;

struct TableCase {
  const char* sql;
  const char* table;
  const char* alias;
};

TEST(DataSetSql, FindsTheOuterTableAndItsAlias) {
  const TableCase cases[] = {
      {"select * from emp", "EMP", "EMP"},
      {"select * from emp e where e.deptno = 10", "EMP", "E"},
      {"select * from emp where deptno = 10", "EMP", "EMP"},
      {"select e.*, d.dname from scott.emp e, dept d where d.deptno = e.deptno", "SCOTT.EMP", "E"},
      {"select * from \"Emp\" order by 1", "EMP", "EMP"},
      {"select * from emp e join dept d on d.deptno = e.deptno", "EMP", "E"},
      {"select * from emp_view v", "EMP_VIEW", "V"},
      {"SELECT *\nFROM\temp\n", "EMP", "EMP"},
      {"select * from(select * from emp) where 1 = 1", "EMP", "EMP"},
      {"select * from (select * from emp x) e", "EMP", "X"},
      // A comment or a literal never counts as the FROM clause.
      {"select /* from notes */ 'from quotes' f from emp", "EMP", "EMP"},
      // A scalar sub-query in the select list is not the outer FROM.
      {"select (select max(x) from t2) m, a.* from t1 a", "T1", "A"},
      {"select nvl((select 1 from dual), 0) n from cds c where c.id = 1", "CDS", "C"},
      {"select ')' x from emp e", "EMP", "E"},
      {"begin :c := 1; end;", "", ""},
  };
  for (const TableCase& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(UpdatingTableName(c.sql), c.table);
    EXPECT_EQ(TableAlias(c.sql, UpdatingTableName(c.sql)), c.alias);
  }
}

TEST(DataSetSql, AliasOfAnotherTableNamedByHandIsThatTable) {
  EXPECT_EQ(TableAlias("select * from emp e", "DEPT"), "DEPT");
}

TEST(DataSetSql, CountStatementKeepsTheConditionAndDropsTheOrder) {
  EXPECT_EQ(CountStatement("select * from emp where sal > 10 order by ename"),
            "select count(*) from (\nselect * from emp\nWHERE sal > 10)");
  EXPECT_EQ(CountStatement("select deptno from emp group by deptno having count(*) > 1"),
            "select count(*) from (\nselect deptno from emp group by deptno\nHAVING count(*) > 1)");
  EXPECT_EQ(CountStatement("select * from emp for update"),
            "select count(*) from (\nselect * from emp\n)");
  // The sub-query's WHERE and ORDER stay inside it; a literal keeps its case.
  EXPECT_EQ(CountStatement("select (select max(x) from t where y = 1) m from t1 "
                           "where name = 'Order Form' order by 1"),
            "select count(*) from (\nselect (select max(x) from t where y = 1) m from t1\n"
            "WHERE name = 'Order Form')");
}

TEST(DataSetSql, ConstraintNameIsThePartAfterThePointInBrackets) {
  EXPECT_EQ(ConstraintNameOf("ORA-00001: unique constraint (SCOTT.PK_EMP) violated"), "PK_EMP");
  EXPECT_EQ(ConstraintNameOf("ORA-02290: check (see notes) constraint (SCOTT.CK_SAL) violated"),
            "CK_SAL");
  EXPECT_EQ(ConstraintNameOf("ORA-02291: integrity constraint violated - parent key not found"),
            "");
  EXPECT_EQ(ConstraintNameOf("odd ) text ( without (a point)"), "");
}

}  // namespace

namespace {

struct SplitCase {
  const char* sql;
  const char* head;
  const char* condition;
  const char* keyword;
  const char* tail;
};

TEST(DataSetSql, SelectSplitsWhereConditionsGo) {
  const SplitCase cases[] = {
      {"select * from emp", "select * from emp", "", "where", ""},
      {"select * from emp e where e.sal > 10 order by ename", "select * from emp e", "e.sal > 10",
       "where", "order by ename"},
      {"select * from emp for update nowait", "select * from emp", "", "where",
       "for update nowait"},
      // Grouped rows take their conditions in a having clause.
      {"select deptno, count(*) from emp group by deptno",
       "select deptno, count(*) from emp group by deptno", "", "having", ""},
      {"select deptno from emp where x = 1 group by deptno having count(*) > 1 order by 1",
       "select deptno from emp where x = 1 group by deptno", "count(*) > 1", "having",
       "order by 1"},
      // Sub-queries, literals and comments hold no clause of the outer query.
      {"select (select max(x) from t where y = 1 order by 1) m from t1 /* where */ "
       "where name = 'Order for' order by 1",
       "select (select max(x) from t where y = 1 order by 1) m from t1", "name = 'Order for'",
       "where", "order by 1"},
      {"SELECT *\nFROM emp\nWHERE deptno = 10\n", "SELECT *\nFROM emp", "deptno = 10", "where", ""},
      // Only the outer query's own GROUP BY makes its rows groups.
      {"select * from emp where deptno in (select deptno from emp group by deptno) order by 1",
       "select * from emp", "deptno in (select deptno from emp group by deptno)", "where",
       "order by 1"},
      {"select * from emp where job <> 'GROUP' -- group by\n", "select * from emp",
       "job <> 'GROUP'", "where", ""},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.sql);
    const TSelectParts parts = SplitSelectStatement(c.sql);
    EXPECT_EQ(parts.Head, c.head);
    EXPECT_EQ(parts.Condition, c.condition);
    EXPECT_EQ(parts.Keyword, c.keyword);
    EXPECT_EQ(parts.Tail, c.tail);
  }
}

}  // namespace
