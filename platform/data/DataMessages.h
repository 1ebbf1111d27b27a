// platform/data/DataMessages.h
//
// The dataset model's error texts and the helpers that raise them. Every
// error of the model is an EDatabaseError; one raised on behalf of a named
// component (a dataset, a field) is prefixed with that name and ": ".
// The texts are English, as every failure of the program reads, except two
// that keep the class library's own Russian wording, which callers match:
// MsgNotEditing and MsgFieldRequired. "%s" and "%d" are filled with Format.
// Engines raise the texts of the model's own checks (MsgNotEditing,
// MsgFieldReadOnly, ...) with these.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Types.h"

class TComponent;

inline constexpr const char* MsgNotEditing =
    "Набор данных (Dataset) не в режиме редактирования или вставки";
inline constexpr const char* MsgFieldRequired = "Поле '%s' должно иметь значение";
inline constexpr const char* MsgFieldNotFound = "Field '%s' not found";
inline constexpr const char* MsgDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* MsgDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* MsgDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* MsgDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* MsgRecordNotFound = "Record not found";
inline constexpr const char* MsgFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* MsgFieldTypeMismatch =
    "Field '%s' has a type that does not match its definition";
inline constexpr const char* MsgFieldAccessError = "Field '%s' cannot be read or written as %s";
inline constexpr const char* MsgFieldRangeError = "%s is not in the range of field '%s' (%s to %s)";
inline constexpr const char* MsgInvalidFieldValue = "'%s' is not a valid value for field '%s'";
inline constexpr const char* MsgInvalidFieldSize = "Invalid size of field '%s'";
inline constexpr const char* MsgDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* MsgFieldNameMissing = "Field name missing";
inline constexpr const char* MsgUnknownFieldType = "Field '%s' is of an unsupported data type (%d)";
inline constexpr const char* MsgFieldIndexError = "Field index out of range (%d)";
inline constexpr const char* MsgDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* MsgIndexNotFound = "Index '%s' not found";
inline constexpr const char* MsgDuplicateIndexName = "Duplicate index name '%s'";
inline constexpr const char* MsgCircularDataLink = "Circular data links are not allowed";
inline constexpr const char* MsgLookupInfoError = "Lookup information for field '%s' is incomplete";
inline constexpr const char* MsgNoBlobStreams = "The dataset does not support blob fields";
inline constexpr const char* MsgKeyValueCount =
    "The number of key values does not match the number of fields";
inline constexpr const char* MsgFilterSyntax = "Filter expression error at position %d: %s";

// Raises EDatabaseError with `message`, prefixed by the component's name
// ("Table1: ...") when it has one.
[[noreturn]] void DatabaseError(const String& message, const TComponent* component = nullptr);

template <class... Args>
[[noreturn]] void DatabaseErrorFmt(const char* format, const TComponent* component,
                                   const Args&... args) {
  DatabaseError(Format(format, args...), component);
}
