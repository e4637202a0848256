// Date-time values as days since 30 December 1899 with the time as the fraction, and their
// formatting with a pattern of the banners' `timeformat` and the user's locale data.
#pragma once
#include <windows.h>
#include <string>

namespace vt {

using TDateTime = double;

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms);
TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
// All fields zero for a value outside the years 1 to 9999.
SYSTEMTIME DateTimeToSystemTime(TDateTime value);
TDateTime NowDateTime();  // local time

// Patterns (letters in either case): c; d dd ddd dddd ddddd dddddd; m mm mmm mmmm (minutes
// right after an hour); yy yyyy; h hh (12-hour clock when am/pm, a/p or ampm follows);
// n nn; s ss; z zzz; t tt; am/pm a/p ampm; / and : as the locale's separators; quoted text
// copied without its quotes; anything else copied. An empty pattern counts as c.
std::wstring FormatDateTime(const std::wstring& pattern, TDateTime value);

}  // namespace vt
