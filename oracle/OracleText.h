// oracle/OracleText.h
//
// Small routines that the session, the query and the datasets share: finding
// the bind variables of a statement, removing its comments, the 7-byte DATE
// of the client, turning a client buffer into a Variant, and a count with
// its noun.
#pragma once

#include <cstdint>
#include <memory>

#include "oracle/OracleErrors.h"
#include "platform/controls/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"

namespace Oracle {

// The bind variables of `SQL`, upper-cased, in order of appearance: a ':'
// followed by letters, digits, '_', '$', '#' or bytes from 128 on (":1" is
// the variable "1"). Variables inside quoted literals and comments are not
// variables; "::" and ":=" name none. Each name's object is the position of
// its ':' (counted from 1): read it with VariablePosition. With
// KeepDuplicates false a name appears once, with its first position.
std::unique_ptr<TStringList> FindVariables(const String& SQL, bool KeepDuplicates);
Integer VariablePosition(const TStringList& variables, Integer index);

// `SQL` without its comments, trimmed of blanks and control characters at
// both ends. Quoted literals are kept as they are. A line comment keeps the
// line break that ends it, and a block comment between two words leaves a
// blank, so that removing a comment never joins two words.
String RemoveSQLComments(const String& SQL);

// The client's 7-byte DATE: century + 100, year in century + 100, month,
// day, hour + 1, minute + 1, second + 1. Milliseconds are dropped.
void DateTimeToOracleDate(Byte (&Bytes)[7], TDateTime Value);
// A date with a year of 0 or before, or that does not exist, reads as
// -693594 (plus or minus the time); a time that does not exist as 0.
void OracleDateToDateTime(const Byte (&Bytes)[7], TDateTime& Value);

// Line breaks of text read from the server made CR LF, unless `Session` is
// given and its ConvertCRLF preference is off.
String AdjustCRLF(const String& Text, const TOracleSessionBase* Session);

// A client buffer of `ExternalType` holding `Size` bytes (strings end at
// their first zero byte or at Size) as a Variant. The object, reference, LOB
// and cursor types hold the 32-bit id of the object that stands for them.
// Other types leave `Value` unchanged.
void OracleValueToVariant(const void* Buffer, Integer ExternalType, Integer Size, Variant& Value,
                          const TOracleSessionBase* Session);

// "1 record", "0 records": Count, a blank and Noun, plural unless Count is 1.
String CountText(Integer Count, const String& Noun);

// The buttons the letters of Letters ask for: Y Yes, N No, C Cancel, O OK,
// I Ignore, A All; other letters ask for nothing.
TMsgDlgButtons ConfirmButtons(const String& Letters);
// A confirmation dialog with those buttons; gives the modal result.
Integer ConfirmDialog(const String& Message, const String& Letters);

}  // namespace Oracle
