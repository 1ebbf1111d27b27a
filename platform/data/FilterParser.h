// platform/data/FilterParser.h
//
// The filter-expression parser: turns a dataset's Filter text into a tree of
// nodes that a dataset's evaluator walks for each record. The parser only
// builds the tree; what a node means when evaluated is the evaluator's.
//
// Syntax (keywords in any letter case):
//
//   expr     := and { OR and }
//   and      := not { AND not }
//   not      := NOT not | compare
//   compare  := sum [ op sum | IS [NOT] NULL | [NOT] LIKE sum | [NOT] IN ( sum {, sum} ) ]
//   op       := = | <> | < | > | <= | >=
//   sum      := product { (+ | -) product }
//   product  := unary { (* | / | %) unary }
//   unary    := - unary | + unary | primary
//   primary  := number | 'text' | "text" | NULL | name | [any name]
//             | function ( [expr {, expr}] ) | ( expr )
//
// A name is letters, digits, '_', '.' and non-ASCII characters, not starting
// with a digit; a name in brackets may hold anything but ']'. Quotes inside
// a string constant are doubled. A name followed by "(" is a function; UPPER
// and LOWER become unary operators, any other name a function node (the
// evaluator knows which names exist).
//
// Null tests: "x IS NULL" and "x = NULL" give an is-blank node, "x IS NOT
// NULL" and "x <> NULL" a not-blank node. "x NOT LIKE y" and "x NOT IN (...)"
// are the negation of LIKE and IN.
//
// Compare nodes: =, <> and LIKE between a field and a string constant become
// a compare node when the foCaseInsensitive option is set, or, for = and <>
// only and unless foNoPartialCompare is set, when the constant ends in '*'
// (the '*' is then dropped and the partial length is the number of
// characters before it); every other comparison is a binary node. LIKE
// always keeps its whole pattern.
//
// Field names are resolved when the text is parsed, through the dataset's
// FieldByName: an unknown name raises the dataset model's field-not-found
// error then. A syntax error raises EDatabaseError with a message that gives
// the 1-based character position of the offending token.
//
// Limits: brackets, NOT, signs and function argument lists nest at most 256
// deep, and the tree (chains of operators included) is at most 512 levels
// deep; past either the text is refused as a syntax error ("expression
// nested too deeply") at the token that goes too deep, so that neither the
// parser nor whatever walks the tree runs out of stack.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TField;

// Node classes (the ordinals are those of the canonical expression form).
enum TExprNodeClass : Byte {
  ncNull,
  ncUnary,
  ncBinary,
  ncCompare,
  ncField,
  ncConstant,
  ncTuple,
  ncContinue,
  ncUserFunction,
  ncList,
  ncFunction,
  ncListElement,
};

// Operators (the ordinals are those of the canonical expression form; the
// gaps are operators this parser never produces).
enum TExprOperator : Byte {
  eoNone = 0,
  eoIsBlank = 1,
  eoNotBlank = 2,
  eoEqual = 3,
  eoNotEqual = 4,
  eoGreater = 5,
  eoLess = 6,
  eoGreaterOrEqual = 7,
  eoLessOrEqual = 8,
  eoNot = 9,
  eoAnd = 10,
  eoOr = 11,
  eoField = 13,
  eoConstant = 14,
  eoMinus = 15,
  eoAdd = 16,
  eoSubtract = 17,
  eoMultiply = 18,
  eoDivide = 19,
  eoModulo = 20,
  eoRemainder = 21,
  eoLike = 30,
  eoIn = 31,
  eoUpper = 33,
  eoLower = 34,
  eoFunction = 35,
  eoListElement = 36,
};

// One node. Which members matter depends on the class:
//   ncUnary       Args[0]
//   ncBinary      Args[0] (left), Args[1] (right); for eoIn the right side
//                 is an ncListElement node
//   ncCompare     CaseInsensitive, PartialLength (characters; 0 = whole
//                 text), Args[0], Args[1]
//   ncField       FieldNo, FieldName, Field, DataType (mapped, see below)
//   ncConstant    DataType (ftString, ftInteger, ftLargeint or ftFloat), Value
//   ncFunction    FunctionName (as written), Args: none, or one argument node
//                 (the single argument, or an ncListElement of several)
//   ncListElement Args: the elements
struct TExprNode {
  TExprNodeClass NodeClass = ncNull;
  TExprOperator Operator = eoNone;
  std::vector<std::unique_ptr<TExprNode>> Args;
  bool CaseInsensitive = false;
  Integer PartialLength = 0;
  Integer FieldNo = 0;
  String FieldName;
  TField* Field = nullptr;
  TFieldType DataType = ftUnknown;
  Variant Value;
  String FunctionName;
  // 1-based character position of the node's token in the text.
  Integer Position = 0;
  // Levels of the tree from this node down (1 for a leaf).
  Integer Depth = 1;
};

// The type the evaluator should treat a field type as, one entry per
// TFieldType ordinal. The default maps every type to itself.
using TFieldTypeMap = std::array<TFieldType, FieldTypeCount>;
TFieldTypeMap IdentityFieldTypeMap();

class TExprParser {
 public:
  // Parses `text` for `dataSet` (whose fields must exist). Raises as the
  // top of this file says.
  TExprParser(TDataSet* dataSet, const String& text, TFilterOptions options,
              const TFieldTypeMap& fieldTypeMap = IdentityFieldTypeMap());
  ~TExprParser();
  TExprParser(const TExprParser&) = delete;
  TExprParser& operator=(const TExprParser&) = delete;

  const String& Text() const { return text_; }
  TFilterOptions Options() const { return options_; }
  // The root of the tree.
  const TExprNode* Root() const { return root_.get(); }

 private:
  String text_;
  TFilterOptions options_;
  std::unique_ptr<TExprNode> root_;
};
