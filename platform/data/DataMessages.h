// platform/data/DataMessages.h
//
// The dataset model's error texts and the helpers that raise them. Every
// error of the model is an EDatabaseError; one raised on behalf of a named
// component (a dataset, a field) is prefixed with that name and ": ".
// The texts are in the language of the class library's messages (Russian);
// "%s" and "%d" are filled with Format. Engines raise the texts of the
// model's own checks (MsgNotEditing, MsgFieldReadOnly, ...) with these.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Types.h"

class TComponent;

inline constexpr const char* MsgNotEditing = "Набор данных (Dataset) не в режиме редактирования или вставки";
inline constexpr const char* MsgFieldRequired = "Поле '%s' должно иметь значение";
inline constexpr const char* MsgFieldNotFound = "Поле '%s' не найдено";
inline constexpr const char* MsgDataSetClosed = "Операция невозможна: набор данных закрыт";
inline constexpr const char* MsgDataSetOpen = "Операция невозможна: набор данных открыт";
inline constexpr const char* MsgDataSetEmpty = "Операция невозможна: набор данных пуст";
inline constexpr const char* MsgDataSetReadOnly = "Набор данных доступен только для чтения";
inline constexpr const char* MsgRecordNotFound = "Запись не найдена";
inline constexpr const char* MsgFieldReadOnly = "Поле '%s' доступно только для чтения";
inline constexpr const char* MsgFieldTypeMismatch = "Поле '%s' имеет тип, не совпадающий с описанием поля";
inline constexpr const char* MsgFieldAccessError = "Поле '%s' нельзя прочитать или записать как %s";
inline constexpr const char* MsgFieldRangeError = "%s не входит в допустимый диапазон поля '%s' (от %s до %s)";
inline constexpr const char* MsgInvalidFieldValue = "'%s' не является допустимым значением поля '%s'";
inline constexpr const char* MsgInvalidFieldSize = "Недопустимый размер поля '%s'";
inline constexpr const char* MsgDuplicateFieldName = "Повторяющееся имя поля '%s'";
inline constexpr const char* MsgFieldNameMissing = "Не задано имя поля";
inline constexpr const char* MsgUnknownFieldType = "Поле '%s' имеет неподдерживаемый тип данных (%d)";
inline constexpr const char* MsgFieldIndexError = "Номер поля вне допустимого диапазона (%d)";
inline constexpr const char* MsgDataSetMissing = "Поле '%s' не связано с набором данных";
inline constexpr const char* MsgIndexNotFound = "Индекс '%s' не найден";
inline constexpr const char* MsgDuplicateIndexName = "Повторяющееся имя индекса '%s'";
inline constexpr const char* MsgCircularDataLink = "Циклические связи между источниками данных недопустимы";
inline constexpr const char* MsgLookupInfoError = "Неполные сведения о подстановке для поля '%s'";
inline constexpr const char* MsgNoBlobStreams = "Набор данных не поддерживает поля BLOB";
inline constexpr const char* MsgKeyValueCount = "Число значений ключа не совпадает с числом полей";
inline constexpr const char* MsgFilterSyntax = "Ошибка в выражении фильтра (позиция %d): %s";

// Raises EDatabaseError with `message`, prefixed by the component's name
// ("Table1: ...") when it has one.
[[noreturn]] void DatabaseError(const String& message, const TComponent* component = nullptr);

template <class... Args>
[[noreturn]] void DatabaseErrorFmt(const char* format, const TComponent* component, const Args&... args) {
  DatabaseError(Format(format, args...), component);
}
