// platform/rtl/Types.h
//
// The fixed-width names that the rest of the program is written in. Text is
// `String`: an 8-bit string holding UTF-8, the system code page here.
#pragma once

#include <cstdint>
#include <string>

using String = std::string;
using WideString = std::u16string;  // UTF-16, for the wide variants of text services

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using SmallInt = std::int16_t;
using Word = std::uint16_t;
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;

// Days since 1899-12-30 in local time; the fraction is the time of day.
using TDateTime = double;
