// oracle/ExpressionParser.h
//
// The parser of the Oracle dataset's filter texts: recursive descent, from
// the loosest level to the tightest:
//
//   expression := [ simple [ relop simple ] ]
//   simple     := term { ( "+" | "-" | OR | XOR ) term }        left-associative
//   term       := factor { ( "*" | "/" | DIV | MOD | AND | SHL | SHR ) factor }
//   factor     := "+" factor | "-" factor | NOT factor | [column name]
//               | 'string' | number | "(" expression ")" | TRUE | FALSE
//               | name [ "(" expression { "," expression } ")" ]
//   relop      := "=" | "<>" | "<" | ">" | "<=" | ">="
//
// So AND binds like "*" and OR like "+", both tighter than "=":
// [A] = 1 OR [B] = 2 reads [A] = (1 OR [B]) and fails at the second "=";
// comparisons are combined in brackets: ([A] = 1) OR ([B] = 2).
//
// Lexical rules: blanks are the bytes 1 to 32; the text ends at its end or
// at a zero byte. Keywords and names are letters, digits and "_" (not
// starting with a digit) in any case, upper-cased before use. Numbers are
// digits with at most one decimal separator (the format settings') and an
// exponent "E" with an optional "-" and at least one digit, at most 28
// characters; one without separator and exponent is an Integer up to
// 2147483647, every other a Float. Strings are in single quotes, a doubled
// quote standing for one, at most 256 bytes; column names are in brackets,
// taken as written, at most 256 bytes.
//
// Names: a name followed by "(" takes the bracketed arguments. Built-in
// functions (oracle/ExpressionFunctions.h) are tried first; any other name,
// and every bracketed column name, goes to the resolver, which returns a node
// (typically a column of the dataset) or nullptr. Without a resolver, or when
// the resolver has no node, the parser raises "Unknown Identifier %s".
//
// Errors are EExpression with the messages below and, in Position(), the
// 1-based byte position in the text where the parser found the fault (for a
// token: where the token starts). A failed parse leaves nothing behind.
//   "%s not appropriate"        text left after a complete expression, also
//                               a second expression where one has ended
//                               (1 = 1 NOT 2), which is never dropped silently
//   "Bad numeric format"  "Unterminated string"  "String too long"
//   "Unterminated fieldname"  "Fieldname too long"
//   "%s not a valid operator"   relational characters that form none
//   "Incorrectly formed parameters"   "Unknown Identifier %s"
//   "%s not allowed here"       an operator word where an operand belongs
//   "invalid sub-expression"    "()"       " ) expected"
//   "Unexpected end of factor"  "Syntax error"
//   "Identifier %s not allowed here"  "Boolean literal not allowed here"
//   "char %s in input stream"   an unexpected character after an operand
//   "Operator %s incompatible with %s"   (see oracle/Expression.h)
//   "Expression nested too deeply"   brackets, signs, NOT and calls nested
//       more than MaxExpressionNesting deep, or a tree taller than
//       MaxExpressionHeight: beyond them evaluating the tree (or parsing
//       it) could run out of stack.
//
// Threads: sets the process-wide option flags (see oracle/Expression.h);
// parses must not run on two threads at once.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "oracle/Expression.h"
#include "oracle/ExpressionFunctions.h"
#include "platform/data/FieldTypes.h"

namespace OracleFilter {

inline constexpr Integer MaxExpressionNesting = 256;
inline constexpr Integer MaxExpressionHeight = 4096;

// Turns a name into a node. `Params` is null for a bracketed column name and
// for a name written without brackets; the resolver may take it over
// (std::move), or leave it to be freed. Returns nullptr for an unknown name.
using TResolveNameEvent = std::function<std::unique_ptr<TExpression>(
    const String& Name, std::unique_ptr<TParameterList>& Params)>;

// Sets the option flags (case-insensitive = foCaseInsensitive, partial
// compare = not foNoPartialCompare) and parses `text`; nullptr for an empty
// or blank text. `resolver` may be empty.
std::unique_ptr<TExpression> ParseFilterExpression(std::string_view text, TFilterOptions options,
                                                   const TResolveNameEvent& resolver);

}  // namespace OracleFilter
